// The coded fields: exposure program, metering mode, flash and white balance
// from the EXIF directory, focus mode and lens from the maker note, each
// mapped to its label.
#include <cstdio>
#include <iterator>

#include "exif/exif_reader.h"
#include "exif/exif_tags.h"
#include "exif/lens_table.h"

namespace {

struct CodeLabel {
  std::uint16_t code;
  const char* label;
};

constexpr CodeLabel exposureProgramLabels[] = {
    {1, "M"},     {2, "P"},     {3, "Av"},       {4, "Tv"},
    {5, "高速P"}, {6, "低速P"}, {7, "ﾎﾟｰﾄﾚｲﾄ"}, {8, "風景"},
};
constexpr const char* UnknownExposureProgram = "露出ﾓｰﾄﾞ不明";

constexpr CodeLabel meteringModeLabels[] = {
    {1, "平均測光"}, {2, "中央重点"}, {3, "ｽﾎﾟｯﾄ"}, {4, "ﾏﾙﾁｽﾎﾟｯﾄ"},
    {5, "多分割"},   {6, "部分"},     {255, "その他"},
};
constexpr const char* UnknownMeteringMode = "不明";
// A camera that writes no MeteringMode was exposed by hand.
constexpr const char* NoMeteringMode = "ﾏﾆｭｱﾙ露出";

// The codes exiftool's Pentax FocusMode table names for PENTAX bodies (0,
// "Normal", aside: the *istD's text leaves it out). Bit 8 marks release
// priority; focus priority goes unsaid, as on the *istD's rows. No catch-all:
// another value gives no field.
constexpr CodeLabel focusModeLabels[] = {
    {1, "ﾏｸﾛ"},
    {2, "無限遠"},
    {3, "MF"},
    {4, "ｽｰﾊﾟｰﾏｸﾛ"},
    {5, "ﾊﾟﾝﾌｫｰｶｽ"},
    {16, "AF-S"},
    {17, "AF-C"},
    {18, "AF-A"},
    {32, "ｺﾝﾄﾗｽﾄAF"},
    {33, "追尾ｺﾝﾄﾗｽﾄAF"},
    {272, "AF-S(ﾚﾘｰｽﾞ優先)"},
    {273, "AF-C(ﾚﾘｰｽﾞ優先)"},
    {274, "AF-A(ﾚﾘｰｽﾞ優先)"},
    {288, "ｺﾝﾄﾗｽﾄAF(ﾚﾘｰｽﾞ優先)"},
};

constexpr const char* FlashNotFired = "F非発光";
constexpr const char* FlashFired = "F発光";
constexpr const char* FlashUnknown = "不明";

constexpr const char* WhiteBalanceManual = "WBﾏﾆｭｱﾙ";
constexpr const char* WhiteBalanceAuto = "WBｵｰﾄ";

template <std::size_t N>
const char* labelFor(const CodeLabel (&table)[N], std::uint16_t code, const char* otherwise) {
  for (const CodeLabel& row : table) {
    if (row.code == code) return row.label;
  }
  return otherwise;
}

// EXIF Flash: bit 0 is "fired"; bits 1-2 are the strobe-return status, of
// which 10 (value AND 6 = 4) reads "return light not detected".
const char* flashLabel(std::uint16_t value) {
  if ((value & 1) == 0) return FlashNotFired;
  return (value & 6) == 4 ? FlashUnknown : FlashFired;
}

// The name of the first row covering (series, id), or the end row's.
const char* lensName(std::uint8_t series, std::uint8_t id) {
  for (const LensNameRow& row : lensNameTable) {
    if (row.idCount <= 0) return row.name;
    if (row.series == series && id >= row.firstId && id - row.firstId < row.idCount) {
      return row.name;
    }
  }
  return lensNameTable[LensNameRows - 1].name;
}

// Copies a label, terminator included; false, writing nothing, for none.
bool writeLabel(FieldBuffer& field, const char* label) {
  if (label == nullptr) return false;
  std::snprintf(field, sizeof field, "%s", label);
  return true;
}

}  // namespace

bool TExifRootPENTAXistD::formatExposureProgram(FieldBuffer& field) const {
  std::uint16_t value = 0;
  if (!hasExif || !findShort(exifDirectory, TagExposureProgram, &value)) return false;
  return writeLabel(field, labelFor(exposureProgramLabels, value, UnknownExposureProgram));
}

bool TExifRootPENTAXistD::formatMeteringMode(FieldBuffer& field) const {
  if (!hasExif) return false;
  std::uint16_t value = 0;
  if (!findShort(exifDirectory, TagMeteringMode, &value)) return writeLabel(field, NoMeteringMode);
  return writeLabel(field, labelFor(meteringModeLabels, value, UnknownMeteringMode));
}

bool TExifRootPENTAXistD::formatFlash(FieldBuffer& field) const {
  std::uint16_t value = 0;
  if (!hasExif || !findShort(exifDirectory, TagFlash, &value)) return false;
  return writeLabel(field, flashLabel(value));
}

// Only bit 0 counts: set is a manual white balance.
bool TExifRootPENTAXistD::formatWhiteBalance(FieldBuffer& field) const {
  std::uint16_t value = 0;
  if (!hasExif || !findShort(exifDirectory, TagWhiteBalance, &value)) return false;
  return writeLabel(field, (value & 1) != 0 ? WhiteBalanceManual : WhiteBalanceAuto);
}

bool TExifRootPENTAXistD::formatFocusMode(FieldBuffer& field) const {
  std::uint16_t value = 0;
  if (!hasMakerNote || !findShort(makerNoteDirectory, TagFocusMode, &value)) return false;
  return writeLabel(field, labelFor(focusModeLabels, value, nullptr));
}

namespace {

// Where a lens-record layout keeps the lens code (exiftool's Pentax.pm): the
// series in the low four bits of one byte, the id in one byte or in two,
// high byte first. 0x003F LensRec and the *ist bodies' 0x0207 LensInfo hold
// the two bytes alone; later bodies' LensInfo records are told apart by
// their length.
struct LensCodeLayout {
  std::uint32_t recordLength;  // 0: any other length
  std::uint32_t seriesByte;
  std::uint32_t idByte;        // the id's high byte when idBytes is 2
  std::uint32_t idBytes;
};
constexpr LensCodeLayout LensRecLayout{0, 0, 1, 1};
constexpr LensCodeLayout LensInfoLayouts[] = {
    {90, 1, 3, 2},   // 645D
    {91, 1, 3, 2},   // K-r, K-5, K-5 II
    {80, 1, 4, 2},   // K-01, K-30, K-50, K-500, K-3, K-3 II
    {128, 1, 4, 2},
    {0, 0, 2, 2},    // K10D, K20D and the others
};
constexpr std::uint8_t SeriesBits = 0x0F;
// Ids beyond one byte are in no row of the table.
constexpr std::uint32_t LargestTabledId = 0xFF;
// The *ist bodies' Model, whose LensInfo keeps the code as LensRec does.
constexpr char IstModelPrefix[] = "PENTAX *ist";

// The lens code of `tag`'s record, laid out as the first of `layouts` whose
// length is the record's (the last one otherwise), taken through the maker
// note's byte order and base; false when the record or its bytes are
// missing.
bool lensCode(const TExifRoot& record, std::uint16_t tag, const LensCodeLayout* layouts,
              std::size_t layoutCount, std::uint32_t* series, std::uint32_t* id) {
  const ExifDirectory& note = record.makerNoteDirectory;
  const std::uint32_t entry = record.findEntry(note, tag);
  std::uint32_t count = 0;
  if (entry == NoEntry || !note.read32(entry + EntryCountField, &count)) return false;
  const LensCodeLayout* layout = layouts;
  while (layout + 1 < layouts + layoutCount && layout->recordLength != count) ++layout;
  // LensRec is int8u[2], which always stands in the value field: its bytes
  // are read there whatever count the entry declares.
  const std::uint32_t position =
      tag == TagLensCode ? entry + EntryValueField : note.valuePosition(entry, count);
  std::uint8_t seriesByte = 0, high = 0, low = 0;
  if (position == NoEntry || !record.source->u8(position + layout->seriesByte, &seriesByte) ||
      !record.source->u8(position + layout->idByte, &high) ||
      !record.source->u8(position + layout->idByte + layout->idBytes - 1, &low))
    return false;
  *series = layout->idBytes == 1 ? seriesByte : seriesByte & SeriesBits;
  *id = layout->idBytes == 1 ? high : std::uint32_t{high} << 8 | low;
  return true;
}

}  // namespace

// Like exiftool, 0x003F LensRec before 0x0207 LensInfo; the *ist bodies'
// LensInfo holds the code as LensRec does. The code's bytes are single bytes
// in file order, so no byte-order step applies.
bool TExifRootPENTAXistD::formatLensName(FieldBuffer& field) const {
  if (!hasMakerNote) return false;
  std::uint32_t series = 0, id = 0;
  const bool istBody = modelBegins(IstModelPrefix);
  if (!lensCode(*this, TagLensCode, &LensRecLayout, 1, &series, &id) &&
      !(istBody ? lensCode(*this, TagLensInfo, &LensRecLayout, 1, &series, &id)
                : lensCode(*this, TagLensInfo, LensInfoLayouts, std::size(LensInfoLayouts),
                           &series, &id)))
    return false;
  if (id > LargestTabledId) return writeLabel(field, lensNameTable[LensNameRows - 1].name);
  return writeLabel(field, lensName(static_cast<std::uint8_t>(series), static_cast<std::uint8_t>(id)));
}
