#include "picture/jpeg_segments.h"

namespace {

constexpr std::uint8_t MarkerPrefix = 0xFF;
constexpr std::uint8_t StartOfImage = 0xD8;
constexpr std::uint8_t EndOfImage = 0xD9;
constexpr std::uint8_t StartOfScan = 0xDA;
constexpr std::uint8_t Temporary = 0x01;  // TEM: no length field
constexpr std::uint8_t FirstRestart = 0xD0, LastRestart = 0xD7;
// SOF0 baseline, SOF1 extended sequential, SOF2 progressive; the other
// frame markers of 0xC0-0xCF are lossless or arithmetic frames, or DHT
// (0xC4), JPG (0xC8) and DAC (0xCC), which are no frames.
constexpr std::uint8_t Baseline = 0xC0, Progressive = 0xC2;
constexpr std::uint8_t DefineHuffman = 0xC4, Reserved = 0xC8, DefineArithmetic = 0xCC;
constexpr std::uint8_t FirstFrame = 0xC0, LastFrame = 0xCF;

// From the marker's first byte: marker (2), length (2), precision (1),
// lines (2), samples per line (2).
constexpr std::uint32_t LengthOffset = 2;
constexpr std::uint32_t LinesOffset = 5;
constexpr std::uint32_t SamplesOffset = 7;
constexpr std::uint16_t SmallestLength = 2;  // the length counts its own two bytes

bool standalone(std::uint8_t marker) {
  return marker == Temporary || (marker >= FirstRestart && marker <= LastRestart);
}

bool frameMarker(std::uint8_t marker) {
  return marker >= FirstFrame && marker <= LastFrame && marker != DefineHuffman &&
         marker != Reserved && marker != DefineArithmetic;
}

bool within(const FrameLimits& limits, std::uint32_t width, std::uint32_t height) {
  return height >= limits.minHeight && height <= limits.maxHeight && width >= limits.minWidth &&
         width <= limits.maxWidth;
}

SegmentWalk frameAt(ByteView jpeg, std::uint32_t at, std::uint8_t marker, const FrameLimits& limits) {
  std::uint16_t lines = 0, samples = 0;
  if (!jpeg.be16(at + SamplesOffset, &samples) || !jpeg.be16(at + LinesOffset, &lines))
    return {std::nullopt, true};
  if (marker < Baseline || marker > Progressive || !within(limits, samples, lines))
    return {std::nullopt, false};
  return {JpegFrame{jpeg, samples, lines}, false};
}

}  // namespace

SegmentWalk walkToFrame(ByteView jpeg, const FrameLimits& limits) {
  const std::uint8_t* soi = jpeg.at(0, 2);
  if (!soi || soi[0] != MarkerPrefix || soi[1] != StartOfImage) return {std::nullopt, !soi};
  // Every step moves on by at least two bytes, so the walk ends within the
  // bytes it was given.
  std::uint32_t at = 2;
  for (;;) {
    std::uint8_t prefix = 0, marker = 0;
    if (!jpeg.u8(at, &prefix)) return {std::nullopt, true};
    if (prefix != MarkerPrefix) return {std::nullopt, false};
    if (!jpeg.u8(at + 1, &marker)) return {std::nullopt, true};
    if (marker == MarkerPrefix) {  // a fill byte before the marker
      ++at;
      continue;
    }
    if (standalone(marker)) {
      at += 2;
      continue;
    }
    if (marker == StartOfImage || marker == EndOfImage || marker == StartOfScan)
      return {std::nullopt, false};
    if (frameMarker(marker)) return frameAt(jpeg, at, marker, limits);
    std::uint16_t length = 0;
    if (!jpeg.be16(at + LengthOffset, &length)) return {std::nullopt, true};
    if (length < SmallestLength) return {std::nullopt, false};
    // at stays inside the view, so adding a 17-bit step cannot wrap.
    at += LengthOffset + length;
  }
}
