// Decoding an embedded JPEG into the device-independent bitmap the host
// receives: a header block (BITMAPINFO) and a pixel block of 24-bit rows,
// bottom row first, both movable global memory handed over unlocked.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "io/byte_view.h"
#include "plugin/plugin_types.h"

// Probes the JPEG at the first byte of `jpeg` and decodes it, at best quality
// when `flags` has RequestBestQuality, else at best speed. On Success the two
// handles are written; on any other result neither is written and nothing
// stays allocated.
PluginResult extractPicture(ByteView jpeg, platform::BlockHandle* headerOut,
                            platform::BlockHandle* pixelsOut, std::uint32_t flags);
