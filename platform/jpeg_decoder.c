/* libjpeg behind the plain interface of jpeg_decoder.h.

   libjpeg reports a fatal error by calling error_exit, whose default ends the
   process. A plug-in must never take its host down, so error_exit here jumps
   back to jpegDecodeRows, which destroys the decompressor and returns a
   result instead: JpegDecodeOutOfMemory when an allocation failed, else
   JpegDecodeRejected. This file holds no C++ object that the jump could skip. */
#include "platform/jpeg_decoder.h"

#include <setjmp.h>
#include <stdio.h> /* jpeglib.h needs FILE and size_t first */
#include <string.h>

#include <jerror.h>
#include <jpeglib.h>

/* Row pointers handed to one jpeg_read_scanlines call. libjpeg fills at least
   rec_outbuf_height rows (at most 4) without copying through a spare row;
   more per call spares the per-call overhead. */
#define RowBatch 16

/* A greyscale or colour frame comes out as three bytes per pixel. */
#define OutputChannels 3

/* Most memory libjpeg may hold for a whole-image buffer (a progressive
   frame's coefficients). The largest frame the probe accepts, 4096 x 4096
   at 4:4:4, needs 4096 * 4096 * 3 components * 2 bytes = 96 MiB. The frame
   libjpeg decodes need not be the probed one, so without a limit a small
   file could ask the host's 32-bit address space for gigabytes; beyond it
   libjpeg, having no backing store, refuses the frame. */
#define JpegMemoryLimit (128L * 1024 * 1024)

typedef struct Decoder {
  struct jpeg_decompress_struct cinfo;
  struct jpeg_error_mgr errors;
  jmp_buf escape;
  struct jpeg_memory_mgr library; /* libjpeg's own allocation methods */
} Decoder;

static Decoder* decoderOf(j_common_ptr cinfo) { return (Decoder*)cinfo->client_data; }

static void escapeOnError(j_common_ptr cinfo) { longjmp(decoderOf(cinfo)->escape, 1); }

static void dropMessage(j_common_ptr cinfo) { (void)cinfo; }

static void dropWarning(j_common_ptr cinfo, int level) {
  (void)cinfo;
  (void)level;
}

/* Every allocation method first asks the platform, so that a fault-injection
   test reaches each of libjpeg's allocation failures. */
static void requireAllocation(j_common_ptr cinfo) {
  if (!platform_allocation_allowed()) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
}

static void* allocSmall(j_common_ptr cinfo, int pool, size_t size) {
  requireAllocation(cinfo);
  return decoderOf(cinfo)->library.alloc_small(cinfo, pool, size);
}

static void* allocLarge(j_common_ptr cinfo, int pool, size_t size) {
  requireAllocation(cinfo);
  return decoderOf(cinfo)->library.alloc_large(cinfo, pool, size);
}

static JSAMPARRAY allocSampleRows(j_common_ptr cinfo, int pool, JDIMENSION width,
                                  JDIMENSION rows) {
  requireAllocation(cinfo);
  return decoderOf(cinfo)->library.alloc_sarray(cinfo, pool, width, rows);
}

static JBLOCKARRAY allocBlockRows(j_common_ptr cinfo, int pool, JDIMENSION width,
                                  JDIMENSION rows) {
  requireAllocation(cinfo);
  return decoderOf(cinfo)->library.alloc_barray(cinfo, pool, width, rows);
}

static void realizeVirtualArrays(j_common_ptr cinfo) {
  requireAllocation(cinfo);
  decoderOf(cinfo)->library.realize_virt_arrays(cinfo);
}

static void routeAllocations(Decoder* decoder) {
  struct jpeg_memory_mgr* mem = decoder->cinfo.mem;
  decoder->library = *mem;
  mem->alloc_small = allocSmall;
  mem->alloc_large = allocLarge;
  mem->alloc_sarray = allocSampleRows;
  mem->alloc_barray = allocBlockRows;
  mem->realize_virt_arrays = realizeVirtualArrays;
}

static void configure(j_decompress_ptr cinfo, int fast) {
  cinfo->dct_method = fast ? JDCT_IFAST : JDCT_FLOAT;
  cinfo->do_fancy_upsampling = TRUE;
  cinfo->do_block_smoothing = TRUE;
  cinfo->scale_num = 1;
  cinfo->scale_denom = 1;
  cinfo->quantize_colors = FALSE;
  cinfo->buffered_image = FALSE;
  /* The bitmap's byte order; libjpeg also expands greyscale to it. */
  cinfo->out_color_space = JCS_EXT_BGR;
}

/* Reads output rows [0, request->rows) into place. A decoded row wider than
   the destination's row goes through one scratch row and is cut to fit. */
static JDIMENSION readRows(j_decompress_ptr cinfo, const JpegDecodeRequest* request) {
  JSAMPROW scratch = NULL;
  JSAMPROW targets[RowBatch];
  JDIMENSION done = 0;

  if ((size_t)cinfo->output_width * OutputChannels > request->rowBytes)
    scratch = cinfo->mem->alloc_sarray((j_common_ptr)cinfo, JPOOL_IMAGE,
                                       cinfo->output_width * OutputChannels, 1)[0];
  if (request->skipRows > 0) jpeg_skip_scanlines(cinfo, request->skipRows);

  while (done < request->rows && cinfo->output_scanline < cinfo->output_height) {
    JDIMENSION count = request->rows - done;
    JDIMENSION i, got;
    if (count > RowBatch) count = RowBatch;
    if (scratch) count = 1;
    for (i = 0; i < count; ++i)
      targets[i] = scratch ? scratch : request->top + (ptrdiff_t)(done + i) * request->step;
    got = jpeg_read_scanlines(cinfo, targets, count);
    if (got == 0) break;
    if (scratch) memcpy(request->top + (ptrdiff_t)done * request->step, scratch, request->rowBytes);
    done += got;
  }
  return done;
}

JpegDecodeResult jpegDecodeRows(const JpegDecodeRequest* request, JpegCoverage* coverage) {
  Decoder decoder;
  j_decompress_ptr cinfo = &decoder.cinfo;
  JDIMENSION rows;

  /* jpeg_create_decompress clears the object but keeps err and client_data. */
  memset(&decoder, 0, sizeof decoder);
  cinfo->err = jpeg_std_error(&decoder.errors);
  decoder.errors.error_exit = escapeOnError;
  decoder.errors.emit_message = dropWarning;
  decoder.errors.output_message = dropMessage;
  cinfo->client_data = &decoder;
  if (setjmp(decoder.escape)) {
    int code = decoder.errors.msg_code;
    jpeg_destroy_decompress(cinfo);
    return code == JERR_OUT_OF_MEMORY ? JpegDecodeOutOfMemory : JpegDecodeRejected;
  }

  jpeg_create_decompress(cinfo);
  cinfo->mem->max_memory_to_use = JpegMemoryLimit;
  routeAllocations(&decoder);
  jpeg_mem_src(cinfo, request->data, request->length);
  jpeg_read_header(cinfo, TRUE);
  configure(cinfo, request->fast);
  jpeg_start_decompress(cinfo);
  rows = readRows(cinfo, request);

  coverage->rows = rows;
  coverage->width = cinfo->output_width;
  /* The rows below the last output row are never decoded. */
  jpeg_abort_decompress(cinfo);
  jpeg_destroy_decompress(cinfo);
  return JpegDecodeOk;
}
