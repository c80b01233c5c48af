// The benchmark's floor: a bare libjpeg decode of JPEG bytes in memory.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "io/byte_view.h"

// The floor: libjpeg from memory, the plug-in's settings, rows [skip,
// skip + rows) into a plain top-down buffer, at scale eighths/8.
inline void bareDecode(ByteView jpeg, J_DCT_METHOD method, JDIMENSION skip, JDIMENSION rows,
                       unsigned eighths = 8) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.dct_method = method;
  cinfo.scale_num = eighths;
  cinfo.scale_denom = 8;
  cinfo.do_fancy_upsampling = TRUE;
  cinfo.do_block_smoothing = TRUE;
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  const std::size_t stride = (cinfo.output_width * 3 + 3) & ~3u;
  auto* pixels = static_cast<std::uint8_t*>(std::malloc(stride * rows));
  std::vector<JSAMPROW> rowPointers(rows);
  for (JDIMENSION r = 0; r < rows; ++r) rowPointers[r] = pixels + r * stride;
  if (skip) jpeg_skip_scanlines(&cinfo, skip);
  for (JDIMENSION done = 0; done < rows;)
    done += jpeg_read_scanlines(&cinfo, rowPointers.data() + done, rows - done);
  jpeg_abort_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::free(pixels);
}
