// Picture-path benchmark: the plug-in's decode against the floor of the same
// work, a bare libjpeg decode of the same bytes from memory with the same
// settings into a plain buffer. Prints best-of-N times, their ratios, and the
// heap the plug-in's path holds at its peak beyond the pixel block and the
// read buffer, beside what the bare decode holds beyond its plain buffer.
// Then the cost of each decompression bomb against a real frame of the size
// it pretends (bomb_bench.cpp). It builds natively and for Windows, where it
// runs under Wine over the same core and the same libjpeg-turbo as the DLL.
//
// Then the bodies' located full-size frames and GetPictureInfo's walk
// (body_bench.cpp), from the samples beside the camera file.
//
//   decode_bench CAMERA_FILE [rounds [bomb rounds [bomb name part]]]
// (rounds 0 skips the camera file's and the bodies' paths, bomb rounds 0 the
// bombs)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "bare_decode.h"
#include "bench_clock.h"
#include "body_bench.h"
#include "dng_bench.h"
#include "bomb_bench.h"
#include "heap_meter.h"
#include "picture/dib_decode.h"
#include "platform/platform.h"
#include "picture/camera_layout.h"
#include "plugin/picture_request.h"
#include "plugin/exports.h"
#include "plugin/settings.h"
#include "plugin/source_region.h"

namespace {

constexpr int DefaultRounds = 15;
constexpr int DefaultBombRounds = 3;
constexpr double MemoryTarget = 1.03;
constexpr double FileTarget = 1.05;
// A turned decode against the unturned decode of the same JPEG.
constexpr double TurnTarget = 1.25;
constexpr std::size_t ExtraPeakTarget = 1 << 20;

// One open, one seek, one read of the region into a heap buffer, one close,
// then the bare decode.
void bareReadAndDecode(const std::string& path, std::int32_t position, std::uint32_t length) {
  auto* region = static_cast<std::uint8_t*>(std::malloc(length));
  platform::FileHandle file;
  std::uint32_t got = 0;
  if (platform::openForReading(path.c_str(), &file)) {
    if (!platform::seekFromStart(file, position) || !platform::readFile(file, region, length, &got)) got = 0;
    platform::closeFile(file);
  }
  bareDecode(ByteView(region, got), JDCT_FLOAT, 0, FullImageHeight);
  std::free(region);
}

void releaseBlocks(platform::BlockHandle header, platform::BlockHandle pixels) {
  platform::globalFree(header);
  platform::globalFree(pixels);
}

struct Path {
  const char* name;
  double target;
  int roundScale;           // more rounds for the preview, which decodes in a fraction of the time
  std::size_t handedOver;  // pixel block and header block
  std::size_t readBuffer;  // the plug-in's scratch read, not counted as extra
  std::size_t plainBuffer; // the floor's output buffer
  std::function<void()> ours;
  std::function<void()> floor;
  double bestOurs = 1e300;
  double bestFloor = 1e300;
  std::size_t extraOurs = 0;
  std::size_t extraFloor = 0;
};

std::size_t strideOf(std::size_t width) { return (width * BytesPerPixel + 3) & ~std::size_t{3}; }

// The camera file's three paths against their floors; true when all meet
// their targets.
bool cameraPaths(const std::string& pef, int rounds) {
  // The generator's standard camera file, as a file and as a memory image;
  // the regions are those the plug-in decodes in each mode.
  std::ifstream in(pef, std::ios::binary);
  const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string ini = std::filesystem::absolute("tarnik-bench.ini").string();
  if (std::FILE* out = std::fopen(ini.c_str(), "w")) {
    std::fputs("[SETTING]\nFULLSIZE=1\n", out);
    std::fclose(out);
  }
  std::snprintf(settingsPath, sizeof settingsPath, "%s", ini.c_str());
  const auto imageSize = static_cast<std::int32_t>(image.size());
  ByteView fullView, previewView;
  locateMemoryRegion(image.data(), imageSize, true, &fullView);
  locateMemoryRegion(image.data(), imageSize, false, &previewView);

  const std::size_t fullPixels = strideOf(FullImageWidth) * FullImageHeight;
  const std::size_t previewPixels = strideOf(PreviewWidth) * PreviewFrameHeight;
  const std::size_t headerBlock = 44;
  // The full-size picture turned a quarter: 2008 pixels a row, 3008 rows.
  const std::size_t turnedPixels = strideOf(FullImageHeight) * FullImageWidth;
  const auto unturned = [&] {
    platform::BlockHandle header, pixels;
    decodePlanned(fixedPlan(true), fullView, RequestBestQuality, &header, &pixels);
    releaseBlocks(header, pixels);
  };
  const auto turned = [&](std::uint16_t orientation) {
    return [&, orientation] {
      platform::BlockHandle header, pixels;
      decodePlanned(fixedPlan(true, turnOf(orientation)), fullView, RequestBestQuality, &header, &pixels);
      releaseBlocks(header, pixels);
    };
  };
  Path paths[] = {
      {"full size, memory, best quality", MemoryTarget, 1, fullPixels + headerBlock, 0, fullPixels,
       [&] {
         platform::BlockHandle header, pixels;
         decodePlanned(fixedPlan(true), fullView, RequestBestQuality, &header, &pixels);
         releaseBlocks(header, pixels);
       },
       [&] { bareDecode(fullView, JDCT_FLOAT, 0, FullImageHeight); }},
      {"preview, memory, fast", MemoryTarget, 20, previewPixels + headerBlock, 0, strideOf(PreviewWidth) * PreviewHeight,
       [&] {
         platform::BlockHandle header, pixels;
         decodePlanned(fixedPlan(false), previewView, 0, &header, &pixels);
         releaseBlocks(header, pixels);
       },
       [&] { bareDecode(previewView, JDCT_IFAST, PreviewCropTopRows, PreviewHeight); }},
      {"full size, file, GetPicture", FileTarget, 1, fullPixels + headerBlock, fullView.size() + ReadSlack,
       fullPixels + fullView.size(),
       [&] {
         platform::BlockHandle header, pixels;
         GetPicture(pef.c_str(), 0, SourceFile, &header, &pixels, nullptr, 0);
         releaseBlocks(header, pixels);
       },
       [&] { bareReadAndDecode(pef, FullImageOffset, fullView.size()); }},
      {"full size turned 6 vs unturned", TurnTarget, 1, turnedPixels + headerBlock, 0, fullPixels + headerBlock,
       turned(6), unturned},
      {"full size turned 8 vs unturned", TurnTarget, 1, turnedPixels + headerBlock, 0, fullPixels + headerBlock,
       turned(8), unturned},
  };

  for (Path& path : paths) {
    if (!heap_meter::available()) break;
    path.extraOurs = heap_meter::peakOf(path.ours) - path.handedOver - path.readBuffer;
    path.extraFloor = heap_meter::peakOf(path.floor) - path.plainBuffer;
  }
  // Rounds alternate between the plug-in and the floor, so that load from
  // elsewhere on the machine falls on both alike.
  for (Path& path : paths) {
    for (int round = 0; round < rounds * path.roundScale; ++round) {
      path.bestOurs = std::min(path.bestOurs, seconds(path.ours));
      path.bestFloor = std::min(path.bestFloor, seconds(path.floor));
    }
  }

  std::printf("sample: full-size region %u bytes, preview region %u bytes; best of %d (preview: %d)\n",
              fullView.size(), previewView.size(), rounds, rounds * 20);
  std::printf("%-34s %9s %9s %7s %7s %14s %14s\n", "path", "ours ms", "floor ms", "ratio", "target",
              "extra KiB", "floor's KiB");
  bool met = true;
  for (const Path& path : paths) {
    const double ratio = path.bestOurs / path.bestFloor;
    met = met && ratio <= path.target && path.extraOurs <= ExtraPeakTarget;
    std::printf("%-34s %9.2f %9.2f %7.3f %7.2f %14.1f %14.1f\n", path.name, path.bestOurs * 1e3,
                path.bestFloor * 1e3, ratio, path.target, path.extraOurs / 1024.0, path.extraFloor / 1024.0);
  }
  if (!heap_meter::available()) std::printf("(no heap meter in this build: extra peaks read 0)\n");
  std::printf("extra peak target: %u KiB; %s\n", static_cast<unsigned>(ExtraPeakTarget / 1024),
              met ? "all targets met" : "TARGET MISSED");
  std::remove(ini.c_str());
  return met;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: decode_bench CAMERA_FILE [rounds [bomb rounds [bomb name part]]]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::atoi(argv[2]) : DefaultRounds;
  const int bombRounds = argc > 3 ? std::atoi(argv[3]) : DefaultBombRounds;
  if (rounds > 0) cameraPaths(argv[1], rounds);
  if (rounds > 0) std::printf("\n");
  if (rounds > 0) bodyPaths(argv[1], rounds);
  if (rounds > 0) std::printf("\n");
  if (rounds > 0) dngPaths(argv[1], rounds);
  if (rounds > 0 && bombRounds > 0) std::printf("\n");
  if (bombRounds > 0) bombPaths(bombRounds, argc > 4 ? argv[4] : nullptr);
  return 0;
}
