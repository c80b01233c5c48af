// Raw files as PENTAX bodies lay them out, to be found through the file's
// own directories rather than at the *istD's fixed bytes: IFD0 (the camera's
// basics, the EXIF pointer) -> IFD1 (a 160 x 120 thumbnail JPEG) -> IFD2 (the
// full-size JPEG), each JPEG given by tags 0x0201 (offset from the TIFF
// header) and 0x0202 (length); the maker note gives the preview: 0x0002
// PreviewImageSize (2 SHORTs), 0x0003 PreviewImageLength and 0x0004
// PreviewImageStart (LONGs), 0x003E PreviewImageBorders (4 BYTEs: top,
// bottom, left, right; exiftool's int8u[4]). The raw sensor data is zero filler. Each body's
// model, make and maker-note version are as the camera writes them
// (exiftool's Pentax documentation); the frame sizes are the bodies' own.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/pef_sample.h"

namespace pef_sample {

// How the maker note begins. "AOC\0" and "MM" or "II": the directory at
// byte 6 in that byte order, offsets from the TIFF header. "PENTAX \0" and
// "MM" or "II": the directory at byte 10, offsets from the note's first byte.
enum class NoteForm { Aoc, AocLittle, PentaxBig, PentaxLittle };

struct Borders {
  std::uint8_t top, bottom, left, right;
};

// What a JPEG carries in an application segment right behind its SOI, where
// the first FF C0 in its bytes is not its own frame header.
enum class Carried {
  Nothing,
  // The full-size JPEG's APP1 "Exif" block, whose IFD1 holds a 640 x 480
  // JPEG as its thumbnail.
  PreviewInFullSize,
  // The preview's APP5 holds a baseline frame header of 8256 x 6136.
  FrameHeaderInPreview,
};

struct BodyLayout {
  std::string name;  // the sample's file name, less ".pef"
  std::string make, model, software;
  std::array<std::uint8_t, 4> noteVersion;  // maker-note tag 0, PentaxVersion
  NoteForm note;
  std::uint32_t lensRecordSize;  // bytes of maker-note tag 63: 2, or 4 on later bodies
  JpegOptions preview;
  std::optional<Borders> borders;  // none: the note has no tag 0x003E
  std::uint32_t previewAt;
  JpegOptions full;
  // None: at the first 64 KiB boundary behind the preview, the filler
  // between standing for the raw data.
  std::optional<std::uint32_t> fullAt;
  // IFD1 and IFD2 right behind IFD0, before the EXIF directory and the note.
  bool chainFirst = false;
  // Filler between the EXIF directory and the maker note, as a long note
  // of its own would leave: the note, and IFD1 and IFD2 behind it, lie that
  // much further on.
  std::uint32_t noteGap = 0;
  // None: right behind the directories.
  std::optional<std::uint32_t> thumbnailAt{};
  // PreviewImageBorders as SHORT[4], a form other than exiftool's int8u[4].
  bool shortBorders = false;
  // The note's mark says "MM" whatever order its entries stand in, as
  // exiv2-based tools rewrite a note.
  bool bigMark = false;
  Carried carried = Carried::Nothing;
};

// istd-directories, istd-moved, k10d, k5, k3, k1, 645z, and files laid out
// the way later bodies and editing tools write them (pef_bodies.cpp).
const std::vector<BodyLayout>& bodyLayouts();
const BodyLayout* findBody(const std::string& name);

// The whole file. Throws std::runtime_error when the pieces overlap.
Sample buildBodySample(const BodyLayout& body, const ShotValues& values = cameraValues());

// The JPEGs of a body's file; an empty one is given a length of 0.
struct BodyJpegs {
  Bytes thumbnail, preview, full;
};
// A body's file around the given JPEGs, and where its parts lie, for the
// tests that change the bytes there.
struct BodyFile {
  Bytes bytes;
  std::uint32_t ifd0, ifd1;
  std::uint32_t ifd1Link;        // IFD1's next-directory link
  std::uint32_t model;           // the Model text's first byte
  std::uint32_t note;            // the maker note's first byte
  std::uint32_t previewLength;   // the note's 0x0003 value field (note's order)
  std::uint32_t fullSizeLength;  // IFD2's 0x0202 value field
  std::uint32_t previewStart;    // where the preview JPEG lies
  std::uint32_t fullSizeStart;   // where the full-size JPEG lies
};
BodyFile writeBody(const BodyLayout& body, const ShotValues& values, const BodyJpegs& jpegs);

}  // namespace pef_sample
