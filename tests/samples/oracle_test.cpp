// Every body's sample through the exports over the POSIX stand-in, against
// the independent oracle (oracle_references.sh): the pixels equal djpeg's
// decode of exiftool's extraction, cut by exiftool's reading of the borders;
// GetPictureInfo gives that picture's size and the text of the values the
// generator writes, the camera's.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/platform.h"
#include "plugin/exports.h"
#include "plugin/settings.h"
#include "tests/support/cp932.h"
#include "tests/support/oracle_reference.h"
#include "tests/support/test_files.h"

namespace {

std::string oracleFile(const std::string& name) { return std::string(ORACLE_DIR) + "/" + name; }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

class BodyOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memcpy(saved_, settingsPath, sizeof saved_);
    samples_ = readOracleManifest(oracleFile("oracle.txt"));
    ASSERT_EQ(samples_.size(), OracleBodyCount) << "the oracle's manifest";
  }
  void TearDown() override { std::memcpy(settingsPath, saved_, sizeof saved_); }
  void setFullSize(bool fullSize) {
    const std::string text = std::string("[SETTING]\nFULLSIZE=") + (fullSize ? "1" : "0") + "\n";
    std::strcpy(settingsPath, dir_.writeText("tarnik.ini", text).c_str());
  }

  std::vector<OracleSample> samples_;
  TempDir dir_;
  char saved_[platform::MaxPath];
};

TEST_F(BodyOracle, PicturesEqualDjpegsDecodeOfExiftoolsExtraction) {
  for (const OracleSample& sample : samples_) {
    const std::string path = oracleFile(sample.name + ".raw");
    const std::string image = readFile(path);
    for (const OracleCase& c : OracleCases) {
      SCOPED_TRACE(sample.name + ": " + c.what);
      setFullSize(c.fullSizeSetting);
      const char* source = c.memory ? image.data() : path.c_str();
      const auto offsetOrSize = c.memory ? static_cast<std::int32_t>(image.size()) : 0;
      platform::BlockHandle header = platform::NoBlock, pixels = platform::NoBlock;
      const auto call = c.preview ? GetPreview : GetPicture;
      const std::int32_t result = call(source, offsetOrSize, c.memory ? SourceMemory : SourceFile, &header, &pixels, nullptr, 0);
      EXPECT_EQ(result, Success);
      if (result != Success) continue;
      ReferenceBmp ref(oracleFile(referenceName(sample, c)));
      ASSERT_TRUE(ref.ok());
      const OracleCrop crop = cropOf(sample, c);
      const auto* info = static_cast<const std::uint8_t*>(platform::globalLock(header));
      EXPECT_EQ(le32(info + 4), croppedWidth(ref, crop));
      EXPECT_EQ(le32(info + 8), croppedHeight(ref, crop));
      platform::globalUnlock(header);
      const std::size_t stride = (croppedWidth(ref, crop) * 3 + 3) & ~3u;
      if (platform::globalSize(pixels) >= stride * croppedHeight(ref, crop)) {
        EXPECT_EQ(largestDifference(static_cast<const std::uint8_t*>(platform::globalLock(pixels)), ref, crop), 0);
        platform::globalUnlock(pixels);
      } else {
        ADD_FAILURE() << "pixel block of " << platform::globalSize(pixels) << " bytes";
      }
      platform::globalFree(header);
      platform::globalFree(pixels);
    }
  }
}

TEST_F(BodyOracle, InfoGivesThePicturesSizeAndTheCamerasText) {
  for (const OracleSample& sample : samples_) {
    const std::string expected = readFile(oracleFile(sample.text));
    const std::string path = oracleFile(sample.name + ".raw");
    const std::string image = readFile(path);
    for (bool fullSize : {true, false}) {
      ReferenceBmp ref(oracleFile(sample.name + (fullSize ? "-full-float.bmp" : "-preview-float.bmp")));
      const OracleCrop crop = fullSize ? OracleCrop{} : sample.previewCrop;
      setFullSize(fullSize);
      for (bool memory : {false, true}) {
        SCOPED_TRACE(sample.name + (fullSize ? ", FULLSIZE=1" : ", FULLSIZE=0") + (memory ? ", memory" : ", file"));
        PictureInfo info{};
        EXPECT_EQ(GetPictureInfo(memory ? image.data() : path.c_str(),
                                 memory ? static_cast<std::int32_t>(image.size()) : 0,
                                 memory ? SourceMemory : SourceFile, &info),
                  Success);
        EXPECT_EQ(info.width, static_cast<std::int32_t>(croppedWidth(ref, crop)));
        EXPECT_EQ(info.height, static_cast<std::int32_t>(croppedHeight(ref, crop)));
        EXPECT_NE(info.infoText, platform::NoBlock);
        if (info.infoText == platform::NoBlock) continue;
        const std::string text(static_cast<const char*>(platform::localLock(info.infoText)));
        platform::localUnlock(info.infoText);
        platform::localFree(info.infoText);
        EXPECT_EQ(cp932ToUtf8(text), expected);
      }
    }
  }
}

}  // namespace
