// The shooting-information text: one line per produced field, in code page
// 932, each line ended by "\n".
#pragma once

#include <cstddef>

#include "io/byte_view.h"

constexpr std::size_t TextBufferSize = 1024;

// Walks the TIFF, EXIF and maker-note directories of `window` (byte 0 is the
// TIFF header) and writes the text, possibly empty, NUL-terminated, into
// `text`. Never fails: what cannot be read is left out.
void buildInfoText(ByteView window, char (&text)[TextBufferSize]);
