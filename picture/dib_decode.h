// Decoding a probed JPEG frame into the device-independent bitmap the host
// receives: a header block (BITMAPINFO) and a pixel block of 24-bit rows,
// bottom row first, both movable global memory handed over unlocked.
#pragma once

#include <cstdint>

#include "picture/jpeg_probe.h"
#include "picture/picture_turn.h"
#include "platform/platform.h"

// The bitmap: 24-bit colour, three bytes per pixel (blue, green, red).
constexpr std::int32_t BitsPerPixel = 24;
constexpr std::uint32_t BytesPerPixel = 3;
static_assert(BytesPerPixel * 8 == BitsPerPixel);

// Rows of the frame left out of the picture above and below it, and
// columns left out to its left and right.
struct FrameCrop {
  std::uint32_t top;
  std::uint32_t bottom;
  std::uint32_t left = 0;
  std::uint32_t right = 0;
};

// libjpeg scales a frame by n/8 as it decodes, each side becoming
// ceil(side * n / 8) (jdiv_round_up in its jdmaster.c); n = 8 is the frame
// as it is. Sides are 16-bit, so the product fits.
constexpr std::uint32_t FullScale = 8;
constexpr std::uint32_t scaledSide(std::uint32_t side, std::uint32_t eighths) {
  return (side * eighths + FullScale - 1) / FullScale;
}

enum class DecodeQuality { Fastest, Best };  // fast integer or floating-point IDCT

// How a decode ended.
enum class PictureOutcome {
  Decoded,     // both blocks handed over
  Refused,     // the crop leaves no pixel, or the data is no picture to show:
               // libjpeg refused it, or it asked more scans or memory than a
               // frame of the probed size would
  OutOfMemory  // a block, or memory libjpeg asked for, could not be had, or
               // the pixel block would not fit the bitmap's 32-bit sizes
};

struct DibBlocks {
  platform::BlockHandle header;
  platform::BlockHandle pixels;
};

// Decodes `frame`, scaled by eighths/8 (1, 2, 4 or 8), into a bitmap of the
// probed size so scaled, less the crop, turned: the cut picture's pixel
// (x, r) is decoded pixel (x + crop.left, r + crop.top), and the turn moves
// it as picture_turn.h says. The bomb defences still weigh the frame at its
// probed size, as libjpeg reads its coefficients unscaled. The pixel block
// has room for all the scaled, turned frame's rows at the bitmap's width.
// Where the decoded frame is smaller than the probed one the picture is
// white; what lies beyond it is cut off. On Decoded both handles are
// written; otherwise neither is, and nothing stays allocated.
PictureOutcome decodeDib(const JpegFrame& frame, FrameCrop crop, PictureTurn turn, DecodeQuality quality,
                         DibBlocks* out, std::uint32_t eighths = FullScale);
