// The frame probe. It does not walk the JPEG's segments: after the
// start-of-image marker it looks at every byte position for the baseline
// start-of-frame marker 0xFF 0xC0 (ITU T.81, B.2.2) and takes the first whose
// picture size lies within the caller's limits, wherever the pair occurs.
#include "picture/jpeg_probe.h"

namespace {

constexpr std::uint8_t MarkerPrefix = 0xFF;
constexpr std::uint8_t StartOfImage = 0xD8;
constexpr std::uint8_t BaselineFrame = 0xC0;

constexpr std::uint32_t LinesOffset = 5;
constexpr std::uint32_t SamplesOffset = 7;

bool within(const FrameLimits& limits, std::uint32_t width, std::uint32_t height) {
  return height >= limits.minHeight && height <= limits.maxHeight && width >= limits.minWidth &&
         width <= limits.maxWidth;
}

}  // namespace

std::optional<JpegFrame> probeFrame(ByteView buffer, std::uint32_t start, const FrameLimits& limits) {
  const std::uint8_t* soi = buffer.at(start, 2);
  if (!soi || soi[0] != MarkerPrefix || soi[1] != StartOfImage) return std::nullopt;

  const ByteView jpeg = buffer.slice(start, buffer.size() - start);
  for (std::uint32_t p = 2; p < 2 + ProbeScanLimit; ++p) {
    const ByteView frame = jpeg.slice(p, FrameFieldsSize);
    if (frame.size() == 0) break;
    std::uint8_t prefix = 0, marker = 0;
    frame.u8(0, &prefix);
    frame.u8(1, &marker);
    if (prefix != MarkerPrefix || marker != BaselineFrame) continue;
    std::uint16_t lines = 0, samples = 0;
    frame.be16(LinesOffset, &lines);
    frame.be16(SamplesOffset, &samples);
    if (within(limits, samples, lines)) return JpegFrame{jpeg, samples, lines};
  }
  return std::nullopt;
}
