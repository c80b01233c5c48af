// The byte order of the multi-byte values a TIFF structure holds, and the
// 16- and 32-bit reads through a ByteView in that order.
#pragma once

#include <atomic>
#include <cstdint>

#include "io/byte_view.h"

// Byte order of every read16/read32: set (most significant byte first, TIFF
// "MM") by every analysis, clear until the first one, never cleared again: a
// big-endian file, or one of no known header, reads in this order. A
// little-endian TIFF ("II", 42) and a maker note marked "II" read through
// the little-endian reads below instead.
// Concurrent analyses only ever store true, so relaxed ordering suffices.
extern std::atomic<bool> bigEndian;

// The unsigned 16- or 32-bit value at `position` of `source`, in the order
// `bigEndian` gives; false, with `value` untouched, when those bytes are not
// all inside the window.
bool read16(ByteView source, std::uint32_t position, std::uint16_t* value);
bool read32(ByteView source, std::uint32_t position, std::uint32_t* value);

// The same reads in little-endian ("II") order, whatever `bigEndian` says: a
// DNG's header and a maker note may each say so.
bool readIntel16(ByteView source, std::uint32_t position, std::uint16_t* value);
bool readIntel32(ByteView source, std::uint32_t position, std::uint32_t* value);
