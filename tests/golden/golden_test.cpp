// The information text of every golden sample, byte for byte, from a file at
// offset 0, from the same sample embedded at a nonzero offset, and from a
// memory image; and a cross-check of the numbers against exiftool's reading
// of the same files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "plugin/exports.h"
#include "tests/support/cp932.h"

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> recipeNames() {
  std::vector<std::string> names;
  std::istringstream recipes(readFile(std::string(GOLDEN_SOURCE_DIR) + "/recipes.txt"));
  for (std::string line; std::getline(recipes, line);)
    if (!line.empty() && line[0] != '#') names.push_back(line.substr(0, line.find(' ')));
  return names;
}

// GetPictureInfo's text as UTF-8; also checks the block's shape.
std::string infoText(const char* source, std::int32_t offsetOrSize, std::uint32_t mode) {
  PictureInfo info;
  EXPECT_EQ(GetPictureInfo(source, offsetOrSize, mode, &info), Success);
  if (info.infoText == platform::NoBlock) return "";
  const std::size_t size = platform::localSize(info.infoText);
  const auto* bytes = static_cast<const char*>(platform::localLock(info.infoText));
  const std::string text(bytes);
  EXPECT_EQ(size, text.size() + 4);
  EXPECT_EQ(std::string(bytes + text.size(), 4), std::string(4, '\0'));
  platform::localUnlock(info.infoText);
  platform::localFree(info.infoText);
  bool valid = false;
  const std::string utf8 = cp932ToUtf8(text, &valid);
  EXPECT_TRUE(valid) << "not code page 932";
  return utf8;
}

std::string sample(const std::string& name) { return std::string(GOLDEN_SAMPLE_DIR) + "/" + name + ".pef"; }
std::string golden(const std::string& name) {
  return readFile(std::string(GOLDEN_SOURCE_DIR) + "/" + name + ".txt");
}

TEST(GoldenText, EverySampleFromFileAndMemory) {
  for (const std::string& name : recipeNames()) {
    SCOPED_TRACE(name);
    const std::string expected = golden(name);
    EXPECT_EQ(infoText(sample(name).c_str(), 0, SourceFile), expected);
    const std::string image = readFile(sample(name));
    EXPECT_EQ(infoText(image.data(), static_cast<std::int32_t>(image.size()), SourceMemory), expected);
  }
}

TEST(GoldenText, SampleAtANonzeroOffset) {
  EXPECT_EQ(infoText(sample("preview-only-at-4096").c_str(), 4096, SourceFile), golden("preview-only"));
  EXPECT_EQ(infoText(sample("preview-only-at-4096").c_str(), 0, SourceFile), "") << "a filler, not a TIFF";
}

// exiftool's reading (-n: raw numbers) of a file, one value per field, "-"
// where a tag is missing.
std::vector<std::string> exiftoolValues(const std::string& path) {
  const std::string command =
      "exiftool -T -n -f -ISO -FocalLength -FocalLengthIn35mmFormat -ExposureTime -FNumber "
      "-ExposureCompensation -ExposureProgram -MeteringMode -WhiteBalance -Flash "
      "-Pentax:FocusMode -LensType '" + path + "'";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[512] = {};
  const bool read = std::fgets(buffer, sizeof buffer, pipe) != nullptr;
  ::pclose(pipe);
  std::vector<std::string> values;
  std::istringstream fields(read ? buffer : "");
  for (std::string field; std::getline(fields, field, '\t');) {
    if (!field.empty() && field.back() == '\n') field.pop_back();
    values.push_back(field);
  }
  return values;
}

// The value a line of the text stands for, read back as a number:
// "1/125" -> 0.008, "EV-1/3" -> -0.333..., "EV±0" -> 0.
double numberOf(std::string text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) return text.find("±") != std::string::npos ? 0 : std::stod(text);
  return std::stod(text.substr(0, slash)) / std::stod(text.substr(slash + 1));
}

// What exiftool's raw codes must come out as, by the label tables.
std::string labelOf(int field, const std::string& code) {
  static const std::vector<std::vector<std::pair<std::string, std::string>>> labels = {
      {{"1", "M"}, {"2", "P"}, {"3", "Av"}, {"4", "Tv"}, {"5", "高速P"}, {"6", "低速P"},
       {"7", "ﾎﾟｰﾄﾚｲﾄ"}, {"8", "風景"}},
      {{"1", "平均測光"}, {"2", "中央重点"}, {"3", "ｽﾎﾟｯﾄ"}, {"4", "ﾏﾙﾁｽﾎﾟｯﾄ"}, {"5", "多分割"},
       {"6", "部分"}, {"255", "その他"}, {"-", "ﾏﾆｭｱﾙ露出"}},
      {{"0", "WBｵｰﾄ"}, {"1", "WBﾏﾆｭｱﾙ"}, {"2", "WBｵｰﾄ"}, {"3", "WBﾏﾆｭｱﾙ"}},
      {{"0", "F非発光"}, {"16", "F非発光"}, {"1", "F発光"}, {"25", "F発光"}, {"7", "F発光"}, {"5", "不明"}},
      {{"3", "MF"}, {"16", "AF-S"}, {"17", "AF-C"}},
      {{"5 4", "smc PENTAX-FA 50mmF1.4"}, {"2 255", "不明なレンズ"}, {"2 0", "KAﾚﾝｽﾞ"},
       {"3 22", "smc PENTAX-F FISH-EYE17-28mmF3.5-4.5"}},
  };
  const char* fallback[] = {"露出ﾓｰﾄﾞ不明", "不明", "", "", "", ""};
  for (const auto& [raw, label] : labels[field])
    if (raw == code) return label;
  return fallback[field];
}

// Lines of the text in their fixed order, as exiftool's values predict them.
TEST(GoldenText, AgreesWithExiftoolsReading) {
  for (const char* name : {"preview-only", "labels-a", "labels-b", "labels-c", "iso-only"}) {
    SCOPED_TRACE(name);
    std::istringstream text(infoText(sample(name).c_str(), 0, SourceFile));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    const std::vector<std::string> v = exiftoolValues(sample(name));
    ASSERT_EQ(v.size(), 12u);
    std::size_t at = 0;
    auto next = [&]() { return at < lines.size() ? lines[at++] : std::string("(none)"); };
    auto expectNumber = [&](const std::string& raw, const char* prefix, double tolerance) {
      if (raw == "-") return;
      const std::string line = next();
      ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
      EXPECT_NEAR(numberOf(line.substr(std::strlen(prefix))), std::stod(raw), tolerance) << line;
    };
    if (v[11] != "-") {
      EXPECT_EQ(next(), labelOf(5, v[11]));
    }
    expectNumber(v[0], "ISO", 0);
    if (v[1] != "-") {
      const std::string focal = next();
      EXPECT_NEAR(std::stod(focal), std::stod(v[1]), 0.05) << focal;
      if (v[2] != "-") {
        EXPECT_NE(focal.find("(" + v[2] + ")mm"), std::string::npos) << focal;
      }
    }
    expectNumber(v[3], "", 0.05);
    expectNumber(v[4], "F", 0.05);
    expectNumber(v[5], "EV", 1e-6);
    if (v[6] != "-") {
      EXPECT_EQ(next(), labelOf(0, v[6]));
    }
    EXPECT_EQ(next(), labelOf(1, v[7]));
    if (v[10] != "-") {
      EXPECT_EQ(next(), labelOf(4, v[10]));
    }
    if (v[8] != "-") {
      EXPECT_EQ(next(), labelOf(2, v[8]));
    }
    if (v[9] != "-") {
      EXPECT_EQ(next(), labelOf(3, v[9]));
    }
    EXPECT_EQ(at, lines.size()) << "no line left over";
  }
}

}  // namespace
