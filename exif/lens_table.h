// The lens-name table: a maker note's two-byte lens code (series, id) mapped
// to the lens's name.
#pragma once

#include <cstddef>
#include <cstdint>

struct LensNameRow {
  std::uint8_t series;   // first byte of the lens code
  std::uint8_t firstId;  // lowest id (second byte) that the row covers
  std::int16_t idCount;  // ids covered from firstId on; 0 or less ends the table
  const char* name;      // code page 932, NUL-terminated, at most LongestLensName bytes
};

// The longest name: "Tamron AF 28-200mm Super Zoom F3.8-5.6 Aspherical XR
// [IF] Macro (A03)", lens code (4, 41).
constexpr std::size_t LongestLensName = 69;

// 253 covering rows and the end row.
constexpr std::size_t LensNameRows = 254;
extern const LensNameRow lensNameTable[LensNameRows];
