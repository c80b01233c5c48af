// JPEGs for the decode tests and the bad-file corpus, from the one encoder,
// and libjpeg's own djpeg as the reference decoder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/pef_sample.h"
#include "tests/support/test_files.h"

using pef_sample::Bytes;
using pef_sample::Layout;

// A picture with gradients and fine detail, so that IDCT and upsampling
// differences would show in every block; cheap to make, unlike the scene.
// Quality and arithmetic coding are for the bad-file corpus, which must fit
// such a picture into the preview's place.
inline Bytes encodeJpeg(int width, int height, Layout layout, int quality = 75,
                        bool arithmetic = false) {
  pef_sample::JpegOptions options{width, height, quality, false, false, layout, arithmetic};
  const int components = layout == Layout::Cmyk ? 4 : 3;
  return pef_sample::encodeJpeg(options, [&](int y, std::uint8_t* row) {
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < components; ++c)
        row[x * components + c] = static_cast<std::uint8_t>((x * (c + 1) + y * (3 - c) + ((x ^ y) & 0x1F) * 3) & 0xFF);
  });
}

// The sample generator's scene, 2x2 chroma, baseline unless asked otherwise.
// Rendering the scene is slow, so each JPEG is made once per test run.
inline const Bytes& sceneJpeg(int width, int height, bool greyscale = false, bool progressive = false) {
  static std::map<std::tuple<int, int, bool, bool>, Bytes> made;
  Bytes& jpeg = made[{width, height, greyscale, progressive}];
  if (jpeg.empty()) {
    pef_sample::JpegOptions options;
    options.width = width;
    options.height = height;
    options.greyscale = greyscale;
    options.progressive = progressive;
    jpeg = pef_sample::synthJpeg(options);
  }
  return jpeg;
}

// A comment segment right after the start-of-image marker whose payload is a
// baseline frame header of the given size: the probe takes it, libjpeg skips it.
inline Bytes withDecoyFrame(const Bytes& jpeg, int width, int height) {
  const std::uint8_t decoy[] = {0xFF, 0xFE, 0x00, 0x0D, 0xFF, 0xC0, 0x00, 0x11, 0x08,
                                static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
                                static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width),
                                0x03, 0x01};
  Bytes out = jpeg;
  out.insert(out.begin() + 2, std::begin(decoy), std::end(decoy));
  return out;
}

// djpeg's 24-bit BMP of the same bytes: rows bottom-up, blue-green-red,
// padded to 4 bytes, the layout of the pixel block.
struct ReferenceBitmap {
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
  Bytes pixels;
  // Decoded row y counted from the top.
  const std::uint8_t* row(int y) const {
    return pixels.data() + static_cast<std::size_t>(height - 1 - y) * stride;
  }
};

inline std::uint32_t le32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

inline ReferenceBitmap djpegBitmap(const Bytes& jpeg, bool best) {
  TempDir dir;
  const std::string input = dir.write("in.jpg", jpeg);
  const std::string command =
      std::string("djpeg -rgb -bmp -dct ") + (best ? "float " : "fast ") + input + " 2>/dev/null";
  Bytes bmp;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    std::uint8_t chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
      bmp.insert(bmp.end(), chunk, chunk + n);
    ::pclose(pipe);
  }
  ReferenceBitmap ref;
  if (bmp.size() < 54) return ref;
  ref.width = static_cast<int>(le32(bmp, 18));
  ref.height = static_cast<int>(le32(bmp, 22));
  ref.stride = (static_cast<std::size_t>(ref.width) * 3 + 3) & ~std::size_t{3};
  ref.pixels.assign(bmp.begin() + le32(bmp, 10), bmp.end());
  return ref;
}
