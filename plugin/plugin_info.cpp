// What the plug-in tells the host about itself, by index. Code page 932
// text: the half-width katakana of the description take one byte each.
#include "plugin/plugin_info.h"

#include <cstring>

namespace {

// Longest text handed over, without its NUL: every text and its NUL fit in
// 128 bytes.
constexpr std::size_t InfoTextLimit = 127;

constexpr const char* PluginInfoTexts[] = {
    "00IN",  // interface version 00, kind IN: a picture-import plug-in
    "*istD RAW ｻﾑﾈｲﾙ読み込み Shows the JPEGs a PENTAX *istD embeds in its raw files. Ver. 0.22",
    "*.PEF",
    "PENTAX *istD RAW FILE",
    "*.DNG",
    "DNG RAW FILE",
};

}  // namespace

const char* pluginInfoText(std::int32_t index) {
  constexpr std::int32_t count = sizeof PluginInfoTexts / sizeof PluginInfoTexts[0];
  return index >= 0 && index < count ? PluginInfoTexts[index] : nullptr;
}

std::int32_t copyPluginInfo(std::int32_t index, char* buffer, std::int32_t bufferSize) {
  const char* text = pluginInfoText(index);
  if (!text || !buffer) return 0;
  const auto needed = static_cast<std::int32_t>(std::strlen(text) + 1);
  if (bufferSize < needed || needed > static_cast<std::int32_t>(InfoTextLimit + 1)) return 0;
  std::memcpy(buffer, text, static_cast<std::size_t>(needed));
  return needed;
}
