// The frame probe over a buffer that should hold one of the embedded JPEGs.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "io/byte_view.h"
#include "plugin/plugin_types.h"

class TPEFFile {
 public:
  explicit TPEFFile(ByteView data) : buffer(data) {}

  // Does a JPEG start at `start`, and what is its frame size? See
  // jpeg_probe.cpp for the scan.
  bool probeFrame(std::uint32_t start);

  // After a successful probe: allocates and fills the header and pixel
  // blocks (dib_decode.cpp). On Success both handles are set and unlocked; on
  // failure both blocks are freed and the handles are empty.
  PluginResult decodeDib(std::uint32_t flags);

  ByteView buffer;  // the caller's data, never owned
  std::uint8_t* pixelCursor = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bitsPerPixel = 0;
  std::int32_t byteSize = 0;
  platform::BlockHandle pixelBlock = platform::NoBlock;
  platform::BlockHandle headerBlock = platform::NoBlock;
};
