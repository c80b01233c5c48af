// The JPEG is found here by a walk of our own: IFD0's SubIFDs (0x014A), the
// widest with a strip (0x0111, 0x0117) and a width (0x0100), little-endian.
#include "dng_bench.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <vector>

#include "bare_decode.h"
#include "bench_clock.h"
#include "bench_files.h"
#include "heap_meter.h"
#include "platform/platform.h"
#include "plugin/exports.h"
#include "plugin/settings.h"

namespace {

constexpr double FullTarget = 1.03;
constexpr double ScaledTarget = 1.05;
// The frames take a few hundred milliseconds each natively.
constexpr int RoundsDivisor = 5;

using Bytes = std::vector<std::uint8_t>;

std::optional<std::uint32_t> le(const Bytes& b, std::uint32_t at, std::uint32_t size) {
  if (at > b.size() || size > b.size() - at) return std::nullopt;
  std::uint32_t v = 0;
  for (std::uint32_t i = size; i-- > 0;) v = v << 8 | b[at + i];
  return v;
}

// The value field of `tag` in the directory at `ifd`.
std::optional<std::uint32_t> field(const Bytes& file, std::uint32_t ifd, std::uint16_t tag) {
  const auto count = le(file, ifd, 2);
  for (std::uint32_t i = 0; count && i < *count; ++i)
    if (le(file, ifd + 2 + 12 * i, 2) == tag) return le(file, ifd + 2 + 12 * i + 8, 4);
  return std::nullopt;
}

std::optional<ByteView> widestJpeg(const Bytes& file) {
  const auto ifd0 = le(file, 4, 4);
  const auto list = ifd0 ? field(file, *ifd0, 0x014A) : std::nullopt;
  std::optional<ByteView> widest;
  std::uint32_t widestWidth = 0;
  for (std::uint32_t i = 0; list; ++i) {
    const auto ifd = le(file, *list + 4 * i, 4);
    if (!ifd || *ifd == 0 || *ifd >= file.size()) break;
    const auto width = field(file, *ifd, 0x0100), at = field(file, *ifd, 0x0111), length = field(file, *ifd, 0x0117);
    if (field(file, *ifd, 0x0103) != 7u || !width || !at || !length || *width <= widestWidth ||
        *at > file.size() || *length > file.size() - *at)
      continue;
    widestWidth = *width;
    widest = ByteView(file.data() + *at, *length);
  }
  return widest;
}

void useSetting(const std::string& ini, bool fullSize) {
  if (std::FILE* out = std::fopen(ini.c_str(), "w")) {
    std::fputs(fullSize ? "[SETTING]\nFULLSIZE=1\n" : "[SETTING]\nFULLSIZE=0\n", out);
    std::fclose(out);
  }
}

// One GetPicture from memory; the bitmap's height and the pixel block's
// size, or nothing when it fails.
struct Decoded {
  std::uint32_t height;
  std::size_t block;
};
std::optional<Decoded> picture(const Bytes& image) {
  platform::BlockHandle header, pixels;
  if (GetPicture(reinterpret_cast<const char*>(image.data()), static_cast<std::int32_t>(image.size()), SourceMemory,
                 &header, &pixels, nullptr, 0) != Success)
    return std::nullopt;
  const auto* bitmap = static_cast<const std::uint8_t*>(platform::globalLock(header));
  std::uint32_t height = 0;
  for (int i = 3; i >= 0; --i) height = height << 8 | bitmap[8 + i];
  platform::globalUnlock(header);
  const Decoded decoded{height, platform::globalSize(pixels)};
  platform::globalFree(header);
  platform::globalFree(pixels);
  return decoded;
}

// Ours against the floor, in alternating rounds so that load from
// elsewhere falls on both alike; and the heap ours holds beyond its block.
struct Timing {
  double ours, floor;
  long long extraBytes;
};
Timing measure(const Bytes& image, ByteView jpeg, const Decoded& decoded, unsigned eighths, int rounds) {
  Timing t{1e300, 1e300, 0};
  for (int round = 0; round < rounds; ++round) {
    t.ours = std::min(t.ours, seconds([&] { picture(image); }));
    t.floor = std::min(t.floor, seconds([&] { bareDecode(jpeg, JDCT_FLOAT, 0, decoded.height, eighths); }));
  }
  if (heap_meter::available())
    t.extraBytes = static_cast<long long>(heap_meter::peakOf([&] { picture(image); })) -
                   static_cast<long long>(decoded.block);
  return t;
}

}  // namespace

bool dngPaths(const std::string& cameraPef, int rounds) {
  const std::filesystem::path dir = std::filesystem::path(cameraPef).parent_path();
  const std::string ini = std::filesystem::absolute("tarnik-dng-bench.ini").string();
  std::snprintf(settingsPath, sizeof settingsPath, "%s", ini.c_str());
  const int frameRounds = std::max(3, rounds / RoundsDivisor);
  std::printf("DNGs from memory at best quality (best of %d): the full-size JPEG preview (FULLSIZE=1), and the\n"
              "preview scaled from it (FULLSIZE=0), each against libjpeg alone at the same scale\n",
              frameRounds);
  std::printf("%-9s %8s %8s %6s %9s   %5s %8s %8s %6s %8s %9s\n", "body", "full ms", "floor", "ratio", "extra KiB",
              "scale", "ms", "floor", "ratio", "speed-up", "extra KiB");
  bool met = true;
  for (const char* body : {"k10d-dng", "k1-dng", "645z-dng"}) {
    const Bytes image = readAll((dir / (std::string(body) + ".dng")).string());
    const std::optional<ByteView> jpeg = widestJpeg(image);
    useSetting(ini, true);
    const std::optional<Decoded> full = picture(image);
    useSetting(ini, false);
    const std::optional<Decoded> scaled = picture(image);
    if (!jpeg || !full || !scaled) {
      std::printf("%-9s not opened\n", body);
      met = false;
      continue;
    }
    const unsigned eighths = (8 * scaled->height + full->height - 1) / full->height;
    useSetting(ini, true);
    const Timing f = measure(image, *jpeg, *full, 8, frameRounds);
    useSetting(ini, false);
    const Timing s = measure(image, *jpeg, *scaled, eighths, frameRounds);
    met = met && f.ours / f.floor <= FullTarget && s.ours / s.floor <= ScaledTarget;
    std::printf("%-9s %8.2f %8.2f %6.3f %9lld   %3u/8 %8.2f %8.2f %6.3f %7.1fx %9lld\n", body, f.ours * 1e3,
                f.floor * 1e3, f.ours / f.floor, f.extraBytes / 1024, eighths, s.ours * 1e3, s.floor * 1e3,
                s.ours / s.floor, f.ours / s.ours, s.extraBytes / 1024);
  }
  std::printf("targets: full %.2f, scaled %.2f; %s\n", FullTarget, ScaledTarget,
              met ? "all targets met" : "TARGET MISSED");
  std::remove(ini.c_str());
  return met;
}
