#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "picture/dib_decode.h"
#include "picture/jpeg_decoder.h"
#include "platform/platform.h"
#include "platform/posix_testing.h"
#include "plugin/picture_request.h"
#include "tests/support/bombs.h"
#include "tests/support/test_jpegs.h"

namespace {

using platform::BlockHandle;

constexpr BlockHandle HeaderSentinel = 77;
constexpr BlockHandle PixelsSentinel = 88;

std::size_t strideOf(int width) { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }

struct Dib {
  PluginResult result;
  BlockHandle header = HeaderSentinel;
  BlockHandle pixels = PixelsSentinel;
};

Dib extract(const Bytes& jpeg, std::uint32_t flags) {
  Dib dib;
  dib.result = decodePlanned(fixedPlan((flags & RequestFullSize) != 0),
                             ByteView(jpeg.data(), static_cast<std::uint32_t>(jpeg.size())), flags,
                             &dib.header, &dib.pixels);
  return dib;
}

void release(const Dib& dib) {
  platform::globalFree(dib.header);
  platform::globalFree(dib.pixels);
}

// BITMAPINFOHEADER as ten little-endian words; biPlanes 1 and biBitCount 24
// share the fourth.
void expectHeader(BlockHandle block, int width, int outputHeight) {
  ASSERT_EQ(platform::globalSize(block), 44u);
  const auto* locked = static_cast<const std::uint8_t*>(platform::globalLock(block));
  const Bytes header(locked, locked + 40);
  platform::globalUnlock(block);
  const std::uint32_t expected[10] = {40, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(outputHeight),
                                      1 | 24 << 16, 0, static_cast<std::uint32_t>(strideOf(width) * outputHeight)};
  for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(le32(header, 4 * i), expected[i]) << "header byte " << 4 * i;
}

// Output row r (from the top) must be decoded row r + skip, cut or padded
// with white to `width` pixels; output rows beyond the decoded frame are white.
void expectPixels(BlockHandle block, int width, int frameHeight, int outputHeight, int skip,
                  const ReferenceBitmap& ref) {
  const std::size_t stride = strideOf(width);
  ASSERT_EQ(platform::globalSize(block), stride * frameHeight);
  ASSERT_GT(ref.height, 0) << "djpeg gave no picture";
  const auto* pixels = static_cast<const std::uint8_t*>(platform::globalLock(block));
  int badRows = 0, firstBad = -1;
  Bytes expected(static_cast<std::size_t>(width) * 3);
  for (int r = 0; r < outputHeight; ++r) {
    std::fill(expected.begin(), expected.end(), 0xFF);
    if (r + skip < ref.height)
      std::memcpy(expected.data(), ref.row(r + skip), static_cast<std::size_t>(std::min(width, ref.width)) * 3);
    const std::uint8_t* row = pixels + static_cast<std::size_t>(outputHeight - 1 - r) * stride;
    if (std::memcmp(row, expected.data(), expected.size()) != 0 && badRows++ == 0) firstBad = r;
  }
  platform::globalUnlock(block);
  EXPECT_EQ(badRows, 0) << "first differing output row " << firstBad;
}

struct DecodeCase {
  const char* name;
  Bytes jpeg;
  bool best;
  int width, height;       // probed frame
  int outputHeight, skip;  // picture handed over
};

void expectDecodes(const DecodeCase& c) {
  SCOPED_TRACE(c.name);
  const Dib dib = extract(c.jpeg, c.best ? std::uint32_t{RequestBestQuality} : 0u);
  ASSERT_EQ(dib.result, Success);
  expectHeader(dib.header, c.width, c.outputHeight);
  expectPixels(dib.pixels, c.width, c.height, c.outputHeight, c.skip, djpegBitmap(c.jpeg, c.best));
  release(dib);
  EXPECT_EQ(platform::testing::liveBlocks(), 0u);
}

void expectRejected(const char* name, const Bytes& jpeg, PluginResult expected) {
  const Dib dib = extract(jpeg, RequestBestQuality);
  EXPECT_EQ(dib.result, expected) << name;
  EXPECT_EQ(dib.header, HeaderSentinel) << name;
  EXPECT_EQ(dib.pixels, PixelsSentinel) << name;
  EXPECT_EQ(platform::testing::liveBlocks(), 0u) << name;
}

TEST(ExtractPicture, MatchesDjpegForEachFrameKindAndSetting) {
  const Bytes preview = pef_sample::synthJpeg(pef_sample::cameraPreview());
  const DecodeCase cases[] = {
      {"preview 4:2:0, float IDCT", preview, true, 640, 480, 428, 26},
      {"preview 4:2:0, fast IDCT", preview, false, 640, 480, 428, 26},
      {"4:2:2", encodeJpeg(640, 480, Layout::H2V1), true, 640, 480, 428, 26},
      {"4:4:4", encodeJpeg(640, 480, Layout::H1V1), false, 640, 480, 428, 26},
      {"greyscale", sceneJpeg(640, 480, true), true, 640, 480, 428, 26},
      {"641 x 481, padded rows, not cropped", sceneJpeg(641, 481), true, 641, 481, 481, 0},
      {"full-size picture", pef_sample::synthJpeg(pef_sample::cameraFullImage()), true, 3008, 2008, 2008, 0},
  };
  for (const DecodeCase& c : cases) expectDecodes(c);
}

TEST(ExtractPicture, ProbedFrameGovernsTheBitmap) {
  // The probe takes a decoy frame header in a comment segment; libjpeg decodes
  // the real frame, which may be smaller (white fill) or larger (clipped).
  const DecodeCase cases[] = {
      {"decoded smaller", withDecoyFrame(sceneJpeg(640, 480), 700, 500), true, 700, 500, 500, 0},
      {"decoded larger", withDecoyFrame(sceneJpeg(700, 500), 650, 490), true, 650, 490, 490, 0},
      {"decoded larger, progressive", withDecoyFrame(sceneJpeg(700, 500, false, true), 650, 490), true, 650,
       490, 490, 0},
      {"decoded larger, probed 480 rows: cropped",
       withDecoyFrame(sceneJpeg(660, 520), 640, 480), false, 640, 480, 428, 26},
      {"decoded frame ends inside the crop", withDecoyFrame(sceneJpeg(640, 40), 640, 480), true, 640, 480,
       428, 26},
      {"decoded frame ends above the crop", withDecoyFrame(sceneJpeg(640, 16), 640, 480), true, 640, 480,
       428, 26},
      {"progressive, found through a baseline pair",
       withDecoyFrame(sceneJpeg(640, 480, false, true), 640, 480), true, 640, 480, 428, 26},
  };
  for (const DecodeCase& c : cases) expectDecodes(c);
}

TEST(ExtractPicture, DataThatEndsEarlyIsCompletedBylibjpeg) {
  const Bytes baseline = sceneJpeg(640, 480);
  // A progressive picture cut short lacks refinement scans, which is where
  // block smoothing shows.
  const Bytes progressive = withDecoyFrame(sceneJpeg(640, 480, false, true), 640, 480);
  for (const Bytes* full : {&baseline, &progressive}) {
    for (const std::size_t keep : {full->size() / 2, full->size() - 2}) {
      const Bytes cut(full->begin(), full->begin() + static_cast<std::ptrdiff_t>(keep));
      expectDecodes({"truncated", cut, true, 640, 480, 428, 26});
    }
  }
}

// The position of the first byte after `marker`'s length field.
std::size_t segmentBody(const Bytes& jpeg, std::uint8_t marker) {
  for (std::size_t i = 2; i + 4 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) return i + 4;
  return 0;
}

TEST(ExtractPicture, FailuresHandNothingOver) {
  Bytes corruptHuffman = sceneJpeg(640, 480);
  const std::size_t table = segmentBody(corruptHuffman, 0xC4);
  ASSERT_NE(table, 0u);
  std::fill_n(corruptHuffman.begin() + static_cast<std::ptrdiff_t>(table) + 1, 16, 0xFF);  // 4080 codes
  const Bytes baseline = sceneJpeg(640, 480);
  const Bytes headerOnly(baseline.begin(), baseline.begin() + static_cast<std::ptrdiff_t>(segmentBody(baseline, 0xDA)));

  expectRejected("not a JPEG", Bytes(1000, 0x11), UnsupportedFormat);
  expectRejected("progressive without a baseline pair", sceneJpeg(640, 480, false, true),
                 UnsupportedFormat);
  expectRejected("CMYK cannot become blue-green-red", encodeJpeg(640, 480, Layout::Cmyk), UnsupportedFormat);
  expectRejected("corrupt Huffman table", corruptHuffman, UnsupportedFormat);
  expectRejected("ends before the scan", headerOnly, UnsupportedFormat);
}

// Each count of the scans refuses one scan over the limit on its own; a fault
// in either would otherwise hide behind the other.
TEST(ExtractPicture, EachScanCountAloneHoldsTheLimit) {
  const struct {
    const char* name;
    JpegScanCounts counts;
  } cases[] = {{"counted in the bytes", JpegCountInBytes}, {"counted while reading", JpegCountWhileReading}};
  for (const auto& c : cases) {
    jpegUseScanCounts(c.counts);
    const Dib atLimit = extract(bombs::progression(JpegMaxScans), 0);
    EXPECT_EQ(atLimit.result, Success) << c.name;
    release(atLimit);
    expectRejected(c.name, bombs::progression(JpegMaxScans + 1), UnsupportedFormat);
  }
  jpegUseScanCounts(JpegCountBoth);
}

TEST(DecodeDib, ACropLeavingNoRowOrABlockPast32BitsAllocatesNothing) {
  const Bytes& jpeg = sceneJpeg(640, 480);
  const ByteView view(jpeg.data(), static_cast<std::uint32_t>(jpeg.size()));
  const struct {
    const char* name;
    JpegFrame frame;
    FrameCrop crop;
    PictureOutcome expected;
  } cases[] = {
      {"crops meeting", {view, 640, 480}, {240, 240}, PictureOutcome::Refused},
      {"top crop alone", {view, 640, 480}, {480, 0}, PictureOutcome::Refused},
      {"bottom crop near 4 GiB", {view, 640, 480}, {1, 0xFFFFFFFFu}, PictureOutcome::Refused},
      {"columns meeting", {view, 640, 480}, {0, 0, 320, 320}, PictureOutcome::Refused},
      {"left crop alone", {view, 640, 480}, {0, 0, 640, 0}, PictureOutcome::Refused},
      {"right crop near 4 GiB", {view, 640, 480}, {0, 0, 1, 0xFFFFFFFFu}, PictureOutcome::Refused},
      {"pixel block of 2 GiB", {view, 10923, 65535}, {0, 0}, PictureOutcome::OutOfMemory},
  };
  for (const auto& c : cases) {
    DibBlocks blocks{HeaderSentinel, PixelsSentinel};
    EXPECT_EQ(decodeDib(c.frame, c.crop, AsStored, DecodeQuality::Best, &blocks), c.expected) << c.name;
    EXPECT_EQ(blocks.header, HeaderSentinel) << c.name;
    EXPECT_EQ(blocks.pixels, PixelsSentinel) << c.name;
    EXPECT_EQ(platform::testing::liveBlocks(), 0u) << c.name;
  }
}

// The bomb defences weigh a frame at its probed size whatever the scale,
// as libjpeg reads its coefficients unscaled: every bomb fares at 1/8 as
// it does whole. The region is the *istD's preview region's size.
TEST(DecodeDib, EveryBombFaresAtOneEighthAsItDoesWhole) {
  constexpr std::size_t RegionSize = 65536 - 8640;
  for (const bombs::Bomb& bomb : bombs::all(RegionSize)) {
    const JpegFrame frame{ByteView(bomb.jpeg.data(), static_cast<std::uint32_t>(bomb.jpeg.size())),
                          bomb.probedWidth, bomb.probedHeight};
    DibBlocks blocks{HeaderSentinel, PixelsSentinel};
    const PictureOutcome outcome = decodeDib(frame, {0, 0}, AsStored, DecodeQuality::Fastest, &blocks, 1);
    EXPECT_EQ(outcome, bomb.accepted ? PictureOutcome::Decoded : PictureOutcome::Refused) << bomb.name;
    if (outcome != PictureOutcome::Decoded) continue;
    platform::globalFree(blocks.header);
    platform::globalFree(blocks.pixels);
  }
  EXPECT_EQ(platform::testing::liveBlocks(), 0u);
}

TEST(ExtractPicture, EveryFailedAllocationIsOutOfMemory) {
  const Bytes jpegs[] = {
      sceneJpeg(640, 480),
      withDecoyFrame(sceneJpeg(700, 500), 650, 490),  // a scratch row
      withDecoyFrame(sceneJpeg(640, 480, false, true), 640, 480),  // whole-image buffers
  };
  for (const Bytes& jpeg : jpegs) {
    std::size_t n = 1;
    for (;; ++n) {
      platform::testing::failAllocationAt(n);
      const Dib dib = extract(jpeg, 0);
      if (!platform::testing::injectedFailureFired()) {
        EXPECT_EQ(dib.result, Success);
        release(dib);
        break;
      }
      EXPECT_EQ(dib.result, OutOfMemory) << "allocation " << n;
      EXPECT_EQ(dib.header, HeaderSentinel) << "allocation " << n;
      EXPECT_EQ(dib.pixels, PixelsSentinel) << "allocation " << n;
      EXPECT_EQ(platform::testing::liveBlocks(), 0u) << "allocation " << n;
    }
    platform::testing::failAllocationAt(0);
    EXPECT_GT(n, 10u) << "libjpeg's allocations are counted too";
  }
}

}  // namespace
