// The directory walk: TIFF header -> IFD0 -> EXIF directory -> maker note.
#include "exif/exif_reader.h"

#include <algorithm>
#include <iterator>

namespace {

// A directory opens with its 16-bit entry count.
constexpr std::uint32_t DirectoryCountSize = 2;
// A rational is a 32-bit numerator followed by a 32-bit denominator.
constexpr std::uint32_t RationalPartSize = 4;
constexpr std::uint32_t RationalSize = 2 * RationalPartSize;

// Parses into `directory` the directory that starts `skip` bytes after the
// offset held in the value field of `entry`. The sum is only formed once
// offset and skip are known to lie inside the window, so an offset near 4 GiB
// cannot wrap around into it; a start outside the window is an absent
// directory.
void parseLinked(ExifDirectory& directory, ByteView window, std::uint32_t entry,
                 std::uint32_t skip) {
  std::uint32_t offset = 0;
  if (read32(window, entry + EntryValueField, &offset) && window.contains(offset, skip)) {
    directory.parse(window, offset + skip);
  } else {
    directory.clear(window);
  }
}

}  // namespace

void ExifDirectory::clear(ByteView window) {
  source = window;
  entryCount = 0;
  std::fill(std::begin(entries), std::end(entries), NoEntry);
}

// Window rule: nothing outside the window is read.
// - A directory whose 2-byte count lies outside the window is absent: no
//   entries.
// - A directory whose entries reach past the window is recorded up to its last
//   whole 12-byte entry inside the window.
// - A directory declaring more than MaxDirectoryEntries entries is recorded
//   with its first MaxDirectoryEntries.
// Every recorded entry therefore lies wholly inside the window.
void ExifDirectory::parse(ByteView window, std::uint32_t start) {
  clear(window);
  std::uint16_t declared = 0;
  if (!read16(window, start, &declared)) return;
  // The count's two bytes are inside the window, so this cannot overflow.
  const std::uint32_t first = start + DirectoryCountSize;
  const std::uint32_t whole = (window.size() - first) / DirectoryEntrySize;
  const std::uint32_t recorded = std::min<std::uint32_t>(
      {declared, whole, static_cast<std::uint32_t>(MaxDirectoryEntries)});
  for (std::uint32_t i = 0; i < recorded; ++i) entries[i] = first + i * DirectoryEntrySize;
  entryCount = static_cast<std::uint16_t>(recorded);
}

void TExifRoot::analyze(ByteView window) {
  source = window;
  hasExif = false;
  hasMakerNote = false;
  bigEndian.store(true, std::memory_order_relaxed);

  std::uint32_t ifd0Offset = 0;
  if (read32(window, HeaderIfd0Offset, &ifd0Offset)) {
    ifd0Directory.parse(window, ifd0Offset);
  } else {
    ifd0Directory.clear(window);
  }

  // IFD0's first Exif pointer leads on; its next-directory link (IFD1) is
  // never followed.
  const std::uint32_t exifPointer = findEntry(ifd0Directory, TagExifPointer);
  if (exifPointer == NoEntry) return;
  hasExif = true;
  parseLinked(exifDirectory, window, exifPointer, 0);

  // Every MakerNote entry is followed in turn, so the last one decides.
  for (std::uint16_t i = 0; i < exifDirectory.entryCount; ++i) {
    std::uint16_t tag = 0;
    const std::uint32_t entry = exifDirectory.entries[i];
    if (read16(window, entry, &tag) && tag == TagMakerNote) {
      hasMakerNote = true;
      parseLinked(makerNoteDirectory, window, entry, MakerNoteHeaderSize);
    }
  }
}

std::uint32_t TExifRoot::findEntry(const ExifDirectory& directory, std::uint16_t tag) const {
  for (std::uint16_t i = 0; i < directory.entryCount; ++i) {
    std::uint16_t entryTag = 0;
    if (read16(directory.source, directory.entries[i], &entryTag) && entryTag == tag) {
      return directory.entries[i];
    }
  }
  return NoEntry;
}

bool TExifRoot::findShort(const ExifDirectory& directory, std::uint16_t tag,
                          std::uint16_t* value) const {
  const std::uint32_t entry = findEntry(directory, tag);
  return entry != NoEntry && read16(source, entry + EntryValueField, value);
}

bool TExifRoot::findRational(const ExifDirectory& directory, std::uint16_t tag,
                             std::uint32_t* numerator, std::uint32_t* denominator) const {
  const std::uint32_t entry = findEntry(directory, tag);
  std::uint32_t offset = 0;
  if (entry == NoEntry || !read32(source, entry + EntryValueField, &offset) ||
      !source.contains(offset, RationalSize)) {
    return false;
  }
  return read32(source, offset, numerator) &&
         read32(source, offset + RationalPartSize, denominator);
}
