// The directory walk: TIFF header -> IFD0 -> EXIF directory -> maker note.
#include "exif/exif_reader.h"

#include <algorithm>
#include <cstring>

namespace {

// A directory opens with its 16-bit entry count.
constexpr std::uint32_t DirectoryCountSize = 2;
// A rational is a 32-bit numerator followed by a 32-bit denominator.
constexpr std::uint32_t RationalPartSize = 4;
constexpr std::uint32_t RationalSize = 2 * RationalPartSize;

constexpr char AocMark[] = {'A', 'O', 'C', '\0'};
constexpr char PentaxMark[] = {'P', 'E', 'N', 'T', 'A', 'X', ' ', '\0'};
// The byte-order mark follows either form's mark.
constexpr std::uint32_t AocOrderMark = sizeof AocMark;
constexpr std::uint32_t PentaxOrderMark = sizeof PentaxMark;

template <std::size_t N>
bool marked(ByteView window, std::uint32_t at, const char (&mark)[N]) {
  const std::uint8_t* bytes = window.at(at, N);
  return bytes && std::equal(mark, mark + N, bytes,
                             [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

bool intelMark(ByteView window, std::uint32_t at) {
  const std::uint8_t* bytes = window.at(at, 2);
  return bytes && bytes[0] == 'I' && bytes[1] == 'I';
}

// The directory that starts `skip` bytes after `offset`. The sum is only
// formed once offset and skip are known to lie inside the window, so an
// offset near 4 GiB cannot wrap around into it; a start outside the window is
// an absent directory.
void parseAt(ExifDirectory& directory, ByteView window, std::uint32_t offset, std::uint32_t skip,
             std::uint32_t base, bool intelOrder) {
  if (window.contains(offset, skip)) {
    directory.parse(window, offset + skip, base, intelOrder);
  } else {
    directory.clear(window);
  }
}

}  // namespace

void ExifDirectory::clear(ByteView window) {
  source = window;
  declaredCount = 0;
  entryCount = 0;
  first = 0;
  base = 0;
  littleEndian = false;
}

// Window rule: nothing outside the window is read.
// - A directory whose 2-byte count lies outside the window is absent: no
//   entries.
// - A directory whose entries reach past the window is recorded up to its last
//   whole 12-byte entry inside the window.
// Every recorded entry therefore lies wholly inside the window.
void ExifDirectory::parse(ByteView window, std::uint32_t start, std::uint32_t valueBase,
                          bool intelOrder) {
  clear(window);
  littleEndian = intelOrder;
  std::uint16_t declared = 0;
  if (!read16(start, &declared)) return;
  // The count's two bytes are inside the window, so this cannot overflow.
  first = start + DirectoryCountSize;
  base = valueBase;
  declaredCount = declared;
  const std::uint32_t whole = (window.size() - first) / DirectoryEntrySize;
  entryCount = static_cast<std::uint16_t>(std::min<std::uint32_t>(declared, whole));
}

bool ExifDirectory::read16(std::uint32_t position, std::uint16_t* value) const {
  return littleEndian ? readIntel16(source, position, value) : ::read16(source, position, value);
}

bool ExifDirectory::read32(std::uint32_t position, std::uint32_t* value) const {
  return littleEndian ? readIntel32(source, position, value) : ::read32(source, position, value);
}

std::uint32_t ExifDirectory::valuePosition(std::uint32_t entry, std::uint32_t count) const {
  if (entry == NoEntry) return NoEntry;
  // Recorded entries lie wholly inside the window, value field included.
  if (count <= InlineValueSize) return entry + EntryValueField;
  std::uint32_t offset = 0;
  // base <= size is checked before size - base is formed, and base + offset
  // only once it cannot pass the window's end.
  if (!read32(entry + EntryValueField, &offset) || base > source.size() ||
      offset > source.size() - base || !source.contains(base + offset, count)) {
    return NoEntry;
  }
  return base + offset;
}

bool ExifDirectory::nextDirectory(std::uint32_t* offset) const {
  // Only a directory whose every declared entry is inside has its link there.
  if (entryCount != declaredCount || first == 0) return false;
  return read32(first + std::uint32_t{declaredCount} * DirectoryEntrySize, offset);
}

void TExifRoot::analyze(ByteView window) {
  source = window;
  hasExif = false;
  hasMakerNote = false;
  makerNoteForm = MakerNoteForm::Unmarked;
  bigEndian.store(true, std::memory_order_relaxed);

  std::uint32_t ifd0Offset = 0;
  if (read32(window, HeaderIfd0Offset, &ifd0Offset)) {
    ifd0Directory.parse(window, ifd0Offset);
  } else {
    ifd0Directory.clear(window);
  }
  exifDirectory.clear(window);
  makerNoteDirectory.clear(window);

  // IFD0's first Exif pointer leads on.
  std::uint32_t exifOffset = 0;
  if (findEntry(ifd0Directory, TagExifPointer) == NoEntry) return;
  hasExif = true;
  if (findLong(ifd0Directory, TagExifPointer, &exifOffset)) {
    parseAt(exifDirectory, window, exifOffset, 0, 0, false);
  }

  // Every MakerNote entry is followed in turn, so the last one decides.
  for (std::uint16_t i = 0; i < exifDirectory.entryCount; ++i) {
    std::uint16_t tag = 0;
    std::uint32_t note = 0;
    const std::uint32_t entry = exifDirectory.entryAt(i);
    // A recorded entry lies wholly inside the window: its value field reads.
    if (!exifDirectory.read16(entry, &tag) || tag != TagMakerNote ||
        !exifDirectory.read32(entry + EntryValueField, &note))
      continue;
    hasMakerNote = true;
    makerNoteForm = MakerNoteForm::Unmarked;
    if (marked(window, note, PentaxMark)) {
      makerNoteForm = MakerNoteForm::Pentax;
      parseAt(makerNoteDirectory, window, note, PentaxNoteHeaderSize, note,
              intelMark(window, note + PentaxOrderMark));
    } else {
      if (marked(window, note, AocMark)) makerNoteForm = MakerNoteForm::Aoc;
      parseAt(makerNoteDirectory, window, note, MakerNoteHeaderSize, 0,
              makerNoteForm == MakerNoteForm::Aoc && intelMark(window, note + AocOrderMark));
    }
  }
}

std::uint32_t TExifRoot::findEntry(const ExifDirectory& directory, std::uint16_t tag) const {
  for (std::uint32_t i = 0; i < directory.entryCount; ++i) {
    std::uint16_t entryTag = 0;
    const std::uint32_t entry = directory.entryAt(i);
    if (directory.read16(entry, &entryTag) && entryTag == tag) return entry;
  }
  return NoEntry;
}

bool TExifRoot::findShort(const ExifDirectory& directory, std::uint16_t tag,
                          std::uint16_t* value) const {
  const std::uint32_t entry = findEntry(directory, tag);
  return entry != NoEntry && directory.read16(entry + EntryValueField, value);
}

bool TExifRoot::findLong(const ExifDirectory& directory, std::uint16_t tag,
                         std::uint32_t* value) const {
  const std::uint32_t entry = findEntry(directory, tag);
  return entry != NoEntry && directory.read32(entry + EntryValueField, value);
}

bool TExifRoot::findRational(const ExifDirectory& directory, std::uint16_t tag,
                             std::uint32_t* numerator, std::uint32_t* denominator) const {
  const std::uint32_t position = directory.valuePosition(findEntry(directory, tag), RationalSize);
  return position != NoEntry && directory.read32(position, numerator) &&
         directory.read32(position + RationalPartSize, denominator);
}

bool TExifRoot::modelBegins(const char* prefix) const {
  const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(prefix));
  const std::uint32_t entry = findEntry(ifd0Directory, TagModel);
  std::uint32_t count = 0;
  if (entry == NoEntry || !ifd0Directory.read32(entry + EntryCountField, &count) || count < length)
    return false;
  const std::uint32_t position = ifd0Directory.valuePosition(entry, count);
  const std::uint8_t* text = position == NoEntry ? nullptr : source.at(position, length);
  return text && std::equal(text, text + length, prefix,
                            [](std::uint8_t b, char p) { return b == static_cast<std::uint8_t>(p); });
}
