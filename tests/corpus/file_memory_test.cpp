// File mode and memory mode of the same bytes agree: every export's result
// code, and on success the size, the text and the bitmap's bytes, with
// FULLSIZE 0 and 1, for every file of the bad-file corpus, the generated
// samples, the golden samples and the fuzz seeds and regressions. In file
// mode the directories beyond the header window are fetched; a memory image
// has them all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix_testing.h"
#include "plugin/exports.h"
#include "plugin/settings.h"
#include "tests/support/handed_over.h"
#include "tests/support/test_files.h"

namespace {

using handed_over::Bytes;
namespace fs = std::filesystem;

// What an export handed over, as comparable bytes.
struct Outcome {
  Bytes bytes;
  bool operator==(const Outcome&) const = default;
};

// A failed comparison names both results and how much each handed over.
void PrintTo(const Outcome& o, std::ostream* out) {
  *out << "result " << int{o.bytes.at(0)} << ", " << o.bytes.size() - 1 << " bytes handed over";
}

Outcome info(const char* source, std::int32_t offsetOrSize, std::uint32_t mode) {
  return {handed_over::info(source, offsetOrSize, mode)};
}

template <typename Export>
Outcome picture(Export exported, const char* source, std::int32_t offsetOrSize, std::uint32_t mode) {
  return {handed_over::picture(exported, source, offsetOrSize, mode)};
}

std::vector<fs::path> filesUnder(std::initializer_list<const char*> roots) {
  std::vector<fs::path> files;
  for (const char* root : roots) {
    EXPECT_TRUE(fs::is_directory(root)) << root << " is built or kept before this test runs";
    if (!fs::is_directory(root)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root))
      if (entry.is_regular_file() && entry.path().extension() != ".txt") files.push_back(entry.path());
  }
  return files;
}

class FileAndMemory : public ::testing::Test {
 protected:
  void SetUp() override { std::memcpy(saved_, settingsPath, sizeof saved_); }
  void TearDown() override { std::memcpy(settingsPath, saved_, sizeof saved_); }
  void setFullSize(bool on) {
    std::strcpy(settingsPath, dir_.writeText("tarnik.ini", on ? "[SETTING]\nFULLSIZE=1\n"
                                                                : "[SETTING]\nFULLSIZE=0\n").c_str());
  }
  TempDir dir_;
  char saved_[platform::MaxPath];
};

TEST_F(FileAndMemory, EveryFileGivesTheSameResultsBothWays) {
  const std::vector<fs::path> files =
      filesUnder({BAD_FILE_DIR, SAMPLE_DIR, GOLDEN_DIR, FUZZ_SEED_DIR, FUZZ_REGRESSION_DIR});
  for (const fs::path& path : files) {
    SCOPED_TRACE(path.string());
    std::ifstream in(path, std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto* image = reinterpret_cast<const char*>(bytes.data());
    const auto size = static_cast<std::int32_t>(bytes.size());
    const std::string name = path.string();
    for (bool fullSize : {false, true}) {
      setFullSize(fullSize);
      SCOPED_TRACE(fullSize ? "FULLSIZE=1" : "FULLSIZE=0");
      EXPECT_EQ(info(name.c_str(), 0, SourceFile), info(image, size, SourceMemory)) << "GetPictureInfo";
      EXPECT_EQ(picture(GetPicture, name.c_str(), 0, SourceFile), picture(GetPicture, image, size, SourceMemory))
          << "GetPicture";
      // GetPreview takes the preview from a file whatever the setting, and
      // the JPEG the setting picks from a memory image.
      if (!fullSize) {
        EXPECT_EQ(picture(GetPreview, name.c_str(), 0, SourceFile), picture(GetPreview, image, size, SourceMemory))
            << "GetPreview";
      }
    }
  }
  EXPECT_EQ(platform::testing::liveBlocks(), 0u);
  EXPECT_EQ(platform::testing::openFiles(), 0u);
}

}  // namespace
