// The frame probe: does a JPEG start at a given byte of a buffer, and what
// size is its picture? See jpeg_probe.cpp for the scan.
#pragma once

#include <cstdint>
#include <optional>

#include "io/byte_view.h"

// Candidate positions the scan looks at, from start + 2 on, so the last one
// is start + 65537.
constexpr std::uint32_t ProbeScanLimit = 65536;
// From the marker's first byte: marker (2), segment length (2), precision
// (1), number of lines (2, at 5), samples per line (2, at 7).
constexpr std::uint32_t FrameFieldsSize = 9;
// The bytes from `start` on that the probe may look at: a caller reading a
// JPEG's first bytes to probe it needs no more.
constexpr std::uint32_t ProbeReach = 2 + ProbeScanLimit - 1 + FrameFieldsSize;

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
