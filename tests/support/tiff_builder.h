// The one TIFF writer of the tests and the sample generator: a big-endian
// ("MM") header, directories of 12-byte entries with their longer values
// behind them, rationals and the camera's maker notes, appended in the order
// asked for. Offsets count from the TIFF header, the writer's first byte,
// unless a directory's form names another base; a maker note may also be
// little-endian. Nothing is checked or sorted, so hostile layouts can be
// written too.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "exif/exif_tags.h"
#include "io/byte_view.h"

// TIFF 6.0 field types.
enum TiffType : std::uint16_t {
  TypeByte = 1,
  TypeAscii = 2,
  TypeShort = 3,
  TypeLong = 4,
  TypeRational = 5,
  TypeUndefined = 7,
  TypeSRational = 10,
};

// One directory entry. Up to four value bytes stand in the entry itself,
// left-justified; longer values go behind the directory. The value's bytes
// stand as given: big-endian, unless inOrder turned them.
struct TiffEntry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::vector<std::uint8_t> value;
};

enum class ByteOrder { Big, Little };

// How a directory's numbers are written: their byte order, and the byte its
// offsets count from (the TIFF header, or a maker note's first byte).
struct DirectoryForm {
  ByteOrder order = ByteOrder::Big;
  std::uint32_t base = 0;
};

// A big-endian entry in `order`: each element of its value (by the type's
// size: 2 for SHORT, 4 for LONG and each half of a RATIONAL) turned round.
TiffEntry inOrder(TiffEntry entry, ByteOrder order);

// An entry as the reader's tests write it: a SHORT whose four value-field
// bytes are given as they stand.
using ValueField = std::array<std::uint8_t, 4>;
struct TiffTag {
  std::uint16_t tag;
  ValueField value;
};

inline ValueField shortValue(std::uint16_t v) {
  return {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v), 0, 0};
}
inline ValueField longValue(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}
inline ValueField byteValue(std::uint8_t first, std::uint8_t second) {
  return {first, second, 0, 0};
}

class TiffBuilder {
 public:
  // "MM", 42, IFD0 offset 0 until setIfd0.
  TiffBuilder() : bytes_{'M', 'M', 0, 42, 0, 0, 0, 0} {}

  void setIfd0(std::uint32_t offset) { put32(4, offset); }

  std::uint32_t rational(std::uint32_t numerator, std::uint32_t denominator);

  // A directory whose count says `declared` (by default, how many entries it
  // holds); the chain ends there (next-directory link 0). Returns its offset.
  std::uint32_t writeDirectory(const std::vector<TiffEntry>& entries,
                               std::optional<std::uint16_t> declared = std::nullopt, DirectoryForm form = {});
  // Links the big-endian directory at `directoryAt` to the one at `next`.
  void setNextDirectory(std::uint32_t directoryAt, std::uint32_t next);
  std::uint32_t directory(const std::vector<TiffTag>& tags) { return writeDirectory(entries(tags)); }
  std::uint32_t directoryDeclaring(std::uint16_t declared, const std::vector<TiffTag>& tags) {
    return writeDirectory(entries(tags), declared);
  }
  // Bytes a directory of `entries` takes, its longer values included.
  static std::uint32_t directorySize(const std::vector<TiffEntry>& entries);

  // "AOC\0", "MM" or "II", and the maker-note directory after it in that
  // order, its offsets counting from the TIFF header; the entries' values
  // must already stand in `order`. Returns the data's start.
  std::uint32_t writeMakerNote(const std::vector<TiffEntry>& entries, ByteOrder order = ByteOrder::Big);
  std::uint32_t makerNote(const std::vector<TiffTag>& tags) { return writeMakerNote(entries(tags)); }
  static constexpr std::uint32_t MakerNoteHeaderSize = 6;
  // The later bodies' form: "PENTAX \0", "MM" or "II", and the directory at
  // the note's byte 10, its offsets counting from the note's first byte; the
  // entries' values must already stand in `order`. Returns the note's start.
  std::uint32_t writePentaxNote(const std::vector<TiffEntry>& entries, ByteOrder order);
  static constexpr std::uint32_t PentaxNoteHeaderSize = 10;

  void put32(std::uint32_t at, std::uint32_t v);
  void pad(std::uint32_t count);

  std::uint32_t size() const { return static_cast<std::uint32_t>(bytes_.size()); }
  std::vector<std::uint8_t>& bytes() { return bytes_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  ByteView view() const { return ByteView(bytes_.data(), size()); }

 private:
  static std::vector<TiffEntry> entries(const std::vector<TiffTag>& tags);
  void appendOrderMark(ByteOrder order);
  void append16(std::uint16_t v, ByteOrder order = ByteOrder::Big);
  void append32(std::uint32_t v, ByteOrder order = ByteOrder::Big);

  std::vector<std::uint8_t> bytes_;
};

// The first `size` bytes of a file, copied into a buffer of exactly that
// size, so a sanitizer build catches any read past the window.
class Window {
 public:
  Window(const TiffBuilder& file, std::uint32_t size)
      : bytes_(file.bytes().begin(), file.bytes().begin() + size) {}
  ByteView view() const { return ByteView(bytes_.data(), static_cast<std::uint32_t>(bytes_.size())); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Lays out an EXIF directory holding `exif` and points IFD0 at it; with
// `makerNote`, the EXIF directory also leads to a maker note with those tags.
void addExif(TiffBuilder& file, std::vector<TiffTag> exif,
             const std::optional<std::vector<TiffTag>>& makerNote = {});
TiffBuilder exifFile(const std::vector<TiffTag>& exif,
                     const std::optional<std::vector<TiffTag>>& makerNote = {});
