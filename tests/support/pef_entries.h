// The directory entries both sample layouts write (pef_sample.cpp for the
// *istD's fixed layout, pef_bodies.cpp for the layouts found through the
// directories): IFD0's camera basics, the EXIF directory's shooting values
// and the maker note's version, focus mode and lens.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/pef_sample.h"
#include "tests/support/tiff_builder.h"

namespace pef_sample {

TiffEntry shortEntry(std::uint16_t tag, std::uint16_t v);
TiffEntry longEntry(std::uint16_t tag, std::uint32_t v);
TiffEntry asciiEntry(std::uint16_t tag, const std::string& text);
TiffEntry pointerEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t offset);
// Entries go in ascending tag order, as TIFF asks.
std::vector<TiffEntry> sorted(std::vector<TiffEntry> entries);

// Tag, type and count (2 + 2 + 4 bytes), then the 4-byte value field.
constexpr std::uint32_t EntrySize = 12;

// What IFD0 says of the camera that wrote the file.
struct CameraNames {
  std::string make, model, software;
};
CameraNames istdNames();

std::vector<TiffEntry> ifd0Entries(const CameraNames& names, std::optional<std::uint16_t> orientation);
std::vector<TiffEntry> exifEntries(const ShotValues& v);

// The maker note's first entry, tag 0 PentaxVersion: the *istD writes 3.0.0.0.
using NoteVersion = std::array<std::uint8_t, 4>;
// The lens record, tag 63: the *istD writes the series and the id (2 BYTEs);
// later bodies write a 4-byte record beginning with the same two.
std::vector<TiffEntry> makerNoteEntries(const ShotValues& v, NoteVersion version = {3, 0, 0, 0},
                                        std::uint32_t lensRecordSize = 2);

}  // namespace pef_sample
