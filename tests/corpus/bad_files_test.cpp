// Every recipe of the bad-file corpus through the exports, from a file and
// from a memory image: the expected result each time, handles untouched on
// failure, and nothing left allocated or open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "tests/support/test_files.h"
#include "bad_files.h"
#include "platform/posix_testing.h"
#include "plugin/exports.h"
#include "plugin/settings.h"

namespace {

using platform::BlockHandle;
constexpr BlockHandle Untouched = 0x5A5A;

int textLines(BlockHandle text) {
  if (text == platform::NoBlock) return 0;
  const auto* bytes = static_cast<const char*>(platform::localLock(text));
  const int lines = static_cast<int>(std::count(bytes, bytes + std::strlen(bytes), '\n'));
  platform::localUnlock(text);
  platform::localFree(text);
  return lines;
}

template <typename Export>
std::int32_t picture(Export exported, const char* source, std::int32_t offsetOrSize, std::uint32_t mode) {
  BlockHandle header = Untouched, pixels = Untouched;
  const std::int32_t result = exported(source, offsetOrSize, mode, &header, &pixels, nullptr, 0);
  if (result == Success) {
    platform::globalFree(header);
    platform::globalFree(pixels);
  } else {
    EXPECT_EQ(header, Untouched);
    EXPECT_EQ(pixels, Untouched);
  }
  return result;
}

void expectResult(std::int32_t actual, std::int32_t expected, const char* call) {
  if (expected != AnyResult) {
    EXPECT_EQ(actual, expected) << call;
  }
  EXPECT_TRUE(actual == Success || actual == UnsupportedFormat || actual == OutOfMemory ||
              actual == ReadError)
      << call << " gave " << actual;
}

class BadFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memcpy(saved_, settingsPath, sizeof saved_);
    std::strcpy(settingsPath, dir_.writeText("tarnik.ini", "[SETTING]\nFULLSIZE=0\n").c_str());
  }
  void TearDown() override { std::memcpy(settingsPath, saved_, sizeof saved_); }
  TempDir dir_;
  char saved_[platform::MaxPath];
};

TEST_F(BadFiles, EveryRecipeGivesItsExpectedResults) {
  for (const BadFile& file : badFileCorpus()) {
    SCOPED_TRACE(file.name);
    const BadFileExpectation& e = file.expected;
    const std::string path = dir_.write(file.name + ".pef", file.bytes);
    const auto* image = reinterpret_cast<const char*>(file.bytes.data());
    const auto size = static_cast<std::int32_t>(file.bytes.size());
    for (std::uint32_t mode : {SourceFile, SourceMemory}) {
      SCOPED_TRACE(mode == SourceFile ? "from a file" : "from memory");
      const char* source = mode == SourceFile ? path.c_str() : image;
      const std::int32_t offsetOrSize = mode == SourceFile ? 0 : size;
      PictureInfo info;
      expectResult(GetPictureInfo(source, offsetOrSize, mode, &info), e.info, "GetPictureInfo");
      if (e.textLines != AnyLines) {
        EXPECT_EQ(textLines(info.infoText), e.textLines);
      }
      else textLines(info.infoText);
      expectResult(picture(GetPicture, source, offsetOrSize, mode), e.picture, "GetPicture");
      expectResult(picture(GetPreview, source, offsetOrSize, mode), e.preview, "GetPreview");
    }
    const int fd = ::open(path.c_str(), O_RDONLY);
    EXPECT_EQ(IsSupported(path.c_str(), static_cast<std::uintptr_t>(fd)), e.supported);
    ::close(fd);
    EXPECT_EQ(platform::testing::liveBlocks(), 0u);
    EXPECT_EQ(platform::testing::openFiles(), 0u);
  }
}

TEST_F(BadFiles, MemoryImagesOfNoSize) {
  static const std::uint8_t image[16] = {'M', 'M', 0, 42, 0, 0, 0, 8};
  for (std::int32_t size : {0, -1, -65536, INT32_MIN}) {
    const auto* source = reinterpret_cast<const char*>(image);
    PictureInfo info;
    EXPECT_EQ(GetPictureInfo(source, size, SourceMemory, &info), Success) << size;
    EXPECT_EQ(platform::BlockHandle{info.infoText}, platform::NoBlock);
    EXPECT_EQ(picture(GetPicture, source, size, SourceMemory), ReadError);
    EXPECT_EQ(picture(GetPreview, source, size, SourceMemory), ReadError);
  }
  EXPECT_EQ(platform::testing::liveBlocks(), 0u);
}

}  // namespace
