// The DIB decode. libjpeg decodes straight from the JPEG's bytes into the
// locked pixel block (jpeg_decoder.h): no copy of the JPEG, no intermediate
// picture, no second pass.
#include "picture/dib_decode.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "picture/jpeg_decoder.h"

namespace {

// BITMAPINFO: a 40-byte BITMAPINFOHEADER and one 4-byte colour-table slot.
constexpr std::size_t HeaderBlockSize = 44;

// The bitmap's sizes are signed 32-bit (biWidth, biHeight, and what the host
// works out from them), so no pixel block may be larger.
constexpr std::uint64_t MaxPixelBlockSize = INT32_MAX;

constexpr std::uint8_t White = 0xFF;

// BITMAPINFOHEADER as the host reads it. Both targets are little-endian, so
// the struct's bytes are the header's bytes.
struct BitmapInfoHeader {
  std::uint32_t biSize;
  std::int32_t biWidth;
  std::int32_t biHeight;
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;
  std::uint32_t biCompression;
  std::uint32_t biSizeImage;
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
constexpr std::uint32_t UncompressedRgb = 0;  // BI_RGB

struct Geometry {
  std::uint32_t frameWidth;    // the probed frame's
  std::uint32_t frameHeight;
  std::uint32_t eighths;       // the scale, in eighths
  std::uint32_t columns;       // the cut picture's: pixels of each decoded row kept
  std::uint32_t rows;          // the cut picture's: decoded rows kept
  std::uint32_t width;         // the bitmap's, turned
  std::uint32_t height;        // the bitmap's, turned: biHeight
  std::uint32_t rowStride;     // DIB rows are padded to whole 32-bit words
  std::uint32_t blockRows;     // rows the pixel block has room for: the scaled, turned frame's
  std::uint32_t skipRows;      // decoded rows dropped above the first kept row
  std::uint32_t skipColumns;   // decoded columns dropped left of the first kept column
};

// The sides are 16-bit frame-header values, so no sum or product here
// overflows 32 bits but the pixel block's size, worked out in 64.
Geometry geometryOf(const JpegFrame& frame, FrameCrop crop, PictureTurn turn, std::uint32_t eighths) {
  const std::uint32_t scaledWidth = scaledSide(frame.width, eighths);
  const std::uint32_t scaledHeight = scaledSide(frame.height, eighths);
  const std::uint32_t columns = scaledWidth - crop.left - crop.right;
  const std::uint32_t rows = scaledHeight - crop.top - crop.bottom;
  const std::uint32_t width = turn.transposes ? rows : columns;
  return {frame.width, frame.height, eighths, columns, rows, width, turn.transposes ? columns : rows,
          (width * BytesPerPixel + 3) & ~3u, turn.transposes ? scaledWidth : scaledHeight,
          crop.top, crop.left};
}

// Where the cut picture's pixel (x, r) lands in the pixel block:
// origin + x * pixelStep + r * rowStep. The bitmap's pixel (X, Y), Y counted
// from the top, lies at (height - 1 - Y) * rowStride + X * 3: rows bottom-up.
struct Placement {
  std::size_t origin;
  std::ptrdiff_t pixelStep;
  std::ptrdiff_t rowStep;
};

Placement placementOf(const Geometry& geometry, PictureTurn turn) {
  const auto pixel = static_cast<std::ptrdiff_t>(BytesPerPixel);
  const auto row = static_cast<std::ptrdiff_t>(geometry.rowStride);
  const std::ptrdiff_t across = turn.mirrorsColumns ? -pixel : pixel;
  const std::ptrdiff_t down = turn.mirrorsRows ? row : -row;
  const std::size_t origin = (turn.mirrorsColumns ? std::size_t{geometry.width - 1} * BytesPerPixel : 0) +
                             (turn.mirrorsRows ? 0 : std::size_t{geometry.height - 1} * geometry.rowStride);
  return turn.transposes ? Placement{origin, down, across} : Placement{origin, across, down};
}

bool leavesPixels(const JpegFrame& frame, FrameCrop crop, std::uint32_t eighths) {
  const std::uint32_t width = scaledSide(frame.width, eighths), height = scaledSide(frame.height, eighths);
  return crop.top < height && crop.bottom < height - crop.top && crop.left < width &&
         crop.right < width - crop.left;
}

void writeHeader(void* block, const Geometry& geometry) {
  BitmapInfoHeader header{};
  header.biSize = sizeof header;
  header.biWidth = static_cast<std::int32_t>(geometry.width);
  header.biHeight = static_cast<std::int32_t>(geometry.height);  // positive: bottom-up
  header.biPlanes = 1;
  header.biBitCount = BitsPerPixel;
  header.biCompression = UncompressedRgb;
  header.biSizeImage = geometry.rowStride * geometry.height;
  // The colour-table slot behind the header is unused at 24 bits: zeroed,
  // so the host never receives stale heap bytes.
  std::memset(block, 0, HeaderBlockSize);
  std::memcpy(block, &header, sizeof header);
}

// White where the decoded frame fell short of the probed one. Output rows
// run from the block's last written row down to its first, so missing rows at
// the picture's bottom are the block's first rows.
void whitenUncovered(std::uint8_t* pixels, const Geometry& geometry, const JpegCoverage& covered) {
  const std::uint32_t missingRows = geometry.height - covered.rows;
  std::memset(pixels, White, std::size_t{missingRows} * geometry.rowStride);
  if (covered.width >= geometry.width) return;
  for (std::uint32_t row = missingRows; row < geometry.height; ++row)
    std::memset(pixels + std::size_t{row} * geometry.rowStride + covered.width * BytesPerPixel,
                White, (geometry.width - covered.width) * BytesPerPixel);
}

// The same for a turned picture, pixel by pixel through its placement:
// rows of the cut picture from covered.rows on, and the columns from
// covered.width on of the rows above.
void whitenTurned(std::uint8_t* pixels, const Geometry& geometry, const Placement& placement,
                  const JpegCoverage& covered) {
  for (std::uint32_t r = 0; r < geometry.rows; ++r) {
    const std::uint32_t from = r < covered.rows ? std::min(covered.width, geometry.columns) : 0;
    std::uint8_t* pixel = pixels + placement.origin + static_cast<std::ptrdiff_t>(r) * placement.rowStep +
                          static_cast<std::ptrdiff_t>(from) * placement.pixelStep;
    for (std::uint32_t x = from; x < geometry.columns; ++x, pixel += placement.pixelStep)
      std::memset(pixel, White, BytesPerPixel);
  }
}

// The bytes that pad each row to whole 32-bit words, which libjpeg never
// writes: zeroed, so the host never receives stale heap bytes there either.
void clearPadding(std::uint8_t* pixels, const Geometry& geometry) {
  const std::uint32_t used = geometry.width * BytesPerPixel;
  if (used == geometry.rowStride) return;
  for (std::uint32_t row = 0; row < geometry.height; ++row)
    std::memset(pixels + std::size_t{row} * geometry.rowStride + used, 0, geometry.rowStride - used);
}

PictureOutcome decodePixels(const JpegFrame& frame, const Geometry& geometry, PictureTurn turn,
                            DecodeQuality quality, std::uint8_t* pixels) {
  const Placement placement = placementOf(geometry, turn);
  JpegDecodeRequest request{};
  request.data = frame.jpeg.data();
  request.length = frame.jpeg.size();
  request.fast = quality == DecodeQuality::Fastest;
  request.top = pixels + placement.origin;
  request.step = placement.rowStep;
  request.pixelStep = placement.pixelStep;
  request.rowBytes = geometry.rowStride;
  request.rows = geometry.rows;
  request.columns = geometry.columns;
  request.skipRows = geometry.skipRows;
  request.skipColumns = geometry.skipColumns;
  request.probedWidth = geometry.frameWidth;
  request.probedHeight = geometry.frameHeight;
  request.scaleEighths = geometry.eighths;
  JpegCoverage covered{};
  switch (jpegDecodeRows(&request, &covered)) {
    case JpegDecodeOk:
      if (turn.transposes || turn.mirrorsColumns || turn.mirrorsRows) {
        whitenTurned(pixels, geometry, placement, covered);
      } else {
        whitenUncovered(pixels, geometry, covered);
      }
      clearPadding(pixels, geometry);
      return PictureOutcome::Decoded;
    case JpegDecodeOutOfMemory:
      return PictureOutcome::OutOfMemory;
    case JpegDecodeRejected:
      break;
  }
  return PictureOutcome::Refused;
}

PictureOutcome fillBlocks(const DibBlocks& blocks, const JpegFrame& frame, const Geometry& geometry,
                          PictureTurn turn, DecodeQuality quality) {
  void* header = platform::globalLock(blocks.header);
  auto* pixels = static_cast<std::uint8_t*>(platform::globalLock(blocks.pixels));
  PictureOutcome outcome = PictureOutcome::OutOfMemory;
  if (header && pixels) {
    writeHeader(header, geometry);
    outcome = decodePixels(frame, geometry, turn, quality, pixels);
  }
  if (pixels) platform::globalUnlock(blocks.pixels);
  if (header) platform::globalUnlock(blocks.header);
  return outcome;
}

void releaseBlock(platform::BlockHandle block) {
  if (block != platform::NoBlock) platform::globalFree(block);
}

}  // namespace

PictureOutcome decodeDib(const JpegFrame& frame, FrameCrop crop, PictureTurn turn, DecodeQuality quality,
                         DibBlocks* out, std::uint32_t eighths) {
  if (!leavesPixels(frame, crop, eighths)) return PictureOutcome::Refused;
  const Geometry geometry = geometryOf(frame, crop, turn, eighths);
  // The pixel block has room for all the scaled, turned frame's rows, cropped or not.
  const std::uint64_t pixelBlockSize = std::uint64_t{geometry.rowStride} * geometry.blockRows;
  if (pixelBlockSize > MaxPixelBlockSize) return PictureOutcome::OutOfMemory;
  DibBlocks blocks{platform::NoBlock, platform::NoBlock};
  blocks.pixels = platform::globalAlloc(static_cast<std::size_t>(pixelBlockSize));
  if (blocks.pixels != platform::NoBlock) blocks.header = platform::globalAlloc(HeaderBlockSize);
  PictureOutcome outcome = PictureOutcome::OutOfMemory;
  if (blocks.header != platform::NoBlock) outcome = fillBlocks(blocks, frame, geometry, turn, quality);
  if (outcome != PictureOutcome::Decoded) {
    releaseBlock(blocks.header);
    releaseBlock(blocks.pixels);
    return outcome;
  }
  *out = blocks;
  return outcome;
}
