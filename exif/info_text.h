// The shooting-information text: one line per produced field, in code page
// 932, each line ended by "\n".
#pragma once

#include <cstddef>

#include "io/byte_view.h"
#include "io/source_bytes.h"

constexpr std::size_t TextBufferSize = 1024;

// Walks the TIFF, EXIF and maker-note directories of the bytes in hand
// (position 0 is the TIFF header) and writes the text, possibly empty,
// NUL-terminated, into `text`. Never fails: what cannot be read is left out.
void buildInfoText(const SourceBytes& bytes, char (&text)[TextBufferSize]);
// The same over a memory image.
void buildInfoText(ByteView image, char (&text)[TextBufferSize]);
