// Where the camera put things in a *istD raw file, and reading one region of
// it: the 64 KiB header window, the preview JPEG or the full-size JPEG.
#pragma once

#include <cstdint>

#include "plugin/byte_view.h"
#include "plugin/plugin_types.h"

// Positions count from the start of the raw file's data: the caller's
// offset in a file, the first byte of a memory image.
constexpr std::int32_t PreviewOffset = 8640;        // 0x21C0: the 640 x 480 JPEG
constexpr std::int32_t FullImageOffset = 12371550;  // 0xBCC65E: the 3008 x 2008 JPEG
constexpr std::int32_t HeaderReadSize = 65536;      // TIFF header and EXIF data
constexpr std::int32_t PreviewWindowEnd = 65536;    // a file's preview read stops here
constexpr std::int32_t MemoryPreviewLength = 65536; // preview region of a memory image
constexpr std::uint32_t ReadSlack = 1024;           // spare bytes behind a read buffer
constexpr std::int32_t MinRegionSize = 16;          // a region must be longer than this

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

// The full-size or preview region of a memory image, in place: Success or
// ReadError.
PluginResult locateMemoryRegion(const std::uint8_t* image, std::int32_t size, bool fullSize,
                                ByteView* region);
