// The analysis record of a PENTAX raw file's shooting information: the TIFF
// header, IFD0, the EXIF directory and the camera's maker-note directory,
// each recorded as where its 12-byte entries lie in the bytes in hand,
// in which byte order and from which base its value offsets count. Values
// are never copied; a formatter finds its entry by tag and reads the value
// where it lies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "exif/exif_tags.h"
#include "exif/lens_table.h"
#include "io/byte_order.h"
#include "io/byte_view.h"
#include "io/source_bytes.h"

// TIFF 6.0: a directory entry is tag (2), type (2), count (4), value field (4).
constexpr std::uint32_t DirectoryEntrySize = 12;
constexpr std::uint32_t EntryValueField = 8;
constexpr std::uint32_t EntryTypeField = 2;
constexpr std::uint32_t EntryCountField = 4;
// A value of up to four bytes stands in the value field itself; a longer one
// lies at the offset the field holds.
constexpr std::uint32_t InlineValueSize = 4;
// The *istD's maker note opens with "AOC\0" and a byte-order mark; its
// directory follows, and its offsets count from the TIFF header.
constexpr std::uint32_t MakerNoteHeaderSize = 6;
// Later bodies may write "PENTAX \0" and a byte-order mark; the directory
// starts right behind, at byte 10, and its offsets count from the note's
// first byte (exiftool's Pentax.pm).
constexpr std::uint32_t PentaxNoteHeaderSize = 10;
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

// A directory's bytes are read in one piece of at most this size where they
// lie beyond the header window (the plug-in's DirectoryReadSize): its count,
// its entries and its next-directory link, so no directory of either mode
// records more entries than fit there, (65536 - 2 - 4) / 12.
constexpr std::uint32_t DirectoryPieceSize = 65536;
constexpr std::uint16_t MaxDirectoryEntries = (DirectoryPieceSize - 2 - 4) / DirectoryEntrySize;

// TIFF 6.0 field types the reader tells apart.
enum FieldType : std::uint16_t {
  TiffByte = 1,
  TiffShort = 3,
  TiffLong = 4,
  TiffUndefined = 7,
  TiffIfd = 13,
};

// How the maker note announced itself.
enum class MakerNoteForm {
  Unmarked,  // neither mark: read as the *istD's note all the same
  Aoc,       // "AOC\0"
  Pentax,    // "PENTAX \0"
};

// A directory holds every entry its 16-bit count declares, up to
// MaxDirectoryEntries, that lies wholly inside the bytes in hand: a later
// body's longer directories are read whole.
class ExifDirectory {
 public:
  const SourceBytes* source = nullptr;
  std::uint16_t declaredCount = 0;  // as the directory's count says
  std::uint16_t entryCount = 0;     // the whole entries in hand
  std::uint32_t first = 0;          // position of entry 0
  std::uint32_t base = 0;           // where the value offsets count from
  bool littleEndian = false;        // "II": its values stand little-endian

  // Records the directory starting at `start`, its value offsets counting
  // from `valueBase`.
  void parse(const SourceBytes& bytes, std::uint32_t start, std::uint32_t valueBase = 0,
             bool intelOrder = false);
  // Records an absent directory: no entries.
  void clear(const SourceBytes& bytes);

  // Position of entry i, or NoEntry from entryCount on.
  std::uint32_t entryAt(std::uint32_t i) const {
    return i < entryCount ? first + i * DirectoryEntrySize : NoEntry;
  }
  // Reads in the directory's byte order; false where the bytes are not in hand.
  bool read16(std::uint32_t position, std::uint16_t* value) const;
  bool read32(std::uint32_t position, std::uint32_t* value) const;
  // Position of the `count` value bytes of `entry`: in the value field when
  // they fit there, else at base + the field's offset; NoEntry when they are
  // not all in hand.
  std::uint32_t valuePosition(std::uint32_t entry, std::uint32_t count) const;
  // The offset in the link after the declared entries (0 ends the chain);
  // false when the link is not in hand.
  bool nextDirectory(std::uint32_t* offset) const;
};

class TByteOrder {
 public:
  const SourceBytes* source = nullptr;
};

class TExifRoot : public TByteOrder {
 public:
  bool hasExif = false;
  bool hasMakerNote = false;
  // The header reads "II*\0": IFD0 and the directories it leads to are
  // little-endian. An "MM" header, or none, reads big-endian as ever.
  bool intelFile = false;
  MakerNoteForm makerNoteForm = MakerNoteForm::Unmarked;
  ExifDirectory ifd0Directory;
  ExifDirectory exifDirectory;
  ExifDirectory makerNoteDirectory;

  TExifRoot() = default;
  // The directories point into the record's bytes.
  TExifRoot(const TExifRoot&) = delete;
  TExifRoot& operator=(const TExifRoot&) = delete;

  // Resets the record and walks IFD0, the EXIF directory and the maker note
  // (the EXIF directory's, or a DNG's private data's) of `bytes`, which must outlive the record's use.
  void analyze(const SourceBytes& bytes);
  // The same over a memory image (or a window standing for a whole file).
  void analyze(ByteView image);
  // Position of the first recorded entry of `directory` carrying `tag`, or
  // NoEntry.
  std::uint32_t findEntry(const ExifDirectory& directory, std::uint16_t tag) const;
  // The 32-bit value in the value field of `tag`'s entry; false when the tag
  // is missing.
  bool findLong(const ExifDirectory& directory, std::uint16_t tag, std::uint32_t* value) const;
  // An offset or a length as TIFF stores one: a single LONG, or a single
  // SHORT; false for any other type or count.
  bool findOffset(const ExifDirectory& directory, std::uint16_t tag, std::uint32_t* value) const;
  // A value stored as one SHORT, as TIFF 6.0 stores Orientation; false for
  // any other type or count.
  bool findSingleShort(const ExifDirectory& directory, std::uint16_t tag, std::uint16_t* value) const;
  // The `count` bytes of a BYTE or UNDEFINED value of exactly that count
  // (at most four, in the value field); nullptr for any other form.
  const std::uint8_t* findBytes(const ExifDirectory& directory, std::uint16_t tag,
                                std::uint32_t count) const;
  // Whether IFD0's Model (ASCII) begins with `prefix`.
  bool modelBegins(const char* prefix) const;
  // Whether IFD0's Model is `model`, NULs and blanks behind it aside.
  bool modelIs(const char* model) const;

 protected:
  // The 16-bit value in the first two bytes of the value field of `tag`'s
  // entry in `directory`; false when the tag is missing.
  bool findShort(const ExifDirectory& directory, std::uint16_t tag, std::uint16_t* value) const;
  // The two 32-bit parts of the rational that the value field of `tag`'s
  // entry points at; false when the tag is missing or the rational's eight
  // bytes are not in hand.
  bool findRational(const ExifDirectory& directory, std::uint16_t tag,
                    std::uint32_t* numerator, std::uint32_t* denominator) const;

 private:
  void parseMakerNote(std::uint32_t note);
  void parseMarkedNote(std::uint32_t note, MakerNoteForm form);
  void parsePrivateData();
  std::optional<SourceBytes> ownBytes_;
};

// The record for a PENTAX file, with its eleven field formatters (numeric
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
