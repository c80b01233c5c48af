#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/posix_testing.h"
#include "plugin/settings.h"
#include "tests/support/test_files.h"

namespace {

namespace fault = platform::testing;

struct IntegerCase {
  const char* text;
  bool valid;
  std::int32_t value;
};

TEST(SettingInteger, FollowsTheIntegerRules) {
  const IntegerCase cases[] = {
      {"0", true, 0},           {"1", true, 1},
      {"2", true, 2},           {"-1", true, -1},
      {"+7", true, 7},          {"  12", true, 12},
      {"007", true, 7},         {"2147483647", true, 2147483647},
      {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0}, {"-2147483649", false, 0},
      {"99999999999999999999", false, 0},
      {"$0", true, 0},          {"$ff", true, 255},
      {"xFF", true, 255},       {"XfF", true, 255},
      {"0x0", true, 0},         {"0X1f", true, 31},
      {"$FFFFFFFF", true, -1},  {"$7FFFFFFF", true, INT32_MAX},
      {"-$10", true, -16},      {"$123456789", false, 0},
      {"$00000001", true, 1},   {"$000000001", false, 0},
      {"0x", false, 0},         {"$", false, 0},
      {"", false, 0},           {"   ", false, 0},
      {"abc", false, 0},        {"1abc", false, 0},
      {"1 ", false, 0},         {"--1", false, 0},
      {" 0x10", false, 0},      {"-0x10", false, 0},
      {"0x-5", false, 0},       {"$g", false, 0},
  };
  for (const IntegerCase& c : cases) {
    std::int32_t value = 12345;
    EXPECT_EQ(parseSettingInteger(c.text, &value), c.valid) << '"' << c.text << '"';
    if (c.valid) {
      EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
  }
}

struct PathCase {
  const char* modulePath;
  bool placed;
  const char* result;
};

TEST(SettingsPath, ReplacesTheFileNameByteForByteAwareOfDoubleByteCharacters) {
  const PathCase cases[] = {
      {"C:\\Host\\host.exe", true, "C:\\Host\\tarnik.ini"},
      {"C:\\host.exe", true, "C:\\tarnik.ini"},
      // The trail byte of code page 932's 0x95 0x5C is a backslash byte.
      {"C:\\dir\\\x95\x5C.spi", true, "C:\\dir\\tarnik.ini"},
      {"C:\\\x95\x5C\\a.spi", true, "C:\\\x95\x5C\\tarnik.ini"},
      {"host.exe", false, "host.exe"},
  };
  for (const PathCase& c : cases) {
    char path[platform::MaxPath] = {};
    std::strcpy(path, c.modulePath);
    EXPECT_EQ(placeSettingsFileName(path), c.placed) << c.modulePath;
    EXPECT_STREQ(path, c.result);
  }
}

TEST(SettingsPath, NeverWritesPastItsBuffer) {
  // Directory of 249 bytes plus "\": with "tarnik.ini" and NUL that is 261.
  char path[platform::MaxPath + 8];
  std::memset(path, 0x7F, sizeof path);
  std::string dir(249, 'd');
  std::string module = dir + "\\x.dll";
  std::memcpy(path, module.c_str(), module.size() + 1);
  EXPECT_FALSE(placeSettingsFileName(path));
  EXPECT_EQ(path[0], '\0');
  for (std::size_t i = platform::MaxPath; i < sizeof path; ++i) ASSERT_EQ(path[i], 0x7F);

  std::string fits = std::string(248, 'd') + "\\x.dll";  // 249 + 11 = 260
  std::memcpy(path, fits.c_str(), fits.size() + 1);
  EXPECT_TRUE(placeSettingsFileName(path));
  EXPECT_EQ(std::strlen(path), platform::MaxPath - 1);
}

// The setting as the plug-in reads it from a given settings file.
class FullSizeSetting : public ::testing::Test {
 protected:
  void SetUp() override { std::memcpy(saved_, settingsPath, sizeof saved_); }
  void TearDown() override { std::memcpy(settingsPath, saved_, sizeof saved_); }
  bool readWith(const std::string& ini, bool (*read)() = readFullSizeSetting) {
    std::string path = dir_.writeText("tarnik.ini", ini);
    std::strcpy(settingsPath, path.c_str());
    return read();
  }
  TempDir dir_;
  char saved_[platform::MaxPath];
};

TEST_F(FullSizeSetting, ReadsTheKeyLikeTheProfileFunctions) {
  const struct {
    const char* ini;
    bool fullSize;
  } cases[] = {
      {"[SETTING]\nFULLSIZE=0\n", false},
      {"[SETTING]\nFULLSIZE=1\n", true},
      {"[setting]\nfullsize = 0 \n", false},
      {"[ SETTING ]\r\nFULLSIZE=0\r\n", false},
      {"[SETTING]\nFULLSIZE=\"0\"\n", false},
      {"[SETTING]\nFULLSIZE=0\nFULLSIZE=1\n", false},
      {"[OTHER]\nFULLSIZE=0\n", true},
      {"FULLSIZE=0\n", true},
      {"[SETTING]\n;FULLSIZE=0\n", true},
      {"[SETTING]\nFULLSIZE=abc\n", true},
      {"[SETTING]\nFULLSIZE=\n", true},
      {"[SETTING]\nFULLSIZE=0x0\n", false},
      {"[SETTING]\nFULLSIZE=$0\n", false},
      {"[SETTING]\nFULLSIZE=-1\n", true},
      {"", true},
  };
  for (const auto& c : cases) EXPECT_EQ(readWith(c.ini), c.fullSize) << c.ini;
}

// ROTATE by the same rules, off unless it reads nonzero.
TEST_F(FullSizeSetting, RotateIsOffUnlessItReadsNonzero) {
  const struct {
    const char* ini;
    bool rotate;
  } cases[] = {
      {"", false},
      {"[SETTING]\nFULLSIZE=1\n", false},
      {"[SETTING]\nROTATE=abc\n", false},
      {"[SETTING]\nROTATE=\n", false},
      {"[SETTING]\nROTATE=0\n", false},
      {"[SETTING]\nROTATE=1\n", true},
      {"[SETTING]\nROTATE=-2\n", true},
      {"[setting]\nrotate = $10\n", true},
  };
  for (const auto& c : cases) EXPECT_EQ(readWith(c.ini, readRotateSetting), c.rotate) << c.ini;
}

// Where attach looks, with the stand-in reporting module names in two
// folders of the test's own.
class SettingsLookup : public FullSizeSetting {
 protected:
  void TearDown() override {
    fault::presentModuleNames(nullptr, nullptr);
    fault::failModuleName(false);
    FullSizeSetting::TearDown();
  }
  // A path as the plug-in builds it from a module's name.
  static std::string windowsPath(const std::string& path) {
    std::string windows = path;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
  }
  TempDir host_, plugin_;
};

TEST_F(SettingsLookup, HostProgramsFolderFirstThenThePluginsFolder) {
  const struct {
    bool besideHost, besidePlugin;
    const TempDir* found;
  } cases[] = {{true, true, &host_}, {true, false, &host_}, {false, true, &plugin_}, {false, false, nullptr}};
  fault::presentModuleNames(host_.file("host.exe").c_str(), plugin_.file("tarnik.spi").c_str());
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.besideHost << c.besidePlugin);
    std::filesystem::remove(host_.file("tarnik.ini"));
    std::filesystem::remove(plugin_.file("tarnik.ini"));
    if (c.besideHost) host_.writeText("tarnik.ini", "");
    if (c.besidePlugin) plugin_.writeText("tarnik.ini", "");
    attachSettings(&settingsPath);  // any module but the host program
    if (c.found) {
      EXPECT_EQ(settingsPath, windowsPath(c.found->file("tarnik.ini")));
    } else {
      EXPECT_FALSE(platform::fileExists(settingsPath));
    }
  }
}

TEST_F(SettingsLookup, AFailedShortOrCutModuleNameGivesNoPath) {
  host_.writeText("tarnik.ini", "");
  // What a failed call leaves in the buffer must not be taken up.
  std::strcpy(settingsPath, windowsPath(host_.file("host.exe")).c_str());
  fault::failModuleName(true);
  EXPECT_FALSE(locateSettingsFile(nullptr));
  EXPECT_EQ(settingsPath[0], '\0');
  fault::failModuleName(false);
  for (const std::string& name : {std::string("\\x"), host_.file(std::string(platform::MaxPath, 'x'))}) {
    fault::presentModuleNames(name.c_str(), nullptr);
    EXPECT_FALSE(locateSettingsFile(nullptr)) << name.size();
    EXPECT_EQ(settingsPath[0], '\0') << name.size();
  }
}

TEST_F(FullSizeSetting, MissingOrUnnamedFileGivesTheDefault) {
  std::strcpy(settingsPath, dir_.file("absent.ini").c_str());
  EXPECT_TRUE(readFullSizeSetting());
  EXPECT_FALSE(readRotateSetting());
  settingsPath[0] = '\0';
  EXPECT_TRUE(readFullSizeSetting());
  EXPECT_FALSE(readRotateSetting());
}

}  // namespace
