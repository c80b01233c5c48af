// The picture requests, each run through one plan (picture/picture_plan.h):
// the source's directories walked once, the plan's JPEG read, its frame
// found, and the bitmap decoded or its size reported. The outcome is the
// host's result code:
// - OutOfMemory: memory that could not be had;
// - ReadError: the file too short for the JPEG (or its region);
// - UnsupportedFormat: a JPEG that holds no frame to show.
#pragma once

#include <cstdint>

#include "exif/info_text.h"
#include "picture/picture_plan.h"
#include "platform/platform.h"
#include "plugin/plugin_types.h"
#include "plugin/raw_source.h"

// The one decode path: the plan's frame in `jpeg` decoded into the host's
// bitmap at the quality the request word (RequestBestQuality) asks;
// UnsupportedFormat when the bytes hold no frame. On Success both handles
// are written; otherwise neither is and nothing stays allocated.
PluginResult decodePlanned(const PicturePlan& plan, ByteView jpeg, std::uint32_t request,
                           platform::BlockHandle* header, platform::BlockHandle* pixels);

// What the settings ask of a picture: the full-size JPEG or the preview,
// and whether to turn it as IFD0's Orientation says.
struct PictureAsk {
  bool fullSize;
  bool upright;
};

// The picture of the JPEG `ask` selects, decoded at the quality the request
// word (RequestBestQuality) asks. On Success both handles are written;
// otherwise neither is and nothing stays allocated.
PluginResult decodePicture(RawSource& source, PictureAsk ask, std::uint32_t request,
                           platform::BlockHandle* header, platform::BlockHandle* pixels);

// The information text and the size the picture will have (the camera's
// sizes, turned, when no plan holds a frame). The header window must have
// been read.
PluginResult describePicture(RawSource& source, PictureAsk ask, char (&text)[TextBufferSize],
                             PictureSize* size);

// IsSupported with a handle, after the TIFF header's mark was checked: a
// DNG, or (unless `dngOnly`) a PENTAX file with a marked maker note, whose
// located preview or full-size JPEG holds a frame.
bool locatedFrameHolds(RawSource& source, bool dngOnly);
