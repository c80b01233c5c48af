// A picture request's JPEG, from the first byte of its region to the host's
// bitmap, through the picture layer: probed with the camera's frame limits,
// the preview's black bands cut off, and the outcome given as the host's
// result code.
#pragma once

#include <cstdint>

#include <optional>

#include "io/byte_view.h"
#include "picture/jpeg_locator.h"
#include "picture/jpeg_probe.h"
#include "platform/platform.h"
#include "plugin/camera_layout.h"
#include "plugin/plugin_types.h"

// No frame smaller than the camera's preview is a picture to show, and no
// side may exceed MaxFrameSide.
constexpr FrameLimits CameraFrameLimits{PreviewWidth, PreviewFrameHeight, MaxFrameSide, MaxFrameSide};

// A located frame is no smaller than the camera's preview (so a thumbnail
// inside the JPEG's own header is not taken for it) and no larger than the
// largest PENTAX frame.
constexpr FrameLimits LocatedFrameLimits{PreviewWidth, PreviewFrameHeight, LargestPentaxFrameWidth,
                                         LargestPentaxFrameHeight};

// Whether the fixed layout holds: the probe accepts a frame at the first byte
// of the fixed region.
bool fixedFrameProbes(ByteView region);

// Probes the JPEG at the first byte of `region` and decodes it, at best
// quality when `flags` has RequestBestQuality, else at best speed. On
// Success the two handles are written; on any other result neither is
// written and nothing stays allocated.
PluginResult extractPicture(ByteView region, platform::BlockHandle* headerOut,
                            platform::BlockHandle* pixelsOut, std::uint32_t flags);

// A JPEG found through the file's directories, cut by `borders`: nothing
// when the probe finds no frame within LocatedFrameLimits at its first byte,
// else extractPicture's results (UnsupportedFormat when the borders leave no
// pixel).
std::optional<PluginResult> extractLocatedPicture(ByteView jpeg, FrameBorders borders,
                                                  platform::BlockHandle* headerOut,
                                                  platform::BlockHandle* pixelsOut,
                                                  std::uint32_t flags);

// The picture size of a located JPEG after its borders; nothing when it does
// not probe or the borders leave no pixel.
struct PictureSize {
  std::int32_t width;
  std::int32_t height;
};
std::optional<PictureSize> locatedPictureSize(ByteView jpeg, FrameBorders borders);
