#include "plugin/extract_picture.h"

#include <optional>

#include "picture/dib_decode.h"

namespace {

// Any frame exactly as high as the camera's preview is cut to the preview's
// middle rows (camera_layout.h).
RowCrop cropOf(const JpegFrame& frame) {
  if (frame.height != PreviewFrameHeight) return {0, 0};
  return {PreviewCropTopRows, PreviewFrameHeight - PreviewCropTopRows - PreviewHeight};
}

DecodeQuality qualityOf(std::uint32_t flags) {
  return (flags & RequestBestQuality) != 0 ? DecodeQuality::Best : DecodeQuality::Fastest;
}

// The host's result table leaves the failures open; they are mapped so:
// memory that could not be had gives OutOfMemory, data the picture layer
// refuses gives UnsupportedFormat, like bytes the probe rejects.
PluginResult resultOf(PictureOutcome outcome) {
  switch (outcome) {
    case PictureOutcome::Decoded:
      return Success;
    case PictureOutcome::OutOfMemory:
      return OutOfMemory;
    case PictureOutcome::Refused:
      break;
  }
  return UnsupportedFormat;
}

}  // namespace

PluginResult extractPicture(ByteView region, platform::BlockHandle* headerOut,
                            platform::BlockHandle* pixelsOut, std::uint32_t flags) {
  const std::optional<JpegFrame> frame = probeFrame(region, 0, CameraFrameLimits);
  if (!frame) return UnsupportedFormat;
  DibBlocks blocks{};
  const PictureOutcome outcome = decodeDib(*frame, cropOf(*frame), qualityOf(flags), &blocks);
  if (outcome == PictureOutcome::Decoded) {
    *headerOut = blocks.header;
    *pixelsOut = blocks.pixels;
  }
  return resultOf(outcome);
}
