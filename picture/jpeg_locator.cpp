// The locator reads the directories through the EXIF reader, whose every
// read is checked against the bytes in hand. The IFD chain is followed a
// fixed two steps, so a chain that loops back costs nothing more, and a link
// back to a directory already read ends the walk.
#include "picture/jpeg_locator.h"

#include "picture/dng_locator.h"

namespace {

constexpr char PentaxModelPrefix[] = "PENTAX";
// The *istD's Model as the camera writes it.
constexpr char IstdModel[] = "PENTAX *ist D";
// IFD0 -> IFD1 (the thumbnail) -> IFD2 (the full-size JPEG).
constexpr int StepsToFullSizeDirectory = 2;
// PreviewImageBorders is int8u[4]: top, bottom, left, right.
constexpr std::uint32_t BorderCount = 4;

std::optional<JpegSpan> spanOf(std::uint32_t offset, std::uint32_t length) {
  if (length == 0) return std::nullopt;
  return JpegSpan{offset, length};
}

// A link back to a directory already read is a loop, not IFD2: an IFD1
// linking to itself would otherwise hand over its thumbnail as the picture.
std::optional<JpegSpan> fullSizeSpan(const TExifRoot& record) {
  ExifDirectory directory = record.ifd0Directory;
  std::uint32_t read[StepsToFullSizeDirectory] = {};
  for (int step = 0; step < StepsToFullSizeDirectory; ++step) {
    read[step] = directory.first;
    std::uint32_t next = 0;
    if (!directory.nextDirectory(&next) || next == 0) return std::nullopt;
    directory.parse(*record.source, next);
    for (int earlier = 0; earlier <= step; ++earlier)
      if (directory.first == read[earlier]) return std::nullopt;
  }
  std::uint32_t offset = 0, length = 0;
  if (!record.findOffset(directory, TagJpegOffset, &offset) ||
      !record.findOffset(directory, TagJpegLength, &length))
    return std::nullopt;
  return spanOf(offset, length);
}

// The preview's start counts from the maker note's base: the TIFF header for
// an "AOC\0" note, the note's first byte for a "PENTAX \0" one. A start whose
// sum with the base passes 32 bits is no start.
std::optional<JpegSpan> previewSpan(const TExifRoot& record) {
  const ExifDirectory& note = record.makerNoteDirectory;
  std::uint32_t start = 0, length = 0;
  if (!record.hasMakerNote || !record.findOffset(note, TagPreviewStart, &start) ||
      !record.findOffset(note, TagPreviewLength, &length) || start > UINT32_MAX - note.base)
    return std::nullopt;
  return spanOf(note.base + start, length);
}

FrameBorders bordersOf(const TExifRoot& record) {
  const std::uint8_t* bytes = record.findBytes(record.makerNoteDirectory, TagPreviewBorders, BorderCount);
  if (!bytes) return FrameBorders{0, 0, 0, 0};
  return FrameBorders{bytes[0], bytes[1], bytes[2], bytes[3]};
}

std::optional<LocatedJpegs> locateIn(const TExifRoot& record) {
  if (isDng(record)) return locateDngJpegs(record);
  if (!record.modelBegins(PentaxModelPrefix)) return std::nullopt;
  return LocatedJpegs{fullSizeSpan(record), previewSpan(record), bordersOf(record),
                      record.makerNoteForm != MakerNoteForm::Unmarked, record.modelIs(IstdModel)};
}

}  // namespace

DirectoryFindings findInDirectories(const TExifRoot& record) {
  std::uint16_t orientation = 0;  // written only when found
  record.findSingleShort(record.ifd0Directory, TagOrientation, &orientation);
  return {locateIn(record), orientation};
}
