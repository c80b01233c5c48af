// Where the camera put things in a *istD raw file, and reading one region of
// it: the 64 KiB header window, the preview JPEG or the full-size JPEG.
#pragma once

#include <cstdint>

#include "io/byte_view.h"
#include "picture/camera_layout.h"
#include "platform/platform.h"
#include "plugin/plugin_types.h"

constexpr std::int32_t HeaderReadSize = 65536;      // TIFF header and EXIF data
constexpr std::int32_t PreviewWindowEnd = 65536;    // a file's preview read stops here
constexpr std::int32_t MemoryPreviewLength = 65536; // preview region of a memory image
constexpr std::uint32_t ReadSlack = 1024;           // spare bytes behind a read buffer
constexpr std::int32_t MaxRefusedRegionSize = 16;   // a region this long or shorter is refused

// A region read from a file into a heap buffer the caller releases with
// platform::heapFree.
struct SourceBuffer {
  std::uint8_t* memory = nullptr;
  std::uint32_t count = 0;  // bytes actually read
  ByteView view() const { return ByteView(memory, count); }
};

// Reads the region `request` selects (RequestHeader, else RequestFullSize,
// else the preview) from `fileName` at `offset`: Success, OutOfMemory or
// ReadError. On failure nothing is allocated and `buffer` is untouched.
PluginResult readSourceRegion(const char* fileName, std::int32_t offset, std::uint32_t request,
                              SourceBuffer* buffer);
// The same from a file already open.
PluginResult readSourceRegion(platform::FileHandle file, std::int32_t offset, std::uint32_t request,
                              SourceBuffer* buffer);

// Reads `length` bytes, fewer where the file ends, from byte `position` of
// the raw file at `offset` in the open `file`: Success, OutOfMemory or
// ReadError, as readSourceRegion.
PluginResult readFileBytes(platform::FileHandle file, std::int32_t offset, std::uint32_t position,
                           std::uint32_t length, SourceBuffer* buffer);

// The full-size or preview region of a memory image, in place: Success or
// ReadError.
PluginResult locateMemoryRegion(const std::uint8_t* image, std::int32_t size, bool fullSize,
                                ByteView* region);
