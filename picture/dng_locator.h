// A DNG's JPEGs: the previews its SubIFDs hold (DNG 1.4, "Previews";
// exiftool's Exif.pm calls them PreviewImage and JpgFromRaw). The raw
// image beside them is never read.
#pragma once

#include <optional>

#include "exif/exif_reader.h"
#include "picture/jpeg_locator.h"

// SubIFDs read from IFD0's 0x014A: an in-camera PENTAX DNG holds two or
// three (the raw image, its preview, exiftool's JpgFromRaw); one more is
// room for another maker's thumbnail. Each one beyond the header window
// costs one of the request's directory reads.
constexpr std::uint32_t MaxSubDirectories = 4;

// The narrowest preview shown as the preview: the *istD's 640 x 480.
constexpr std::uint32_t MinPreviewWidth = 640;

// IFD0 carries DNGVersion (BYTE[4]).
bool isDng(const TExifRoot& record);

// fullSize: the widest JPEG preview. preview: the narrowest at least
// MinPreviewWidth wide; where none is, the widest, scaledPreview set. A
// JPEG preview is a SubIFD with NewSubFileType bit 0 set, Compression 7
// (JPEG) or 6 (old-style JPEG), its ImageWidth, and one strip of bytes
// (StripOffsets and StripByteCounts, or 0x0201 and 0x0202).
LocatedJpegs locateDngJpegs(const TExifRoot& record);
