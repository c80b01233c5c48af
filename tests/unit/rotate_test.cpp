// ROTATE through the exports: each Orientation value, in file and memory
// mode, full size and preview, against djpeg's decode of the same JPEG, cut
// and turned here as EXIF words each value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "platform/posix_testing.h"
#include "plugin/exports.h"
#include "plugin/settings.h"
#include "tests/support/located_pef.h"
#include "tests/support/test_files.h"
#include "tests/support/test_jpegs.h"

namespace {

using platform::BlockHandle;

// The stored pixel that bitmap pixel (X, Y), Y from the top, shows; the
// stored picture is w x h. EXIF 2.2 names, for each value, the side stored
// row 0 is shown on and the side stored column 0 is shown on.
std::pair<int, int> storedPixel(int orientation, int X, int Y, int w, int h) {
  switch (orientation) {
    case 2: return {w - 1 - X, Y};          // row 0 top, column 0 right
    case 3: return {w - 1 - X, h - 1 - Y};  // bottom, right
    case 4: return {X, h - 1 - Y};          // bottom, left
    case 5: return {Y, X};                  // row 0 left, column 0 top
    case 6: return {Y, h - 1 - X};          // right, top
    case 7: return {w - 1 - Y, h - 1 - X};  // right, bottom
    case 8: return {w - 1 - Y, X};          // left, bottom
    default: return {X, Y};
  }
}

// IFD0's Orientation entry as the samples write it, big-endian: tag 274,
// SHORT, count 1, value 1.
constexpr std::uint8_t StoredEntry[] = {0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 1};

// Rewrites the entry's type, count and value field.
Bytes withOrientation(Bytes file, std::uint16_t type, std::uint32_t count, std::uint32_t field) {
  const auto at = std::search(file.begin(), file.end(), std::begin(StoredEntry), std::end(StoredEntry));
  EXPECT_NE(at, file.end());
  const std::uint8_t entry[] = {0x01, 0x12, 0, static_cast<std::uint8_t>(type), 0, 0, 0, static_cast<std::uint8_t>(count),
                                static_cast<std::uint8_t>(field >> 24), static_cast<std::uint8_t>(field >> 16),
                                static_cast<std::uint8_t>(field >> 8), static_cast<std::uint8_t>(field)};
  std::copy(std::begin(entry), std::end(entry), at);
  return file;
}

// A picture a file shows: its JPEG and the part of djpeg's decode kept.
struct Picture {
  bool fullSize;
  const Bytes* jpeg;
  int top, left, width, height;
};

class Rotate : public ::testing::Test {
 protected:
  void SetUp() override { std::memcpy(saved_, settingsPath, sizeof saved_); }
  void TearDown() override {
    std::memcpy(settingsPath, saved_, sizeof saved_);
    EXPECT_EQ(platform::testing::liveBlocks(), 0u);
  }
  void settings(bool fullSize, int rotate) {
    const std::string path = dir_.writeText(
        "tarnik.ini", "[SETTING]\nFULLSIZE=" + std::to_string(fullSize) + "\nROTATE=" + std::to_string(rotate) + "\n");
    std::strcpy(settingsPath, path.c_str());
  }
  // GetPictureInfo's size and GetPicture's bitmap against the stored
  // picture turned as `shown` says.
  void expectShown(const Bytes& file, bool memory, const Picture& picture, int shown) {
    const std::string path = dir_.write("turned.pef", file);
    const char* source = memory ? reinterpret_cast<const char*>(file.data()) : path.c_str();
    const std::int32_t offsetOrSize = memory ? static_cast<std::int32_t>(file.size()) : 0;
    const std::uint32_t flags = memory ? SourceMemory : SourceFile;
    const bool transposed = shown >= 5 && shown <= 8;
    const int width = transposed ? picture.height : picture.width;
    const int height = transposed ? picture.width : picture.height;
    PictureInfo info{};
    ASSERT_EQ(GetPictureInfo(source, offsetOrSize, flags, &info), Success);
    platform::localFree(info.infoText);
    EXPECT_EQ(info.width, width);
    EXPECT_EQ(info.height, height);
    BlockHandle header = 0, pixels = 0;
    ASSERT_EQ(GetPicture(source, offsetOrSize, flags, &header, &pixels, nullptr, 0), Success);
    const auto* bitmap = static_cast<const std::int32_t*>(platform::globalLock(header));
    EXPECT_EQ(bitmap[1], width);
    EXPECT_EQ(bitmap[2], height);
    platform::globalUnlock(header);
    const ReferenceBitmap& ref = reference(*picture.jpeg);
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const auto* block = static_cast<const std::uint8_t*>(platform::globalLock(pixels));
    int bad = 0;
    for (int Y = 0; Y < height && bad == 0; ++Y) {
      for (int X = 0; X < width && bad == 0; ++X) {
        const auto [x, y] = storedPixel(shown, X, Y, picture.width, picture.height);
        const std::uint8_t* got = block + static_cast<std::size_t>(height - 1 - Y) * stride + X * 3;
        if (std::memcmp(got, ref.row(y + picture.top) + (x + picture.left) * 3, 3) != 0) {
          ++bad;
          ADD_FAILURE() << "pixel " << X << ", " << Y << " is not stored pixel " << x << ", " << y;
        }
      }
    }
    platform::globalUnlock(pixels);
    platform::globalFree(header);
    platform::globalFree(pixels);
  }
  const ReferenceBitmap& reference(const Bytes& jpeg) {
    ReferenceBitmap& ref = references_[&jpeg];
    if (ref.height == 0) ref = djpegBitmap(jpeg, true);
    return ref;
  }
  TempDir dir_;
  char saved_[platform::MaxPath];
  std::map<const Bytes*, ReferenceBitmap> references_;
};

TEST_F(Rotate, EveryOrientationInBothModesFullSizeAndPreview) {
  // The *istD's fixed preview, cut to its middle rows; a K-5's located
  // JPEGs, the preview cut by its borders.
  pef_sample::SampleOptions fixedOptions;
  fixedOptions.fullImage.reset();
  const pef_sample::Sample fixedSample = pef_sample::buildSample(fixedOptions);
  const Bytes fixedPreview(fixedSample.bytes.begin() + PreviewOffset,
                           fixedSample.bytes.begin() + PreviewOffset + static_cast<std::ptrdiff_t>(fixedSample.previewSize));
  located_pef::Plan plan;
  plan.preview = encodeJpeg(64, 48, Layout::H2V2);
  plan.borders = {{3, 2, 5, 4}};
  plan.fullSize = encodeJpeg(75, 41, Layout::H2V1);
  const Bytes locatedFile = located_pef::build(plan).bytes;
  const struct {
    const Bytes* file;
    Picture picture;
  } pictures[] = {
      {&fixedSample.bytes, {false, &fixedPreview, 26, 0, 640, 428}},
      {&locatedFile, {false, &plan.preview, 3, 5, 55, 43}},
      {&locatedFile, {true, &plan.fullSize, 0, 0, 75, 41}},
  };
  // A SHORT stands in the value field's first two bytes.
  constexpr std::uint32_t Short6 = 6u << 16;
  const struct {
    std::uint16_t type;
    std::uint32_t count;
    std::uint32_t field;
    int rotate;
    int shown;
  } cases[] = {
      {3, 1, 1u << 16, 1, 1}, {3, 1, 2u << 16, 1, 2}, {3, 1, 3u << 16, 1, 3}, {3, 1, 4u << 16, 1, 4},
      {3, 1, 5u << 16, 1, 5}, {3, 1, Short6, 1, 6},   {3, 1, 7u << 16, 1, 7}, {3, 1, 8u << 16, 1, 8},
      {3, 1, Short6, 0, 1},      // the setting off
      {3, 1, Short6, 2, 6},      // any other number turns it on
      {3, 1, 0, 1, 1},           // no EXIF value
      {3, 1, 9u << 16, 1, 1},
      {4, 1, 6, 1, 1},           // a LONG is no Orientation, read as one
      {4, 1, Short6, 1, 1},      // or as a SHORT
      {3, 2, Short6 | 6, 1, 1},  // nor two SHORTs
  };
  for (const auto& c : cases) {
    for (const auto& p : pictures) {
      const Bytes file = withOrientation(*p.file, c.type, c.count, c.field);
      settings(p.picture.fullSize, c.rotate);
      for (bool memory : {false, true}) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " count " << c.count << " field " << c.field
                                        << " ROTATE=" << c.rotate << (p.picture.fullSize ? " full size" : " preview")
                                        << (p.file == &locatedFile ? " located" : " fixed")
                                        << (memory ? " memory" : " file"));
        expectShown(file, memory, p.picture, c.shown);
      }
    }
  }
}

}  // namespace
