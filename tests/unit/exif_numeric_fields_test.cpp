// ISO speed, focal length, exposure time, F-number and exposure compensation.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "exif/exif_reader.h"
#include "exif_labels.h"
#include "format_field.h"

namespace {

// An EXIF directory holding `tag` pointing at the rational n/d, plus `more`.
TiffBuilder rationalFile(std::uint16_t tag, std::uint32_t n, std::uint32_t d,
                         std::vector<TiffTag> more = {}) {
  TiffBuilder file;
  more.push_back({tag, longValue(file.rational(n, d))});
  addExif(file, more);
  return file;
}

std::uint32_t bits(std::int32_t v) { return static_cast<std::uint32_t>(v); }

TEST(ExifNumericFields, IsoSpeedIsAnUnsignedCount) {
  const struct {
    ValueField value;
    Field expected;
  } cases[] = {
      {shortValue(200), "ISO200"},
      {ValueField{0x9C, 0x40, 0, 0}, "ISO40000"},
      {shortValue(0xFFFF), "ISO65535"},
      {ValueField{0x00, 0x64, 0xFF, 0xFF}, "ISO100"},  // a LONG gives its upper half
  };
  for (const auto& c : cases) {
    const TiffBuilder file = exifFile({{TagIsoSpeed, c.value}});
    EXPECT_EQ(formatField(file.view(), &TExifRootPENTAXistD::formatIso), c.expected);
  }
}

TEST(ExifNumericFields, FocalLength) {
  const struct {
    std::uint32_t n, d;
    std::optional<std::uint16_t> equivalent;
    Field expected;
  } cases[] = {
      {500, 10, 75, "50.0(75)mm"},
      {500, 10, std::nullopt, "50.0mm"},
      {18, 1, std::nullopt, "18.0mm"},
      {0x80000000u, 1, 40000, "2147483648.0(40000)mm"},
      {500, 0, 75, None},  // no quotient: the field is left out
  };
  for (const auto& c : cases) {
    std::vector<TiffTag> more;
    if (c.equivalent) more.push_back({TagFocalLength35mm, shortValue(*c.equivalent)});
    const TiffBuilder file = rationalFile(TagFocalLength, c.n, c.d, more);
    EXPECT_EQ(formatField(file.view(), &TExifRootPENTAXistD::formatFocalLength), c.expected);
  }
  const TiffBuilder onlyEquivalent = exifFile({{TagFocalLength35mm, shortValue(75)}});
  EXPECT_EQ(formatField(onlyEquivalent.view(), &TExifRootPENTAXistD::formatFocalLength), None);
}

TEST(ExifNumericFields, ExposureTime) {
  const struct {
    std::uint32_t n, d;
    const char* expected;
  } cases[] = {
      {2, 1, "2"},         {30, 1, "30"},       {0, 1, "0"},
      {1, 0, "1"},         {1, 1, "1"},         {1, 125, "1/125"},
      {1, 4000, "1/4000"}, {3, 10, "0.3"},      {15, 10, "1.5"},
      {10, 1250, "0.0"},   {10, 300, "0.0"},    {2, 250, "0.0"},
      {0x80000000u, 1, "2147483648"},           {0xFFFFFFFFu, 0, "4294967295"},
      {1, 0xFFFFFFFFu, "1/4294967295"},         {0x80000000u, 0x80000000u, "1.0"},
  };
  for (const auto& c : cases) {
    const TiffBuilder file = rationalFile(TagExposureTime, c.n, c.d);
    EXPECT_EQ(formatField(file.view(), &TExifRootPENTAXistD::formatExposureTime), c.expected)
        << c.n << "/" << c.d;
  }
}

TEST(ExifNumericFields, FNumber) {
  const struct {
    std::uint32_t n, d;
    Field expected;
  } cases[] = {
      {56, 10, "F5.6"}, {4, 1, "F4.0"},   {0, 10, "F0.0"},
      {28, 10, "F2.8"}, {125, 100, "F1.2"},  // an exact half rounds to even
      {5, 0, None},
  };
  for (const auto& c : cases) {
    const TiffBuilder file = rationalFile(TagFNumber, c.n, c.d);
    EXPECT_EQ(formatField(file.view(), &TExifRootPENTAXistD::formatFNumber), c.expected);
  }
}

TEST(ExifNumericFields, ExposureBias) {
  const struct {
    std::int32_t n, d;
    const char* expected;
  } cases[] = {
      {0, 10, cp932::EvZero},  {3, 0, cp932::EvZero},     {0, 0, cp932::EvZero},
      {-1, 3, "EV-1/3"},       {2, 3, "EV+2/3"},          {1, 1, "EV+1"},
      {-5, 10, "EV-5/10"},     {1, -3, "EV-1"},           {-1, -3, "EV+1"},
      {-7, 10, "EV-7/10"},     {3, 1, "EV+3"},            {-2, 1, "EV-2"},
      {INT_MIN, 1, "EV-2147483648"},                      {INT_MIN, 3, "EV-2147483648/3"},
      {1, INT_MIN, "EV-1"},    {INT_MIN, INT_MIN, "EV+2147483648"},
      {INT_MAX, INT_MAX, "EV+2147483647/2147483647"},     {-3, INT_MIN, "EV+3"},
  };
  for (const auto& c : cases) {
    const TiffBuilder file = rationalFile(TagExposureBias, bits(c.n), bits(c.d));
    EXPECT_EQ(formatField(file.view(), &TExifRootPENTAXistD::formatExposureBias), c.expected)
        << c.n << "/" << c.d;
  }
}

// A rational is read only when all eight of its bytes lie inside the window;
// otherwise its field is left out.
TEST(ExifNumericFields, RationalMustLieWhollyInsideTheWindow) {
  TiffBuilder file;
  constexpr std::uint32_t at = 200;
  addExif(file, {{TagFNumber, longValue(at)}});
  file.pad(at - file.size());
  ASSERT_EQ(file.rational(56, 10), at);
  for (std::uint32_t size : {at + 7, at + 8}) {
    const Field field = formatField(Window(file, size).view(), &TExifRootPENTAXistD::formatFNumber);
    EXPECT_EQ(field, size == at + 8 ? Field("F5.6") : None) << size;
  }
  // Wrapping offset + 4 or + 8 would land on the header's bytes.
  for (std::uint32_t offset : {0xFFFFFFFFu, 0xFFFFFFFCu, 0xFFFFFFF8u}) {
    const TiffBuilder wrapping = exifFile({{TagExposureTime, longValue(offset)}});
    EXPECT_EQ(formatField(wrapping.view(), &TExifRootPENTAXistD::formatExposureTime), None);
  }
}

}  // namespace
