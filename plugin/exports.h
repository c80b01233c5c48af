// The eight functions the host calls. On Windows they use the standard
// calling convention and are exported under their undecorated names; every
// argument and result is a 32-bit value there.
#pragma once

#include <cstdint>

#include "plugin/plugin_types.h"

#ifdef _WIN32
#define PLUGIN_API extern "C" __declspec(dllexport)
#define PLUGIN_CALL __stdcall
#else
#define PLUGIN_API extern "C" __attribute__((visibility("default")))
#define PLUGIN_CALL
#endif

// Progress callback of the picture exports; never called.
typedef std::int32_t(PLUGIN_CALL* ProgressCallback)(std::int32_t, std::int32_t, std::intptr_t);

PLUGIN_API std::int32_t PLUGIN_CALL GetPluginInfo(std::int32_t index, char* buffer,
                                                  std::int32_t bufferSize);
// `fileOrBytes`: a file handle below 0x10000, else a pointer to the first bytes.
PLUGIN_API std::int32_t PLUGIN_CALL IsSupported(const char* fileName, std::uintptr_t fileOrBytes);
PLUGIN_API std::int32_t PLUGIN_CALL GetPictureInfo(const char* source, std::int32_t offsetOrSize,
                                                   std::uint32_t flags, PictureInfo* info);
PLUGIN_API std::int32_t PLUGIN_CALL GetPicture(const char* source, std::int32_t offsetOrSize,
                                               std::uint32_t flags, platform::BlockHandle* header,
                                               platform::BlockHandle* pixels,
                                               ProgressCallback progress, std::intptr_t userData);
PLUGIN_API std::int32_t PLUGIN_CALL GetPreview(const char* source, std::int32_t offsetOrSize,
                                               std::uint32_t flags, platform::BlockHandle* header,
                                               platform::BlockHandle* pixels,
                                               ProgressCallback progress, std::intptr_t userData);
// The host's archive interface, which this plug-in does not implement.
PLUGIN_API std::int32_t PLUGIN_CALL GetArchiveInfo(std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                                   std::uintptr_t);
PLUGIN_API std::int32_t PLUGIN_CALL GetFileInfo(std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                                std::uintptr_t, std::uintptr_t);
PLUGIN_API std::int32_t PLUGIN_CALL GetFile(std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                            std::uintptr_t, std::uintptr_t, std::uintptr_t);
