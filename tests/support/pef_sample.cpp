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

#include "tests/support/pef_entries.h"
#include "tests/support/tiff_builder.h"

namespace pef_sample {
namespace {

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
  std::vector<TiffEntry> ifd0 = ifd0Entries(istdNames(), options.values.orientation);
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
  writeBytes(path, s.bytes);
  return s;
}

void writeBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path);
}

}  // namespace pef_sample
