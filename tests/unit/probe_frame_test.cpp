#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "picture/jpeg_probe.h"
#include "picture/picture_plan.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Frame {
  std::uint32_t at;  // position of the 0xFF 0xC0 pair, from the start-of-image marker
  std::uint16_t height;
  std::uint16_t width;
};

// A start-of-image marker at `start`, frame headers at the given places, and
// filler that holds no marker; `length` counts from the buffer's first byte.
Bytes buffer(std::uint32_t start, std::uint32_t length, const std::vector<Frame>& frames) {
  Bytes bytes(length, 0x00);
  bytes[start] = 0xFF;
  bytes[start + 1] = 0xD8;
  for (const Frame& f : frames) {
    const std::uint8_t header[] = {0xFF, 0xC0, 0x00, 0x11, 0x08,
                                   static_cast<std::uint8_t>(f.height >> 8), static_cast<std::uint8_t>(f.height),
                                   static_cast<std::uint8_t>(f.width >> 8), static_cast<std::uint8_t>(f.width)};
    for (std::uint32_t i = 0; i < sizeof header && start + f.at + i < length; ++i)
      bytes[start + f.at + i] = header[i];
  }
  return bytes;
}

struct ProbeCase {
  const char* name;
  std::uint32_t start;
  std::uint32_t length;
  std::vector<Frame> frames;
  bool accepted;
  std::int32_t width;
  std::int32_t height;
  FrameLimits limits = FixedFrameLimits;
};

TEST(ProbeFrame, ScanRules) {
  const ProbeCase cases[] = {
      {"preview size right after the marker", 0, 100, {{2, 480, 640}}, true, 640, 480},
      {"largest accepted", 0, 100, {{20, 4096, 4096}}, true, 4096, 4096},
      {"full-size picture at the preview offset", 8640, 9000, {{100, 2008, 3008}}, true, 3008, 2008},
      {"height 479 skipped", 0, 200, {{10, 479, 640}, {50, 480, 640}}, true, 640, 480},
      {"height 4097 skipped", 0, 200, {{10, 4097, 640}, {50, 481, 700}}, true, 700, 481},
      {"width 639 skipped", 0, 200, {{10, 480, 639}, {50, 500, 641}}, true, 641, 500},
      {"width 4097 skipped", 0, 200, {{10, 480, 4097}, {50, 2008, 3008}}, true, 3008, 2008},
      {"thumbnail frame passed over", 0, 200, {{4, 120, 160}, {30, 480, 640}}, true, 640, 480},
      {"the scan resumes inside a skipped header", 0, 200, {{10, 479, 640}, {13, 480, 640}}, true, 640, 480},
      {"last candidate, start + 65537", 8640, 8640 + 65600, {{65537, 480, 640}}, true, 640, 480},
      {"one past the last candidate", 8640, 8640 + 65600, {{65538, 480, 640}}, false, 0, 0},
      {"size bytes end exactly at the length", 0, 59, {{50, 480, 640}}, true, 640, 480},
      {"size bytes one past the length", 0, 58, {{50, 480, 640}}, false, 0, 0},
      {"only out-of-bounds frames", 0, 200, {{10, 100, 100}}, false, 0, 0},
      {"no frame marker", 0, 2, {}, false, 0, 0},
      {"the caller's limits: a thumbnail", 0, 200, {{4, 120, 160}, {30, 480, 640}}, true, 160, 120,
       {160, 120, 8256, 6192}},
      {"the caller's limits: above 4096", 0, 200, {{4, 6192, 8256}}, true, 8256, 6192, {160, 120, 8256, 6192}},
      {"the caller's limits: one over", 0, 200, {{4, 6193, 8256}}, false, 0, 0, {160, 120, 8256, 6192}},
  };
  for (const ProbeCase& c : cases) {
    const Bytes bytes = buffer(c.start, c.length, c.frames);
    const ByteView view(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    const std::optional<JpegFrame> frame = probeFrame(view, c.start, c.limits);
    ASSERT_EQ(frame.has_value(), c.accepted) << c.name;
    if (!frame) continue;
    EXPECT_EQ(frame->width, c.width) << c.name;
    EXPECT_EQ(frame->height, c.height) << c.name;
    EXPECT_EQ(frame->jpeg.data(), bytes.data() + c.start) << c.name;
    EXPECT_EQ(frame->jpeg.size(), c.length - c.start) << c.name;
  }
}

TEST(ProbeFrame, WithoutStartOfImageNoFrame) {
  const Bytes jpeg = buffer(0, 100, {{2, 480, 640}});
  Bytes endOfImage = jpeg, swapped = jpeg;
  endOfImage[1] = 0xD9;
  swapped[0] = 0xD8;
  swapped[1] = 0xFF;
  const struct {
    const char* name;
    Bytes bytes;
    std::uint32_t start;
  } cases[] = {
      {"end-of-image marker", endOfImage, 0},
      {"marker bytes swapped", swapped, 0},
      {"a single 0xFF", {0xFF}, 0},
      {"empty buffer", {}, 0},
      {"one byte left at start", jpeg, 99},
      {"start beyond the buffer", jpeg, 0xFFFFFFFFu},
  };
  for (const auto& c : cases) {
    const ByteView view(c.bytes.data(), static_cast<std::uint32_t>(c.bytes.size()));
    EXPECT_FALSE(probeFrame(view, c.start, FixedFrameLimits)) << c.name;
  }
}

}  // namespace
