// A small big-endian TIFF writer for the shooting-information tests: header,
// directories, rationals and a maker note, appended in the order asked for.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exif/exif_reader.h"
#include "plugin/byte_view.h"

// The tags of the shooting fields: EXIF directory, and maker note (the first
// two).
namespace tag {
constexpr std::uint16_t FocusMode = 13;
constexpr std::uint16_t LensCode = 63;
constexpr std::uint16_t ExposureTime = 33434;
constexpr std::uint16_t FNumber = 33437;
constexpr std::uint16_t ExposureProgram = 34850;
constexpr std::uint16_t Iso = 34855;
constexpr std::uint16_t ExposureBias = 37380;
constexpr std::uint16_t MeteringMode = 37383;
constexpr std::uint16_t Flash = 37385;
constexpr std::uint16_t FocalLength = 37386;
constexpr std::uint16_t WhiteBalance = 41987;
constexpr std::uint16_t FocalLength35mm = 41989;
}  // namespace tag

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

  std::uint32_t rational(std::uint32_t numerator, std::uint32_t denominator) {
    const std::uint32_t at = size();
    append32(numerator);
    append32(denominator);
    return at;
  }

  // A directory whose count says `declared` but holding `tags` only.
  std::uint32_t directoryDeclaring(std::uint16_t declared, const std::vector<TiffTag>& tags) {
    const std::uint32_t at = size();
    append16(declared);
    for (const TiffTag& t : tags) {
      append16(t.tag);
      append16(3);  // type SHORT; the reader never examines it
      append32(1);
      append(t.value);
    }
    append32(0);  // no next directory
    return at;
  }

  std::uint32_t directory(const std::vector<TiffTag>& tags) {
    return directoryDeclaring(static_cast<std::uint16_t>(tags.size()), tags);
  }

  // "AOC\0MM" and the maker-note directory after it; returns the data's start.
  std::uint32_t makerNote(const std::vector<TiffTag>& tags) {
    const std::uint32_t at = size();
    for (char c : std::string("AOC\0MM", 6)) bytes_.push_back(static_cast<std::uint8_t>(c));
    directory(tags);
    return at;
  }

  void put32(std::uint32_t at, std::uint32_t v) {
    const ValueField b = longValue(v);
    for (int i = 0; i < 4; ++i) bytes_[at + i] = b[i];
  }
  void pad(std::uint32_t count) { bytes_.resize(bytes_.size() + count, 0); }

  std::uint32_t size() const { return static_cast<std::uint32_t>(bytes_.size()); }
  std::vector<std::uint8_t>& bytes() { return bytes_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  ByteView view() const { return ByteView(bytes_.data(), size()); }

 private:
  void append16(std::uint16_t v) {
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
    bytes_.push_back(static_cast<std::uint8_t>(v));
  }
  void append32(std::uint32_t v) { append(longValue(v)); }
  void append(const ValueField& field) {
    for (std::uint8_t b : field) bytes_.push_back(b);
  }

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
inline void addExif(TiffBuilder& file, std::vector<TiffTag> exif,
                    const std::optional<std::vector<TiffTag>>& makerNote = {}) {
  if (makerNote) exif.push_back({TagMakerNote, longValue(file.makerNote(*makerNote))});
  file.setIfd0(file.directory({{TagExifPointer, longValue(file.directory(exif))}}));
}

inline TiffBuilder exifFile(const std::vector<TiffTag>& exif,
                            const std::optional<std::vector<TiffTag>>& makerNote = {}) {
  TiffBuilder file;
  addExif(file, exif, makerNote);
  return file;
}

using Formatter = bool (TExifRootPENTAXistD::*)(FieldBuffer&) const;

using Field = std::optional<std::string>;
inline const Field None = std::nullopt;

// Analyses `window` and runs one formatter. The field when it produced one;
// nullopt when it did not, after checking that it left the buffer alone.
inline std::optional<std::string> formatField(ByteView window, Formatter format) {
  TExifRootPENTAXistD record;
  record.analyze(window);
  static const char untouched[] = "previous field";
  FieldBuffer field = {};
  std::copy(std::begin(untouched), std::end(untouched), field);
  if ((record.*format)(field)) return std::string(field);
  if (std::string(field) != untouched) return std::string("buffer written: ") + field;
  return std::nullopt;
}
