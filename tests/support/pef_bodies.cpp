// The file a body writes: TIFF header, IFD0, the EXIF directory, the maker
// note, IFD1 and IFD2, each directly behind the one before (or IFD1 and IFD2
// right behind IFD0); then the thumbnail, the preview at the body's offset,
// filler for the raw data, and the full-size JPEG.
#include "tests/support/pef_bodies.h"

#include <stdexcept>

#include "exif/exif_tags.h"
#include "tests/support/pef_entries.h"
#include "tests/support/tiff_builder.h"

namespace pef_sample {
namespace {

// The tags the plug-in reads come from exif/exif_tags.h; these two only the
// writer needs: the preview's size in the maker note, and IFD1's and IFD2's
// TIFF compression, JPEG.
constexpr std::uint16_t TagPreviewSize = 0x0002;
constexpr std::uint16_t TagCompression = 0x0103;
constexpr std::uint16_t CompressionJpeg = 6;

const JpegOptions Thumbnail{160, 120, 75};
constexpr std::uint32_t RawDataAlignment = 0x10000;

struct Span {
  std::uint32_t at, length;
};
struct Placement {
  Span thumbnail, preview, full;
};

std::uint32_t length(const Bytes& b) { return static_cast<std::uint32_t>(b.size()); }

std::vector<TiffEntry> jpegPointers(Span jpeg) {
  return {shortEntry(TagCompression, CompressionJpeg), longEntry(TagJpegOffset, jpeg.at),
          longEntry(TagJpegLength, jpeg.length)};
}

bool aocNote(NoteForm form) { return form == NoteForm::Aoc || form == NoteForm::AocLittle; }

ByteOrder noteOrder(NoteForm form) {
  return form == NoteForm::AocLittle || form == NoteForm::PentaxLittle ? ByteOrder::Little : ByteOrder::Big;
}

std::vector<TiffEntry> noteEntries(const BodyLayout& body, const ShotValues& values, Span preview,
                                   std::uint32_t noteAt) {
  std::vector<TiffEntry> e = makerNoteEntries(values, body.noteVersion, body.lensRecordSize);
  const std::uint32_t base = aocNote(body.note) ? 0 : noteAt;
  const ValueField w = shortValue(static_cast<std::uint16_t>(body.preview.width));
  const ValueField h = shortValue(static_cast<std::uint16_t>(body.preview.height));
  e.push_back({TagPreviewSize, TypeShort, 2, {w[0], w[1], h[0], h[1]}});
  e.push_back(longEntry(TagPreviewLength, preview.length));
  e.push_back(longEntry(TagPreviewStart, preview.at - base));
  if (const auto& b = body.borders) e.push_back({TagPreviewBorders, TypeByte, 4, {b->top, b->bottom, b->left, b->right}});
  for (TiffEntry& entry : e) entry = inOrder(entry, noteOrder(body.note));
  return sorted(e);
}

std::uint32_t noteHeaderSize(NoteForm form) {
  return aocNote(form) ? TiffBuilder::MakerNoteHeaderSize : TiffBuilder::PentaxNoteHeaderSize;
}

// Where a directory's entry `index` begins: behind the 2-byte count.
std::uint32_t entryAt(std::uint32_t directoryAt, std::size_t index) {
  return directoryAt + 2 + EntrySize * static_cast<std::uint32_t>(index);
}

// The value field of `tag`, behind its tag, type and count.
std::uint32_t valueFieldOf(std::uint32_t directoryAt, const std::vector<TiffEntry>& entries, std::uint16_t tag) {
  std::size_t i = 0;
  while (entries.at(i).tag != tag) ++i;
  return entryAt(directoryAt, i) + 8;
}

BodyFile bodyHeader(const BodyLayout& body, const ShotValues& values, const Placement& p) {
  TiffBuilder out;
  out.setIfd0(out.size());
  std::vector<TiffEntry> ifd0 = ifd0Entries({body.make, body.model, body.software}, values.orientation);
  std::vector<TiffEntry> exif = exifEntries(values);
  const std::vector<TiffEntry> ifd1 = jpegPointers(p.thumbnail), ifd2 = jpegPointers(p.full);
  const std::uint32_t chainSize = TiffBuilder::directorySize(ifd1) + TiffBuilder::directorySize(ifd2);
  // Each pointer adds one entry and no out-of-line bytes (as in pef_sample.cpp).
  const std::uint32_t exifAt =
      out.size() + TiffBuilder::directorySize(ifd0) + EntrySize + (body.chainFirst ? chainSize : 0);
  const std::uint32_t noteAt = exifAt + TiffBuilder::directorySize(exif) + EntrySize;
  const std::vector<TiffEntry> note = noteEntries(body, values, p.preview, noteAt);
  ifd0.push_back(pointerEntry(TagExifPointer, TypeLong, 1, exifAt));
  ifd0 = sorted(ifd0);
  exif.push_back(pointerEntry(TagMakerNote, TypeUndefined,
                              noteHeaderSize(body.note) + TiffBuilder::directorySize(note), noteAt));
  BodyFile f{};
  f.ifd0 = out.writeDirectory(ifd0);
  const auto writeChain = [&] {
    f.ifd1 = out.writeDirectory(ifd1);
    out.setNextDirectory(f.ifd0, f.ifd1);
    const std::uint32_t ifd2At = out.writeDirectory(ifd2);
    out.setNextDirectory(f.ifd1, ifd2At);
    f.ifd1Link = entryAt(f.ifd1, ifd1.size());
    f.fullSizeLength = valueFieldOf(ifd2At, ifd2, TagJpegLength);
  };
  if (body.chainFirst) writeChain();
  out.writeDirectory(sorted(exif));
  f.note = aocNote(body.note) ? out.writeMakerNote(note, noteOrder(body.note))
                              : out.writePentaxNote(note, noteOrder(body.note));
  if (!body.chainFirst) writeChain();
  f.previewLength = valueFieldOf(f.note + noteHeaderSize(body.note), note, TagPreviewLength);
  out.view().be32(valueFieldOf(f.ifd0, ifd0, TagModel), &f.model);
  f.bytes = out.bytes();
  return f;
}

void place(Bytes& file, std::uint32_t at, const Bytes& jpeg) {
  file.resize(at);
  file.insert(file.end(), jpeg.begin(), jpeg.end());
}

std::vector<BodyLayout> makeBodies() {
  const std::string istdMake = istdNames().make, istdModel = istdNames().model, istdSoftware = istdNames().software;
  // A 3:2 picture in a 4:3 preview frame leaves black rows above and below.
  const Borders istd{26, 26, 0, 0};
  const JpegOptions vga{640, 480, 80}, large{1024, 768, 80}, larger{1280, 960, 80};
  return {
      // Pointers that agree with the *istD's fixed bytes.
      {"istd-directories", istdMake, istdModel, istdSoftware, {3, 0, 0, 0}, NoteForm::Aoc, 2, cameraPreview(), istd,
       PreviewOffset, cameraFullImage(), FullImageOffset},
      // The same camera's file after an editor rewrote it: both JPEGs moved,
      // the preview beyond the first 64 KiB.
      {"istd-moved", istdMake, istdModel, istdSoftware, {3, 0, 0, 0}, NoteForm::Aoc, 2, cameraPreview(), istd,
       0x11000, cameraFullImage(), {}},
      {"k10d", "PENTAX Corporation", "PENTAX K10D", "K10D Ver 1.00", {3, 0, 0, 0}, NoteForm::Aoc, 2, vga, istd,
       0x3000, {3872, 2592, 75}, {}},
      // 4928 x 3264 shown 640 wide is 424 rows high.
      {"k5", "PENTAX Corporation", "PENTAX K-5", "K-5 Ver 1.00", {7, 0, 0, 0}, NoteForm::PentaxBig, 4, vga,
       Borders{28, 28, 0, 0}, 0x3000, {4928, 3264, 75}, {}},
      // 6016 x 4000 shown 1024 wide is 681 rows high.
      {"k3", "PENTAX RICOH IMAGING", "PENTAX K-3", "K-3 Ver 1.00", {11, 0, 0, 0}, NoteForm::PentaxLittle, 4, large,
       Borders{43, 44, 0, 0}, 0x12000, {6016, 4000, 75}, {}},
      // 7360 x 4912 shown 1280 wide is 854 rows high.
      {"k1", "RICOH IMAGING COMPANY, LTD.", "PENTAX K-1", "K-1 Ver 1.00", {12, 0, 0, 0}, NoteForm::PentaxBig, 4,
       larger, Borders{53, 53, 0, 0}, 0x12000, {7360, 4912, 75}, {}},
      // A 4:3 sensor fills the 4:3 preview: no borders tag at all.
      {"645z", "RICOH IMAGING COMPANY, LTD.", "PENTAX 645Z", "645Z Ver 1.00", {11, 2, 1, 0}, NoteForm::Aoc, 4, larger,
       {}, 0x3000, {8256, 6192, 75}, {}},
  };
}

}  // namespace

const std::vector<BodyLayout>& bodyLayouts() {
  static const std::vector<BodyLayout> bodies = makeBodies();
  return bodies;
}

const BodyLayout* findBody(const std::string& name) {
  for (const BodyLayout& body : bodyLayouts())
    if (body.name == name) return &body;
  return nullptr;
}

BodyFile writeBody(const BodyLayout& body, const ShotValues& values, const BodyJpegs& jpegs) {
  // The pointers stand in their entries' value fields, so the header's
  // length does not depend on where the JPEGs go.
  Placement p{};
  p.thumbnail = {length(bodyHeader(body, values, p).bytes), length(jpegs.thumbnail)};
  p.thumbnail.at += p.thumbnail.at & 1;
  p.preview = {body.previewAt, length(jpegs.preview)};
  const std::uint32_t previewEnd = p.preview.at + p.preview.length;
  p.full = {body.fullAt.value_or((previewEnd + RawDataAlignment - 1) / RawDataAlignment * RawDataAlignment),
            length(jpegs.full)};
  if (p.thumbnail.at + p.thumbnail.length > p.preview.at || previewEnd > p.full.at)
    throw std::runtime_error(body.name + ": the JPEGs overlap");
  BodyFile f = bodyHeader(body, values, p);
  f.previewStart = p.preview.at;
  f.fullSizeStart = p.full.at;
  place(f.bytes, p.thumbnail.at, jpegs.thumbnail);
  place(f.bytes, p.preview.at, jpegs.preview);
  place(f.bytes, p.full.at, jpegs.full);
  return f;
}

Sample buildBodySample(const BodyLayout& body, const ShotValues& values) {
  const BodyJpegs jpegs{synthJpeg(Thumbnail), synthJpeg(body.preview), synthJpeg(body.full)};
  return {writeBody(body, values, jpegs).bytes, jpegs.preview.size(), jpegs.full.size()};
}

}  // namespace pef_sample
