// The *istD file layout: a big-endian TIFF header ("MM", 42, IFD0 at byte 8),
// IFD0 with the camera's basics and the pointer to the EXIF directory (tag
// 34665), the EXIF directory with the shooting values and the maker note
// (tag 37500). The maker-note data starts with the 6-byte header "AOC\0MM",
// then comes the maker-note directory. Directories follow each other, each
// with its out-of-line values directly behind it; all start on even offsets
// as TIFF asks. Offsets in every directory count from the TIFF header.
#include "tests/support/pef_sample.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "tests/support/tiff_builder.h"

namespace pef_sample {
namespace {

TiffEntry shortEntry(std::uint16_t tag, std::uint16_t v) {
  const ValueField b = shortValue(v);
  return {tag, TypeShort, 1, {b.begin(), b.end()}};
}

TiffEntry rationalEntry(std::uint16_t tag, std::uint32_t num, std::uint32_t den,
                        TiffType type = TypeRational) {
  const ValueField n = longValue(num), d = longValue(den);
  Bytes b(n.begin(), n.end());
  b.insert(b.end(), d.begin(), d.end());
  return {tag, type, 1, b};
}

TiffEntry asciiEntry(std::uint16_t tag, const std::string& text) {
  Bytes b(text.begin(), text.end());
  b.push_back(0);
  return {tag, TypeAscii, static_cast<std::uint32_t>(b.size()), b};
}

TiffEntry pointerEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t offset) {
  const ValueField b = longValue(offset);
  return {tag, type, count, {b.begin(), b.end()}};
}

// Entries go in ascending tag order, as TIFF asks.
std::vector<TiffEntry> sorted(std::vector<TiffEntry> entries) {
  std::sort(entries.begin(), entries.end(),
            [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
  return entries;
}

// Tag, type and count (2 + 2 + 4 bytes), then the 4-byte value field.
constexpr std::uint32_t EntrySize = 12;

std::vector<TiffEntry> ifd0Entries() {
  return {asciiEntry(271, "PENTAX Corporation"),  // Make
          asciiEntry(272, "PENTAX *istD"),        // Model
          shortEntry(274, 1),                     // Orientation: top-left
          rationalEntry(282, 72, 1),              // XResolution
          rationalEntry(283, 72, 1),              // YResolution
          shortEntry(296, 2),                     // ResolutionUnit: inch
          asciiEntry(305, "*istD Ver 1.00"),      // Software
          asciiEntry(306, "2004:05:01 12:00:00")};  // DateTime
}

std::vector<TiffEntry> exifEntries(const ShotValues& v) {
  std::vector<TiffEntry> e{{36864, TypeUndefined, 4, {'0', '2', '2', '1'}},  // ExifVersion
                       asciiEntry(36867, "2004:05:01 12:00:00")};   // DateTimeOriginal
  auto addShort = [&](std::uint16_t tag, const std::optional<std::uint16_t>& s) {
    if (s) e.push_back(shortEntry(tag, *s));
  };
  auto addRational = [&](std::uint16_t tag, const std::optional<Rational>& r) {
    if (r) e.push_back(rationalEntry(tag, r->num, r->den));
  };
  addShort(TagIsoSpeed, v.iso);
  addRational(TagFocalLength, v.focalLength);
  addShort(TagFocalLength35mm, v.focalLength35mm);
  addRational(TagExposureTime, v.exposureTime);
  addRational(TagFNumber, v.fNumber);
  if (v.exposureBias)
    e.push_back(rationalEntry(TagExposureBias, static_cast<std::uint32_t>(v.exposureBias->num),
                              static_cast<std::uint32_t>(v.exposureBias->den), TypeSRational));
  addShort(TagExposureProgram, v.exposureProgram);
  addShort(TagMeteringMode, v.meteringMode);
  addShort(TagWhiteBalance, v.whiteBalance);
  addShort(TagFlash, v.flash);
  return e;
}

std::vector<TiffEntry> makerNoteEntries(const ShotValues& v) {
  std::vector<TiffEntry> e{{0, TypeByte, 4, {3, 0, 0, 0}}};  // maker-note version
  if (v.focusMode) e.push_back(shortEntry(TagFocusMode, *v.focusMode));
  if (v.lens) e.push_back({TagLensCode, TypeByte, 2, {v.lens->series, v.lens->id}});
  return e;
}

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

JpegOptions cameraPreview() { return {PreviewWidth, PreviewFrameHeight, 80, false, false}; }
JpegOptions cameraFullImage() { return {FullImageWidth, FullImageHeight, 95, false, false}; }

Bytes buildTiffHeader(const SampleOptions& options) {
  TiffBuilder out;
  out.setIfd0(out.size());
  std::vector<TiffEntry> ifd0 = ifd0Entries();
  std::vector<TiffEntry> exif = exifEntries(options.values);
  std::vector<TiffEntry> makerNote = makerNoteEntries(options.values);
  // A pointer entry adds one entry and no out-of-line bytes, so the
  // directories' sizes are known before the offsets the pointers hold.
  const std::uint32_t exifAt = out.size() + TiffBuilder::directorySize(ifd0) + (options.withExif ? EntrySize : 0);
  const std::uint32_t makerNoteAt =
      exifAt + TiffBuilder::directorySize(exif) + (options.withMakerNote ? EntrySize : 0);
  if (options.withExif) ifd0.push_back(pointerEntry(TagExifPointer, TypeLong, 1, exifAt));
  if (options.withMakerNote) {
    const std::uint32_t size = TiffBuilder::MakerNoteHeaderSize + TiffBuilder::directorySize(makerNote);
    exif.push_back(pointerEntry(TagMakerNote, TypeUndefined, size, makerNoteAt));
  }
  out.writeDirectory(sorted(ifd0));
  if (options.withExif) out.writeDirectory(sorted(exif));
  if (options.withExif && options.withMakerNote) out.writeMakerNote(sorted(makerNote));
  return out.bytes();
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
