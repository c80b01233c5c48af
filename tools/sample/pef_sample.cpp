// The *istD file layout: a big-endian TIFF header ("MM", 42, IFD0 at byte 8),
// IFD0 with the camera's basics and the pointer to the EXIF directory (tag
// 34665), the EXIF directory with the shooting values and the maker note
// (tag 37500). The maker-note data starts with the 6-byte header "AOC\0MM",
// then comes the maker-note directory. Directories follow each other, each
// with its out-of-line values directly behind it; all start on even offsets
// as TIFF asks. Offsets in every directory count from the TIFF header.
#include "pef_sample.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace pef_sample {
namespace {

// TIFF 6.0 field types.
enum TiffType : std::uint16_t {
  TypeByte = 1,
  TypeAscii = 2,
  TypeShort = 3,
  TypeLong = 4,
  TypeRational = 5,
  TypeUndefined = 7,
  TypeSRational = 10,
};

// One directory entry. `value` holds the value bytes; up to four stand in
// the entry itself, longer ones behind the directory. A pointer entry keeps
// the count of the data it points to and a 4-byte offset as its value.
struct Entry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  Bytes value;
};

void put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void put32(Bytes& out, std::uint32_t v) {
  put16(out, v >> 16);
  put16(out, v);
}

Entry shortEntry(std::uint16_t tag, std::uint16_t v) {
  Bytes b;
  put16(b, v);
  return {tag, TypeShort, 1, b};
}

Entry rationalEntry(std::uint16_t tag, std::uint32_t num, std::uint32_t den, TiffType type = TypeRational) {
  Bytes b;
  put32(b, num);
  put32(b, den);
  return {tag, type, 1, b};
}

Entry asciiEntry(std::uint16_t tag, const std::string& text) {
  Bytes b(text.begin(), text.end());
  b.push_back(0);
  return {tag, TypeAscii, static_cast<std::uint32_t>(b.size()), b};
}

Entry pointerEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::size_t offset) {
  Bytes b;
  put32(b, static_cast<std::uint32_t>(offset));
  return {tag, type, count, b};
}

// Tag, type and count (2 + 2 + 4 bytes), then the 4-byte value field.
constexpr std::size_t EntrySize = 12;

std::size_t evenUp(std::size_t n) { return n + (n & 1); }

std::size_t outOfLineSize(const Entry& e) { return e.value.size() > 4 ? evenUp(e.value.size()) : 0; }

// Count, 12-byte entries, next-directory link, then the out-of-line values.
std::size_t directorySize(const std::vector<Entry>& entries) {
  std::size_t size = 2 + EntrySize * entries.size() + 4;
  for (const Entry& e : entries) size += outOfLineSize(e);
  return size;
}

// Appends the directory at out.size(), which is its offset from the TIFF
// header. Entries go in ascending tag order; the chain ends here (link 0).
void appendDirectory(Bytes& out, std::vector<Entry> entries) {
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
  const std::size_t dataAt = out.size() + 2 + EntrySize * entries.size() + 4;
  Bytes data;
  put16(out, static_cast<std::uint32_t>(entries.size()));
  for (const Entry& e : entries) {
    put16(out, e.tag);
    put16(out, e.type);
    put32(out, e.count);
    if (e.value.size() <= 4) {
      Bytes field = e.value;
      field.resize(4);  // left-justified, zero-padded
      out.insert(out.end(), field.begin(), field.end());
    } else {
      put32(out, static_cast<std::uint32_t>(dataAt + data.size()));
      data.insert(data.end(), e.value.begin(), e.value.end());
      data.resize(evenUp(data.size()));
    }
  }
  put32(out, 0);
  out.insert(out.end(), data.begin(), data.end());
}

std::vector<Entry> ifd0Entries() {
  return {asciiEntry(271, "PENTAX Corporation"),  // Make
          asciiEntry(272, "PENTAX *istD"),        // Model
          shortEntry(274, 1),                     // Orientation: top-left
          rationalEntry(282, 72, 1),              // XResolution
          rationalEntry(283, 72, 1),              // YResolution
          shortEntry(296, 2),                     // ResolutionUnit: inch
          asciiEntry(305, "*istD Ver 1.00"),      // Software
          asciiEntry(306, "2004:05:01 12:00:00")};  // DateTime
}

std::vector<Entry> exifEntries(const ShotValues& v) {
  std::vector<Entry> e{{36864, TypeUndefined, 4, {'0', '2', '2', '1'}},  // ExifVersion
                       asciiEntry(36867, "2004:05:01 12:00:00")};   // DateTimeOriginal
  auto addShort = [&](std::uint16_t tag, const std::optional<std::uint16_t>& s) {
    if (s) e.push_back(shortEntry(tag, *s));
  };
  auto addRational = [&](std::uint16_t tag, const std::optional<Rational>& r) {
    if (r) e.push_back(rationalEntry(tag, r->num, r->den));
  };
  addShort(34855, v.iso);
  addRational(37386, v.focalLength);
  addShort(41989, v.focalLength35mm);
  addRational(33434, v.exposureTime);
  addRational(33437, v.fNumber);
  if (v.exposureBias)
    e.push_back(rationalEntry(37380, static_cast<std::uint32_t>(v.exposureBias->num),
                              static_cast<std::uint32_t>(v.exposureBias->den), TypeSRational));
  addShort(34850, v.exposureProgram);
  addShort(37383, v.meteringMode);
  addShort(41987, v.whiteBalance);
  addShort(37385, v.flash);
  return e;
}

std::vector<Entry> makerNoteEntries(const ShotValues& v) {
  std::vector<Entry> e{{0, TypeByte, 4, {3, 0, 0, 0}}};  // maker-note version
  if (v.focusMode) e.push_back(shortEntry(13, *v.focusMode));
  if (v.lens) e.push_back({63, TypeByte, 2, {v.lens->series, v.lens->id}});
  return e;
}

constexpr std::uint8_t MakerNoteHeader[6] = {'A', 'O', 'C', 0, 'M', 'M'};
// Stands before the sample when it is embedded in a larger file; not "MM".
constexpr std::uint8_t PrefixFiller = 0xA5;

}  // namespace

ShotValues cameraValues() {
  ShotValues v;
  v.iso = 200;
  v.focalLength = Rational{500, 10};
  v.focalLength35mm = 75;
  v.exposureTime = Rational{1, 125};
  v.fNumber = Rational{56, 10};
  v.exposureBias = SRational{-1, 3};
  v.exposureProgram = 3;
  v.meteringMode = 5;
  v.whiteBalance = 0;
  v.flash = 16;
  v.focusMode = 16;
  v.lens = LensCode{5, 4};
  return v;
}

JpegOptions cameraPreview() { return {640, 480, 80, false, false}; }
JpegOptions cameraFullImage() { return {3008, 2008, 95, false, false}; }

Bytes buildTiffHeader(const SampleOptions& options) {
  Bytes out{'M', 'M', 0, 42};
  put32(out, 8);
  std::vector<Entry> ifd0 = ifd0Entries();
  std::vector<Entry> exif = exifEntries(options.values);
  std::vector<Entry> makerNote = makerNoteEntries(options.values);
  // A pointer entry adds one entry and no out-of-line bytes, so the
  // directories' sizes are known before the offsets the pointers hold.
  const std::size_t exifAt = out.size() + directorySize(ifd0) + (options.withExif ? EntrySize : 0);
  const std::size_t makerNoteAt = exifAt + directorySize(exif) + (options.withMakerNote ? EntrySize : 0);
  if (options.withExif) ifd0.push_back(pointerEntry(34665, TypeLong, 1, exifAt));
  if (options.withMakerNote) {
    const auto size = static_cast<std::uint32_t>(sizeof MakerNoteHeader + directorySize(makerNote));
    exif.push_back(pointerEntry(37500, TypeUndefined, size, makerNoteAt));
  }
  appendDirectory(out, ifd0);
  if (!options.withExif) return out;
  appendDirectory(out, exif);
  if (!options.withMakerNote) return out;
  out.insert(out.end(), std::begin(MakerNoteHeader), std::end(MakerNoteHeader));
  appendDirectory(out, makerNote);
  return out;
}

Sample buildSample(const SampleOptions& options) {
  const Bytes tiff = buildTiffHeader(options);
  const Bytes preview = synthJpeg(options.preview);
  // A full-size JPEG that the cut would drop entirely is not made at all.
  const bool full = options.fullImage && !(options.length && *options.length <= FullImageOffset);
  const Bytes fullImage = full ? synthJpeg(*options.fullImage) : Bytes{};
  const std::size_t previewEnd = PreviewOffset + preview.size();
  if (full && previewEnd > FullImageOffset) throw std::runtime_error("preview JPEG overlaps the full-size JPEG");

  Sample s{Bytes(options.prefix, PrefixFiller), preview.size(), fullImage.size()};
  Bytes& b = s.bytes;
  const std::size_t base = options.prefix;
  b.insert(b.end(), tiff.begin(), tiff.end());
  b.resize(base + PreviewOffset);
  b.insert(b.end(), preview.begin(), preview.end());
  if (full) {
    b.resize(base + FullImageOffset);
    b.insert(b.end(), fullImage.begin(), fullImage.end());
  } else {
    b.resize(base + std::max(HeaderBlockSize, previewEnd));
  }
  if (options.length) b.resize(base + *options.length);
  return s;
}

Sample writeSample(const std::string& path, const SampleOptions& options) {
  Sample s = buildSample(options);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(s.bytes.data()), static_cast<std::streamsize>(s.bytes.size()));
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path);
  return s;
}

}  // namespace pef_sample
