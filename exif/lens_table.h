// The lens-name table: a maker note's two-byte lens code (series, id) mapped
// to the lens's name.
#pragma once

#include <cstddef>
#include <cstdint>

struct LensNameRow {
  std::uint8_t series;   // first byte of the lens code
  std::uint8_t firstId;  // lowest id (second byte) that the row covers
  std::int16_t idCount;  // ids covered from firstId on; 0 or less ends the table
  const char* name;      // code page 932, NUL-terminated
};

// 75 covering rows and the end row.
constexpr std::size_t LensNameRows = 76;
extern const LensNameRow lensNameTable[LensNameRows];
