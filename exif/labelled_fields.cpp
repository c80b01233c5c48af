// The coded fields: exposure program, metering mode, flash and white balance
// from the EXIF directory, focus mode and lens from the maker note, each
// mapped to its label.
#include <cstdio>

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

// No catch-all: another focus-mode value gives no field.
constexpr CodeLabel focusModeLabels[] = {{3, "MF"}, {16, "AF-S"}, {17, "AF-C"}};

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

// The lens code is two single bytes in file order, series then id, so no
// byte-order step applies.
bool TExifRootPENTAXistD::formatLensName(FieldBuffer& field) const {
  if (!hasMakerNote) return false;
  const std::uint32_t entry = findEntry(makerNoteDirectory, TagLensCode);
  std::uint8_t series = 0;
  std::uint8_t id = 0;
  if (entry == NoEntry || !source.u8(entry + EntryValueField, &series) ||
      !source.u8(entry + EntryValueField + 1, &id)) {
    return false;
  }
  return writeLabel(field, lensName(series, id));
}
