#include "picture/picture_plan.h"

#include <algorithm>

#include "picture/dng_locator.h"
#include "picture/jpeg_segments.h"

namespace {

// A located frame comes from the JPEG's markers, so any size up to the
// largest PENTAX frame is the picture's.
constexpr FrameLimits LocatedFrameLimits{1, 1, LargestPentaxFrameWidth, LargestPentaxFrameHeight};

// Any fixed frame exactly as high as the camera's preview is cut to the
// preview's middle rows (camera_layout.h).
FrameCrop fixedCrop(const JpegFrame& frame) {
  if (frame.height != PreviewFrameHeight) return {0, 0};
  return {PreviewCropTopRows, PreviewFrameHeight - PreviewCropTopRows - PreviewHeight};
}

bool leavesPixels(const PlannedFrame& planned) {
  const FrameCrop& crop = planned.crop;
  const std::uint32_t width = scaledSide(planned.frame.width, planned.eighths);
  const std::uint32_t height = scaledSide(planned.frame.height, planned.eighths);
  return crop.top < height && crop.bottom < height - crop.top && crop.left < width &&
         crop.right < width - crop.left;
}

// The scales libjpeg offers below the full one, smallest first.
constexpr std::uint32_t PreviewScales[] = {1, 2, 4};

std::uint32_t previewScale(std::uint32_t width) {
  for (std::uint32_t eighths : PreviewScales)
    if (scaledSide(width, eighths) >= MinPreviewWidth) return eighths;
  return FullScale;
}

PictureSize turned(PictureSize size, PictureTurn turn) {
  return turn.transposes ? PictureSize{size.height, size.width} : size;
}

}  // namespace

PicturePlan fixedPlan(bool fullSize, PictureTurn turn) {
  return {PlanSource::Fixed, fullSize, {0, 0}, {0, 0, 0, 0}, turn};
}

PlanChoice planPicture(const DirectoryFindings& found, bool fullSize, bool upright) {
  const std::optional<LocatedJpegs>& located = found.located;
  const PictureTurn turn = upright ? turnOf(found.orientation) : AsStored;
  const std::optional<JpegSpan> span =
      !located ? std::nullopt : fullSize ? located->fullSize : located->preview;
  if (located && located->dng) {
    // A DNG's preview may be its full-size JPEG, read as far.
    if (!span) return {{}, 0};
    return {{{PlanSource::Located, true, *span, {0, 0, 0, 0}, turn, !fullSize && located->scaledPreview}}, 1};
  }
  if (!span) return {{fixedPlan(fullSize, turn)}, 1};
  const FrameBorders borders = fullSize ? FrameBorders{0, 0, 0, 0} : located->previewBorders;
  const PicturePlan locatedPlan{PlanSource::Located, fullSize, *span, borders, turn};
  if (!located->istD) return {{locatedPlan}, 1};
  return {{fixedPlan(fullSize, turn), locatedPlan}, 2};
}

std::uint32_t readLength(const PicturePlan& plan) {
  return std::min(plan.span.length, plan.fullSize ? MaxLocatedJpegLength : MaxPreviewJpegLength);
}

std::optional<PlannedFrame> frameOf(const PicturePlan& plan, ByteView jpeg, bool* ranOut) {
  if (ranOut) *ranOut = false;
  std::optional<PlannedFrame> planned;
  if (plan.source == PlanSource::Fixed) {
    if (const std::optional<JpegFrame> frame = probeFrame(jpeg, 0, FixedFrameLimits))
      planned = PlannedFrame{*frame, fixedCrop(*frame), plan.turn};
  } else {
    // The walk looks no further than FrameSearchReach whatever was read, so
    // a picture request finds the frame its information request found.
    const SegmentWalk walk =
        walkToFrame(jpeg.slice(0, std::min(jpeg.size(), FrameSearchReach)), LocatedFrameLimits);
    if (ranOut) *ranOut = walk.ranOut;
    const FrameBorders& b = plan.borders;
    if (walk.frame)
      planned = PlannedFrame{JpegFrame{jpeg, walk.frame->width, walk.frame->height},
                             FrameCrop{b.top, b.bottom, b.left, b.right}, plan.turn,
                             plan.scaledToPreview ? previewScale(walk.frame->width) : FullScale};
  }
  if (planned && !leavesPixels(*planned)) return std::nullopt;
  return planned;
}

// The crop leaves pixels, so neither difference goes below one.
PictureSize sizeOf(const PlannedFrame& planned) {
  const FrameCrop& c = planned.crop;
  return turned({static_cast<std::int32_t>(scaledSide(planned.frame.width, planned.eighths) - c.left - c.right),
                 static_cast<std::int32_t>(scaledSide(planned.frame.height, planned.eighths) - c.top - c.bottom)},
                planned.turn);
}

PictureSize fixedSize(const PicturePlan& plan) {
  return turned(plan.fullSize ? PictureSize{FullImageWidth, FullImageHeight} : PictureSize{PreviewWidth, PreviewHeight},
                plan.turn);
}
