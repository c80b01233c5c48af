// The entry points as a host calls them, over the POSIX stand-in.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix_testing.h"
#include "plugin/exports.h"
#include "plugin/settings.h"
#include "tests/support/located_pef.h"
#include "tests/support/pef_sample.h"
#include "tests/support/test_files.h"
#include "tests/support/test_jpegs.h"

namespace {

using platform::BlockHandle;

TEST(GetPluginInfo, CopiesTextsThatFitAndNothingElse) {
  const struct {
    std::int32_t index;
    std::int32_t size;
    std::int32_t result;
    const char* text;
  } cases[] = {
      {0, 5, 5, "00IN"},   {0, 4, 0, nullptr},  {0, 128, 5, "00IN"},
      {2, 6, 6, "*.PEF"},  {2, 5, 0, nullptr},  {3, 22, 22, "PENTAX *istD RAW FILE"},
      {4, 6, 6, "*.DNG"},  {5, 13, 13, "DNG RAW FILE"}, {5, 12, 0, nullptr},
      {6, 128, 0, nullptr}, {-1, 128, 0, nullptr}, {0, -1, 0, nullptr},
      {0, 0, 0, nullptr},
  };
  for (const auto& c : cases) {
    char buffer[128];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetPluginInfo(c.index, buffer, c.size), c.result) << c.index << "/" << c.size;
    if (c.text) {
      EXPECT_STREQ(buffer, c.text);
    } else {
      EXPECT_EQ(buffer[0], '#') << "untouched";
    }
  }
}

TEST(GetPluginInfo, DescriptionIsCodePage932WithinTheLimit) {
  char buffer[256];
  const std::int32_t n = GetPluginInfo(1, buffer, sizeof buffer);
  ASSERT_GT(n, 0);
  EXPECT_LE(n, 128);
  EXPECT_EQ(static_cast<std::size_t>(n), std::strlen(buffer) + 1);
  // "*istD RAW ｻﾑﾈｲﾙ読み込み": half-width katakana take one byte each.
  const char start[] = "*istD RAW \xBB\xD1\xC8\xB2\xD9\x93\xC7\x82\xDD\x8D\x9E\x82\xDD ";
  EXPECT_EQ(std::string(buffer, sizeof start - 1), start);
  EXPECT_EQ(std::string(buffer).substr(std::strlen(buffer) - 10), " Ver. 0.22");
  EXPECT_EQ(GetPluginInfo(1, buffer, n - 1), 0);
}

TEST(ArchiveExports, AreNotImplemented) {
  EXPECT_EQ(GetArchiveInfo(1, 2, 3, 4), -1);
  EXPECT_EQ(GetFileInfo(0, 0, 0, 0, 0), -1);
  EXPECT_EQ(GetFile(~0u, 0, 0, 0, 0, 0), -1);
}

// The pointer form wants "MM", or a little-endian TIFF header ("II", 42);
// the handle form then wants the *istD's preview frame, which a
// little-endian file never has (a DNG's previews are found otherwise).
TEST(IsSupported, WantsTheBigEndianMarkOrALittleEndianHeader) {
  pef_sample::SampleOptions options;
  options.fullImage.reset();
  const pef_sample::Bytes camera = pef_sample::buildSample(options).bytes;
  TempDir dir;
  const struct {
    std::array<std::uint8_t, 4> header;
    int pointer, handle;
  } cases[] = {
      {{'M', 'M', 0, 42}, 1, 1}, {{'M', 'I', 0, 42}, 0, 0}, {{'I', 'M', 0, 42}, 0, 0},
      {{'I', 'I', 0, 42}, 0, 0}, {{'M', 0, 0, 42}, 0, 0},   {{'I', 'I', 42, 0}, 1, 0},
      {{'I', 'I', 42, 1}, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.header.begin(), c.header.end()));
    EXPECT_EQ(IsSupported("x.pef", reinterpret_cast<std::uintptr_t>(c.header.data())), c.pointer);
    pef_sample::Bytes file = camera;
    std::copy(c.header.begin(), c.header.end(), file.begin());
    const int fd = ::open(dir.write("marked.pef", file).c_str(), O_RDONLY);
    EXPECT_EQ(IsSupported(nullptr, static_cast<std::uintptr_t>(fd)), c.handle);
    ::close(fd);
  }
}

TEST(IsSupported, HandleFormReadsFromThePositionAndLeavesTheHandleOpen) {
  TempDir dir;
  std::vector<std::uint8_t> bytes(20000, 0);
  bytes[0] = bytes[1] = 'M';
  const std::string path = dir.write("plain.pef", bytes);
  int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(IsSupported(nullptr, static_cast<std::uintptr_t>(fd)), 0) << "no JPEG at 8640";
  EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 20000) << "left where the read left it";
  EXPECT_EQ(IsSupported(nullptr, static_cast<std::uintptr_t>(fd)), 0) << "nothing left to read";
  EXPECT_EQ(::close(fd), 0) << "still open";
  EXPECT_EQ(IsSupported(nullptr, static_cast<std::uintptr_t>(fd)), 0) << "a failed read";
}

// Picture calls with FULLSIZE read from a settings file of the test's own.
class PictureCalls : public ::testing::Test {
 protected:
  void SetUp() override { std::memcpy(saved_, settingsPath, sizeof saved_); }
  void TearDown() override {
    std::memcpy(settingsPath, saved_, sizeof saved_);
    EXPECT_EQ(platform::testing::liveBlocks(), 0u);
    EXPECT_EQ(platform::testing::openFiles(), 0u);
  }
  void setFullSize(int value) {
    std::string path = dir_.writeText("tarnik.ini", "[SETTING]\nFULLSIZE=" + std::to_string(value) + "\n");
    std::strcpy(settingsPath, path.c_str());
  }
  TempDir dir_;
  char saved_[platform::MaxPath];
};

TEST_F(PictureCalls, SourceModeIsTheLowThreeBits) {
  const std::string missing = dir_.file("absent.pef");
  std::vector<std::uint8_t> image(100);
  const char* memory = reinterpret_cast<const char*>(image.data());
  for (std::uint32_t flags : {2u, 3u, 4u, 5u, 6u, 7u, 0x102u, 0xFFFFFFFFu}) {
    PictureInfo info{};
    BlockHandle header = 77, pixels = 88;
    EXPECT_EQ(GetPictureInfo(missing.c_str(), 0, flags, &info), UnsupportedFormat) << flags;
    EXPECT_EQ(GetPicture(missing.c_str(), 0, flags, &header, &pixels, nullptr, 0), UnsupportedFormat);
    EXPECT_EQ(GetPreview(missing.c_str(), 0, flags, &header, &pixels, nullptr, 0), UnsupportedFormat);
    EXPECT_EQ(header, 77u);
    EXPECT_EQ(pixels, 88u);
  }
  PictureInfo info{};
  EXPECT_EQ(GetPictureInfo(missing.c_str(), 0, 0x100, &info), ReadError) << "0x100 is a file";
  EXPECT_EQ(GetPictureInfo(memory, 100, 0x101, &info), Success) << "0x101 is memory";
}

TEST_F(PictureCalls, FailedPictureRequestsLeaveTheHandlesAlone) {
  const std::string missing = dir_.file("absent.pef");
  std::vector<std::uint8_t> image(20000);
  const char* memory = reinterpret_cast<const char*>(image.data());
  BlockHandle header = 77, pixels = 88;
  EXPECT_EQ(GetPicture(missing.c_str(), 0, 0, &header, &pixels, nullptr, 0), ReadError);
  EXPECT_EQ(GetPreview(missing.c_str(), 0, 0, &header, &pixels, nullptr, 0), ReadError);
  setFullSize(1);
  EXPECT_EQ(GetPreview(memory, 20000, 1, &header, &pixels, nullptr, 0), ReadError)
      << "a memory image picks the full-size region by the setting";
  setFullSize(0);
  EXPECT_EQ(GetPicture(memory, 8656, 1, &header, &pixels, nullptr, 0), ReadError);
  EXPECT_EQ(GetPicture(memory, -1, 1, &header, &pixels, nullptr, 0), ReadError);
  EXPECT_EQ(header, 77u);
  EXPECT_EQ(pixels, 88u);
}

TEST_F(PictureCalls, PictureInfoReportsTheFixedSizeOfTheChosenPicture) {
  const std::string path = dir_.write("plain.pef", std::vector<std::uint8_t>(1000, 0));
  std::vector<std::uint8_t> image(1000);
  const char* memory = reinterpret_cast<const char*>(image.data());
  for (int fullSize : {1, 0}) {
    setFullSize(fullSize);
    for (std::uint32_t flags : {0u, 1u}) {
      PictureInfo info;
      std::memset(&info, 0xAB, sizeof info);
      const char* source = flags ? memory : path.c_str();
      ASSERT_EQ(GetPictureInfo(source, flags ? 1000 : 0, flags, &info), Success);
      EXPECT_EQ(info.left, 0);
      EXPECT_EQ(info.top, 0);
      EXPECT_EQ(info.width, fullSize ? 3008 : 640);
      EXPECT_EQ(info.height, fullSize ? 2008 : 428);
      EXPECT_EQ(info.densityX, 0);
      EXPECT_EQ(info.densityY, 0);
      EXPECT_EQ(info.bitsPerPixel, 24);
      EXPECT_EQ(platform::BlockHandle{info.infoText}, platform::NoBlock) << "no EXIF, no text block";
    }
  }
}

// PENTAX files whose JPEGs are found only through the directories: pictures
// cut by the preview's borders, equal to djpeg's decode, sizes from the
// frame, and IsSupported through a handle.
struct Shown {
  std::int32_t result;
  int width = 0, height = 0;
};

// The bitmap's size, and each of its rows against djpeg's row y + top from
// column `left` on.
Shown compareWithDjpeg(std::int32_t result, BlockHandle header, BlockHandle pixels,
                       const ReferenceBitmap& ref, int top, int left) {
  Shown shown{result};
  if (result != Success) return shown;
  const auto* info = static_cast<const std::int32_t*>(platform::globalLock(header));
  shown.width = info[1];
  shown.height = info[2];
  platform::globalUnlock(header);
  const std::size_t stride = (static_cast<std::size_t>(shown.width) * 3 + 3) & ~std::size_t{3};
  const auto* block = static_cast<const std::uint8_t*>(platform::globalLock(pixels));
  for (int y = 0; y < shown.height; ++y) {
    const std::uint8_t* row = block + static_cast<std::size_t>(shown.height - 1 - y) * stride;
    if (std::memcmp(row, ref.row(y + top) + left * 3, static_cast<std::size_t>(shown.width) * 3) != 0) {
      ADD_FAILURE() << "row " << y << " differs from djpeg's";
      break;
    }
  }
  platform::globalUnlock(pixels);
  platform::globalFree(header);
  platform::globalFree(pixels);
  return shown;
}

// A "PENTAX \0" note in "II" order; the preview lies beyond the first 64 KiB
// and the file is far shorter than the fixed full-size offset.
TEST_F(PictureCalls, LocatedBothJpegsOpenInFileAndMemoryModeCutByTheBorders) {
  located_pef::Plan plan;
  plan.pentaxNote = true;
  plan.intel = true;
  plan.preview = encodeJpeg(640, 480, Layout::H2V2);
  plan.borders = {{26, 24, 8, 5}};
  plan.fullSize = encodeJpeg(1032, 776, Layout::H2V1);
  plan.previewAt = 70000;
  const located_pef::File file = located_pef::build(plan);
  const std::string path = dir_.write("k5.pef", file.bytes);
  const char* memory = reinterpret_cast<const char*>(file.bytes.data());
  const auto size = static_cast<std::int32_t>(file.bytes.size());

  const struct {
    bool fullSize, memoryMode, previewExport;
    int width, height, top, left;
  } cases[] = {
      {true, false, false, 1032, 776, 0, 0},  {false, false, true, 627, 430, 26, 8},
      {true, true, false, 1032, 776, 0, 0},   {false, true, false, 627, 430, 26, 8},
      {false, false, false, 627, 430, 26, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + (c.memoryMode ? " memory" : " file") +
                 (c.previewExport ? " GetPreview" : " GetPicture"));
    setFullSize(c.fullSize);
    const char* source = c.memoryMode ? memory : path.c_str();
    const std::int32_t offsetOrSize = c.memoryMode ? size : 0;
    const std::uint32_t flags = c.memoryMode ? SourceMemory : SourceFile;
    PictureInfo info{};
    ASSERT_EQ(GetPictureInfo(source, offsetOrSize, flags, &info), Success);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_NE(platform::BlockHandle{info.infoText}, platform::NoBlock) << "focus mode and lens";
    platform::localFree(info.infoText);

    BlockHandle header = 0, pixels = 0;
    const std::int32_t result =
        c.previewExport ? GetPreview(source, offsetOrSize, flags, &header, &pixels, nullptr, 0)
                        : GetPicture(source, offsetOrSize, flags, &header, &pixels, nullptr, 0);
    const bool best = !c.previewExport;
    const Shown shown = compareWithDjpeg(result, header, pixels,
                                         djpegBitmap(c.fullSize ? plan.fullSize : plan.preview, best),
                                         c.top, c.left);
    EXPECT_EQ(shown.result, Success);
    EXPECT_EQ(shown.width, c.width);
    EXPECT_EQ(shown.height, c.height);
  }

  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(IsSupported(nullptr, static_cast<std::uintptr_t>(fd)), 1) << "the preview probed behind the window";
  EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 65536) << "put back where the window's read left it";
  ::close(fd);
}

// Borders that leave no pixel refuse the preview; GetPictureInfo then gives
// the fixed sizes, as for any file where neither way finds a frame. An
// unmarked maker note is not claimed by IsSupported.
TEST_F(PictureCalls, LocatedBordersEatingTheFrameAndUnmarkedNotesFallBack) {
  located_pef::Plan plan;
  plan.preview = encodeJpeg(640, 480, Layout::H2V2);
  plan.borders = {{240, 240, 0, 0}};
  const located_pef::File file = located_pef::build(plan);
  const char* memory = reinterpret_cast<const char*>(file.bytes.data());
  const auto size = static_cast<std::int32_t>(file.bytes.size());
  setFullSize(false);
  BlockHandle header = 77, pixels = 88;
  EXPECT_EQ(GetPicture(memory, size, SourceMemory, &header, &pixels, nullptr, 0), UnsupportedFormat);
  EXPECT_EQ(header, 77u);
  PictureInfo info{};
  ASSERT_EQ(GetPictureInfo(memory, size, SourceMemory, &info), Success);
  EXPECT_EQ(info.width, 640);
  EXPECT_EQ(info.height, 428);
  platform::localFree(info.infoText);

  located_pef::File unmarked = located_pef::build(plan);
  unmarked.bytes[unmarked.note] = 'X';
  const std::string path = dir_.write("unmarked.pef", unmarked.bytes);
  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(IsSupported(nullptr, static_cast<std::uintptr_t>(fd)), 0);
  ::close(fd);
}

}  // namespace

namespace {

// A host that passes no record or no handle variable gets a refusal, not a
// write through a null pointer.
TEST(PictureExports, MissingOutArgumentsAreRefused) {
  std::vector<std::uint8_t> image(20000);
  const char* memory = reinterpret_cast<const char*>(image.data());
  BlockHandle handle = 77;
  EXPECT_EQ(GetPictureInfo(memory, 20000, SourceMemory, nullptr), UnsupportedFormat);
  EXPECT_EQ(GetPicture(memory, 20000, SourceMemory, nullptr, &handle, nullptr, 0), UnsupportedFormat);
  EXPECT_EQ(GetPreview(memory, 20000, SourceMemory, &handle, nullptr, nullptr, 0), UnsupportedFormat);
  EXPECT_EQ(handle, 77u);
  EXPECT_EQ(platform::testing::liveBlocks(), 0u);
}

}  // namespace
