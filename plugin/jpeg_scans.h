// Counting a JPEG's remaining scans from its bytes, for the decoder to refuse
// a multi-scan frame with more scans than real files have before it takes
// the frame's memory or decodes any scan (platform/jpeg_decoder.h).
#pragma once

#include <cstdint>

// The start-of-scan markers in the `size` bytes at `data`, up to the end
// of image or of the bytes, counting no further than `limit`. In the form
// the decoder's request takes; the bytes are read through a ByteView.
extern "C" std::uint32_t countScans(const std::uint8_t* data, std::uint32_t length, std::uint32_t limit);
