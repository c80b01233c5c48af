// The shooting-information text: one line per produced field, in code page
// 932, each line ended by "\n".
#pragma once

#include <cstddef>

#include "exif/exif_reader.h"
#include "io/byte_view.h"

constexpr std::size_t TextBufferSize = 1024;

// Writes the text of an analysed record (its TIFF, EXIF and maker-note
// directories), possibly empty, NUL-terminated, into `text`. Never fails:
// what cannot be read is left out.
void buildInfoText(const TExifRootPENTAXistD& record, char (&text)[TextBufferSize]);
// The same over a memory image (position 0 is the TIFF header).
void buildInfoText(ByteView image, char (&text)[TextBufferSize]);
