// The generator's files, walked the way the plug-in walks them: big-endian
// throughout, IFD0 at the header's offset, the EXIF directory through tag
// 34665, the maker-note directory 6 bytes behind the offset of tag 37500.
#include <gtest/gtest.h>

#include <map>

#include "tests/support/pef_sample.h"

namespace {

using namespace pef_sample;

std::uint32_t be16(const Bytes& b, std::size_t at) { return b.at(at) << 8 | b.at(at + 1); }
std::uint32_t be32(const Bytes& b, std::size_t at) { return be16(b, at) << 16 | be16(b, at + 2); }

// A directory's entries by tag: the offset of each entry's value field.
std::map<std::uint16_t, std::size_t> readDirectory(const Bytes& b, std::size_t at) {
  EXPECT_EQ(at % 2, 0u) << "directory at an odd offset";
  std::map<std::uint16_t, std::size_t> fields;
  const std::uint32_t count = be16(b, at);
  EXPECT_LT(at + 2 + 12 * count + 4, pef_sample::PreviewOffset);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = at + 2 + 12 * i;
    const auto tag = static_cast<std::uint16_t>(be16(b, entry));
    if (!fields.empty()) {
      EXPECT_GT(tag, fields.rbegin()->first) << "entries out of tag order";
    }
    fields[tag] = entry + 8;
  }
  return fields;
}

struct Walk {
  std::map<std::uint16_t, std::size_t> ifd0, exif, makerNote;
};

Walk walk(const Bytes& b) {
  Walk w;
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 8), (Bytes{'M', 'M', 0, 42, 0, 0, 0, 8}));
  w.ifd0 = readDirectory(b, be32(b, 4));
  if (!w.ifd0.count(34665)) return w;
  w.exif = readDirectory(b, be32(b, w.ifd0[34665]));
  if (!w.exif.count(37500)) return w;
  const std::size_t makerNote = be32(b, w.exif[37500]);
  EXPECT_EQ(Bytes(b.begin() + makerNote, b.begin() + makerNote + 6), (Bytes{'A', 'O', 'C', 0, 'M', 'M'}));
  w.makerNote = readDirectory(b, makerNote + 6);
  return w;
}

SampleOptions headerOnly() {
  SampleOptions o;
  o.fullImage.reset();
  return o;
}

TEST(SampleLayout, CameraValuesStandWhereTheReaderLooks) {
  const Bytes b = buildTiffHeader(SampleOptions{});
  Walk w = walk(b);
  EXPECT_EQ(be16(b, w.exif.at(34855)), 200u);                     // ISO, SHORT in place
  EXPECT_EQ(be32(b, be32(b, w.exif.at(37386))), 500u);             // FocalLength numerator
  EXPECT_EQ(be32(b, be32(b, w.exif.at(37386)) + 4), 10u);          // and denominator
  EXPECT_EQ(be32(b, be32(b, w.exif.at(37380))), 0xFFFFFFFFu);      // ExposureBias -1
  EXPECT_EQ(be32(b, be32(b, w.exif.at(37380)) + 4), 3u);           // over 3
  EXPECT_EQ(be16(b, w.exif.at(41989)), 75u);
  EXPECT_EQ(be16(b, w.makerNote.at(13)), 16u);                     // focus mode
  EXPECT_EQ(be16(b, w.makerNote.at(63)), 0x0504u);                 // lens series 5, id 4
}

TEST(SampleLayout, DirectoriesFollowTheOptions) {
  struct Case {
    bool exif, makerNote;
    std::size_t exifEntries, makerNoteEntries;
  } cases[] = {{true, true, 13, 3}, {true, false, 12, 0}, {false, true, 0, 0}};
  for (const Case& c : cases) {
    SampleOptions o = headerOnly();
    o.withExif = c.exif;
    o.withMakerNote = c.makerNote;
    const Walk w = walk(buildTiffHeader(o));
    EXPECT_EQ(w.exif.size(), c.exifEntries) << c.exif << c.makerNote;
    EXPECT_EQ(w.makerNote.size(), c.makerNoteEntries) << c.exif << c.makerNote;
  }
  SampleOptions empty = headerOnly();
  empty.values = {};
  EXPECT_EQ(walk(buildTiffHeader(empty)).exif.size(), 3u);  // version, date, maker note
}

TEST(SampleLayout, JpegsSitAtTheCameraOffsetsWithTheirSizes) {
  SampleOptions o;
  o.fullImage = JpegOptions{640, 480, 75, false, false};
  o.prefix = 100;
  const Sample s = buildSample(o);
  const Bytes& b = s.bytes;
  ASSERT_EQ(b.size(), 100 + pef_sample::FullImageOffset + s.fullSize);
  for (std::size_t at : {100 + pef_sample::PreviewOffset, 100 + pef_sample::FullImageOffset}) EXPECT_EQ(be16(b, at), 0xFFD8u) << at;
  EXPECT_EQ(be16(b, 100 + pef_sample::PreviewOffset + s.previewSize - 2), 0xFFD9u);
  EXPECT_EQ(be16(b, b.size() - 2), 0xFFD9u);
  EXPECT_LE(pef_sample::PreviewOffset + s.previewSize, HeaderBlockSize);
  EXPECT_NE(be16(b, 0), 0x4D4Du);  // the prefix does not look like a sample
  EXPECT_EQ(be32(b, 100), 0x4D4D002Au);
}

}  // namespace
