// The FULLSIZE and ROTATE settings as the host's user meets them: tarnik.ini
// beside the host program or beside the plug-in, chosen when the library
// loads, read afresh at every call. GetPictureInfo reports 3008 x 2008 when
// FULLSIZE is on and 640 x 428 when it is off; a portrait preview 428 x 640
// when ROTATE is on.
#include <cstring>

#include "plugin_fixture.h"

namespace {

// The width GetPictureInfo reports: 3008 (full size) or 640 (preview), or
// for the portrait sample's preview 428 when turned upright.
std::int32_t reportedWidth(const char* sample = "no-exif.pef") {
  std::uint8_t record[PictureInfoSize];
  if (!CHECK_EQ(getPictureInfo(samplePath(sample).c_str(), 0, SourceFile, record), Success))
    return 0;
  std::int32_t width;
  std::memcpy(&width, record + 8, sizeof width);
  return width;
}

}  // namespace

TEST_CASE(settings, which_file_is_read) {
  const std::string off = fullSizeSetting("0");
  const std::string on = fullSizeSetting("1");
  struct Row {
    const char* host;
    const char* plugin;
    std::int32_t width;
  };
  const Row rows[] = {
      {nullptr, nullptr, 3008},            // no settings file: full size
      {nullptr, off.c_str(), 640},         // beside the plug-in
      {off.c_str(), nullptr, 640},         // beside the host program
      {off.c_str(), on.c_str(), 640},      // the host program's wins
      {on.c_str(), off.c_str(), 3008},
      {"[OTHER]\r\nFULLSIZE=0\r\n", off.c_str(), 3008},  // host's file, no key: default
  };
  for (const Row& row : rows) {
    loadWithSettings(row.host, row.plugin);
    CHECK_EQ(reportedWidth(), row.width);
  }
}

TEST_CASE(settings, values) {
  loadWithSettings(fullSizeSetting("1").c_str(), nullptr);
  struct Row {
    const char* value;
    std::int32_t width;
  };
  const Row rows[] = {
      {"0", 640},  {"abc", 3008}, {"0", 640}, {"1abc", 3008}, {"0", 640}, {"", 3008},
      {"0x0", 640}, {"$0", 640},  {"2", 3008}, {"0X0", 640},  {"-1", 3008}, {" 0", 640},
      {"$1", 3008}, {"-0", 640}, {"0x", 3008},
  };
  // Each value is written over the last with the library loaded: a change
  // takes effect at the next call.
  for (const Row& row : rows) {
    writeSettings(Beside::Host, fullSizeSetting(row.value).c_str());
    if (!CHECK_EQ(reportedWidth(), row.width)) std::printf("  FULLSIZE=\"%s\"\n", row.value);
  }
  writeSettings(Beside::Host, "[SETTING]\r\n");
  CHECK_EQ(reportedWidth(), 3008);
}

TEST_CASE(settings, directory_is_chosen_at_load) {
  loadWithSettings(nullptr, nullptr);
  // Neither file existed: the plug-in's directory was chosen, so a file
  // created now beside the host program is not seen.
  writeSettings(Beside::Host, fullSizeSetting("0").c_str());
  CHECK_EQ(reportedWidth(), 3008);
  writeSettings(Beside::Plugin, fullSizeSetting("0").c_str());
  CHECK_EQ(reportedWidth(), 640);
  writeSettings(Beside::Host, nullptr);
  writeSettings(Beside::Plugin, nullptr);
}

TEST_CASE(settings, rotate_values) {
  struct Row {
    const char* text;
    std::int32_t width;
  };
  const Row rows[] = {
      {"[SETTING]\r\nFULLSIZE=0\r\n", 640},              // missing: off
      {"[SETTING]\r\nFULLSIZE=0\r\nROTATE=abc\r\n", 640},  // unreadable: off
      {"[SETTING]\r\nFULLSIZE=0\r\nROTATE=0\r\n", 640},
      {"[SETTING]\r\nFULLSIZE=0\r\nROTATE=1\r\n", 428},
      {"[SETTING]\r\nFULLSIZE=0\r\nROTATE=-7\r\n", 428},  // any other number: on
  };
  loadWithSettings(nullptr, nullptr);
  for (const Row& row : rows) {
    writeSettings(Beside::Plugin, row.text);
    if (!CHECK_EQ(reportedWidth("portrait.pef"), row.width)) std::printf("  %s\n", row.text);
  }
  writeSettings(Beside::Plugin, nullptr);
}
