#include "tests/support/located_pef.h"

namespace located_pef {

namespace {

constexpr std::uint16_t Ascii = 2, Short = 3, Long = 4, Byte = 1;

struct Writer {
  Bytes& out;
  bool intel;
  void u16(std::uint16_t v) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    out.push_back(intel ? b[1] : b[0]);
    out.push_back(intel ? b[0] : b[1]);
  }
  void u32(std::uint32_t v) {
    out.resize(out.size() + 4);
    put32(out, static_cast<std::uint32_t>(out.size() - 4), v, intel);
  }
  // An entry whose value stands in its field; returns the field's position.
  std::uint32_t entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
    u16(tag);
    u16(type);
    u32(count);
    const auto field = static_cast<std::uint32_t>(out.size());
    if (type == Short) {
      u16(static_cast<std::uint16_t>(value));
      u16(0);
    } else {
      u32(value);
    }
    return field;
  }
  std::uint32_t here() const { return static_cast<std::uint32_t>(out.size()); }
};

std::uint32_t bytesValue(const std::array<std::uint8_t, 4>& b) {
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

}  // namespace

void put32(Bytes& bytes, std::uint32_t at, std::uint32_t value, bool intel) {
  for (int i = 0; i < 4; ++i)
    bytes[at + (intel ? i : 3 - i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

File build(const Spec& spec) {
  File file{};
  Bytes& out = file.bytes;
  Writer mm{out, false};
  out = {'M', 'M', 0, 42, 0, 0, 0, 8};
  // IFD0: Model (out of line, behind the directory), Exif pointer.
  file.ifd0 = mm.here();
  const std::uint32_t modelCount = static_cast<std::uint32_t>(spec.model.size() + 1);
  const std::uint32_t ifd0End = file.ifd0 + 2 + 2 * 12 + 4;
  mm.u16(2);
  mm.entry(0x0110, Ascii, modelCount, ifd0End);
  const std::uint32_t exifField = mm.entry(0x8769, Long, 1, 0);
  const std::uint32_t ifd0Link = mm.here();
  mm.u32(0);
  out.insert(out.end(), spec.model.begin(), spec.model.end());
  out.resize(out.size() + 1 + (modelCount & 1));
  // IFD1: no entries of interest, then IFD2.
  put32(out, ifd0Link, mm.here());
  mm.u16(0);
  file.ifd1Link = mm.here();
  mm.u32(0);
  put32(out, file.ifd1Link, mm.here());
  mm.u16(2);
  const std::uint32_t fullStartField = mm.entry(0x0201, Long, 1, 0);
  file.fullSizeLength = mm.entry(0x0202, Long, 1, static_cast<std::uint32_t>(spec.fullSize.size()));
  mm.u32(0);
  // The EXIF directory: the maker note.
  put32(out, exifField, mm.here());
  mm.u16(1);
  const std::uint32_t noteField = mm.entry(0x927C, 7, 0, 0);
  mm.u32(0);
  file.note = mm.here();
  put32(out, noteField, file.note);
  const char* mark = spec.pentaxNote ? "PENTAX \0" : "AOC\0";
  out.insert(out.end(), mark, mark + (spec.pentaxNote ? 8 : 4));
  out.push_back(spec.intel ? 'I' : 'M');
  out.push_back(spec.intel ? 'I' : 'M');
  Writer note{out, spec.intel};
  const std::uint32_t base = spec.pentaxNote ? file.note : 0;
  const bool hasPreview = !spec.preview.empty();
  note.u16(static_cast<std::uint16_t>(2 + (hasPreview ? 2 : 0) + (spec.borders ? 1 : 0)));
  std::uint32_t previewStartField = 0;
  if (hasPreview) {
    file.previewLength = note.entry(0x0003, Long, 1, static_cast<std::uint32_t>(spec.preview.size()));
    previewStartField = note.entry(0x0004, Long, 1, 0);
  }
  note.entry(0x000D, Short, 1, 16);  // AF-S
  if (spec.borders) {
    // Four single bytes stand as they are in either order.
    note.u16(0x003E);
    note.u16(Byte);
    note.u32(4);
    mm.u32(bytesValue(*spec.borders));
  }
  note.u16(0x003F);
  note.u16(Byte);
  note.u32(2);
  mm.u32(0x03010000);  // series 3, id 1
  note.u32(0);
  // The JPEGs.
  if (hasPreview) {
    if (spec.previewAt > out.size()) out.resize(spec.previewAt);
    file.previewStart = mm.here();
    put32(out, previewStartField, file.previewStart - base, spec.intel);
    out.insert(out.end(), spec.preview.begin(), spec.preview.end());
  }
  file.fullSizeStart = mm.here();
  put32(out, fullStartField, spec.fullSize.empty() ? 0 : file.fullSizeStart);
  out.insert(out.end(), spec.fullSize.begin(), spec.fullSize.end());
  return file;
}

}  // namespace located_pef
