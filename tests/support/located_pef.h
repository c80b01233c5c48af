// Small PENTAX raw files whose JPEGs are found only through the directories:
// a K-5's file (pef_bodies.h) around the given JPEG bytes, its maker note in
// either form and byte order, IFD1 and IFD2 before the EXIF directory so a
// note cut short leaves them whole, and IFD1's thumbnail empty so only IFD2
// holds a JPEG. The shooting values are the focus mode (AF-S) and the lens
// (series 3, id 1) alone. The tests, the bad-file corpus
// and the fuzz seeds build their structure cases from it and change the
// bytes it points at.
#pragma once

#include <cstdint>
#include <optional>

#include "tests/support/pef_bodies.h"

namespace located_pef {

using Bytes = pef_sample::Bytes;
using File = pef_sample::BodyFile;

struct Plan {
  bool pentaxNote = false;  // "PENTAX \0" (offsets from the note) or "AOC\0"
  bool intel = false;       // the note's byte order: "II" or "MM"
  Bytes preview;            // a length of 0 when empty
  std::optional<pef_sample::Borders> borders;
  Bytes fullSize;                    // right behind the preview; a length of 0 when empty
  std::uint32_t previewAt = 0x400;  // the directories end before it
  std::optional<std::uint16_t> orientation = 1;  // IFD0's, none when unset
};

File build(const Plan& plan);

// Writes `value` at `at` in big-endian order, or little-endian with `intel`.
void put32(Bytes& bytes, std::uint32_t at, std::uint32_t value, bool intel = false);

}  // namespace located_pef
