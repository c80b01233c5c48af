// How the PENTAX *istD lays out its raw file and the pictures in it. Every
// file that needs one of these numbers takes it from here.
#pragma once

#include <cstdint>

// Positions count from the start of the raw file's data: the caller's offset
// in a file, the first byte of a memory image. The camera writes both JPEGs
// at these fixed bytes of every raw file.
constexpr std::int32_t PreviewOffset = 8640;        // 0x21C0: the preview JPEG
constexpr std::int32_t FullImageOffset = 12371550;  // 0xBCC65E: the full-size JPEG

// The full-size JPEG: the sensor's 3008 x 2008 (3:2) picture.
constexpr std::int32_t FullImageWidth = 3008;
constexpr std::int32_t FullImageHeight = 2008;

// The preview JPEG is 640 x 480 (4:3) and carries black bands of 26 rows
// above and below its 640 x 428 (3:2) picture: 26 + 428 + 26 = 480.
constexpr std::int32_t PreviewWidth = 640;
constexpr std::int32_t PreviewFrameHeight = 480;
constexpr std::int32_t PreviewHeight = 428;
constexpr std::int32_t PreviewCropTopRows = 26;
static_assert(2 * PreviewCropTopRows + PreviewHeight == PreviewFrameHeight);

// The frame probe takes no side above this for the camera's JPEGs, which
// caps the pixel block at 4096 x 4096 x 3 bytes (48 MiB).
constexpr std::uint32_t MaxFrameSide = 4096;

// A JPEG found through the file's directories (any PENTAX body) may be as
// large as the largest frame a PENTAX body writes: the 645Z's 8256 x 6192,
// a pixel block of 153 MB.
constexpr std::uint32_t LargestPentaxFrameWidth = 8256;
constexpr std::uint32_t LargestPentaxFrameHeight = 6192;
// No PENTAX body writes a JPEG of that frame longer than its 24-bit pixels:
// a longer located span is read no further.
constexpr std::uint32_t MaxLocatedJpegLength = LargestPentaxFrameWidth * LargestPentaxFrameHeight * 3;
