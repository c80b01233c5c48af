#include "tests/support/dng_bodies.h"

#include "tests/support/pef_entries.h"
#include "tests/support/tiff_builder.h"

namespace pef_sample {
namespace {

// The thumbnail in IFD0: 160 x 120, 8-bit RGB, one strip.
constexpr std::uint32_t ThumbWidth = 160, ThumbHeight = 120, RgbBytes = 3;
constexpr std::uint32_t ThumbBytes = ThumbWidth * ThumbHeight * RgbBytes;
// The raw image: a 64 x 32 CFA of 16-bit zeros stands for the sensor data.
constexpr std::uint32_t RawWidth = 64, RawHeight = 32, RawSampleBytes = 2;
constexpr std::uint32_t RawStripBytes = RawWidth * RawHeight * RawSampleBytes;
constexpr std::uint16_t CfaPhotometric = 32803, RgbPhotometric = 2, YCbCrPhotometric = 6;
constexpr std::uint16_t NoCompression = 1, JpegCompression = 7;
// DNGVersion 1.4.0.0 (BYTE[4]).
const Bytes DngVersion{1, 4, 0, 0};

// Where the data behind the directories lies.
struct Positions {
  std::uint32_t thumbnail = 0, raw = 0;
  std::vector<std::uint32_t> previews;
};

TiffEntry little(TiffEntry e) { return inOrder(std::move(e), ByteOrder::Little); }

Bytes littleLongs(const std::vector<std::uint32_t>& values) {
  Bytes b;
  for (std::uint32_t v : values)
    for (int shift = 0; shift < 32; shift += 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
  return b;
}

std::uint32_t littleDirectory(TiffBuilder& file, std::vector<TiffEntry> entries) {
  for (TiffEntry& e : entries) e = little(std::move(e));
  return file.writeDirectory(sorted(std::move(entries)), std::nullopt, {ByteOrder::Little, 0});
}

// BitsPerSample (0x0102): `samples` SHORTs of `bits`.
TiffEntry bitsEntry(std::uint16_t samples, std::uint8_t bits) {
  Bytes value;
  for (std::uint16_t i = 0; i < samples; ++i) value.insert(value.end(), {0, bits});
  return {258, TypeShort, samples, value};
}

// An image of one strip: NewSubFileType, its size, BitsPerSample,
// Compression, PhotometricInterpretation, the strip, SamplesPerPixel and
// RowsPerStrip.
std::vector<TiffEntry> imageEntries(std::uint32_t kind, std::uint32_t width, std::uint32_t height,
                                    std::uint16_t compression, std::uint16_t photometric, std::uint32_t strip,
                                    std::uint32_t bytes, std::uint16_t samples, std::uint8_t bits = 8) {
  return {longEntry(TagNewSubFileType, kind), longEntry(TagImageWidth, width), longEntry(257, height),
          bitsEntry(samples, bits), shortEntry(TagCompression, compression), shortEntry(262, photometric),
          longEntry(TagStripOffsets, strip), shortEntry(277, samples), longEntry(278, height),
          longEntry(TagStripByteCounts, bytes)};
}

// The directories, given where the data behind them goes; their sizes do
// not depend on it, so a first pass with no positions measures them.
TiffBuilder directories(const DngLayout& body, const ShotValues& values, const std::vector<Bytes>& jpegs,
                        const Positions& p) {
  TiffBuilder file;
  file.bytes() = {'I', 'I', 42, 0, 0, 0, 0, 0};
  const std::uint32_t exifAt = littleDirectory(file, exifEntries(values));
  // IFD0's entries as the writers give them (big-endian), and those whose
  // values already stand little-endian.
  std::vector<TiffEntry> ifd0 = ifd0Entries({body.make, body.model, body.software}, std::uint16_t{1}), standing;
  if (body.noteVersion) {
    std::vector<TiffEntry> note = makerNoteEntries(values, *body.noteVersion, 4);
    for (TiffEntry& e : note) e = little(std::move(e));
    const std::uint32_t noteAt = file.writePentaxNote(note, ByteOrder::Little);
    standing.push_back({TagDngPrivateData, TypeByte, file.size() - noteAt, littleLongs({noteAt})});
  }
  std::vector<std::uint32_t> subIfds{littleDirectory(
      file, imageEntries(0, RawWidth, RawHeight, NoCompression, CfaPhotometric, p.raw, RawStripBytes, 1, 16))};
  for (std::size_t i = 0; i < body.previews.size(); ++i) {
    const JpegOptions& o = body.previews[i];
    subIfds.push_back(littleDirectory(file, imageEntries(1, o.width, o.height, JpegCompression, YCbCrPhotometric,
                                                         p.previews.empty() ? 0 : p.previews[i],
                                                         static_cast<std::uint32_t>(jpegs[i].size()), 3)));
  }
  standing.push_back({TagSubIfds, TypeLong, static_cast<std::uint32_t>(subIfds.size()), littleLongs(subIfds)});
  standing.push_back({TagDngVersion, TypeByte, 4, DngVersion});
  for (const TiffEntry& e :
       imageEntries(1, ThumbWidth, ThumbHeight, NoCompression, RgbPhotometric, p.thumbnail, ThumbBytes, 3))
    ifd0.push_back(e);
  ifd0.push_back(longEntry(TagExifPointer, exifAt));
  for (TiffEntry& e : ifd0) e = little(std::move(e));
  ifd0.insert(ifd0.end(), standing.begin(), standing.end());
  const std::uint32_t ifd0At = file.writeDirectory(sorted(ifd0), std::nullopt, {ByteOrder::Little, 0});
  const Bytes at = littleLongs({ifd0At});
  std::copy(at.begin(), at.end(), file.bytes().begin() + 4);
  return file;
}

std::uint32_t evenUp(std::size_t n) { return static_cast<std::uint32_t>(n + (n & 1)); }

std::vector<DngLayout> makeDngs() {
  const std::array<std::uint8_t, 4> k10d{3, 0, 0, 0}, k5{7, 0, 0, 0}, later{11, 0, 0, 0}, k1{12, 0, 0, 0};
  // The bodies write their JPEG preview at the picture's full size; the
  // K-3 Mark III also a 1024-wide one, its full-size JPEG in a third SubIFD.
  return {
      {"k10d-dng", "PENTAX Corporation", "PENTAX K10D", "K10D Ver 1.00", k10d, {{3872, 2592, 75}}},
      {"k5-dng", "PENTAX Corporation", "PENTAX K-5", "K-5 Ver 1.00", k5, {{4928, 3264, 75}}},
      {"k3iii-dng", "RICOH IMAGING COMPANY, LTD.", "PENTAX K-3 Mark III", "K-3 Mark III Ver 1.00", later,
       {{1024, 683, 80}, {6192, 4128, 75}}},
      {"k1-dng", "RICOH IMAGING COMPANY, LTD.", "PENTAX K-1", "K-1 Ver 1.00", k1, {{7360, 4912, 75}}},
      {"645z-dng", "RICOH IMAGING COMPANY, LTD.", "PENTAX 645Z", "645Z Ver 1.00", later, {{8256, 6192, 75}}},
      // Another maker's: no PENTAX note, one 1280-wide preview.
      {"other-dng", "Leica Camera AG", "LEICA M (Typ 240)", "1.0.0.0", std::nullopt, {{1280, 854, 80}}},
  };
}

}  // namespace

const std::vector<DngLayout>& dngLayouts() {
  static const std::vector<DngLayout> bodies = makeDngs();
  return bodies;
}

const DngLayout* findDng(const std::string& name) {
  for (const DngLayout& body : dngLayouts())
    if (body.name == name) return &body;
  return nullptr;
}

Sample buildDngSample(const DngLayout& body, const ShotValues& values) {
  std::vector<Bytes> jpegs;
  for (const JpegOptions& o : body.previews) jpegs.push_back(synthJpeg(o));
  Positions p;
  p.thumbnail = evenUp(directories(body, values, jpegs, p).size());
  p.raw = p.thumbnail + ThumbBytes;
  std::uint32_t at = p.raw + RawStripBytes;
  for (const Bytes& jpeg : jpegs) {
    p.previews.push_back(at);
    at = evenUp(at + jpeg.size());
  }
  Bytes file = directories(body, values, jpegs, p).bytes();
  file.resize(at);
  for (std::size_t i = 0; i < jpegs.size(); ++i) std::copy(jpegs[i].begin(), jpegs[i].end(), file.begin() + p.previews[i]);
  return {file, jpegs.front().size(), jpegs.back().size()};
}

}  // namespace pef_sample
