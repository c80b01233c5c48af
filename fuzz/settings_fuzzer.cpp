// The setting's integer rules and the stand-in's profile reading: the input
// is a whole settings file, and its first line also an integer text.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "plugin/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::int32_t value = 0;
  parseSettingInteger(text.substr(0, text.find('\n')).c_str(), &value);

  static const std::string path = [] {
    char pattern[] = "/tmp/tarnik-ini-XXXXXX";
    const int fd = ::mkstemp(pattern);
    ::close(fd);
    return std::string(pattern);
  }();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  char value_text[2048];
  const std::uint32_t n = platform::profileString("SETTING", "FULLSIZE", value_text,
                                                  sizeof value_text, path.c_str());
  if (n >= sizeof value_text || std::strlen(value_text) != n) std::abort();
  std::memcpy(settingsPath, path.c_str(), path.size() + 1);
  readFullSizeSetting();
  readRotateSetting();
  return 0;
}
