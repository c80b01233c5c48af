// The directory walk: TIFF header -> IFD0 -> EXIF directory -> maker note.
#include "exif/exif_reader.h"

#include <algorithm>
#include <cstring>

namespace {

// A directory opens with its 16-bit entry count.
constexpr std::uint32_t DirectoryCountSize = 2;
// It closes with the 32-bit offset of the next directory.
constexpr std::uint32_t DirectoryLinkSize = 4;
// A rational is a 32-bit numerator followed by a 32-bit denominator.
constexpr std::uint32_t RationalPartSize = 4;
constexpr std::uint32_t RationalSize = 2 * RationalPartSize;

constexpr char AocMark[] = {'A', 'O', 'C', '\0'};
constexpr char PentaxMark[] = {'P', 'E', 'N', 'T', 'A', 'X', ' ', '\0'};
// A DNG's private data holding a PENTAX maker note opens with either mark,
// a byte-order mark and the directory, as the "PENTAX \0" note does
// (exiftool's MakerNotePentax5).
constexpr char SamsungMark[] = {'S', 'A', 'M', 'S', 'U', 'N', 'G', '\0'};
static_assert(sizeof SamsungMark == sizeof PentaxMark);
// A little-endian TIFF header: "II" and 42 in that order.
constexpr char IntelHeader[] = {'I', 'I', 42, 0};
// The byte-order mark follows either form's mark.
constexpr std::uint32_t AocOrderMark = sizeof AocMark;
constexpr std::uint32_t PentaxOrderMark = sizeof PentaxMark;

template <std::size_t N>
bool marked(const SourceBytes& bytes, std::uint32_t at, const char (&mark)[N]) {
  const std::uint8_t* found = bytes.at(at, N);
  return found && std::equal(mark, mark + N, found,
                             [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

bool intelMark(const SourceBytes& bytes, std::uint32_t at) {
  const std::uint8_t* found = bytes.at(at, 2);
  return found && found[0] == 'I' && found[1] == 'I';
}

// The directory that starts `skip` bytes after `offset`; a start whose sum
// passes 32 bits is an absent directory.
void parseAt(ExifDirectory& directory, const SourceBytes& bytes, std::uint32_t offset,
             std::uint32_t skip, std::uint32_t base, bool intelOrder) {
  if (offset <= UINT32_MAX - skip) {
    directory.parse(bytes, offset + skip, base, intelOrder);
  } else {
    directory.clear(bytes);
  }
}

// TIFF 6.0's field types run from 1 (BYTE) to 12 (DOUBLE), and 13 (IFD).
constexpr std::uint16_t LastFieldType = 13;

// Whether the directory at `start` reads sensibly in the given order: a
// count whose high byte is no larger than its low one (exiftool's test for
// a note of unknown byte order) and a first entry of a TIFF field type.
bool sensibleIn(const SourceBytes& bytes, std::uint32_t start, bool intelOrder) {
  ExifDirectory directory;
  directory.parse(bytes, start, 0, intelOrder);
  std::uint16_t type = 0;
  const std::uint16_t count = directory.declaredCount;
  return count != 0 && (count >> 8) <= (count & 0xFF) &&
         directory.read16(directory.first + EntryTypeField, &type) && type >= 1 &&
         type <= LastFieldType;
}

bool readIn(bool intelOrder, const SourceBytes& bytes, std::uint32_t position, std::uint16_t* value) {
  const std::uint8_t* found = bytes.at(position, 2);
  return found && (intelOrder ? readIntel16(ByteView(found, 2), 0, value)
                              : ::read16(ByteView(found, 2), 0, value));
}

bool readIn(bool intelOrder, const SourceBytes& bytes, std::uint32_t position, std::uint32_t* value) {
  const std::uint8_t* found = bytes.at(position, 4);
  return found && (intelOrder ? readIntel32(ByteView(found, 4), 0, value)
                              : ::read32(ByteView(found, 4), 0, value));
}

}  // namespace

void ExifDirectory::clear(const SourceBytes& bytes) {
  source = &bytes;
  declaredCount = 0;
  entryCount = 0;
  first = 0;
  base = 0;
  littleEndian = false;
}

// Nothing outside the bytes in hand is read.
// - A directory whose 2-byte count is not in hand is absent: no entries.
// - A directory whose entries reach past the piece holding its first entry
//   is recorded up to its last whole 12-byte entry there; asking for the
//   rest leaves a miss, so a file reader can fetch the directory whole.
// Every recorded entry therefore lies wholly in hand.
void ExifDirectory::parse(const SourceBytes& bytes, std::uint32_t start, std::uint32_t valueBase,
                          bool intelOrder) {
  clear(bytes);
  littleEndian = intelOrder;
  std::uint16_t declared = 0;
  if (!read16(start, &declared) || start > UINT32_MAX - DirectoryCountSize) return;
  first = start + DirectoryCountSize;
  base = valueBase;
  declaredCount = declared;
  const std::uint32_t wanted = std::min(declared, MaxDirectoryEntries);
  // The entries and the link behind them, all in hand or missed.
  bytes.at(first, wanted * DirectoryEntrySize + DirectoryLinkSize);
  const std::uint32_t whole = bytes.from(first).size() / DirectoryEntrySize;
  entryCount = static_cast<std::uint16_t>(std::min(wanted, whole));
}

bool ExifDirectory::read16(std::uint32_t position, std::uint16_t* value) const {
  return readIn(littleEndian, *source, position, value);
}

bool ExifDirectory::read32(std::uint32_t position, std::uint32_t* value) const {
  return readIn(littleEndian, *source, position, value);
}

std::uint32_t ExifDirectory::valuePosition(std::uint32_t entry, std::uint32_t count) const {
  if (entry == NoEntry) return NoEntry;
  // Recorded entries lie wholly in hand, value field included.
  if (count <= InlineValueSize) return entry + EntryValueField;
  std::uint32_t offset = 0;
  if (!read32(entry + EntryValueField, &offset) || offset > UINT32_MAX - base ||
      !source->at(base + offset, count))
    return NoEntry;
  return base + offset;
}

bool ExifDirectory::nextDirectory(std::uint32_t* offset) const {
  // Only a directory whose every declared entry is recorded has its link
  // behind them.
  if (entryCount != declaredCount || first == 0) return false;
  return read32(first + std::uint32_t{declaredCount} * DirectoryEntrySize, offset);
}

void TExifRoot::analyze(ByteView image) {
  ownBytes_.emplace(image);
  analyze(*ownBytes_);
}

void TExifRoot::analyze(const SourceBytes& bytes) {
  source = &bytes;
  hasExif = false;
  hasMakerNote = false;
  makerNoteForm = MakerNoteForm::Unmarked;
  bigEndian.store(true, std::memory_order_relaxed);
  intelFile = marked(bytes, 0, IntelHeader);

  std::uint32_t ifd0Offset = 0;
  if (readIn(intelFile, bytes, HeaderIfd0Offset, &ifd0Offset)) {
    ifd0Directory.parse(bytes, ifd0Offset, 0, intelFile);
  } else {
    ifd0Directory.clear(bytes);
  }
  exifDirectory.clear(bytes);
  makerNoteDirectory.clear(bytes);

  // IFD0's first Exif pointer leads on.
  std::uint32_t exifOffset = 0;
  hasExif = findEntry(ifd0Directory, TagExifPointer) != NoEntry;
  if (hasExif && findLong(ifd0Directory, TagExifPointer, &exifOffset))
    exifDirectory.parse(bytes, exifOffset, 0, intelFile);

  // Every MakerNote entry is followed in turn, so the last one decides.
  for (std::uint16_t i = 0; i < exifDirectory.entryCount; ++i) {
    std::uint16_t tag = 0;
    std::uint32_t note = 0;
    const std::uint32_t entry = exifDirectory.entryAt(i);
    // A recorded entry lies wholly in hand: its value field reads.
    if (!exifDirectory.read16(entry, &tag) || tag != TagMakerNote ||
        !exifDirectory.read32(entry + EntryValueField, &note))
      continue;
    parseMakerNote(note);
  }
  parsePrivateData();
}

// A DNG keeps the maker note in IFD0's DNGPrivateData, after any the EXIF
// directory holds, so it decides. Only a block marked as a PENTAX note is
// one; its value lies at the offset in the entry's value field, as it is
// longer than the mark and the byte-order mark.
void TExifRoot::parsePrivateData() {
  const std::uint32_t entry = findEntry(ifd0Directory, TagDngPrivateData);
  std::uint32_t count = 0, data = 0;
  if (entry == NoEntry || !ifd0Directory.read32(entry + EntryCountField, &count) ||
      count <= PentaxNoteHeaderSize || !ifd0Directory.read32(entry + EntryValueField, &data))
    return;
  if (!marked(*source, data, PentaxMark) && !marked(*source, data, SamsungMark)) return;
  hasMakerNote = true;
  parseMarkedNote(data, MakerNoteForm::Pentax);
}

// The *istD's unmarked note is read as the file is.
void TExifRoot::parseMakerNote(std::uint32_t note) {
  hasMakerNote = true;
  if (marked(*source, note, PentaxMark)) return parseMarkedNote(note, MakerNoteForm::Pentax);
  if (marked(*source, note, AocMark)) return parseMarkedNote(note, MakerNoteForm::Aoc);
  makerNoteForm = MakerNoteForm::Unmarked;
  parseAt(makerNoteDirectory, *source, note, MakerNoteHeaderSize, 0, intelFile);
}

// A marked note carries a byte-order mark, but tools that rewrite notes
// write a fixed mark over entries in the file's order; like exiftool, the
// order the directory itself makes sense in wins over the mark.
void TExifRoot::parseMarkedNote(std::uint32_t note, MakerNoteForm form) {
  makerNoteForm = form;
  const bool pentax = form == MakerNoteForm::Pentax;
  const std::uint32_t skip = pentax ? PentaxNoteHeaderSize : MakerNoteHeaderSize;
  const std::uint32_t orderMark = pentax ? PentaxOrderMark : AocOrderMark;
  bool intel = false;
  if (note <= UINT32_MAX - skip) {
    // The mark lies before the directory, inside the note's first bytes.
    intel = intelMark(*source, note + orderMark);
    if (!sensibleIn(*source, note + skip, intel) && sensibleIn(*source, note + skip, !intel))
      intel = !intel;
  }
  parseAt(makerNoteDirectory, *source, note, skip, pentax ? note : 0, intel);
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

namespace {

// The entry of `tag` when it holds one value of `type`, else NoEntry.
std::uint32_t singleValueEntry(const TExifRoot& record, const ExifDirectory& directory, std::uint16_t tag,
                               FieldType type) {
  const std::uint32_t entry = record.findEntry(directory, tag);
  std::uint16_t stored = 0;
  std::uint32_t count = 0;
  if (entry == NoEntry || !directory.read16(entry + EntryTypeField, &stored) || stored != type ||
      !directory.read32(entry + EntryCountField, &count) || count != 1)
    return NoEntry;
  return entry;
}

}  // namespace

bool TExifRoot::findOffset(const ExifDirectory& directory, std::uint16_t tag,
                           std::uint32_t* value) const {
  const std::uint32_t entry = singleValueEntry(*this, directory, tag, TiffLong);
  if (entry != NoEntry) return directory.read32(entry + EntryValueField, value);
  std::uint16_t shortValue = 0;
  if (!findSingleShort(directory, tag, &shortValue)) return false;
  *value = shortValue;
  return true;
}

bool TExifRoot::findSingleShort(const ExifDirectory& directory, std::uint16_t tag,
                                std::uint16_t* value) const {
  const std::uint32_t entry = singleValueEntry(*this, directory, tag, TiffShort);
  return entry != NoEntry && directory.read16(entry + EntryValueField, value);
}

const std::uint8_t* TExifRoot::findBytes(const ExifDirectory& directory, std::uint16_t tag,
                                         std::uint32_t count) const {
  const std::uint32_t entry = findEntry(directory, tag);
  std::uint16_t type = 0;
  std::uint32_t stored = 0;
  if (count > InlineValueSize || entry == NoEntry || !directory.read16(entry + EntryTypeField, &type) ||
      (type != TiffByte && type != TiffUndefined) ||
      !directory.read32(entry + EntryCountField, &stored) || stored != count)
    return nullptr;
  return source->at(entry + EntryValueField, count);
}

bool TExifRoot::findRational(const ExifDirectory& directory, std::uint16_t tag,
                             std::uint32_t* numerator, std::uint32_t* denominator) const {
  const std::uint32_t position = directory.valuePosition(findEntry(directory, tag), RationalSize);
  return position != NoEntry && directory.read32(position, numerator) &&
         directory.read32(position + RationalPartSize, denominator);
}

namespace {

// IFD0's Model as stored: its ASCII bytes, when they are in hand.
ByteView modelText(const TExifRoot& record) {
  const std::uint32_t entry = record.findEntry(record.ifd0Directory, TagModel);
  std::uint32_t count = 0;
  if (entry == NoEntry || !record.ifd0Directory.read32(entry + EntryCountField, &count))
    return ByteView();
  const std::uint32_t position = record.ifd0Directory.valuePosition(entry, count);
  const std::uint8_t* text = position == NoEntry ? nullptr : record.source->at(position, count);
  return ByteView(text, count);
}

bool sameText(const std::uint8_t* bytes, const char* text, std::uint32_t length) {
  return std::equal(bytes, bytes + length, text,
                    [](std::uint8_t b, char t) { return b == static_cast<std::uint8_t>(t); });
}

}  // namespace

bool TExifRoot::modelBegins(const char* prefix) const {
  const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(prefix));
  const ByteView model = modelText(*this);
  return model.size() >= length && sameText(model.data(), prefix, length);
}

bool TExifRoot::modelIs(const char* wanted) const {
  const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(wanted));
  const ByteView model = modelText(*this);
  if (model.size() < length || !sameText(model.data(), wanted, length)) return false;
  for (std::uint32_t i = length; i < model.size(); ++i)
    if (model.data()[i] != '\0' && model.data()[i] != ' ') return false;
  return true;
}
