// The directory walk and the window rule.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "exif/exif_reader.h"
#include "format_field.h"

namespace {

std::uint16_t tagAt(const ExifDirectory& directory, std::uint32_t entry) {
  std::uint16_t tag = 0;
  EXPECT_TRUE(directory.read16(entry, &tag));
  return tag;
}

TEST(ExifReader, BigEndianHeaderPutsIfd0AtItsOffset) {
  TiffBuilder file;
  file.setIfd0(file.directory({{TagIsoSpeed, shortValue(100)}}));
  ASSERT_EQ(file.bytes()[7], 8);
  TExifRootPENTAXistD record;
  record.analyze(file.view());
  EXPECT_TRUE(bigEndian.load());
  ASSERT_EQ(record.ifd0Directory.entryCount, 1);
  EXPECT_EQ(record.ifd0Directory.entryAt(0), 10u);
  EXPECT_EQ(record.ifd0Directory.entryAt(1), NoEntry);
  EXPECT_FALSE(record.hasExif);
  EXPECT_FALSE(record.hasMakerNote);
}

// A little-endian TIFF header ("II", 42 in that order, as every DNG
// begins) puts IFD0 and the EXIF directory in that order; any other header
// reads big-endian, as the *istD's files always have.
TEST(ExifReader, OnlyALittleEndianHeaderReadsLittleEndian) {
  const struct {
    std::array<std::uint8_t, 4> header;
    bool little;
  } cases[] = {
      {{'I', 'I', 42, 0}, true}, {{'I', 'I', 0, 42}, false}, {{'M', 'M', 42, 0}, false}, {{'I', 'I', 43, 0}, false}};
  for (const auto& c : cases) {
    for (ByteOrder order : {ByteOrder::Big, ByteOrder::Little}) {
      SCOPED_TRACE(std::string(c.header.begin(), c.header.end()) + (order == ByteOrder::Little ? " LE" : " BE"));
      TiffBuilder file;
      const std::uint32_t exif =
          file.writeDirectory({inOrder({TagIsoSpeed, TiffShort, 1, {0, 100}}, order)}, std::nullopt, {order, 0});
      const std::uint32_t ifd0 = file.writeDirectory(
          {inOrder({TagExifPointer, TiffLong, 1, {0, 0, 0, static_cast<std::uint8_t>(exif)}}, order)},
          std::nullopt, {order, 0});
      std::copy(c.header.begin(), c.header.end(), file.bytes().begin());
      file.put32(HeaderIfd0Offset, order == ByteOrder::Little ? ifd0 << 24 : ifd0);
      TExifRootPENTAXistD record;
      record.analyze(file.view());
      FieldBuffer field;
      EXPECT_EQ(record.formatIso(field), (order == ByteOrder::Little) == c.little);
    }
  }
}

TEST(ExifReader, ReadsFollowTheByteOrderFlag) {
  const std::uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78};
  const ByteView view(bytes, sizeof bytes);
  std::uint16_t v16 = 0;
  std::uint32_t v32 = 0;
  bigEndian.store(false);
  EXPECT_TRUE(read16(view, 0, &v16) && v16 == 0x3412);
  EXPECT_TRUE(read32(view, 0, &v32) && v32 == 0x78563412u);
  bigEndian.store(true);
  EXPECT_TRUE(read16(view, 2, &v16) && v16 == 0x5678);
  EXPECT_TRUE(read32(view, 0, &v32) && v32 == 0x12345678u);
  EXPECT_FALSE(read16(view, 3, &v16));
  EXPECT_FALSE(read32(view, 1, &v32));
}

TEST(ExifReader, MakerNoteTagInIfd0IsNotFollowed) {
  TiffBuilder file;
  const std::uint32_t note = file.makerNote({{TagFocusMode, shortValue(16)}});
  file.setIfd0(file.directory({{TagMakerNote, longValue(note)}}));
  TExifRootPENTAXistD record;
  record.analyze(file.view());
  EXPECT_FALSE(record.hasExif);
  EXPECT_FALSE(record.hasMakerNote);
}

TEST(ExifReader, FirstExifPointerLeadsOn) {
  TiffBuilder file;
  const std::uint32_t first = file.directory({{TagIsoSpeed, shortValue(100)}});
  const std::uint32_t second = file.directory({{TagIsoSpeed, shortValue(200)}, {TagIsoSpeed, shortValue(1)}});
  file.setIfd0(file.directory({{TagExifPointer, longValue(first)},
                               {TagExifPointer, longValue(second)}}));
  TExifRootPENTAXistD record;
  record.analyze(file.view());
  ASSERT_TRUE(record.hasExif);
  EXPECT_EQ(record.exifDirectory.entryCount, 1);
  EXPECT_EQ(record.findEntry(record.exifDirectory, TagIsoSpeed), first + 2);
}

TEST(ExifReader, LastMakerNoteDecides) {
  TiffBuilder file;
  const std::uint32_t early = file.makerNote({{TagFocusMode, shortValue(3)}});
  const std::uint32_t late = file.makerNote({{TagFocusMode, shortValue(16)}, {63, byteValue(5, 4)}});
  addExif(file, {{TagMakerNote, longValue(early)}, {TagMakerNote, longValue(late)}});
  TExifRootPENTAXistD record;
  record.analyze(file.view());
  ASSERT_TRUE(record.hasMakerNote);
  EXPECT_EQ(record.makerNoteDirectory.entryCount, 2);
  EXPECT_EQ(record.findEntry(record.makerNoteDirectory, TagFocusMode),
            late + MakerNoteHeaderSize + 2);
}

TEST(ExifReader, LaterMakerNoteOutsideTheWindowLeavesItEmpty) {
  TiffBuilder file;
  const std::uint32_t note = file.makerNote({{TagFocusMode, shortValue(16)}});
  addExif(file, {{TagMakerNote, longValue(note)}, {TagMakerNote, longValue(0xFFFFFFFA)}});
  TExifRootPENTAXistD record;
  record.analyze(file.view());
  // 0xFFFFFFFA + 6 would wrap to 0, where "MM" would read as a huge count.
  EXPECT_TRUE(record.hasMakerNote);
  EXPECT_EQ(record.makerNoteDirectory.entryCount, 0);
}

TEST(ExifReader, MakerNoteDirectoryFollowsItsSixByteHeader) {
  TiffBuilder file;
  file.pad(1024 - file.size());
  ASSERT_EQ(file.makerNote({{TagFocusMode, shortValue(16)}}), 1024u);
  addExif(file, {{TagMakerNote, ValueField{0x00, 0x00, 0x04, 0x00}}});
  TExifRootPENTAXistD record;
  record.analyze(file.view());
  ASSERT_TRUE(record.hasMakerNote);
  ASSERT_EQ(record.makerNoteDirectory.entryCount, 1);
  EXPECT_EQ(record.makerNoteDirectory.entryAt(0), 1030u + 2);
}

TEST(ExifReader, EmptyDirectoryAndRepeatedTags) {
  bigEndian = true;  // as every analysis leaves it; parse is called directly here
  TiffBuilder file;
  const std::uint32_t empty = file.directory({});
  const std::uint32_t twice = file.directory({{TagIsoSpeed, shortValue(1)}, {TagIsoSpeed, shortValue(2)}});
  TExifRootPENTAXistD record;
  ExifDirectory directory;
  const SourceBytes bytes(file.view());
  directory.parse(bytes, empty);
  EXPECT_EQ(directory.entryCount, 0);
  EXPECT_EQ(record.findEntry(directory, 0), NoEntry);
  directory.parse(bytes, twice);
  EXPECT_EQ(record.findEntry(directory, TagIsoSpeed), twice + 2);
}

// A directory at `start` declaring three entries, cut by windows of various
// sizes: count outside -> absent; entries cut -> the whole ones inside.
TEST(ExifReader, DirectoryAtTheWindowEdgeKeepsItsWholeEntries) {
  TiffBuilder file;
  const std::uint32_t start = file.directory(
      {{TagIsoSpeed, shortValue(1)}, {TagFocusMode, shortValue(2)}, {TagExifPointer, longValue(3)}});
  const struct {
    std::uint32_t windowSize;
    std::uint16_t entries;
  } cases[] = {
      {start, 0},          {start + 1, 0},          {start + 2, 0},
      {start + 13, 0},     {start + 14, 1},         {start + 2 + 24 + 11, 2},
      {start + 2 + 36, 3}, {file.size(), 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.windowSize);
    const Window window(file, c.windowSize);
    ExifDirectory directory;
    const SourceBytes bytes(window.view());
    directory.parse(bytes, start);
    ASSERT_EQ(directory.entryCount, c.entries);
    for (std::uint16_t i = 0; i < c.entries; ++i) {
      EXPECT_EQ(directory.entryAt(i), start + 2 + 12u * i);
    }
    EXPECT_EQ(directory.entryAt(c.entries), NoEntry);
  }
}

TEST(ExifReader, HeaderWordOutsideTheWindow) {
  TiffBuilder file = exifFile({{TagIsoSpeed, shortValue(100)}});
  for (std::uint32_t size : {0u, 4u, 7u}) {
    const Window window(file, size);
    TExifRootPENTAXistD record;
    record.analyze(window.view());
    EXPECT_EQ(record.ifd0Directory.entryCount, 0) << size;
    EXPECT_FALSE(record.hasExif);
  }
}

TEST(ExifReader, ExifPointerNearFourGibIsAbsent) {
  for (std::uint32_t offset : {0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFF4u}) {
    TiffBuilder file;
    file.setIfd0(file.directory({{TagExifPointer, longValue(offset)}}));
    TExifRootPENTAXistD record;
    record.analyze(file.view());
    EXPECT_TRUE(record.hasExif);
    EXPECT_EQ(record.exifDirectory.entryCount, 0) << offset;
    EXPECT_FALSE(record.hasMakerNote);
  }
}

// Declared counts against what is there: every declared entry, never past
// the window (later bodies write longer directories than the *istD).
TEST(ExifReader, LongDirectoriesKeepEveryEntryInsideTheWindow) {
  const struct {
    std::uint16_t declared;
    std::uint16_t present;
    std::uint16_t recorded;
  } cases[] = {{256, 256, 256}, {257, 257, 257}, {300, 300, 300},
               {0xFFFF, 300, 300}, {0xFFFF, 10, 10}, {200, 300, 200}};
  bigEndian = true;  // as every analysis leaves it; parse is called directly here
  for (const auto& c : cases) {
    SCOPED_TRACE(c.declared);
    std::vector<TiffTag> tags;
    for (std::uint16_t i = 0; i < c.present; ++i) tags.push_back({i, shortValue(i)});
    TiffBuilder file;
    const std::uint32_t start = file.directoryDeclaring(c.declared, tags);
    // The window ends right after the entries: no next-directory link.
    const Window window(file, start + 2 + 12u * c.present);
    TExifRootPENTAXistD record;
    ExifDirectory directory;
    const SourceBytes bytes(window.view());
    directory.parse(bytes, start);
    ASSERT_EQ(directory.entryCount, c.recorded);
    EXPECT_EQ(tagAt(directory, directory.entryAt(c.recorded - 1)), c.recorded - 1);
    EXPECT_EQ(record.findEntry(directory, 255), c.recorded > 255 ? start + 2 + 12 * 255 : NoEntry);
    EXPECT_EQ(record.findEntry(directory, 299), c.recorded > 299 ? start + 2 + 12 * 299 : NoEntry);
  }
}

}  // namespace
