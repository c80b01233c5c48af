// The real tarnik.spi as the host meets it. The test layout, made by
// `wine.sh PREFIX layout`: the test program in WORK\host, the DLL in WORK\plugin, the
// generated samples in WORK\samples, and WORK as the current directory.
// Every export is called through the assembly thunk, which checks that the
// callee removed exactly its arguments from the stack.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "harness.h"
#include "picture/camera_layout.h"
#include "plugin/plugin_types.h"

using Bytes = std::vector<std::uint8_t>;

// Where a settings file goes: beside the host program or beside the plug-in.
enum class Beside { Host, Plugin };

// Writes both settings files (a null text removes the file), then loads the
// plug-in afresh so that it chooses its settings file again.
void loadWithSettings(const char* hostText, const char* pluginText);
// Rewrites one settings file without reloading.
void writeSettings(Beside where, const char* text);
// "[SETTING]\r\nFULLSIZE=<value>\r\n"
std::string fullSizeSetting(const char* value);

// The exports, each checked for a balanced stack. Pointers and handles pass
// as the 32-bit words they are.
std::int32_t getPluginInfo(std::int32_t index, char* buffer, std::int32_t size);
std::int32_t isSupported(const char* name, std::uintptr_t fileOrBytes);
std::int32_t getPictureInfo(const void* source, std::int32_t offsetOrSize, std::uint32_t flags,
                            void* record);
std::int32_t getPicture(const void* source, std::int32_t offsetOrSize, std::uint32_t flags,
                        HGLOBAL* header, HGLOBAL* pixels);
std::int32_t getPreview(const void* source, std::int32_t offsetOrSize, std::uint32_t flags,
                        HGLOBAL* header, HGLOBAL* pixels);
std::int32_t callExport(const char* name, std::initializer_list<std::uint32_t> args);

// The thunk itself (stdcall_thunk.S).
extern "C" std::int32_t callStdcall(const void* function, const std::uint32_t* args,
                                    std::uint32_t argc, std::int32_t* stackDelta);

// CHECK_EQ of an export's result against a result code: a failure names
// both ("got 4 (out of memory), expected 0 (success)").
bool checkEqual(std::int32_t actual, PluginResult expected, const char* expression, const char* file,
                int line);

Bytes readFileBytes(const char* path);
void writeFileBytes(const char* path, const Bytes& bytes);
// A generated sample, by file name.
std::string samplePath(const char* name);

// The picture-information record as the host reads it, byte by byte.
constexpr std::size_t PictureInfoSize = 26;
constexpr std::size_t InfoWidthAt = 8;
constexpr std::size_t InfoHeightAt = 12;
constexpr std::size_t InfoTextAt = 22;

// GetPictureInfo's text as UTF-8, with the text block checked: unlocked,
// the text's length plus 4 bytes, zeros behind the text. The record, when
// asked for, is copied to `record` (PictureInfoSize bytes).
std::string infoText(const void* source, std::int32_t offsetOrSize, std::uint32_t mode,
                     std::uint8_t* record = nullptr);
