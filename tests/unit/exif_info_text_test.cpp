// The whole shooting-information text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exif/info_text.h"
#include "exif_labels.h"
#include "format_field.h"
#include "platform/posix_testing.h"

namespace {

std::string infoText(ByteView window) {
  char text[TextBufferSize];
  std::fill(std::begin(text), std::end(text), 'x');
  buildInfoText(window, text);
  return text;
}

// A camera file with every field, the lens code and focus mode given.
TiffBuilder cameraFile(ValueField lens, std::uint16_t focusMode) {
  TiffBuilder file;
  const std::uint32_t focal = file.rational(500, 10);
  const std::uint32_t exposure = file.rational(1, 125);
  const std::uint32_t aperture = file.rational(56, 10);
  const std::uint32_t bias = file.rational(static_cast<std::uint32_t>(-1), 3);
  // Tags in ascending order, as a camera writes them.
  addExif(file,
          {{TagExposureTime, longValue(exposure)},
           {TagFNumber, longValue(aperture)},
           {TagExposureProgram, shortValue(3)},
           {TagIsoSpeed, shortValue(200)},
           {TagExposureBias, longValue(bias)},
           {TagMeteringMode, shortValue(5)},
           {TagFlash, shortValue(16)},
           {TagFocalLength, longValue(focal)},
           {TagWhiteBalance, shortValue(0)},
           {TagFocalLength35mm, shortValue(75)}},
          {{{TagFocusMode, shortValue(focusMode)}, {TagLensCode, lens}}});
  return file;
}

TEST(ExifInfoText, CameraFileGivesElevenLinesInOrder) {
  const TiffBuilder file = cameraFile(byteValue(5, 4), 16);
  const std::string expected = std::string("smc PENTAX-FA 50mmF1.4\n") +
                               "ISO200\n" + "50.0(75)mm\n" + "1/125\n" + "F5.6\n" +
                               "EV-1/3\n" + "Av\n" + cp932::MultiSegment + "\n" + "AF-S\n" +
                               cp932::WhiteBalanceAuto + "\n" + cp932::FlashNotFired + "\n";
  EXPECT_EQ(infoText(file.view()), expected);
}

TEST(ExifInfoText, FieldsNotProducedLeaveNoLine) {
  // Focus mode 0 gives no field: white balance follows metering directly.
  // The longest lens name stands whole on the first line.
  const std::string text = infoText(cameraFile(byteValue(4, 41), 0).view());
  EXPECT_EQ(text.substr(0, 70),
            "Tamron AF 28-200mm Super Zoom F3.8-5.6 Aspherical XR [IF] Macro (A03)\n");
  EXPECT_NE(text.find(std::string(cp932::MultiSegment) + "\n" + cp932::WhiteBalanceAuto + "\n"),
            std::string::npos);
  EXPECT_EQ(text.find("\n\n"), std::string::npos);
  EXPECT_EQ(text.back(), '\n');
}

// No maker note either: no lens or focus line.
TEST(ExifInfoText, OnlyIsoGivesIsoAndManualExposure) {
  const TiffBuilder file = exifFile({{TagIsoSpeed, shortValue(100)}});
  EXPECT_EQ(infoText(file.view()), std::string("ISO100\n") + cp932::ManualExposure + "\n");
}

TEST(ExifInfoText, NoExifDirectoryGivesAnEmptyText) {
  TiffBuilder file;
  file.setIfd0(file.directory({{TagIsoSpeed, shortValue(100)}, {TagMeteringMode, shortValue(1)}}));
  EXPECT_EQ(infoText(file.view()), "");
  EXPECT_EQ(infoText(ByteView()), "");
}

TEST(ExifInfoText, RecordThatCannotBeAllocatedGivesAnEmptyText) {
  const TiffBuilder file = cameraFile(byteValue(5, 4), 16);
  platform::testing::failAllocationAt(1);
  const std::string text = infoText(file.view());
  EXPECT_TRUE(platform::testing::injectedFailureFired());
  platform::testing::failAllocationAt(0);
  EXPECT_EQ(text, "");
}

// Any cut of the camera file gives a text made of whole lines; a sanitizer
// build also checks that no cut is read past.
TEST(ExifInfoText, EveryCutOfTheWindowGivesWholeLines) {
  const TiffBuilder file = cameraFile(byteValue(5, 4), 16);
  for (std::uint32_t size = 0; size <= file.size(); ++size) {
    const std::string text = infoText(Window(file, size).view());
    EXPECT_TRUE(text.empty() || text.back() == '\n') << size;
    EXPECT_EQ(text.find("\n\n"), std::string::npos) << size;
  }
}

}  // namespace
