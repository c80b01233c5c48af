// Probe plus decode: from a buffer that begins with an embedded JPEG to the
// two movable blocks of a 24-bit bottom-up DIB. libjpeg decodes straight from
// the caller's buffer into the locked pixel block (platform/jpeg_decoder.h):
// no copy of the JPEG, no intermediate picture, no second pass.
//
// Failures the host's result table leaves open are mapped so: a failed
// allocation (either block, or memory libjpeg asks for) gives OutOfMemory;
// data libjpeg refuses (unsupported coding or colour space, corrupt tables,
// no image) gives UnsupportedFormat, like bytes the probe rejects. Either way
// both blocks are freed and the caller's handle variables are not written.
#include "plugin/dib_decode.h"

#include <cstddef>
#include <cstring>

#include "platform/jpeg_decoder.h"
#include "plugin/camera_layout.h"
#include "plugin/jpeg_probe.h"
#include "plugin/jpeg_scans.h"

namespace {

// Any frame exactly as high as the camera's preview is cut to the preview's
// middle rows (camera_layout.h).
constexpr std::uint32_t CropFrameHeight = PreviewFrameHeight;
constexpr std::uint32_t CroppedHeight = PreviewHeight;
constexpr std::uint32_t CropTopRows = PreviewCropTopRows;

// BITMAPINFO: a 40-byte BITMAPINFOHEADER and one 4-byte colour-table slot.
constexpr std::size_t HeaderBlockSize = 44;

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
  std::uint32_t width;
  std::uint32_t rowStride;     // DIB rows are padded to whole 32-bit words
  std::uint32_t frameHeight;   // rows the pixel block has room for
  std::uint32_t outputHeight;  // rows written, and biHeight
  std::uint32_t skipRows;      // decoded rows dropped above the first output row
};

Geometry geometryOf(const TPEFFile& file) {
  // The probe bounds both sides to MaxFrameSide, so nothing here overflows
  // 32 bits (camera_layout.h).
  const auto width = static_cast<std::uint32_t>(file.width);
  const auto height = static_cast<std::uint32_t>(file.height);
  const bool cropped = height == CropFrameHeight;
  return {width, (width * BytesPerPixel + 3) & ~3u, height,
          cropped ? CroppedHeight : height, cropped ? CropTopRows : 0};
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

PluginResult decodePixels(const TPEFFile& file, const Geometry& geometry, std::uint32_t flags) {
  JpegDecodeRequest request{};
  request.data = file.buffer.data();
  request.length = file.buffer.size();
  request.fast = (flags & RequestBestQuality) == 0;
  // Output row 0, the picture's top, is the last written row of the block.
  request.top = file.pixelCursor + std::size_t{geometry.outputHeight - 1} * geometry.rowStride;
  request.step = -static_cast<std::ptrdiff_t>(geometry.rowStride);
  request.rowBytes = geometry.rowStride;
  request.rows = geometry.outputHeight;
  request.skipRows = geometry.skipRows;
  request.probedWidth = geometry.width;
  request.probedHeight = geometry.frameHeight;
  request.countScans = countScans;
  JpegCoverage covered{};
  switch (jpegDecodeRows(&request, &covered)) {
    case JpegDecodeOk:
      whitenUncovered(file.pixelCursor, geometry, covered);
      return Success;
    case JpegDecodeOutOfMemory:
      return OutOfMemory;
    case JpegDecodeRejected:
      break;
  }
  return UnsupportedFormat;
}

PluginResult fillBlocks(TPEFFile& file, const Geometry& geometry, std::uint32_t flags) {
  void* header = platform::globalLock(file.headerBlock);
  file.pixelCursor = static_cast<std::uint8_t*>(platform::globalLock(file.pixelBlock));
  PluginResult result = OutOfMemory;
  if (header && file.pixelCursor) {
    writeHeader(header, geometry);
    result = decodePixels(file, geometry, flags);
  }
  if (file.pixelCursor) platform::globalUnlock(file.pixelBlock);
  if (header) platform::globalUnlock(file.headerBlock);
  file.pixelCursor = nullptr;
  return result;
}

void releaseBlock(platform::BlockHandle& block) {
  if (block != platform::NoBlock) platform::globalFree(block);
  block = platform::NoBlock;
}

}  // namespace

PluginResult TPEFFile::decodeDib(std::uint32_t flags) {
  const Geometry geometry = geometryOf(*this);
  // The pixel block has room for the whole frame, cropped or not.
  pixelBlock = platform::globalAlloc(std::size_t{geometry.rowStride} * geometry.frameHeight);
  if (pixelBlock != platform::NoBlock) headerBlock = platform::globalAlloc(HeaderBlockSize);
  PluginResult result = OutOfMemory;
  if (headerBlock != platform::NoBlock) result = fillBlocks(*this, geometry, flags);
  if (result != Success) {
    releaseBlock(headerBlock);
    releaseBlock(pixelBlock);
  }
  return result;
}

PluginResult extractPicture(ByteView jpeg, platform::BlockHandle* headerOut,
                            platform::BlockHandle* pixelsOut, std::uint32_t flags) {
  TPEFFile file(jpeg);
  if (!file.probeFrame(0)) return UnsupportedFormat;
  const PluginResult result = file.decodeDib(flags);
  if (result != Success) return result;
  *headerOut = file.headerBlock;
  *pixelsOut = file.pixelBlock;
  return Success;
}
