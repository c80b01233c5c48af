// Finding a PENTAX raw file's two embedded JPEGs through its own directories:
// IFD0 -> IFD1 -> IFD2 for the full-size JPEG, the maker note for the
// preview and its black borders (exiftool's Pentax.pm documents both).
#pragma once

#include <cstdint>
#include <optional>

#include "exif/exif_reader.h"

// A JPEG's bytes in the raw file, counted from the TIFF header (the raw
// file's first byte); never empty. Nothing says they are in hand: in file
// mode they usually lie beyond what the walk read.
struct JpegSpan {
  std::uint32_t offset;
  std::uint32_t length;
};

// The preview's black rows and columns (0x003E PreviewImageBorders); all
// zero when the maker note gives none.
struct FrameBorders {
  std::uint8_t top;
  std::uint8_t bottom;
  std::uint8_t left;
  std::uint8_t right;
};

struct LocatedJpegs {
  std::optional<JpegSpan> fullSize;  // IFD2's 0x0201 and 0x0202; a DNG's largest preview
  std::optional<JpegSpan> preview;   // the maker note's 0x0004 and 0x0003; see dng_locator.h
  FrameBorders previewBorders;
  // The maker note opens "AOC\0" or "PENTAX \0".
  bool markedMakerNote;
  // IFD0's Model is the *istD's, whose JPEGs also sit at fixed bytes.
  bool istD;
  // IFD0 carries DNGVersion: the JPEGs are the SubIFDs' previews, of any
  // maker, and no fixed layout stands behind them.
  bool dng = false;
  // A DNG whose preview is its full-size JPEG, to be shown scaled down.
  bool scaledPreview = false;
};

// What an analysed record's directories tell a picture request: the JPEGs a
// PENTAX body's directories locate (nothing unless IFD0's Model begins
// "PENTAX" or IFD0 carries DNGVersion), and, whatever the Model, how IFD0's Orientation says the
// picture stands.
struct DirectoryFindings {
  std::optional<LocatedJpegs> located;
  std::uint16_t orientation;  // 0 when IFD0 holds no Orientation as one SHORT
};
DirectoryFindings findInDirectories(const TExifRoot& record);
