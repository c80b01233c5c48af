// Exposure program, metering mode, flash, white balance, focus mode and the
// lens name, with their code page 932 labels.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "exif/exif_reader.h"
#include "exif/lens_table.h"
#include "exif_labels.h"
#include "format_field.h"
#include "tests/support/located_pef.h"

namespace {

using R = TExifRootPENTAXistD;

// One SHORT code through its formatter; no label when no field is produced.
struct CodeCase {
  Formatter format;
  std::uint16_t tag;
  bool inMakerNote;
  ValueField value;
  const char* label;
};

const CodeCase codeCases[] = {
    {&R::formatExposureProgram, TagExposureProgram, false, shortValue(1), "M"},
    {&R::formatExposureProgram, TagExposureProgram, false, shortValue(2), "P"},
    {&R::formatExposureProgram, TagExposureProgram, false, shortValue(3), "Av"},
    {&R::formatExposureProgram, TagExposureProgram, false, shortValue(4), "Tv"},
    {&R::formatExposureProgram, TagExposureProgram, false, {0x00, 0x05}, cp932::HighSpeedProgram},
    {&R::formatExposureProgram, TagExposureProgram, false, {0x00, 0x06}, cp932::LowSpeedProgram},
    {&R::formatExposureProgram, TagExposureProgram, false, shortValue(7), cp932::Portrait},
    {&R::formatExposureProgram, TagExposureProgram, false, shortValue(8), cp932::Landscape},
    {&R::formatExposureProgram, TagExposureProgram, false, shortValue(0), cp932::UnknownProgram},
    {&R::formatExposureProgram, TagExposureProgram, false, shortValue(9), cp932::UnknownProgram},
    {&R::formatExposureProgram, TagExposureProgram, false, {0x05, 0x00}, cp932::UnknownProgram},
    {&R::formatMeteringMode, TagMeteringMode, false, shortValue(1), cp932::Average},
    {&R::formatMeteringMode, TagMeteringMode, false, shortValue(2), cp932::CentreWeighted},
    {&R::formatMeteringMode, TagMeteringMode, false, shortValue(3), cp932::Spot},
    {&R::formatMeteringMode, TagMeteringMode, false, shortValue(4), cp932::MultiSpot},
    {&R::formatMeteringMode, TagMeteringMode, false, shortValue(5), cp932::MultiSegment},
    {&R::formatMeteringMode, TagMeteringMode, false, shortValue(6), cp932::Partial},
    {&R::formatMeteringMode, TagMeteringMode, false, shortValue(255), cp932::Other},
    {&R::formatMeteringMode, TagMeteringMode, false, shortValue(0), cp932::Unknown},
    {&R::formatMeteringMode, TagMeteringMode, false, shortValue(7), cp932::Unknown},
    {&R::formatMeteringMode, TagMeteringMode, false, shortValue(256), cp932::Unknown},
    {&R::formatFlash, TagFlash, false, shortValue(0), cp932::FlashNotFired},
    {&R::formatFlash, TagFlash, false, shortValue(1), cp932::FlashFired},
    {&R::formatFlash, TagFlash, false, shortValue(3), cp932::FlashFired},
    {&R::formatFlash, TagFlash, false, shortValue(5), cp932::Unknown},
    {&R::formatFlash, TagFlash, false, shortValue(7), cp932::FlashFired},
    {&R::formatFlash, TagFlash, false, shortValue(16), cp932::FlashNotFired},
    {&R::formatFlash, TagFlash, false, shortValue(25), cp932::FlashFired},
    {&R::formatFlash, TagFlash, false, shortValue(0xFFF5), cp932::Unknown},
    {&R::formatFlash, TagFlash, false, {0x01, 0x00}, cp932::FlashNotFired},
    {&R::formatWhiteBalance, TagWhiteBalance, false, shortValue(0), cp932::WhiteBalanceAuto},
    {&R::formatWhiteBalance, TagWhiteBalance, false, shortValue(1), cp932::WhiteBalanceManual},
    {&R::formatWhiteBalance, TagWhiteBalance, false, shortValue(2), cp932::WhiteBalanceAuto},
    {&R::formatWhiteBalance, TagWhiteBalance, false, shortValue(3), cp932::WhiteBalanceManual},
    {&R::formatFocusMode, TagFocusMode, true, shortValue(3), "MF"},
    {&R::formatFocusMode, TagFocusMode, true, shortValue(16), "AF-S"},
    {&R::formatFocusMode, TagFocusMode, true, shortValue(17), "AF-C"},
    {&R::formatFocusMode, TagFocusMode, true, shortValue(0), nullptr},
    {&R::formatFocusMode, TagFocusMode, true, shortValue(18), "AF-A"},
    {&R::formatFocusMode, TagFocusMode, true, shortValue(274), cp932::AfAReleasePriority},
    {&R::formatFocusMode, TagFocusMode, true, shortValue(19), nullptr},
    {&R::formatFocusMode, TagFocusMode, true, {0x10, 0x00}, nullptr},
};

TEST(ExifLabelledFields, CodesGiveTheirLabels) {
  for (const CodeCase& c : codeCases) {
    SCOPED_TRACE(testing::Message() << c.tag << " value " << int{c.value[0]} << " "
                                    << int{c.value[1]});
    const TiffBuilder file = c.inMakerNote ? exifFile({}, {{{c.tag, c.value}}})
                                           : exifFile({{c.tag, c.value}});
    const Field field = formatField(file.view(), c.format);
    EXPECT_EQ(field, c.label ? Field(c.label) : None);
  }
}

TEST(ExifLabelledFields, MissingMeteringModeMeansManualExposure) {
  const TiffBuilder file = exifFile({{TagIsoSpeed, shortValue(100)}});
  EXPECT_EQ(formatField(file.view(), &R::formatMeteringMode), cp932::ManualExposure);
}

TEST(ExifLabelledFields, MissingDirectoriesGiveNoFields) {
  // The tags stand in IFD0, which is not where the formatters look.
  TiffBuilder noExif;
  noExif.setIfd0(noExif.directory({{TagExposureProgram, shortValue(1)},
                                   {TagMeteringMode, shortValue(1)},
                                   {TagFlash, shortValue(1)},
                                   {TagWhiteBalance, shortValue(1)},
                                   {TagFocusMode, shortValue(3)},
                                   {TagLensCode, byteValue(5, 4)}}));
  // An EXIF directory with the maker-note tags but no maker note.
  const TiffBuilder noMakerNote =
      exifFile({{TagFocusMode, shortValue(3)}, {TagLensCode, byteValue(5, 4)}});
  for (Formatter format : {&R::formatExposureProgram, &R::formatMeteringMode, &R::formatFlash,
                           &R::formatWhiteBalance, &R::formatFocusMode, &R::formatLensName}) {
    EXPECT_EQ(formatField(noExif.view(), format), None);
  }
  EXPECT_EQ(formatField(noMakerNote.view(), &R::formatFocusMode), None);
  EXPECT_EQ(formatField(noMakerNote.view(), &R::formatLensName), None);
  const TiffBuilder noLensTag = exifFile({}, {{{TagFocusMode, shortValue(3)}}});
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
      {byteValue(3, 36), "Sigma 20mm F1.8 EX DG Aspherical RF"},  // named after the *istD's day
      {byteValue(3, 37), cp932::UnknownLens},                       // a gap between rows
      {byteValue(3, 44), cp932::UnknownLens},                       // shared by several lenses
      {byteValue(0, 0), cp932::UnknownLens},
      {byteValue(4, 253), "smc PENTAX-DA 14mmF2.8ED[IF]"},
      {byteValue(5, 4), "smc PENTAX-FA 50mmF1.4"},
      {byteValue(4, 5), cp932::UnknownLens},  // 05 04 swapped: no such lens
      {byteValue(6, 14), "smc PENTAX-FA* MACRO 200mmF4ED[IF]"},
      {byteValue(6, 15), cp932::UnknownLens},
      {byteValue(3, 22), "smc PENTAX-F FISH-EYE17-28mmF3.5-4.5"},
  };
  for (const auto& c : cases) {
    const TiffBuilder file = exifFile({}, {{{TagLensCode, c.code}}});
    EXPECT_EQ(formatField(file.view(), &R::formatLensName), c.name)
        << int{c.code[0]} << "," << int{c.code[1]};
  }
}

// Like exiftool: 0x003F LensRec first, else 0x0207 LensInfo, whose layout
// its length tells (series in the low four bits, id in two bytes).
TEST(ExifLabelledFields, LensInfoGivesTheCodeWithoutLensRec) {
  using Record = std::vector<std::uint8_t>;
  auto padded = [](std::size_t length, std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes) {
    Record record(length, 0);
    for (const auto& [at, value] : bytes) record[at] = value;
    return record;
  };
  const char* fa50 = "smc PENTAX-FA 50mmF1.4";
  const struct {
    const char* name;
    std::optional<ValueField> lensRec;
    Record lensInfo;
    const char* expected;
  } cases[] = {
      {"LensRec before LensInfo", byteValue(5, 4), padded(20, {{0, 6}, {3, 14}}), fa50},
      {"K10D's record", std::nullopt, padded(20, {{0, 0xF5}, {3, 4}}), fa50},
      {"K-5's record", std::nullopt, padded(91, {{1, 0x15}, {4, 4}}), fa50},
      {"K-3's record", std::nullopt, padded(80, {{1, 5}, {5, 4}}), fa50},
      {"an id beyond one byte", std::nullopt, padded(20, {{0, 5}, {2, 1}, {3, 4}}), cp932::UnknownLens},
      {"a record cut by the window", std::nullopt, padded(2, {{0, 5}}), nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TiffEntry> note;
    // Later bodies' LensRec holds four bytes, still in the value field.
    if (c.lensRec) note.push_back({TagLensCode, TypeByte, 4, {c.lensRec->begin(), c.lensRec->end()}});
    note.push_back({TagLensInfo, TypeUndefined, static_cast<std::uint32_t>(c.lensInfo.size() == 2 ? 90 : c.lensInfo.size()), c.lensInfo});
    TiffBuilder file;
    addExif(file, {{TagMakerNote, longValue(file.writeMakerNote(note))}});
    EXPECT_EQ(formatField(file.view(), &R::formatLensName), c.expected ? Field(c.expected) : None);
  }
}

// LensRec's two bytes stand in the value field whatever count the entry
// declares, even one whose value would run far past the file.
TEST(ExifLabelledFields, LensRecIsReadInItsValueFieldWhateverItsCount) {
  for (std::uint32_t count : {2u, 4u, 9u, 0x10000u}) {
    TiffBuilder file;
    addExif(file, {{TagMakerNote, longValue(file.writeMakerNote({{TagLensCode, TypeByte, count, {5, 4, 0, 0}}}))}});
    EXPECT_EQ(formatField(file.view(), &R::formatLensName), Field("smc PENTAX-FA 50mmF1.4")) << count;
  }
}

// A "PENTAX \0" note in either byte order reads as an "AOC\0" one.
TEST(ExifLabelledFields, EveryMakerNoteFormGivesTheFocusMode) {
  for (bool pentaxNote : {false, true}) {
    for (bool intel : {false, true}) {
      located_pef::Plan plan;
      plan.pentaxNote = pentaxNote;
      plan.intel = intel;
      const located_pef::File file = located_pef::build(plan);
      const ByteView view(file.bytes.data(), static_cast<std::uint32_t>(file.bytes.size()));
      EXPECT_EQ(formatField(view, &R::formatFocusMode), Field("AF-S")) << pentaxNote << intel;
    }
  }
}

}  // namespace
