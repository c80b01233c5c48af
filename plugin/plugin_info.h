// The plug-in's self-description: interface kind, description, file
// pattern and file-type name, indices 0 to 3.
#pragma once

#include <cstdint>

// The text of `index`, or nullptr outside 0 to 3.
const char* pluginInfoText(std::int32_t index);

// Copies the text and its NUL when `bufferSize` (signed) holds them: the
// bytes written, else 0 with the buffer untouched.
std::int32_t copyPluginInfo(std::int32_t index, char* buffer, std::int32_t bufferSize);
