// The one JPEG encoder of the tests and the sample generator: libjpeg's
// compressor, by default the way a camera uses it (YCbCr with 2x2-subsampled
// chroma, the standard Huffman tables, baseline).
#include <cstdio>  // jpeglib.h needs FILE declared first
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

#include "tests/support/pef_sample.h"
#include "tests/support/scene.h"

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

int componentsOf(const JpegOptions& o) { return o.greyscale ? 1 : o.layout == Layout::Cmyk ? 4 : 3; }

void setLayout(jpeg_compress_struct& cinfo, const JpegOptions& o) {
  cinfo.image_width = static_cast<JDIMENSION>(o.width);
  cinfo.image_height = static_cast<JDIMENSION>(o.height);
  cinfo.input_components = componentsOf(o);
  cinfo.in_color_space = o.greyscale ? JCS_GRAYSCALE : o.layout == Layout::Cmyk ? JCS_CMYK : JCS_RGB;
  // The defaults are baseline, standard Huffman tables and, for colour,
  // 2x2 luma against 1x1 chroma sampling factors.
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, o.quality, TRUE);
  cinfo.arith_code = o.arithmetic ? TRUE : FALSE;
  if (o.layout == Layout::H2V1 || o.layout == Layout::H1V1) cinfo.comp_info[0].v_samp_factor = 1;
  if (o.layout == Layout::H1V1) cinfo.comp_info[0].h_samp_factor = 1;
  if (o.progressive) jpeg_simple_progression(&cinfo);
}

}  // namespace

Bytes encodeJpeg(const JpegOptions& options, const RowPainter& paint) {
  checkOptions(options);
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  MallocBlock out;
  jpeg_mem_dest(&cinfo, &out.data, &out.size);
  setLayout(cinfo, options);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(options.width) * componentsOf(options));
  while (cinfo.next_scanline < cinfo.image_height) {
    paint(static_cast<int>(cinfo.next_scanline), row.data());
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return Bytes(out.data, out.data + out.size);
}

Bytes synthJpeg(const JpegOptions& options) {
  std::vector<std::uint8_t> rgb(3 * static_cast<std::size_t>(options.width > 0 ? options.width : 0));
  return encodeJpeg(options, [&](int y, std::uint8_t* samples) {
    if (!options.greyscale) return renderSceneRow(y, options.width, options.height, samples);
    renderSceneRow(y, options.width, options.height, rgb.data());
    // ITU-R BT.601 luma in 8-bit fixed point.
    for (std::size_t x = 0; x < rgb.size() / 3; ++x)
      samples[x] = static_cast<std::uint8_t>((77 * rgb[3 * x] + 150 * rgb[3 * x + 1] + 29 * rgb[3 * x + 2]) >> 8);
  });
}

}  // namespace pef_sample
