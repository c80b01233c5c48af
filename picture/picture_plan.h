// One plan per picture request: which bytes hold the JPEG it shows, which
// frame they hold, and which rows and columns of it to cut. The *istD's
// fixed layout is one answer, the file's own directories another; every
// plan is probed and decoded the same way (picture_decode.h), and the
// picture-information request takes its size from the same plan.
#pragma once

#include <cstdint>
#include <optional>

#include "io/byte_view.h"
#include "picture/camera_layout.h"
#include "picture/dib_decode.h"
#include "picture/jpeg_locator.h"
#include "picture/jpeg_probe.h"
#include "picture/picture_turn.h"

enum class PlanSource {
  Fixed,    // the *istD's fixed region, probed by its frame scan, the preview's bands cut
  Located,  // a span the directories give, its frame from its markers, cut by its borders
};

// No frame smaller than the camera's preview is a picture to show, and no
// side may exceed MaxFrameSide: the fixed layout's frame scan.
constexpr FrameLimits FixedFrameLimits{PreviewWidth, PreviewFrameHeight, MaxFrameSide, MaxFrameSide};

struct PicturePlan {
  PlanSource source;
  bool fullSize;          // read as far as a full-size JPEG
  JpegSpan span;          // Located only
  FrameBorders borders;   // Located only
  PictureTurn turn;       // applied after the crop or the borders
  // Located only: shown at libjpeg's smallest scale n/8 (n = 1, 2 or 4)
  // still MinPreviewWidth wide, or whole where none is.
  bool scaledToPreview = false;
};

// The plans a request tries, in order: the first whose JPEG holds a frame is
// the picture; when none does, the first plan's outcome stands.
struct PlanChoice {
  PicturePlan plans[2];
  std::uint32_t count;
};

// The *istD's fixed region of the full-size JPEG or of the preview.
PicturePlan fixedPlan(bool fullSize, PictureTurn turn = AsStored);

// When IFD0's Model names a PENTAX body other than the *istD and its
// directories locate the JPEG asked for, that JPEG alone; otherwise the
// fixed layout first, then the located JPEG where there is one. A DNG
// has only its located JPEG: no plan where its SubIFDs hold none. Every
// plan turns its picture as IFD0's Orientation says when `upright` is
// asked, else shows it as stored.
PlanChoice planPicture(const DirectoryFindings& found, bool fullSize, bool upright);

// A preview span is read no further than the largest preview a PENTAX body
// writes in its maker note: a 1920 x 1440 frame, whose JPEG is no longer
// than its 24-bit pixels. A full-size span stops at MaxLocatedJpegLength.
constexpr std::uint32_t LargestPreviewFrameWidth = 1920;
constexpr std::uint32_t LargestPreviewFrameHeight = 1440;
constexpr std::uint32_t MaxPreviewJpegLength = LargestPreviewFrameWidth * LargestPreviewFrameHeight * 3;

// How much of a located plan's span is read for its picture.
std::uint32_t readLength(const PicturePlan& plan);

// A plan's frame in the JPEG's bytes, the part of it shown, and how.
struct PlannedFrame {
  JpegFrame frame;
  FrameCrop crop;          // in the scaled frame's pixels
  PictureTurn turn;
  std::uint32_t eighths = FullScale;
};

// The frame the plan's JPEG holds: nothing when the bytes hold none, or the
// crop leaves no pixel. `ranOut` tells a located walk that stopped at the
// end of the bytes, which more of the span may mend.
std::optional<PlannedFrame> frameOf(const PicturePlan& plan, ByteView jpeg, bool* ranOut = nullptr);

struct PictureSize {
  std::int32_t width;
  std::int32_t height;
};
// The picture a frame gives, scaled, after its crop and turn.
PictureSize sizeOf(const PlannedFrame& planned);
// The fixed layout's picture, as the camera writes it and turned as the
// plan says, without probing.
PictureSize fixedSize(const PicturePlan& plan);
