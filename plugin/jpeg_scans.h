// Counting a JPEG's remaining scans from its bytes, for the decoder to refuse
// a multi-scan frame with more scans than real files have before it takes
// the frame's memory or decodes any scan (platform/jpeg_decoder.h).
#pragma once

#include <cstdint>

#include "io/byte_view.h"

// The start-of-scan markers from the view's start up to the end of image or
// of the view, counting no further than `limit`.
std::uint32_t countScans(ByteView jpeg, std::uint32_t limit);

// The same over raw bytes, in the form the decoder's request takes.
extern "C" std::uint32_t countScansOf(const std::uint8_t* data, std::uint32_t length, std::uint32_t limit);
