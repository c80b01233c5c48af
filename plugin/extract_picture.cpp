#include "plugin/extract_picture.h"

#include <optional>

#include "picture/dib_decode.h"

namespace {

// Any frame exactly as high as the camera's preview is cut to the preview's
// middle rows (camera_layout.h).
FrameCrop cropOf(const JpegFrame& frame) {
  if (frame.height != PreviewFrameHeight) return {0, 0};
  return {PreviewCropTopRows, PreviewFrameHeight - PreviewCropTopRows - PreviewHeight};
}

FrameCrop cropOf(FrameBorders borders) {
  return {borders.top, borders.bottom, borders.left, borders.right};
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

PluginResult extractFrame(const JpegFrame& frame, FrameCrop crop, platform::BlockHandle* headerOut,
                          platform::BlockHandle* pixelsOut, std::uint32_t flags) {
  DibBlocks blocks{};
  const PictureOutcome outcome = decodeDib(frame, crop, qualityOf(flags), &blocks);
  if (outcome == PictureOutcome::Decoded) {
    *headerOut = blocks.header;
    *pixelsOut = blocks.pixels;
  }
  return resultOf(outcome);
}

}  // namespace

bool fixedFrameProbes(ByteView region) { return probeFrame(region, 0, CameraFrameLimits).has_value(); }

PluginResult extractPicture(ByteView region, platform::BlockHandle* headerOut,
                            platform::BlockHandle* pixelsOut, std::uint32_t flags) {
  const std::optional<JpegFrame> frame = probeFrame(region, 0, CameraFrameLimits);
  if (!frame) return UnsupportedFormat;
  return extractFrame(*frame, cropOf(*frame), headerOut, pixelsOut, flags);
}

std::optional<PluginResult> extractLocatedPicture(ByteView jpeg, FrameBorders borders,
                                                  platform::BlockHandle* headerOut,
                                                  platform::BlockHandle* pixelsOut,
                                                  std::uint32_t flags) {
  const std::optional<JpegFrame> frame = probeFrame(jpeg, 0, LocatedFrameLimits);
  if (!frame) return std::nullopt;
  return extractFrame(*frame, cropOf(borders), headerOut, pixelsOut, flags);
}

std::optional<PictureSize> locatedPictureSize(ByteView jpeg, FrameBorders borders) {
  const std::optional<JpegFrame> frame = probeFrame(jpeg, 0, LocatedFrameLimits);
  // The borders are single bytes and the sides 16-bit, so no sum overflows.
  if (!frame || borders.top + borders.bottom >= frame->height ||
      borders.left + borders.right >= frame->width)
    return std::nullopt;
  return PictureSize{frame->width - borders.left - borders.right,
                     frame->height - borders.top - borders.bottom};
}
