// The frame probe: does a JPEG start at a given byte of a buffer, and what
// size is its picture? See jpeg_probe.cpp for the scan.
#pragma once

#include <cstdint>
#include <optional>

#include "io/byte_view.h"

// The picture sides a caller takes, all inclusive: a frame header whose size
// lies outside them is passed over.
struct FrameLimits {
  std::uint32_t minWidth;
  std::uint32_t minHeight;
  std::uint32_t maxWidth;
  std::uint32_t maxHeight;
};

// A probed frame: the JPEG's bytes, from its start-of-image marker to the
// end of the buffer it was found in, and the picture size its frame header
// gives (16-bit fields).
struct JpegFrame {
  ByteView jpeg;
  std::uint16_t width;
  std::uint16_t height;
};

// The frame of the JPEG whose start-of-image marker lies at `start` of
// `buffer`; nothing when no JPEG starts there or no frame header within
// `limits` lies within the scan's reach.
std::optional<JpegFrame> probeFrame(ByteView buffer, std::uint32_t start, const FrameLimits& limits);
