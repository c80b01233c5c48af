// Small PENTAX raw files whose JPEGs are found only through the directories:
// IFD0 (Model, Exif pointer) -> IFD1 -> IFD2 (full-size JPEG), the EXIF
// directory's maker note in either form and byte order (preview, borders,
// focus mode, lens). The tests, the bad-file corpus and the fuzz seeds
// build their structure cases from it and change the bytes it points at.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace located_pef {

using Bytes = std::vector<std::uint8_t>;

struct Spec {
  std::string model = "PENTAX K-5";
  bool pentaxNote = false;  // "PENTAX \0" (offsets from the note) or "AOC\0"
  bool intel = false;       // the note's byte order: "II" or "MM"
  Bytes preview;            // none when empty
  std::optional<std::array<std::uint8_t, 4>> borders;
  Bytes fullSize;           // none when empty
  std::uint32_t previewAt = 0;  // 0: right behind the maker note
};

struct File {
  Bytes bytes;
  std::uint32_t ifd1Link;        // IFD1's next-directory link
  std::uint32_t ifd0;            // IFD0's offset
  std::uint32_t note;            // the maker note's first byte
  std::uint32_t previewLength;   // the note's 0x0003 value (note's order)
  std::uint32_t fullSizeLength;  // IFD2's 0x0202 value
  std::uint32_t previewStart;    // where the preview JPEG lies
  std::uint32_t fullSizeStart;   // where the full-size JPEG lies
};

File build(const Spec& spec);

// Writes `value` at `at` in big-endian order, or little-endian with `intel`.
void put32(Bytes& bytes, std::uint32_t at, std::uint32_t value, bool intel = false);

}  // namespace located_pef
