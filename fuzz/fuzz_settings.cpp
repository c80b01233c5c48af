#include "fuzz_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plugin/settings.h"

namespace {

// One settings file per value, written once into a private directory.
std::string settingsFile(bool fullSize) {
  static std::string directory = [] {
    char pattern[] = "/tmp/tarnik-fuzz-XXXXXX";
    return std::string(::mkdtemp(pattern));
  }();
  std::string path = directory + (fullSize ? "/full.ini" : "/preview.ini");
  if (std::FILE* file = std::fopen(path.c_str(), "wx")) {
    std::fputs(fullSize ? "[SETTING]\nFULLSIZE=1\n" : "[SETTING]\nFULLSIZE=0\n", file);
    std::fclose(file);
  }
  return path;
}

}  // namespace

void useFullSizeSetting(bool fullSize) {
  static const std::string full = settingsFile(true);
  static const std::string preview = settingsFile(false);
  const std::string& path = fullSize ? full : preview;
  std::memcpy(settingsPath, path.c_str(), path.size() + 1);
}
