#include "fuzz_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plugin/settings.h"

namespace {

// One settings file per pair of values, written once into a private
// directory.
std::string settingsFile(bool fullSize, bool rotate) {
  static std::string directory = [] {
    char pattern[] = "/tmp/tarnik-fuzz-XXXXXX";
    return std::string(::mkdtemp(pattern));
  }();
  const std::string values = std::string("FULLSIZE=") + (fullSize ? "1" : "0") + "\nROTATE=" + (rotate ? "1" : "0");
  std::string path = directory + "/" + (fullSize ? "full" : "preview") + (rotate ? "-upright.ini" : ".ini");
  if (std::FILE* file = std::fopen(path.c_str(), "wx")) {
    std::fputs(("[SETTING]\n" + values + "\n").c_str(), file);
    std::fclose(file);
  }
  return path;
}

}  // namespace

void useSettings(bool fullSize, bool rotate) {
  static const std::string paths[2][2] = {{settingsFile(false, false), settingsFile(false, true)},
                                          {settingsFile(true, false), settingsFile(true, true)}};
  const std::string& path = paths[fullSize][rotate];
  std::memcpy(settingsPath, path.c_str(), path.size() + 1);
}
