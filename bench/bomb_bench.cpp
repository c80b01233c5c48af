// Each bomb's one picture call against two real frames of its decoy's size,
// encoded by libjpeg at the bombs' quality: its time against a baseline
// frame's (the kind the camera writes), and its heap peak, pixel block
// included, against a progressive 4:4:4 frame's, the most that a real frame
// of that size makes libjpeg hold. The progressive frame's time is printed
// beside them: what a real file of libjpeg's own 10 scans costs.
#include "bomb_bench.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "bench_clock.h"
#include "tests/support/bombs.h"
#include "heap_meter.h"
#include "plugin/picture_request.h"
#include "plugin/source_region.h"

namespace {

constexpr double TimeBound = 2.0;
constexpr double MemoryBound = 1.0;
// The preview's place in a 64 KiB file: what a folder browser's first read
// of a bomb hands the plug-in.
constexpr std::size_t RegionSize = 65536 - PreviewOffset;

using Bytes = std::vector<std::uint8_t>;

// A smooth picture with some texture, so that it codes like a photograph.
Bytes realFrame(int width, int height, bool progressive) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, bombs::Quality, TRUE);
  if (progressive) {
    for (int c = 0; c < 3; ++c) cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    jpeg_simple_progression(&cinfo);
  }
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        row[static_cast<std::size_t>(x) * 3 + c] =
            static_cast<JSAMPLE>((x * (c + 1) / 16 + y * (3 - c) / 16 + ((x * 7 ^ y * 3) & 0x0F)) & 0xFF);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes jpeg(out, out + outSize);
  std::free(out);
  return jpeg;
}

PluginResult pictureCall(const Bytes& jpeg) {
  platform::BlockHandle header = platform::NoBlock, pixels = platform::NoBlock;
  const PluginResult result =
      decodePlanned(fixedPlan(false), ByteView(jpeg.data(), static_cast<std::uint32_t>(jpeg.size())), 0,
                    &header, &pixels);
  if (result == Success) {
    platform::globalFree(header);
    platform::globalFree(pixels);
  }
  return result;
}

double bestTime(const Bytes& jpeg, int rounds) {
  double best = 1e300;
  for (int round = 0; round < rounds; ++round) best = std::min(best, seconds([&] { pictureCall(jpeg); }));
  return best;
}

struct Reference {
  double baselineSeconds;
  double progressiveSeconds;
  std::size_t progressivePeak;
};

Reference referenceFor(int width, int height, int rounds) {
  const Bytes baseline = realFrame(width, height, false);
  const Bytes progressive = bombs::behindDecoy(realFrame(width, height, true), width, height);
  return {bestTime(baseline, rounds), bestTime(progressive, rounds),
          heap_meter::peakOf([&] { pictureCall(progressive); })};
}

}  // namespace

bool bombPaths(int rounds, const char* only) {
  std::map<std::pair<int, int>, Reference> references;
  std::printf("decompression bombs in a %u-byte region, one picture call each, best of %d\n",
              static_cast<unsigned>(RegionSize), rounds);
  std::printf("%-38s %7s %6s %9s %9s %9s %6s %9s %9s %6s\n", "bomb", "bytes", "result", "ms",
              "real ms", "prog. ms", "time", "peak MiB", "real MiB", "memory");
  bool within = true;
  for (const bombs::Bomb& bomb : bombs::all(RegionSize)) {
    if (only && bomb.name.find(only) == std::string::npos) continue;
    const std::pair<int, int> size{bomb.probedWidth, bomb.probedHeight};
    if (!references.count(size)) references[size] = referenceFor(size.first, size.second, rounds);
    const Reference& real = references[size];
    PluginResult result = Success;
    const std::size_t peak = heap_meter::peakOf([&] { result = pictureCall(bomb.jpeg); });
    const double time = bestTime(bomb.jpeg, rounds);
    // A file at the scan limit is no bomb: it may cost what a real
    // progressive frame does.
    const double timeRatio = time / (bomb.atScanLimit ? real.progressiveSeconds : real.baselineSeconds);
    const double memoryRatio = real.progressivePeak ? double(peak) / double(real.progressivePeak) : 0;
    within = within && timeRatio <= TimeBound && memoryRatio <= MemoryBound;
    std::printf("%-38s %7zu %6d %9.2f %9.2f %9.2f %6.3f %9.1f %9.1f %6.3f\n", bomb.name.c_str(),
                bomb.jpeg.size(), static_cast<int>(result), time * 1e3, real.baselineSeconds * 1e3,
                real.progressiveSeconds * 1e3, timeRatio,
                peak / 1048576.0, real.progressivePeak / 1048576.0, memoryRatio);
  }
  if (!heap_meter::available()) std::printf("(no heap meter in this build: memory reads 0)\n");
  std::printf("bounds: time %.1f x the real baseline frame (at the scan limit: the real progressive one),\n"
              "memory %.1f x the real progressive frame; %s\n",
              TimeBound, MemoryBound, within ? "all bombs within" : "BOUND MISSED");
  return within;
}
