// A JPEG's frame as its markers name it: the segments are walked by their
// lengths from the start-of-image marker to the first start-of-frame (ITU
// T.81, B.1.1.4 and B.2), so a frame header that an APPn or COM segment
// carries (a thumbnail's, or a decoy's) is never taken for the picture's.
#pragma once

#include <cstdint>
#include <optional>

#include "io/byte_view.h"
#include "picture/jpeg_probe.h"

// How far into a JPEG the walk looks for its frame: sixteen segments of the
// largest size a 16-bit length allows. A camera writes its EXIF data, a
// thumbnail and the tables there, well inside it.
constexpr std::uint32_t FrameSearchReach = 16 * 65536;

struct SegmentWalk {
  std::optional<JpegFrame> frame;  // the first start-of-frame's, within the limits
  bool ranOut;                     // the bytes ended before the walk came to a frame
};

// Walks `jpeg`, whose first byte must open a start-of-image marker. The
// frame is taken when it is a Huffman-coded one libjpeg decodes (baseline,
// extended or progressive) of a size within `limits`; any other first frame,
// a scan or the end of the image before a frame, or a segment shorter than
// its length field, gives no frame.
SegmentWalk walkToFrame(ByteView jpeg, const FrameLimits& limits);
