// Encodes the synthetic scene with libjpeg the way a camera does: YCbCr with
// 2x2-subsampled chroma and the standard Huffman tables, baseline unless a
// progressive file is asked for.
#include <cstdio>  // jpeglib.h needs FILE declared first
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

#include "pef_sample.h"
#include "scene.h"

namespace pef_sample {
namespace {

// libjpeg's memory destination hands back a malloc'd block; this frees it.
struct MallocBlock {
  unsigned char* data = nullptr;
  unsigned long size = 0;
  ~MallocBlock() { std::free(data); }
};

void checkOptions(const JpegOptions& o) {
  // 65500 is the largest side libjpeg encodes.
  if (o.width < 1 || o.height < 1 || o.width > 65500 || o.height > 65500)
    throw std::runtime_error("JPEG size out of range");
  if (o.quality < 1 || o.quality > 100) throw std::runtime_error("JPEG quality out of range");
}

}  // namespace

Bytes synthJpeg(const JpegOptions& options) {
  checkOptions(options);
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  MallocBlock out;
  jpeg_mem_dest(&cinfo, &out.data, &out.size);

  cinfo.image_width = static_cast<JDIMENSION>(options.width);
  cinfo.image_height = static_cast<JDIMENSION>(options.height);
  cinfo.input_components = options.greyscale ? 1 : 3;
  cinfo.in_color_space = options.greyscale ? JCS_GRAYSCALE : JCS_RGB;
  // The defaults are baseline, standard Huffman tables and, for colour,
  // 2x2 luma against 1x1 chroma sampling factors.
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, options.quality, TRUE);
  if (options.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);

  std::vector<std::uint8_t> rgb(3 * static_cast<std::size_t>(options.width));
  std::vector<std::uint8_t> grey(options.greyscale ? rgb.size() / 3 : 0);
  while (cinfo.next_scanline < cinfo.image_height) {
    renderSceneRow(static_cast<int>(cinfo.next_scanline), options.width, options.height, rgb.data());
    JSAMPROW row = rgb.data();
    if (options.greyscale) {
      // ITU-R BT.601 luma in 8-bit fixed point.
      for (std::size_t x = 0; x < grey.size(); ++x)
        grey[x] = static_cast<std::uint8_t>((77 * rgb[3 * x] + 150 * rgb[3 * x + 1] + 29 * rgb[3 * x + 2]) >> 8);
      row = grey.data();
    }
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return Bytes(out.data, out.data + out.size);
}

}  // namespace pef_sample
