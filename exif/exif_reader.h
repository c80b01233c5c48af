// The analysis record of a *istD raw file's shooting information: the TIFF
// header, IFD0, the EXIF directory and the camera's maker-note directory,
// recorded as the positions of their 12-byte entries inside the source
// window. Values are never copied; a formatter finds its entry by tag and
// reads the value where it lies.
#pragma once

#include <cstddef>
#include <cstdint>

#include "exif/exif_tags.h"
#include "exif/lens_table.h"
#include "io/byte_order.h"
#include "io/byte_view.h"

// TIFF 6.0: a directory entry is tag (2), type (2), count (4), value field (4).
constexpr std::uint32_t DirectoryEntrySize = 12;
constexpr std::uint32_t EntryValueField = 8;
// Room for recorded entries per directory; a *istD directory holds far fewer.
constexpr std::size_t MaxDirectoryEntries = 256;
// The maker-note data opens with "AOC\0" and a byte-order mark, then its
// directory follows.
constexpr std::uint32_t MakerNoteHeaderSize = 6;
// TIFF header bytes 4-7: the offset of IFD0.
constexpr std::uint32_t HeaderIfd0Offset = 4;

// Formatter convention: each formatter is lent a field buffer of this size and
// returns true when it wrote a NUL-terminated field, false when it wrote
// nothing at all. The lens name is the longest field.
constexpr std::size_t FieldBufferSize = LongestLensName + 1;
using FieldBuffer = char[FieldBufferSize];

// Entry positions are at least 2 (a directory's count comes first), so
// position 0 never names an entry.
constexpr std::uint32_t NoEntry = 0;

class ExifDirectory {
 public:
  ByteView source;
  std::uint16_t entryCount = 0;
  // Slot i: position of entry i in `source`; slots from entryCount on hold
  // NoEntry once the directory has been parsed.
  std::uint32_t entries[MaxDirectoryEntries];

  // Records the directory starting at `start`.
  void parse(ByteView window, std::uint32_t start);
  // Records an absent directory: no entries.
  void clear(ByteView window);
};

class TByteOrder {
 public:
  ByteView source;
};

class TExifRoot : public TByteOrder {
 public:
  bool hasExif = false;
  bool hasMakerNote = false;
  ExifDirectory ifd0Directory;
  ExifDirectory exifDirectory;
  ExifDirectory makerNoteDirectory;

  // Resets the record and walks IFD0, the EXIF directory and the maker note.
  void analyze(ByteView window);
  // Position of the first recorded entry of `directory` carrying `tag`, or
  // NoEntry.
  std::uint32_t findEntry(const ExifDirectory& directory, std::uint16_t tag) const;

 protected:
  // The 16-bit value in the first two bytes of the value field of `tag`'s
  // entry in `directory`; false when the tag is missing.
  bool findShort(const ExifDirectory& directory, std::uint16_t tag, std::uint16_t* value) const;
  // The two 32-bit parts of the rational that the value field of `tag`'s
  // entry points at; false when the tag is missing or the rational's eight
  // bytes are not wholly inside the window.
  bool findRational(const ExifDirectory& directory, std::uint16_t tag,
                    std::uint32_t* numerator, std::uint32_t* denominator) const;
};

// The record for a *istD file, with its eleven field formatters (numeric
// fields, labelled fields and the lens name).
class TExifRootPENTAXistD : public TExifRoot {
 public:
  bool formatIso(FieldBuffer& field) const;
  bool formatFocalLength(FieldBuffer& field) const;
  bool formatExposureTime(FieldBuffer& field) const;
  bool formatFNumber(FieldBuffer& field) const;
  bool formatExposureBias(FieldBuffer& field) const;

  bool formatExposureProgram(FieldBuffer& field) const;
  bool formatMeteringMode(FieldBuffer& field) const;
  bool formatFlash(FieldBuffer& field) const;
  bool formatWhiteBalance(FieldBuffer& field) const;
  bool formatFocusMode(FieldBuffer& field) const;
  bool formatLensName(FieldBuffer& field) const;
};
