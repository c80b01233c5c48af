// Exposure program, metering mode, flash, white balance, focus mode and the
// lens name, with their code page 932 labels.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <set>
#include <string>

#include "exif/exif_reader.h"
#include "exif/lens_table.h"
#include "exif_labels.h"
#include "exif_tiff_builder.h"

namespace {

using R = TExifRootPENTAXistD;

// One SHORT code through its formatter. `bytes` is the label's length with
// its terminator, 0 when no field is produced.
struct CodeCase {
  Formatter format;
  std::uint16_t tag;
  bool inMakerNote;
  ValueField value;
  const char* label;
  std::size_t bytes;
};

const CodeCase codeCases[] = {
    {&R::formatExposureProgram, tag::ExposureProgram, false, shortValue(1), "M", 2},
    {&R::formatExposureProgram, tag::ExposureProgram, false, shortValue(2), "P", 2},
    {&R::formatExposureProgram, tag::ExposureProgram, false, shortValue(3), "Av", 3},
    {&R::formatExposureProgram, tag::ExposureProgram, false, shortValue(4), "Tv", 3},
    {&R::formatExposureProgram, tag::ExposureProgram, false, {0x00, 0x05}, cp932::HighSpeedProgram, 6},
    {&R::formatExposureProgram, tag::ExposureProgram, false, {0x00, 0x06}, cp932::LowSpeedProgram, 6},
    {&R::formatExposureProgram, tag::ExposureProgram, false, shortValue(7), cp932::Portrait, 8},
    {&R::formatExposureProgram, tag::ExposureProgram, false, shortValue(8), cp932::Landscape, 5},
    {&R::formatExposureProgram, tag::ExposureProgram, false, shortValue(0), cp932::UnknownProgram, 13},
    {&R::formatExposureProgram, tag::ExposureProgram, false, shortValue(9), cp932::UnknownProgram, 13},
    {&R::formatExposureProgram, tag::ExposureProgram, false, {0x05, 0x00}, cp932::UnknownProgram, 13},
    {&R::formatMeteringMode, tag::MeteringMode, false, shortValue(1), cp932::Average, 9},
    {&R::formatMeteringMode, tag::MeteringMode, false, shortValue(2), cp932::CentreWeighted, 9},
    {&R::formatMeteringMode, tag::MeteringMode, false, shortValue(3), cp932::Spot, 6},
    {&R::formatMeteringMode, tag::MeteringMode, false, shortValue(4), cp932::MultiSpot, 9},
    {&R::formatMeteringMode, tag::MeteringMode, false, shortValue(5), cp932::MultiSegment, 7},
    {&R::formatMeteringMode, tag::MeteringMode, false, shortValue(6), cp932::Partial, 5},
    {&R::formatMeteringMode, tag::MeteringMode, false, shortValue(255), cp932::Other, 7},
    {&R::formatMeteringMode, tag::MeteringMode, false, shortValue(0), cp932::Unknown, 5},
    {&R::formatMeteringMode, tag::MeteringMode, false, shortValue(7), cp932::Unknown, 5},
    {&R::formatMeteringMode, tag::MeteringMode, false, shortValue(256), cp932::Unknown, 5},
    {&R::formatFlash, tag::Flash, false, shortValue(0), cp932::FlashNotFired, 8},
    {&R::formatFlash, tag::Flash, false, shortValue(1), cp932::FlashFired, 6},
    {&R::formatFlash, tag::Flash, false, shortValue(3), cp932::FlashFired, 6},
    {&R::formatFlash, tag::Flash, false, shortValue(5), cp932::Unknown, 5},
    {&R::formatFlash, tag::Flash, false, shortValue(7), cp932::FlashFired, 6},
    {&R::formatFlash, tag::Flash, false, shortValue(16), cp932::FlashNotFired, 8},
    {&R::formatFlash, tag::Flash, false, shortValue(25), cp932::FlashFired, 6},
    {&R::formatFlash, tag::Flash, false, shortValue(0xFFF5), cp932::Unknown, 5},
    {&R::formatFlash, tag::Flash, false, {0x01, 0x00}, cp932::FlashNotFired, 8},
    {&R::formatWhiteBalance, tag::WhiteBalance, false, shortValue(0), cp932::WhiteBalanceAuto, 6},
    {&R::formatWhiteBalance, tag::WhiteBalance, false, shortValue(1), cp932::WhiteBalanceManual, 8},
    {&R::formatWhiteBalance, tag::WhiteBalance, false, shortValue(2), cp932::WhiteBalanceAuto, 6},
    {&R::formatWhiteBalance, tag::WhiteBalance, false, shortValue(3), cp932::WhiteBalanceManual, 8},
    {&R::formatFocusMode, tag::FocusMode, true, shortValue(3), "MF", 3},
    {&R::formatFocusMode, tag::FocusMode, true, shortValue(16), "AF-S", 5},
    {&R::formatFocusMode, tag::FocusMode, true, shortValue(17), "AF-C", 5},
    {&R::formatFocusMode, tag::FocusMode, true, shortValue(0), nullptr, 0},
    {&R::formatFocusMode, tag::FocusMode, true, shortValue(18), nullptr, 0},
    {&R::formatFocusMode, tag::FocusMode, true, {0x10, 0x00}, nullptr, 0},
};

TEST(ExifLabelledFields, CodesGiveTheirLabels) {
  for (const CodeCase& c : codeCases) {
    SCOPED_TRACE(testing::Message() << c.tag << " value " << int{c.value[0]} << " "
                                    << int{c.value[1]});
    const TiffBuilder file = c.inMakerNote ? exifFile({}, {{{c.tag, c.value}}})
                                           : exifFile({{c.tag, c.value}});
    const Field field = formatField(file.view(), c.format);
    EXPECT_EQ(field, c.label ? Field(c.label) : None);
    if (c.label) EXPECT_EQ(std::strlen(c.label) + 1, c.bytes);
  }
}

TEST(ExifLabelledFields, MissingMeteringModeMeansManualExposure) {
  const TiffBuilder file = exifFile({{tag::Iso, shortValue(100)}});
  EXPECT_EQ(formatField(file.view(), &R::formatMeteringMode), cp932::ManualExposure);
  EXPECT_EQ(sizeof cp932::ManualExposure, 10u);
}

TEST(ExifLabelledFields, MissingDirectoriesGiveNoFields) {
  // The tags stand in IFD0, which is not where the formatters look.
  TiffBuilder noExif;
  noExif.setIfd0(noExif.directory({{tag::ExposureProgram, shortValue(1)},
                                   {tag::MeteringMode, shortValue(1)},
                                   {tag::Flash, shortValue(1)},
                                   {tag::WhiteBalance, shortValue(1)},
                                   {tag::FocusMode, shortValue(3)},
                                   {tag::LensCode, byteValue(5, 4)}}));
  // An EXIF directory with the maker-note tags but no maker note.
  const TiffBuilder noMakerNote =
      exifFile({{tag::FocusMode, shortValue(3)}, {tag::LensCode, byteValue(5, 4)}});
  for (Formatter format : {&R::formatExposureProgram, &R::formatMeteringMode, &R::formatFlash,
                           &R::formatWhiteBalance, &R::formatFocusMode, &R::formatLensName}) {
    EXPECT_EQ(formatField(noExif.view(), format), None);
  }
  EXPECT_EQ(formatField(noMakerNote.view(), &R::formatFocusMode), None);
  EXPECT_EQ(formatField(noMakerNote.view(), &R::formatLensName), None);
  const TiffBuilder noLensTag = exifFile({}, {{{tag::FocusMode, shortValue(3)}}});
  EXPECT_EQ(formatField(noLensTag.view(), &R::formatLensName), None);
}

TEST(ExifLabelledFields, LensCodesGiveTheirNames) {
  const struct {
    ValueField code;
    const char* name;
  } cases[] = {
      {byteValue(2, 0), cp932::KaLens},
      {byteValue(2, 254), cp932::KaLens},
      {byteValue(2, 255), cp932::UnknownLens},
      {byteValue(3, 36), cp932::UnknownLens},
      {byteValue(0, 0), cp932::UnknownLens},
      {byteValue(4, 253), "smc PENTAX-DA 14mmF2.8ED[IF]"},
      {byteValue(5, 4), "smc PENTAX-FA 50mmF1.4"},
      {byteValue(4, 5), cp932::UnknownLens},  // 05 04 swapped: no such lens
      {byteValue(6, 14), "smc PENTAX-FA* MACRO 200mmF4ED[IF]"},
      {byteValue(6, 15), cp932::UnknownLens},
      {byteValue(3, 22), "smc PENTAX-F FISH-EYE17-28mmF3.5-4.5"},
  };
  for (const auto& c : cases) {
    const TiffBuilder file = exifFile({}, {{{tag::LensCode, c.code}}});
    EXPECT_EQ(formatField(file.view(), &R::formatLensName), c.name)
        << int{c.code[0]} << "," << int{c.code[1]};
  }
  EXPECT_EQ(std::string(cp932::UnknownLens).size() + 1, 13u);
  EXPECT_EQ(std::string(cp932::KaLens).size() + 1, 7u);
}

TEST(ExifLensTable, RowsCoverEachCodeOnce) {
  std::set<int> covered;
  std::size_t longest = 0;
  for (std::size_t i = 0; i + 1 < LensNameRows; ++i) {
    const LensNameRow& row = lensNameTable[i];
    ASSERT_GT(row.idCount, 0) << i;
    for (int id = row.firstId; id < row.firstId + row.idCount; ++id) {
      EXPECT_TRUE(covered.insert(row.series << 8 | id).second) << i;
    }
    longest = std::max(longest, std::strlen(row.name));
  }
  EXPECT_EQ(covered.size(), 329u);
  EXPECT_EQ(longest, 36u);
  const LensNameRow& end = lensNameTable[LensNameRows - 1];
  EXPECT_EQ(end.series, 0);
  EXPECT_EQ(end.firstId, 0);
  EXPECT_EQ(end.idCount, 0);
  EXPECT_STREQ(end.name, cp932::UnknownLens);
  EXPECT_EQ(lensNameTable[0].idCount, 255);
  EXPECT_STREQ(lensNameTable[0].name, cp932::KaLens);
}

// FNV-1a over every row in stored order (series, firstId, idCount low and
// high byte, then the name's bytes and terminator), computed from the list of
// lens codes independently of the table's source.
TEST(ExifLensTable, RowsMatchTheListByteForByte) {
  std::uint32_t hash = 0x811C9DC5;
  std::size_t nameBytes = 0;
  auto feed = [&hash](std::uint8_t b) { hash = (hash ^ b) * 0x01000193u; };
  for (const LensNameRow& row : lensNameTable) {
    const auto count = static_cast<std::uint16_t>(row.idCount);
    for (std::uint8_t b : {row.series, row.firstId, static_cast<std::uint8_t>(count),
                           static_cast<std::uint8_t>(count >> 8)}) {
      feed(b);
    }
    const std::size_t length = std::strlen(row.name) + 1;
    for (std::size_t i = 0; i < length; ++i) feed(static_cast<std::uint8_t>(row.name[i]));
    nameBytes += length;
  }
  EXPECT_EQ(nameBytes, 2181u);
  EXPECT_EQ(hash, 0xC95A43EEu);
}

}  // namespace
