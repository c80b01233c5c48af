// The second way to a picture: when the *istD's fixed layout does not hold,
// the JPEG a request takes is found through the file's own directories
// (picture/jpeg_locator.h), read from the file or taken from the memory
// image, and shown cut by the preview's borders. Every function gives
// nothing when that way finds no frame, and the caller's result stays what
// the fixed layout gave.
#pragma once

#include <cstdint>
#include <optional>

#include "io/byte_view.h"
#include "platform/platform.h"
#include "plugin/extract_picture.h"
#include "plugin/plugin_types.h"

// The span and borders of the JPEG a request takes, from the header window:
// the full-size JPEG (no borders) or the preview.
struct LocatedRequest {
  JpegSpan span;
  FrameBorders borders;
};
std::optional<LocatedRequest> chooseLocated(ByteView header, bool fullSize);

// The located JPEG's bytes in a memory image: the span, cut where the image
// ends; empty when it starts past the end.
ByteView locatedBytes(ByteView image, JpegSpan span);

// A picture request.
std::optional<PluginResult> locatedFilePicture(const char* fileName, std::int32_t offset,
                                               bool fullSize, std::uint32_t flags,
                                               platform::BlockHandle* header,
                                               platform::BlockHandle* pixels);
std::optional<PluginResult> locatedMemoryPicture(ByteView image, bool fullSize, std::uint32_t flags,
                                                 platform::BlockHandle* header,
                                                 platform::BlockHandle* pixels);

// IsSupported with a handle whose read left `window` (the file's first
// bytes from the TIFF header on): a PENTAX file with a marked maker note
// whose located preview, or without one the full-size JPEG, probes. A frame
// beyond the window is probed from bytes read through the handle, whose
// position is then put back where the window's read left it.
bool locatedFrameBehindHandle(std::uintptr_t handle, ByteView window);

// GetPictureInfo's size, when the fixed layout does not hold and the located
// JPEG probes. In file mode `header` is the header window already read, and
// the extra reads are the fixed region's first bytes and the located JPEG's.
std::optional<PictureSize> locatedFileSize(const char* fileName, std::int32_t offset,
                                           ByteView header, bool fullSize);
std::optional<PictureSize> locatedMemorySize(ByteView image, bool fullSize);
