// The host's contract: result codes, source modes, the request word passed
// down with a request, and the picture-information record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// Result of GetPictureInfo, GetPicture, GetPreview and the archive exports.
enum PluginResult : std::int32_t {
  Success = 0,
  UnsupportedFormat = 2,
  OutOfMemory = 4,
  ReadError = 6,
  NotImplemented = -1,
};

// A result's meaning in words, for the command-line host and the tests.
inline const char* resultMeaning(std::int32_t result) {
  switch (result) {
    case Success: return "success";
    case UnsupportedFormat: return "unsupported format";
    case OutOfMemory: return "out of memory";
    case ReadError: return "read error";
    case NotImplemented: return "not implemented";
    default: return "unknown result code";
  }
}

// The low three bits of the picture exports' flag argument; the higher bits
// are ignored.
enum SourceMode : std::uint32_t {
  SourceFile = 0,    // file name and signed byte offset of the raw data
  SourceMemory = 1,  // memory image of the whole file and its signed size
};
constexpr std::uint32_t SourceModeMask = 7;

// The request word an entry point passes down.
enum RequestFlags : std::uint32_t {
  RequestBestQuality = 1,  // floating-point IDCT; clear: fastest IDCT
  RequestFullSize = 2,     // the full-size JPEG; clear: the preview
  RequestHeader = 8,       // the 64 KiB header window; beats RequestFullSize
};

// Filled by GetPictureInfo: byte-packed, little-endian, 26 bytes.
#pragma pack(push, 1)
struct PictureInfo {
  std::int32_t left;
  std::int32_t top;
  std::int32_t width;
  std::int32_t height;
  std::uint16_t densityX;
  std::uint16_t densityY;
  std::uint16_t bitsPerPixel;
  platform::BlockHandle infoText;  // movable local block, or 0 for no text
};
#pragma pack(pop)
static_assert(sizeof(PictureInfo) == 26, "the host reads a 26-byte record");
static_assert(offsetof(PictureInfo, infoText) == 22, "infoText sits at byte 22");
