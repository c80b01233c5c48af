// A scene that makes decoding faults visible: smooth gradients (banding,
// wrong colour conversion), one-pixel line gratings and a zone plate
// (upsampling and IDCT errors), hard edges and a checkerboard (block
// boundaries), colour patches (channel order) and noise-like texture from a
// fixed-seed hash, so no two blocks compress alike.
#include "tests/support/scene.h"

#include <algorithm>
#include <cmath>

#include "picture/camera_layout.h"

namespace pef_sample {
namespace {

// The camera's full frame: scene coordinates run over its pixels.
constexpr double SceneWidth = FullImageWidth;
constexpr double SceneHeight = FullImageHeight;
constexpr std::uint32_t Seed = 0x1D5EED;
// Sensor-like noise on every scene unit: +-NoiseAmplitude per channel.
constexpr int NoiseAmplitude = 12;
// Peak-to-peak brightness swing of the clouds in the sky.
constexpr double SkyCloudDepth = 40;

struct Rgb {
  int r, g, b;
};

struct Box {
  double x0, y0, x1, y1;
  bool contains(double x, double y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

constexpr Box VerticalLines{150, 150, 1350, 450};
constexpr Box HorizontalLines{150, 500, 1350, 800};
constexpr Box Patches{150, 1000, 1350, 1800};
constexpr Box Checkerboard{1500, 1000, 2100, 1600};
constexpr Box Foliage{2200, 1000, 2900, 1600};
constexpr Box GreyRamp{1500, 1700, 2900, 1900};
constexpr double DiscX = 1750, DiscY = 550, DiscRadius = 300;
// Zone plate: rings alternate every ZoneStep units of r^2, so at the rim
// (radius ZoneRadius) a ring is ZoneStep / (2 * ZoneRadius) = 1.5 units wide.
constexpr double ZoneX = 2550, ZoneY = 550, ZoneRadius = 350, ZoneStep = 1050;

// 24 patches, 6 columns by 4 rows, colours of a colour-rendition chart.
constexpr Rgb PatchColours[24] = {
    {115, 82, 68},   {194, 150, 130}, {98, 122, 157},  {87, 108, 67},   {133, 128, 177},
    {103, 189, 170}, {214, 126, 44},  {80, 91, 166},   {193, 90, 99},   {94, 60, 108},
    {157, 188, 64},  {224, 163, 46},  {56, 61, 150},   {70, 148, 73},   {175, 54, 60},
    {231, 199, 31},  {187, 86, 149},  {8, 133, 161},   {243, 243, 242}, {200, 200, 200},
    {160, 160, 160}, {122, 122, 121}, {85, 85, 85},    {52, 52, 52}};
constexpr double PatchPitch = 200, PatchGap = 12;

// Integer hash (lowbias32 mix): a stateless PRNG keyed by position.
std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t salt) {
  std::uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ (salt + Seed) * 0xC2B2AE3Du;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

// Smooth value noise in [0, 1) with lattice cells of `cell` units.
double valueNoise(double x, double y, double cell, std::uint32_t salt) {
  const double fx = x / cell, fy = y / cell;
  const auto ix = static_cast<std::uint32_t>(fx), iy = static_cast<std::uint32_t>(fy);
  auto smooth = [](double t) { return t * t * (3 - 2 * t); };
  const double tx = smooth(fx - ix), ty = smooth(fy - iy);
  auto at = [&](std::uint32_t dx, std::uint32_t dy) {
    return (hash(ix + dx, iy + dy, salt) >> 8) / 16777216.0;
  };
  const double top = at(0, 0) + (at(1, 0) - at(0, 0)) * tx;
  const double bottom = at(0, 1) + (at(1, 1) - at(0, 1)) * tx;
  return top + (bottom - top) * ty;
}

// Line gratings: six groups of 200 units, one-unit lines every 2 to 7 units.
bool onGrating(double along, double start) {
  const int unit = static_cast<int>(along), group = static_cast<int>((along - start) / 200);
  return unit % (2 + group) == 0;
}

Rgb patch(double x, double y) {
  const double px = x - Patches.x0, py = y - Patches.y0;
  if (std::fmod(px, PatchPitch) < PatchGap || std::fmod(py, PatchPitch) < PatchGap) return {40, 40, 40};
  return PatchColours[static_cast<int>(py / PatchPitch) * 6 + static_cast<int>(px / PatchPitch)];
}

Rgb foliage(double x, double y) {
  const double n = 0.5 * valueNoise(x, y, 48, 1) + 0.3 * valueNoise(x, y, 12, 2) +
                   0.2 * valueNoise(x, y, 3, 3);
  return {static_cast<int>(30 + 120 * n), static_cast<int>(60 + 160 * n), static_cast<int>(20 + 60 * n)};
}

// A diagonal gradient over the whole frame with soft clouds.
Rgb sky(double x, double y) {
  const int texture = static_cast<int>(SkyCloudDepth * (valueNoise(x, y, 160, 4) - 0.5));
  return {static_cast<int>(30 + 0.06 * x) + texture, static_cast<int>(70 + 0.07 * y) + texture,
          static_cast<int>(230 - 0.05 * x) + texture};
}

// The scene at one point, before noise.
Rgb sceneAt(double x, double y) {
  const double zx = x - ZoneX, zy = y - ZoneY, zr2 = zx * zx + zy * zy;
  if (zr2 < ZoneRadius * ZoneRadius) {
    const int level = static_cast<int>(zr2 / ZoneStep) % 2 ? 230 : 25;
    return {level, level, level};
  }
  const double dx = x - DiscX, dy = y - DiscY, dr2 = dx * dx + dy * dy;
  if (dr2 < DiscRadius * DiscRadius) return dr2 < 100 * 100 ? Rgb{250, 220, 40} : Rgb{200, 30, 40};
  if (VerticalLines.contains(x, y)) return onGrating(x, VerticalLines.x0) ? Rgb{10, 10, 10} : Rgb{245, 245, 245};
  if (HorizontalLines.contains(x, y)) return onGrating(y, HorizontalLines.y0) ? Rgb{20, 20, 90} : Rgb{250, 240, 200};
  if (Patches.contains(x, y)) return patch(x, y);
  if (Checkerboard.contains(x, y)) {
    const bool dark = (static_cast<int>((x - Checkerboard.x0) / 50) + static_cast<int>((y - Checkerboard.y0) / 50)) % 2;
    return dark ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
  }
  if (Foliage.contains(x, y)) return foliage(x, y);
  if (GreyRamp.contains(x, y)) {
    const int level = static_cast<int>(255 * (x - GreyRamp.x0) / (GreyRamp.x1 - GreyRamp.x0));
    return {level, level, level};
  }
  return sky(x, y);
}

Rgb noisySceneAt(double x, double y) {
  Rgb c = sceneAt(x, y);
  const auto ux = static_cast<std::uint32_t>(x), uy = static_cast<std::uint32_t>(y);
  const std::uint32_t h = hash(ux, uy, 0);
  auto jitter = [](std::uint32_t bits) { return static_cast<int>(bits % (2 * NoiseAmplitude + 1)) - NoiseAmplitude; };
  return {c.r + jitter(h), c.g + jitter(h >> 8), c.b + jitter(h >> 16)};
}

std::uint8_t clampByte(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

}  // namespace

void renderSceneRow(int y, int width, int height, std::uint8_t* rgb) {
  // A picture taller than the frame's 3:2 shows it letterboxed between black
  // bands, as the camera's 640 x 480 preview does (428 picture rows).
  const int rows = std::min(height, static_cast<int>(width * SceneHeight / SceneWidth + 0.5));
  const int top = (height - rows) / 2;
  if (y < top || y >= top + rows) {
    std::fill(rgb, rgb + 3 * width, 0);
    return;
  }
  // Samples per pixel in each direction: enough to cover every scene unit.
  const int sx = std::max(1, static_cast<int>(std::ceil(SceneWidth / width)));
  const int sy = std::max(1, static_cast<int>(std::ceil(SceneHeight / rows)));
  const double stepX = SceneWidth / (static_cast<double>(width) * sx);
  const double stepY = SceneHeight / (static_cast<double>(rows) * sy);
  for (int x = 0; x < width; ++x) {
    int r = 0, g = 0, b = 0;
    for (int j = 0; j < sy; ++j) {
      for (int i = 0; i < sx; ++i) {
        const Rgb c = noisySceneAt((x * sx + i + 0.5) * stepX, ((y - top) * sy + j + 0.5) * stepY);
        r += c.r, g += c.g, b += c.b;
      }
    }
    const int n = sx * sy;
    rgb[3 * x] = clampByte(r / n);
    rgb[3 * x + 1] = clampByte(g / n);
    rgb[3 * x + 2] = clampByte(b / n);
  }
}

}  // namespace pef_sample
