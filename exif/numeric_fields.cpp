// The measured fields: ISO speed, focal length, exposure time, F-number and
// exposure compensation, each formatted from its EXIF tag.
#include <cstdio>

#include "exif/exif_reader.h"
#include "exif/exif_tags.h"

namespace {

double quotient(std::uint32_t numerator, std::uint32_t denominator) {
  return static_cast<double>(numerator) / static_cast<double>(denominator);
}

// The exact magnitude of a signed 32-bit part: -2147483648 gives 2147483648.
std::uint32_t magnitude(std::int32_t v) {
  const auto bits = static_cast<std::uint32_t>(v);
  return v < 0 ? 0u - bits : bits;
}

}  // namespace

// ISO speed and the 35 mm equivalent are unsigned 16-bit counts (ISO 40000
// stays 40000).
bool TExifRootPENTAXistD::formatIso(FieldBuffer& field) const {
  if (!hasExif) return false;
  std::uint16_t iso = 0;
  if (!findShort(exifDirectory, TagIsoSpeed, &iso)) return false;
  std::snprintf(field, sizeof field, "ISO%d", int{iso});
  return true;
}

// A zero denominator has no quotient: the field is left out.
bool TExifRootPENTAXistD::formatFocalLength(FieldBuffer& field) const {
  if (!hasExif) return false;
  std::uint32_t n = 0;
  std::uint32_t d = 0;
  if (!findRational(exifDirectory, TagFocalLength, &n, &d) || d == 0) return false;
  std::uint16_t equivalent = 0;
  if (findShort(exifDirectory, TagFocalLength35mm, &equivalent)) {
    std::snprintf(field, sizeof field, "%.1f(%d)mm", quotient(n, d), int{equivalent});
  } else {
    std::snprintf(field, sizeof field, "%.1fmm", quotient(n, d));
  }
  return true;
}

// Whole seconds when the denominator is 0 or 1, "1/d" for a fraction with
// numerator 1, else the quotient, unreduced.
bool TExifRootPENTAXistD::formatExposureTime(FieldBuffer& field) const {
  if (!hasExif) return false;
  std::uint32_t n = 0;
  std::uint32_t d = 0;
  if (!findRational(exifDirectory, TagExposureTime, &n, &d)) return false;
  if (d <= 1) {
    std::snprintf(field, sizeof field, "%u", n);
  } else if (n == 1) {
    std::snprintf(field, sizeof field, "%u/%u", n, d);
  } else {
    std::snprintf(field, sizeof field, "%.1f", quotient(n, d));
  }
  return true;
}

// A zero denominator has no quotient: the field is left out.
bool TExifRootPENTAXistD::formatFNumber(FieldBuffer& field) const {
  if (!hasExif) return false;
  std::uint32_t n = 0;
  std::uint32_t d = 0;
  if (!findRational(exifDirectory, TagFNumber, &n, &d) || d == 0) return false;
  std::snprintf(field, sizeof field, "F%.1f", quotient(n, d));
  return true;
}

// A signed rational: zero (either part) is "EV±0"; otherwise a sign, then
// |n|/|d| as stored when d > 1, or |n| alone when d is 1 or negative.
bool TExifRootPENTAXistD::formatExposureBias(FieldBuffer& field) const {
  if (!hasExif) return false;
  std::uint32_t storedN = 0;
  std::uint32_t storedD = 0;
  if (!findRational(exifDirectory, TagExposureBias, &storedN, &storedD)) return false;
  const auto n = static_cast<std::int32_t>(storedN);
  const auto d = static_cast<std::int32_t>(storedD);
  if (n == 0 || d == 0) {
    std::snprintf(field, sizeof field, "EV±0");
    return true;
  }
  const bool negative = (n < 0) != (d < 0);
  if (d > 1) {
    std::snprintf(field, sizeof field, negative ? "EV-%u/%u" : "EV+%u/%u", magnitude(n),
                  magnitude(d));
  } else {
    std::snprintf(field, sizeof field, negative ? "EV-%u" : "EV+%u", magnitude(n));
  }
  return true;
}
