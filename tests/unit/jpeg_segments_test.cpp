// The located JPEG's frame: the first start-of-frame reached by segment
// lengths, whatever frame headers the segments before it carry.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "picture/jpeg_segments.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr FrameLimits AnySize{1, 1, 8256, 6192};

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Bytes Soi{0xFF, 0xD8};

// A segment: marker, 16-bit length (counting itself), then the payload.
Bytes segment(std::uint8_t marker, const Bytes& payload) {
  const std::size_t length = payload.size() + 2;
  return Bytes{0xFF, marker, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)} + payload;
}

// A three-component frame header of the given size.
Bytes frame(std::uint8_t marker, std::uint16_t width, std::uint16_t height) {
  return segment(marker, {8, static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
                          static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width), 3,
                          1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
}

TEST(JpegSegments, TheFirstFrameReachedByLengthsIsThePicture) {
  const Bytes app1WithPreview = segment(0xE1, Bytes(40, 0x20) + Soi + frame(0xC0, 640, 480));
  const struct {
    const char* what;
    Bytes jpeg;
    int width;  // 0: no frame
    int height;
    bool ranOut;
  } cases[] = {
      {"frame right after the start", Soi + frame(0xC0, 3008, 2008), 3008, 2008, false},
      {"a preview inside APP1 before the frame", Soi + app1WithPreview + frame(0xC0, 8256, 6192), 8256, 6192,
       false},
      {"a frame header inside APP5 before a preview's",
       Soi + segment(0xE5, frame(0xC0, 8256, 6136)) + segment(0xDB, Bytes(65, 1)) + frame(0xC0, 640, 480), 640,
       480, false},
      {"fill bytes and a restart marker", Soi + Bytes{0xFF, 0xFF, 0xFF, 0xD0} + frame(0xC0, 640, 480), 640, 480,
       false},
      {"extended sequential", Soi + frame(0xC1, 640, 480), 640, 480, false},
      {"progressive", Soi + frame(0xC2, 640, 480), 640, 480, false},
      {"lossless, which libjpeg does not decode", Soi + frame(0xC3, 640, 480), 0, 0, false},
      {"a scan before any frame", Soi + segment(0xDA, Bytes(10, 0)) + frame(0xC0, 640, 480), 0, 0, false},
      {"the end of the image before any frame", Soi + Bytes{0xFF, 0xD9} + frame(0xC0, 640, 480), 0, 0, false},
      {"a length below two", Soi + Bytes{0xFF, 0xE1, 0, 1} + frame(0xC0, 640, 480), 0, 0, false},
      {"no marker where one must be", Soi + segment(0xE0, {1}) + Bytes{0x00} + frame(0xC0, 640, 480), 0, 0, false},
      {"a frame larger than any PENTAX frame", Soi + frame(0xC0, 8257, 6192), 0, 0, false},
      {"a frame of no lines", Soi + frame(0xC0, 640, 0), 0, 0, false},
      {"no start-of-image", frame(0xC0, 640, 480), 0, 0, false},
      {"bytes ending inside a segment", Soi + Bytes{0xFF, 0xE1, 0x10, 0x00, 1, 2, 3}, 0, 0, true},
      {"bytes ending inside the frame header", Soi + Bytes{0xFF, 0xC0, 0, 17, 8, 1}, 0, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const SegmentWalk walk = walkToFrame(ByteView(c.jpeg.data(), static_cast<std::uint32_t>(c.jpeg.size())), AnySize);
    EXPECT_EQ(walk.ranOut, c.ranOut);
    ASSERT_EQ(walk.frame.has_value(), c.width != 0);
    if (!walk.frame) continue;
    EXPECT_EQ(walk.frame->width, c.width);
    EXPECT_EQ(walk.frame->height, c.height);
    EXPECT_EQ(walk.frame->jpeg.size(), c.jpeg.size());
  }
}

}  // namespace
