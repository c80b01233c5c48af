#include "tests/support/pef_entries.h"

#include <algorithm>

namespace pef_sample {
namespace {

// Every sample was taken at the same moment.
constexpr const char* ShotDateTime = "2004:05:01 12:00:00";

TiffEntry rationalEntry(std::uint16_t tag, std::uint32_t num, std::uint32_t den,
                        TiffType type = TypeRational) {
  const ValueField n = longValue(num), d = longValue(den);
  Bytes b(n.begin(), n.end());
  b.insert(b.end(), d.begin(), d.end());
  return {tag, type, 1, b};
}

}  // namespace

TiffEntry shortEntry(std::uint16_t tag, std::uint16_t v) {
  const ValueField b = shortValue(v);
  return {tag, TypeShort, 1, {b.begin(), b.end()}};
}

TiffEntry longEntry(std::uint16_t tag, std::uint32_t v) { return pointerEntry(tag, TypeLong, 1, v); }

TiffEntry asciiEntry(std::uint16_t tag, const std::string& text) {
  Bytes b(text.begin(), text.end());
  b.push_back(0);
  return {tag, TypeAscii, static_cast<std::uint32_t>(b.size()), b};
}

TiffEntry pointerEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t offset) {
  const ValueField b = longValue(offset);
  return {tag, type, count, {b.begin(), b.end()}};
}

std::vector<TiffEntry> sorted(std::vector<TiffEntry> entries) {
  std::sort(entries.begin(), entries.end(),
            [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
  return entries;
}

CameraNames istdNames() {
  return {"PENTAX Corporation", "PENTAX *ist D", "*ist D Ver 1.00"};
}

std::vector<TiffEntry> ifd0Entries(const CameraNames& names, std::optional<std::uint16_t> orientation) {
  std::vector<TiffEntry> entries = {asciiEntry(271, names.make),     // Make
                                    asciiEntry(272, names.model),    // Model
                                    rationalEntry(282, 72, 1),       // XResolution
                                    rationalEntry(283, 72, 1),       // YResolution
                                    shortEntry(296, 2),              // ResolutionUnit: inch
                                    asciiEntry(305, names.software), // Software
                                    asciiEntry(306, ShotDateTime)};  // DateTime
  if (orientation) entries.push_back(shortEntry(274, *orientation));  // Orientation
  return entries;
}

std::vector<TiffEntry> exifEntries(const ShotValues& v) {
  std::vector<TiffEntry> e{{36864, TypeUndefined, 4, {'0', '2', '2', '1'}},  // ExifVersion
                       asciiEntry(36867, ShotDateTime)};   // DateTimeOriginal
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

std::vector<TiffEntry> makerNoteEntries(const ShotValues& v, NoteVersion version, std::uint32_t lensRecordSize) {
  std::vector<TiffEntry> e{{0, TypeByte, 4, {version.begin(), version.end()}}};
  if (v.focusMode) e.push_back(shortEntry(TagFocusMode, *v.focusMode));
  if (v.lens) {
    Bytes record{v.lens->series, v.lens->id};
    record.resize(lensRecordSize);
    e.push_back({TagLensCode, TypeByte, lensRecordSize, record});
  }
  return e;
}

}  // namespace pef_sample
