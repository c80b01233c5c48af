// A picture request's JPEG, from the first byte of its region to the host's
// bitmap, through the picture layer: probed with the camera's frame limits,
// the preview's black bands cut off, and the outcome given as the host's
// result code.
#pragma once

#include <cstdint>

#include "io/byte_view.h"
#include "picture/jpeg_probe.h"
#include "platform/platform.h"
#include "plugin/camera_layout.h"
#include "plugin/plugin_types.h"

// No frame smaller than the camera's preview is a picture to show, and no
// side may exceed MaxFrameSide.
constexpr FrameLimits CameraFrameLimits{PreviewWidth, PreviewFrameHeight, MaxFrameSide, MaxFrameSide};

// Probes the JPEG at the first byte of `region` and decodes it, at best
// quality when `flags` has RequestBestQuality, else at best speed. On
// Success the two handles are written; on any other result neither is
// written and nothing stays allocated.
PluginResult extractPicture(ByteView region, platform::BlockHandle* headerOut,
                            platform::BlockHandle* pixelsOut, std::uint32_t flags);
