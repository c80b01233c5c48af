// The file a body writes: TIFF header, IFD0, the EXIF directory, the maker
// note, IFD1 and IFD2, each directly behind the one before (or IFD1 and IFD2
// right behind IFD0, or the note behind filler); then the thumbnail, the
// preview at the body's offset, filler for the raw data, and the full-size
// JPEG, or the JPEGs in another order at the body's offsets.
#include "tests/support/pef_bodies.h"

#include <algorithm>
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
constexpr std::uint16_t TagOrientation = 0x0112;

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
  if (const auto& b = body.borders)
    e.push_back(body.shortBorders ? TiffEntry{TagPreviewBorders, TypeShort, 4, {0, b->top, 0, b->bottom, 0, b->left, 0, b->right}}
                                  : TiffEntry{TagPreviewBorders, TypeByte, 4, {b->top, b->bottom, b->left, b->right}});
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
  const std::uint32_t noteAt = exifAt + TiffBuilder::directorySize(exif) + EntrySize + body.noteGap;
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
  out.pad(body.noteGap);
  f.note = aocNote(body.note) ? out.writeMakerNote(note, noteOrder(body.note))
                              : out.writePentaxNote(note, noteOrder(body.note));
  // The mark is the header's last two bytes in either form.
  if (body.bigMark) std::fill_n(out.bytes().begin() + f.note + noteHeaderSize(body.note) - 2, 2, 'M');
  if (!body.chainFirst) writeChain();
  f.previewLength = valueFieldOf(f.note + noteHeaderSize(body.note), note, TagPreviewLength);
  out.view().be32(valueFieldOf(f.ifd0, ifd0, TagModel), &f.model);
  f.bytes = out.bytes();
  return f;
}

// Filler up to `at` where the file ends before it.
void place(Bytes& file, std::uint32_t at, const Bytes& jpeg) {
  file.resize(std::max<std::size_t>(file.size(), at + jpeg.size()));
  std::copy(jpeg.begin(), jpeg.end(), file.begin() + at);
}

bool overlap(Span header, const Placement& p) {
  Span spans[] = {header, p.thumbnail, p.preview, p.full};
  std::sort(std::begin(spans), std::end(spans), [](Span a, Span b) { return a.at < b.at; });
  for (std::size_t i = 1; i < std::size(spans); ++i)
    if (spans[i - 1].at + spans[i - 1].length > spans[i].at) return true;
  return false;
}

// `payload` as an APPn segment right behind the JPEG's SOI: FF En, then a
// big-endian length that counts its own two bytes and the payload's.
Bytes withSegment(Bytes jpeg, std::uint8_t marker, const Bytes& payload) {
  const std::size_t length = payload.size() + 2;
  if (length > 0xFFFF) throw std::runtime_error("an APPn segment of " + std::to_string(length) + " bytes");
  Bytes segment{0xFF, marker, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
  segment.insert(segment.end(), payload.begin(), payload.end());
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  return jpeg;
}

// "Exif\0\0" and a TIFF whose IFD1 gives `thumbnail`, offsets counting from
// the TIFF header, as a camera's JPEG carries its own thumbnail in APP1.
Bytes exifBlock(const Bytes& thumbnail) {
  TiffBuilder tiff;
  tiff.setIfd0(tiff.size());
  const std::uint32_t ifd0 = tiff.writeDirectory({shortEntry(TagOrientation, 1)});
  const std::uint32_t ifd1 = tiff.size();
  tiff.writeDirectory(jpegPointers({ifd1 + TiffBuilder::directorySize(jpegPointers({})), length(thumbnail)}));
  tiff.setNextDirectory(ifd0, ifd1);
  Bytes block{'E', 'x', 'i', 'f', 0, 0};
  block.insert(block.end(), tiff.bytes().begin(), tiff.bytes().end());
  block.insert(block.end(), thumbnail.begin(), thumbnail.end());
  return block;
}

// A baseline frame header (FF C0, length 17, 8 bits, 6136 rows of 8256,
// three components: Y at 2x2, Cb and Cr at 1x1) that frames no picture.
const Bytes StrayFrameHeader{0xFF, 0xC0, 0x00, 0x11, 0x08, 0x17, 0xF8, 0x20, 0x40, 0x03,
                             0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01};
constexpr std::uint8_t App1 = 0xE1, App5 = 0xE5;

std::vector<BodyLayout> makeBodies() {
  const std::string istdMake = istdNames().make, istdModel = istdNames().model, istdSoftware = istdNames().software;
  // A 3:2 picture in a 4:3 preview frame leaves black rows above and below.
  const Borders istd{26, 26, 0, 0};
  const JpegOptions vga{640, 480, 80}, large{1024, 768, 80}, larger{1280, 960, 80};
  const JpegOptions k10dFull{3872, 2592, 75}, k5Full{4928, 3264, 75};
  const std::string k10dMake = "PENTAX Corporation", k10dModel = "PENTAX K10D", k10dSoftware = "K10D Ver 1.00";
  const std::string k5Make = "PENTAX Corporation", k5Model = "PENTAX K-5", k5Software = "K-5 Ver 1.00";
  BodyLayout k3Far{"k3-far", "PENTAX RICOH IMAGING", "PENTAX K-3", "K-3 Ver 1.00", {11, 0, 0, 0},
                   NoteForm::PentaxLittle, 4, large, Borders{43, 44, 0, 0}, 0x14000, {6016, 4000, 75}, {}};
  k3Far.noteGap = 0x10000;
  BodyLayout k5Thumbnail{"k5-thumbnail-8640", k5Make, k5Model, k5Software, {7, 0, 0, 0}, NoteForm::PentaxBig, 4,
                         vga, Borders{28, 28, 0, 0}, 0x4000, k5Full, {}};
  k5Thumbnail.thumbnailAt = PreviewOffset;
  BodyLayout k10dApp1{"k10d-app1-preview", k10dMake, k10dModel, k10dSoftware, {3, 0, 0, 0}, NoteForm::Aoc, 2, vga,
                      istd, 0x3000, k10dFull, {}};
  k10dApp1.carried = Carried::PreviewInFullSize;
  BodyLayout k10dApp5 = k10dApp1;
  k10dApp5.name = "k10d-app5-frame";
  k10dApp5.carried = Carried::FrameHeaderInPreview;
  BodyLayout k10dShort = k10dApp1;
  k10dShort.name = "k10d-short-borders";
  k10dShort.carried = Carried::Nothing;
  k10dShort.shortBorders = true;
  BodyLayout k30{"k30-mm-mark", "PENTAX RICOH IMAGING", "PENTAX K-30", "K-30 Ver 1.00", {10, 0, 0, 0},
                 NoteForm::PentaxLittle, 4, vga, Borders{28, 28, 0, 0}, 0x3000, k5Full, {}};
  k30.bigMark = true;
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
      // Files laid out the way later bodies and editing tools write them.
      // The note, IFD1 and IFD2 beyond the first 64 KiB.
      k3Far,
      // A JPEG at the *istD's preview byte 8640: the preview, with borders
      // of its own; the thumbnail, the preview's frame header 7.6 KB behind
      // it; the full-size JPEG, no side above the fixed frame scan's 4096,
      // the preview then behind its 1.6 MB.
      {"k5-preview-8640", k5Make, k5Model, k5Software, {7, 0, 0, 0}, NoteForm::PentaxBig, 4, vga,
       Borders{28, 28, 0, 0}, PreviewOffset, k5Full, {}},
      k5Thumbnail,
      {"k10d-full-8640", k10dMake, k10dModel, k10dSoftware, {3, 0, 0, 0}, NoteForm::Aoc, 2, vga, istd, 0x200000,
       k10dFull, PreviewOffset},
      k10dApp1,
      k10dApp5,
      k10dShort,
      k30,
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
  const Span header{0, length(bodyHeader(body, values, p).bytes)};
  p.thumbnail = {body.thumbnailAt.value_or(header.length + (header.length & 1)), length(jpegs.thumbnail)};
  p.preview = {body.previewAt, length(jpegs.preview)};
  const std::uint32_t previewEnd = p.preview.at + p.preview.length;
  p.full = {body.fullAt.value_or((previewEnd + RawDataAlignment - 1) / RawDataAlignment * RawDataAlignment),
            length(jpegs.full)};
  if (overlap(header, p)) throw std::runtime_error(body.name + ": the JPEGs overlap");
  BodyFile f = bodyHeader(body, values, p);
  f.previewStart = p.preview.at;
  f.fullSizeStart = p.full.at;
  place(f.bytes, p.thumbnail.at, jpegs.thumbnail);
  place(f.bytes, p.preview.at, jpegs.preview);
  place(f.bytes, p.full.at, jpegs.full);
  return f;
}

Sample buildBodySample(const BodyLayout& body, const ShotValues& values) {
  BodyJpegs jpegs{synthJpeg(Thumbnail), synthJpeg(body.preview), synthJpeg(body.full)};
  if (body.carried == Carried::PreviewInFullSize)
    jpegs.full = withSegment(jpegs.full, App1, exifBlock(synthJpeg({640, 480, 80})));
  if (body.carried == Carried::FrameHeaderInPreview) jpegs.preview = withSegment(jpegs.preview, App5, StrayFrameHeader);
  return {writeBody(body, values, jpegs).bytes, jpegs.preview.size(), jpegs.full.size()};
}

}  // namespace pef_sample
