// The DIB decode. libjpeg decodes straight from the JPEG's bytes into the
// locked pixel block (jpeg_decoder.h): no copy of the JPEG, no intermediate
// picture, no second pass.
#include "picture/dib_decode.h"

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
  std::uint32_t width;         // the bitmap's
  std::uint32_t rowStride;     // DIB rows are padded to whole 32-bit words
  std::uint32_t blockRows;     // rows the pixel block has room for: the scaled frame's
  std::uint32_t outputHeight;  // rows written, and biHeight
  std::uint32_t skipRows;      // decoded rows dropped above the first output row
  std::uint32_t skipColumns;   // decoded columns dropped left of the first output column
};

// The sides are 16-bit frame-header values, so no sum or product here
// overflows 32 bits but the pixel block's size, worked out in 64.
Geometry geometryOf(const JpegFrame& frame, FrameCrop crop, std::uint32_t eighths) {
  const std::uint32_t width = scaledSide(frame.width, eighths) - crop.left - crop.right;
  const std::uint32_t height = scaledSide(frame.height, eighths);
  return {frame.width, frame.height, eighths, width, (width * BytesPerPixel + 3) & ~3u, height,
          height - crop.top - crop.bottom, crop.top, crop.left};
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
  header.biHeight = static_cast<std::int32_t>(geometry.outputHeight);  // positive: bottom-up
  header.biPlanes = 1;
  header.biBitCount = BitsPerPixel;
  header.biCompression = UncompressedRgb;
  header.biSizeImage = geometry.rowStride * geometry.outputHeight;
  // The colour-table slot behind the header is unused at 24 bits: zeroed,
  // so the host never receives stale heap bytes.
  std::memset(block, 0, HeaderBlockSize);
  std::memcpy(block, &header, sizeof header);
}

// White where the decoded frame fell short of the probed one. Output rows
// run from the block's last written row down to its first, so missing rows at
// the picture's bottom are the block's first rows.
void whitenUncovered(std::uint8_t* pixels, const Geometry& geometry, const JpegCoverage& covered) {
  const std::uint32_t missingRows = geometry.outputHeight - covered.rows;
  std::memset(pixels, White, std::size_t{missingRows} * geometry.rowStride);
  if (covered.width >= geometry.width) return;
  for (std::uint32_t row = missingRows; row < geometry.outputHeight; ++row)
    std::memset(pixels + std::size_t{row} * geometry.rowStride + covered.width * BytesPerPixel,
                White, (geometry.width - covered.width) * BytesPerPixel);
}

// The bytes that pad each row to whole 32-bit words, which libjpeg never
// writes: zeroed, so the host never receives stale heap bytes there either.
void clearPadding(std::uint8_t* pixels, const Geometry& geometry) {
  const std::uint32_t used = geometry.width * BytesPerPixel;
  if (used == geometry.rowStride) return;
  for (std::uint32_t row = 0; row < geometry.outputHeight; ++row)
    std::memset(pixels + std::size_t{row} * geometry.rowStride + used, 0, geometry.rowStride - used);
}

PictureOutcome decodePixels(const JpegFrame& frame, const Geometry& geometry, DecodeQuality quality,
                            std::uint8_t* pixels) {
  JpegDecodeRequest request{};
  request.data = frame.jpeg.data();
  request.length = frame.jpeg.size();
  request.fast = quality == DecodeQuality::Fastest;
  // Output row 0, the picture's top, is the last written row of the block.
  request.top = pixels + std::size_t{geometry.outputHeight - 1} * geometry.rowStride;
  request.step = -static_cast<std::ptrdiff_t>(geometry.rowStride);
  request.rowBytes = geometry.rowStride;
  request.rows = geometry.outputHeight;
  request.skipRows = geometry.skipRows;
  request.skipColumns = geometry.skipColumns;
  request.probedWidth = geometry.frameWidth;
  request.probedHeight = geometry.frameHeight;
  request.scaleEighths = geometry.eighths;
  JpegCoverage covered{};
  switch (jpegDecodeRows(&request, &covered)) {
    case JpegDecodeOk:
      whitenUncovered(pixels, geometry, covered);
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
                          DecodeQuality quality) {
  void* header = platform::globalLock(blocks.header);
  auto* pixels = static_cast<std::uint8_t*>(platform::globalLock(blocks.pixels));
  PictureOutcome outcome = PictureOutcome::OutOfMemory;
  if (header && pixels) {
    writeHeader(header, geometry);
    outcome = decodePixels(frame, geometry, quality, pixels);
  }
  if (pixels) platform::globalUnlock(blocks.pixels);
  if (header) platform::globalUnlock(blocks.header);
  return outcome;
}

void releaseBlock(platform::BlockHandle block) {
  if (block != platform::NoBlock) platform::globalFree(block);
}

}  // namespace

PictureOutcome decodeDib(const JpegFrame& frame, FrameCrop crop, DecodeQuality quality, DibBlocks* out,
                         std::uint32_t eighths) {
  if (!leavesPixels(frame, crop, eighths)) return PictureOutcome::Refused;
  const Geometry geometry = geometryOf(frame, crop, eighths);
  // The pixel block has room for all the frame's rows, cropped or not.
  const std::uint64_t pixelBlockSize = std::uint64_t{geometry.rowStride} * geometry.blockRows;
  if (pixelBlockSize > MaxPixelBlockSize) return PictureOutcome::OutOfMemory;
  DibBlocks blocks{platform::NoBlock, platform::NoBlock};
  blocks.pixels = platform::globalAlloc(static_cast<std::size_t>(pixelBlockSize));
  if (blocks.pixels != platform::NoBlock) blocks.header = platform::globalAlloc(HeaderBlockSize);
  PictureOutcome outcome = PictureOutcome::OutOfMemory;
  if (blocks.header != platform::NoBlock) outcome = fillBlocks(blocks, frame, geometry, quality);
  if (outcome != PictureOutcome::Decoded) {
    releaseBlock(blocks.header);
    releaseBlock(blocks.pixels);
    return outcome;
  }
  *out = blocks;
  return outcome;
}
