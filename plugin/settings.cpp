#include "plugin/settings.h"

#include <cstring>

namespace {

constexpr char SettingsFileName[] = "tarnik.ini";
constexpr char SettingsSection[] = "SETTING";
constexpr char FullSizeKey[] = "FULLSIZE";
constexpr std::int32_t FullSizeDefault = 1;
// Off by default: the pictures stand as the camera stored them.
constexpr char RotateKey[] = "ROTATE";
constexpr std::int32_t RotateDefault = 0;
constexpr std::uint32_t ValueBufferSize = 2048;  // the profile text buffer
constexpr std::uint32_t ShortestModuleName = 4;  // too short for "X:\" and a file name
constexpr int MaxHexDigits = 8;                  // a 32-bit value

// Position just after the last backslash of `path`, or 0 when there is none.
// A code page 932 trail byte may be 0x5C, so double-byte characters are
// stepped over whole.
std::uint32_t directoryLength(const char* path) {
  std::uint32_t end = 0;
  for (std::uint32_t i = 0; path[i] != '\0'; ++i) {
    const auto byte = static_cast<std::uint8_t>(path[i]);
    if (platform::isLeadByte(byte) && path[i + 1] != '\0') {
      ++i;
    } else if (byte == '\\') {
      end = i + 1;
    }
  }
  return end;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Hex digits wrap into the signed range, as a 32-bit register would.
bool parseHex(const char* p, bool negative, std::int32_t* value) {
  std::uint32_t magnitude = 0;
  int digits = 0;
  for (; *p; ++p, ++digits) {
    int digit = hexDigit(*p);
    if (digit < 0 || digits == MaxHexDigits) return false;
    magnitude = magnitude << 4 | static_cast<std::uint32_t>(digit);
  }
  if (digits == 0) return false;
  *value = static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
  return true;
}

bool parseDecimal(const char* p, bool negative, std::int32_t* value) {
  // Accumulate the magnitude in 64 bits; 2147483648 is allowed only negative.
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t magnitude = 0;
  if (*p == '\0') return false;
  for (; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > limit) return false;
  }
  *value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

// A key's integer, or `fallback` when the file, the key or a readable value
// is missing.
std::int32_t readSetting(const char* key, std::int32_t fallback) {
  std::int32_t value = fallback;
  if (settingsPath[0] != '\0') {
    char text[ValueBufferSize];
    platform::profileString(SettingsSection, key, text, sizeof text, settingsPath);
    if (!parseSettingInteger(text, &value)) value = fallback;
  }
  return value;
}

}  // namespace

char settingsPath[platform::MaxPath];

bool placeSettingsFileName(char* path) {
  const std::uint32_t directory = directoryLength(path);
  if (directory == 0) return false;
  if (directory + sizeof SettingsFileName > platform::MaxPath) {
    // The path would not fit; read no file rather than a cut one.
    path[0] = '\0';
    return false;
  }
  std::memcpy(path + directory, SettingsFileName, sizeof SettingsFileName);
  return true;
}

bool locateSettingsFile(platform::ModuleHandle module) {
  if (platform::moduleFileName(module, settingsPath, platform::MaxPath) <= ShortestModuleName) {
    // A failed or cut name (an older system leaves a cut one unterminated)
    // is no path to read.
    settingsPath[0] = '\0';
    return false;
  }
  return placeSettingsFileName(settingsPath) && platform::fileExists(settingsPath);
}

void attachSettings(platform::ModuleHandle plugin) {
  if (!locateSettingsFile(nullptr)) locateSettingsFile(plugin);
}

bool readFullSizeSetting() { return readSetting(FullSizeKey, FullSizeDefault) != 0; }

bool readRotateSetting() { return readSetting(RotateKey, RotateDefault) != 0; }

bool parseSettingInteger(const char* text, std::int32_t* value) {
  // A text longer than two characters that starts "0x" or "0X" reads as if
  // it started "$": stepping over the zero leaves the "x" prefix below.
  const bool zeroX = text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && text[2] != '\0';
  const char* p = zeroX ? text + 1 : text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (*p == '$' || *p == 'x' || *p == 'X') return parseHex(p + 1, negative, value);
  return parseDecimal(p, negative, value);
}
