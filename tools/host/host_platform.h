// What the command-line host needs from the system it runs on: loading the
// plug-in, reading the movable blocks it hands over, a file handle for
// IsSupported. host_posix.cpp and host_win32.cpp implement it; code page 932
// text becomes UTF-8 through tests/support/cp932.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/exports.h"
#include "tests/support/cp932.h"

struct PluginExports {
  decltype(&GetPluginInfo) getPluginInfo = nullptr;
  decltype(&IsSupported) isSupported = nullptr;
  decltype(&GetPictureInfo) getPictureInfo = nullptr;
  decltype(&GetPicture) getPicture = nullptr;
  decltype(&GetPreview) getPreview = nullptr;
};

// The plug-in the host loads when none is named: a file of this name beside
// the host program, as a viewer keeps its plug-ins in a folder of its own.
extern const char* const DefaultPluginName;
std::string defaultPluginPath();

// Loads the library and finds its exports; false with the system's reason
// on failure.
bool loadPlugin(const char* path, PluginExports* exports, std::string* error);

// The block's bytes (at most `limit` of them); the block is then freed, as
// the host owns it.
std::vector<std::uint8_t> takeGlobalBlock(platform::BlockHandle block, std::size_t limit);
std::vector<std::uint8_t> takeLocalBlock(platform::BlockHandle block, std::size_t limit);

// A file opened for reading, as the 32-bit value IsSupported takes; 0 when
// it does not open.
std::uintptr_t openHostHandle(const char* path);
void closeHostHandle(std::uintptr_t handle);
