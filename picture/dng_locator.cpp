// Every read goes through the EXIF reader's checked reads: a SubIFD offset
// list or a directory not in hand is a miss the file reader may fetch, and
// is otherwise no preview.
#include "picture/dng_locator.h"

namespace {

constexpr std::uint32_t DngVersionSize = 4;
constexpr std::uint32_t ReducedImageBit = 1;  // NewSubFileType bit 0
constexpr std::uint32_t JpegCompression = 7;
constexpr std::uint32_t OldJpegCompression = 6;
constexpr std::uint32_t OffsetSize = 4;  // a LONG or IFD offset

struct Preview {
  JpegSpan span;
  std::uint32_t width;
};

// The directory offsets 0x014A lists, at most MaxSubDirectories: one stands
// in the value field, more lie at the offset it holds.
std::uint32_t subDirectoryOffsets(const TExifRoot& record, std::uint32_t (&offsets)[MaxSubDirectories]) {
  const ExifDirectory& ifd0 = record.ifd0Directory;
  const std::uint32_t entry = record.findEntry(ifd0, TagSubIfds);
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  if (entry == NoEntry || !ifd0.read16(entry + EntryTypeField, &type) || (type != TiffLong && type != TiffIfd) ||
      !ifd0.read32(entry + EntryCountField, &count) || count == 0)
    return 0;
  const std::uint32_t wanted = count < MaxSubDirectories ? count : MaxSubDirectories;
  // The whole list decides where it lies: in the field only when it fits.
  const std::uint32_t list = count == 1 ? entry + EntryValueField : ifd0.valuePosition(entry, wanted * OffsetSize);
  if (list == NoEntry) return 0;
  for (std::uint32_t i = 0; i < wanted; ++i)
    if (!ifd0.read32(list + i * OffsetSize, &offsets[i])) return 0;
  return wanted;
}

// The strip of a JPEG preview in the SubIFD at `offset`.
std::optional<Preview> previewAt(const TExifRoot& record, std::uint32_t offset) {
  ExifDirectory directory;
  directory.parse(*record.source, offset, 0, record.ifd0Directory.littleEndian);
  std::uint32_t kind = 0, compression = 0, width = 0, start = 0, length = 0;
  if (!record.findOffset(directory, TagNewSubFileType, &kind) || (kind & ReducedImageBit) == 0 ||
      !record.findOffset(directory, TagCompression, &compression) ||
      (compression != JpegCompression && compression != OldJpegCompression) ||
      !record.findOffset(directory, TagImageWidth, &width))
    return std::nullopt;
  const bool strip = record.findOffset(directory, TagStripOffsets, &start) &&
                     record.findOffset(directory, TagStripByteCounts, &length);
  if (!strip && !(record.findOffset(directory, TagJpegOffset, &start) &&
                  record.findOffset(directory, TagJpegLength, &length)))
    return std::nullopt;
  if (length == 0) return std::nullopt;
  return Preview{{start, length}, width};
}

}  // namespace

bool isDng(const TExifRoot& record) {
  return record.findBytes(record.ifd0Directory, TagDngVersion, DngVersionSize) != nullptr;
}

LocatedJpegs locateDngJpegs(const TExifRoot& record) {
  LocatedJpegs located{std::nullopt, std::nullopt, {0, 0, 0, 0}, false, false, true, false};
  std::uint32_t offsets[MaxSubDirectories] = {};
  std::optional<Preview> widest, preview;
  const std::uint32_t count = subDirectoryOffsets(record, offsets);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::optional<Preview> found = previewAt(record, offsets[i]);
    if (!found) continue;
    if (!widest || found->width > widest->width) widest = found;
    if (found->width >= MinPreviewWidth && (!preview || found->width < preview->width)) preview = found;
  }
  if (!widest) return located;
  located.fullSize = widest->span;
  located.preview = preview ? preview->span : widest->span;
  located.scaledPreview = !preview || preview->width == widest->width;
  return located;
}
