#include "tests/support/tiff_builder.h"

#include <algorithm>

namespace {

// Count (2), 12-byte entries, next-directory link (4).
constexpr std::uint32_t DirectoryOverhead = 2 + 4;
constexpr std::uint32_t EntrySize = 12;
constexpr std::uint32_t ValueFieldSize = 4;
constexpr std::uint8_t AocNoteMark[] = {'A', 'O', 'C', 0};
constexpr std::uint8_t PentaxNoteMark[] = {'P', 'E', 'N', 'T', 'A', 'X', ' ', 0};

// Bytes of one element of a value of `type`; a RATIONAL turns as two LONGs.
std::size_t elementSize(std::uint16_t type) {
  switch (type) {
    case TypeShort: return 2;
    case TypeLong: case TypeRational: case TypeSRational: return 4;
    default: return 1;
  }
}

// TIFF keeps every value on an even offset.
std::uint32_t evenUp(std::size_t n) { return static_cast<std::uint32_t>(n + (n & 1)); }

std::uint32_t outOfLineSize(const TiffEntry& e) {
  return e.value.size() > ValueFieldSize ? evenUp(e.value.size()) : 0;
}

}  // namespace

std::uint32_t TiffBuilder::rational(std::uint32_t numerator, std::uint32_t denominator) {
  const std::uint32_t at = size();
  append32(numerator);
  append32(denominator);
  return at;
}

std::uint32_t TiffBuilder::directorySize(const std::vector<TiffEntry>& entries) {
  std::uint32_t total = DirectoryOverhead + EntrySize * static_cast<std::uint32_t>(entries.size());
  for (const TiffEntry& e : entries) total += outOfLineSize(e);
  return total;
}

TiffEntry inOrder(TiffEntry entry, ByteOrder order) {
  const std::size_t n = elementSize(entry.type);
  if (order == ByteOrder::Little)
    for (std::size_t at = 0; at + n <= entry.value.size(); at += n)
      std::reverse(entry.value.begin() + at, entry.value.begin() + at + n);
  return entry;
}

std::uint32_t TiffBuilder::writeDirectory(const std::vector<TiffEntry>& entries,
                                          std::optional<std::uint16_t> declared, DirectoryForm form) {
  const std::uint32_t at = size();
  std::uint32_t dataAt = at + DirectoryOverhead + EntrySize * static_cast<std::uint32_t>(entries.size()) - form.base;
  std::vector<std::uint8_t> data;
  append16(declared.value_or(static_cast<std::uint16_t>(entries.size())), form.order);
  for (const TiffEntry& e : entries) {
    append16(e.tag, form.order);
    append16(e.type, form.order);
    append32(e.count, form.order);
    if (outOfLineSize(e) == 0) {
      std::vector<std::uint8_t> field = e.value;
      field.resize(ValueFieldSize);  // left-justified, zero-padded
      bytes_.insert(bytes_.end(), field.begin(), field.end());
    } else {
      append32(dataAt + static_cast<std::uint32_t>(data.size()), form.order);
      data.insert(data.end(), e.value.begin(), e.value.end());
      data.resize(evenUp(data.size()));
    }
  }
  append32(0);
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  return at;
}

std::uint32_t TiffBuilder::writeMakerNote(const std::vector<TiffEntry>& entries, ByteOrder order) {
  const std::uint32_t at = size();
  bytes_.insert(bytes_.end(), std::begin(AocNoteMark), std::end(AocNoteMark));
  appendOrderMark(order);
  writeDirectory(entries, std::nullopt, {order, 0});
  return at;
}

void TiffBuilder::setNextDirectory(std::uint32_t directoryAt, std::uint32_t next) {
  const std::uint32_t count = bytes_.at(directoryAt) << 8 | bytes_.at(directoryAt + 1);
  put32(directoryAt + 2 + EntrySize * count, next);
}

std::uint32_t TiffBuilder::writePentaxNote(const std::vector<TiffEntry>& entries, ByteOrder order) {
  const std::uint32_t at = size();
  bytes_.insert(bytes_.end(), std::begin(PentaxNoteMark), std::end(PentaxNoteMark));
  appendOrderMark(order);
  writeDirectory(entries, std::nullopt, {order, at});
  return at;
}

void TiffBuilder::put32(std::uint32_t at, std::uint32_t v) {
  const ValueField b = longValue(v);
  for (std::uint32_t i = 0; i < b.size(); ++i) bytes_[at + i] = b[i];
}

void TiffBuilder::pad(std::uint32_t count) { bytes_.insert(bytes_.end(), count, 0); }

std::vector<TiffEntry> TiffBuilder::entries(const std::vector<TiffTag>& tags) {
  std::vector<TiffEntry> out;
  // The reader never examines type or count.
  for (const TiffTag& t : tags) out.push_back({t.tag, TypeShort, 1, {t.value.begin(), t.value.end()}});
  return out;
}

void TiffBuilder::appendOrderMark(ByteOrder order) {
  const std::uint8_t mark = order == ByteOrder::Big ? 'M' : 'I';
  bytes_.insert(bytes_.end(), {mark, mark});
}

void TiffBuilder::append16(std::uint16_t v, ByteOrder order) {
  const std::uint8_t b[] = {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
  if (order == ByteOrder::Big) bytes_.insert(bytes_.end(), {b[0], b[1]});
  else bytes_.insert(bytes_.end(), {b[1], b[0]});
}

void TiffBuilder::append32(std::uint32_t v, ByteOrder order) {
  ValueField b = longValue(v);
  if (order == ByteOrder::Little) std::reverse(b.begin(), b.end());
  bytes_.insert(bytes_.end(), b.begin(), b.end());
}

void addExif(TiffBuilder& file, std::vector<TiffTag> exif,
             const std::optional<std::vector<TiffTag>>& makerNote) {
  if (makerNote) exif.push_back({TagMakerNote, longValue(file.makerNote(*makerNote))});
  file.setIfd0(file.directory({{TagExifPointer, longValue(file.directory(exif))}}));
}

TiffBuilder exifFile(const std::vector<TiffTag>& exif, const std::optional<std::vector<TiffTag>>& makerNote) {
  TiffBuilder file;
  addExif(file, exif, makerNote);
  return file;
}
