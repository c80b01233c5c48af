/* libjpeg behind the plain interface of jpeg_decoder.h.

   libjpeg reports a fatal error by calling error_exit, whose default ends the
   process. A plug-in must never take its host down, so error_exit here jumps
   back to jpegDecodeRows, which destroys the decompressor and returns a
   result instead: JpegDecodeOutOfMemory when an allocation failed, else
   JpegDecodeRejected. This file holds no C++ object that the jump could skip. */
#include "picture/jpeg_decoder.h"

#include <setjmp.h>
#include <stdio.h> /* jpeglib.h needs FILE and size_t first */
#include <string.h>

#include <jerror.h>
#include <jpeglib.h>

#include "picture/jpeg_scans.h"
#include "platform/allocation_gate.h"

/* Row pointers handed to one jpeg_read_scanlines call. libjpeg fills at least
   rec_outbuf_height rows (at most 4) without copying through a spare row;
   more per call spares the per-call overhead. */
#define RowBatch 16

/* A greyscale or colour frame comes out as three bytes per pixel. */
#define OutputChannels 3

/* A turned picture's rows are decoded into a band of at most BandBytes
   (and at most BandRows rows), then written into their columns: a turned
   decode holds no more than that beyond a decode straight into the bitmap.
   The 645Z's 8256-pixel rows (24768 bytes) make a band of 21 rows; the more
   rows a band holds, the more of each bitmap row one pass writes at once. */
#define BandBytes (512L * 1024)
#define BandRows 64
/* copyRun reads one byte past a pixel: the last row's last pixel's too. */
#define BandSlack 1

/* Most memory libjpeg may hold for a whole-image buffer, whatever the frame:
   beyond it libjpeg, having no backing store, refuses the frame. The largest
   buffer the probed-frame bound below lets through, for a 4096 x 4096
   frame, is 96 MiB. */
#define JpegMemoryLimit (128L * 1024 * 1024)

/* A progressive or multi-scan frame is read whole into a buffer of
   coefficients (64 of 16 bits per 8 x 8 block and component) before any row
   comes out. A frame the plug-in shows has at most three components (it
   turns only greyscale, YCbCr and RGB into blue-green-red), and libjpeg pads
   each component to whole MCUs, at most MAX_SAMP_FACTOR blocks a side. The
   frame actually decoded may ask for no more than a frame of the probed
   size could, so a small file behind a small header cannot claim the
   host's memory. */
#define CoefficientBlockBytes (DCTSIZE2 * sizeof(JCOEF))
#define MaxShownComponents 3

typedef struct Decoder {
  struct jpeg_decompress_struct cinfo;
  struct jpeg_error_mgr errors;
  jmp_buf escape;
  struct jpeg_memory_mgr library; /* libjpeg's own allocation methods */
  struct jpeg_progress_mgr progress;
  uint64_t probedBufferBytes; /* the whole-image buffer a probed-size frame could need */
  int scansSeen;
  /* Per component and coefficient, the lowest bit the scans so far have
     coded, or -1 before its first scan (as libjpeg's coef_bits). */
  signed char codedBits[MAX_COMPONENTS][DCTSIZE2];
} Decoder;

#ifdef _WIN32
static const JpegScanCounts scanCounts = JpegCountBoth;
#else
static JpegScanCounts scanCounts = JpegCountBoth;
void jpegUseScanCounts(JpegScanCounts counts) { scanCounts = counts; }
#endif

static Decoder* decoderOf(j_common_ptr cinfo) { return (Decoder*)cinfo->client_data; }

/* libjpeg's fatal errors, and a frame refused here, leave the decode alike. */
static void leaveDecode(j_common_ptr cinfo) { longjmp(decoderOf(cinfo)->escape, 1); }

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

static uint64_t roundUp(uint64_t value, uint64_t unit) { return (value + unit - 1) / unit * unit; }

static uint64_t probedBufferBytes(uint32_t width, uint32_t height) {
  return MaxShownComponents * CoefficientBlockBytes *
         roundUp((width + DCTSIZE - 1) / DCTSIZE, MAX_SAMP_FACTOR) *
         roundUp((height + DCTSIZE - 1) / DCTSIZE, MAX_SAMP_FACTOR);
}

/* The coefficient buffer the decoded frame asks for, as jdcoefct.c sizes it;
   none for a frame read in one scan. */
static uint64_t wholeImageBytes(j_decompress_ptr cinfo) {
  uint64_t bytes = 0;
  int ci;
  if (!cinfo->progressive_mode && cinfo->comps_in_scan == cinfo->num_components) return 0;
  for (ci = 0; ci < cinfo->num_components; ++ci) {
    const jpeg_component_info* component = &cinfo->comp_info[ci];
    bytes += CoefficientBlockBytes *
             roundUp(component->width_in_blocks, (uint64_t)component->h_samp_factor) *
             roundUp(component->height_in_blocks, (uint64_t)component->v_samp_factor);
  }
  return bytes;
}

/* libjpeg realizes its whole-image buffers here, once, after the first
   scan header and before reading any scan data: the bytes behind that
   header are all still to come. */
static void realizeVirtualArrays(j_common_ptr common) {
  j_decompress_ptr cinfo = (j_decompress_ptr)common;
  Decoder* decoder = decoderOf(common);
  const uint64_t bytes = wholeImageBytes(cinfo);
  requireAllocation(common);
  if (bytes > decoder->probedBufferBytes) leaveDecode(common);
  /* The first scan header has been read, so JpegMaxScans more are one too
     many. */
  if (bytes > 0 && (scanCounts & JpegCountInBytes) &&
      countScans(cinfo->src->next_input_byte, (uint32_t)cinfo->src->bytes_in_buffer, JpegMaxScans) >= JpegMaxScans)
    leaveDecode(common);
  decoder->library.realize_virt_arrays(common);
}

/* Whether the current scan codes a bit of some coefficient that the scans
   before it left open, and records what it codes. A first scan (Ah = 0)
   codes the bits from Al up of coefficients Ss to Se; a refinement codes
   bit Al below the Ah where the scans before stopped (ITU T.81, G.1.1.1).
   A sequential frame's scan codes whole coefficients, whatever its
   header's progression fields say. A real file never sends a scan that
   codes nothing new; a file repeating empty scans would hold the host for
   minutes. */
static int codesOpenBits(j_decompress_ptr cinfo, signed char (*codedBits)[DCTSIZE2]) {
  const int progressive = cinfo->progressive_mode;
  const int first = progressive ? cinfo->Ss : 0, last = progressive ? cinfo->Se : DCTSIZE2 - 1;
  const int high = progressive ? cinfo->Ah : 0, low = progressive ? cinfo->Al : 0;
  int codes = 0, ci, k;
  for (ci = 0; ci < cinfo->comps_in_scan; ++ci) {
    signed char* coded = codedBits[cinfo->cur_comp_info[ci]->component_index];
    for (k = first; k <= last; ++k) {
      if (high == 0 ? coded[k] >= 0 : coded[k] != high || low >= high) continue;
      coded[k] = (signed char)low;
      codes = 1;
    }
  }
  return codes;
}

/* libjpeg calls this before reading each stretch of input, so a new scan is
   judged before any of its data is read. */
static void judgeScans(j_common_ptr common) {
  j_decompress_ptr cinfo = (j_decompress_ptr)common;
  Decoder* decoder = decoderOf(common);
  if (cinfo->input_scan_number == decoder->scansSeen) return;
  decoder->scansSeen = cinfo->input_scan_number;
  if (((scanCounts & JpegCountWhileReading) && decoder->scansSeen > JpegMaxScans) ||
      !codesOpenBits(cinfo, decoder->codedBits))
    leaveDecode(common);
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

/* Scales are asked in eighths, libjpeg's DCT block side. */
#define ScaleDenominator DCTSIZE

static void configure(j_decompress_ptr cinfo, int fast, uint32_t eighths) {
  cinfo->dct_method = fast ? JDCT_IFAST : JDCT_FLOAT;
  cinfo->do_fancy_upsampling = TRUE;
  cinfo->do_block_smoothing = TRUE;
  cinfo->scale_num = eighths;
  cinfo->scale_denom = ScaleDenominator;
  cinfo->quantize_colors = FALSE;
  cinfo->buffered_image = FALSE;
  /* The bitmap's byte order; libjpeg also expands greyscale to it. */
  cinfo->out_color_space = JCS_EXT_BGR;
}

/* A frame wider than the probed one is decoded no further than the probed
   width, scaled, and one iMCU column more (min_DCT_scaled_size pixels
   per horizontal sampling factor: 8 at scale 1/1): libjpeg's upsampler treats the last column it decodes as the
   picture's edge, so the column behind it keeps the kept pixels as a
   whole-width decode makes them. libjpeg still reads the entropy-coded data
   of every column, but transforms, upsamples and converts none beyond: a
   frame far wider than the probed one costs little more than the probed
   one. */
static void cropColumns(j_decompress_ptr cinfo, uint32_t probedWidth, uint32_t eighths) {
  const JDIMENSION margin = (JDIMENSION)cinfo->min_DCT_scaled_size * (JDIMENSION)cinfo->max_h_samp_factor;
  /* libjpeg's own rounding of a scaled side (jdiv_round_up); 16-bit sides. */
  const JDIMENSION scaledWidth = (probedWidth * eighths + ScaleDenominator - 1) / ScaleDenominator;
  JDIMENSION offset = 0, width;
  if (cinfo->output_width <= scaledWidth || cinfo->output_width - scaledWidth <= margin) return;
  width = scaledWidth + margin;
  jpeg_crop_scanline(cinfo, &offset, &width);
}

/* Reads output rows [0, request->rows) into place. A decoded row wider than
   the destination's row, or one whose first columns are skipped, goes
   through one scratch row and is cut to fit. The scratch row starts zeroed
   and reaches at least as far as the copy, so where the decoded row is
   narrower the copy reads zeros, which the caller whitens. */
static JDIMENSION readRows(j_decompress_ptr cinfo, const JpegDecodeRequest* request) {
  const size_t skipBytes = (size_t)request->skipColumns * OutputChannels;
  size_t scratchBytes = (size_t)cinfo->output_width * OutputChannels;
  JSAMPROW scratch = NULL;
  JSAMPROW targets[RowBatch];
  JDIMENSION done = 0;

  if (skipBytes > 0 || scratchBytes > request->rowBytes) {
    if (scratchBytes < skipBytes + request->rowBytes) scratchBytes = skipBytes + request->rowBytes;
    scratch = cinfo->mem->alloc_sarray((j_common_ptr)cinfo, JPOOL_IMAGE, (JDIMENSION)scratchBytes, 1)[0];
    memset(scratch, 0, scratchBytes);
  }
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
    if (scratch)
      memcpy(request->top + (ptrdiff_t)done * request->step, scratch + skipBytes, request->rowBytes);
    done += got;
  }
  return done;
}

/* Copies `count` pixels to out, out + 3, ... from in, in + inStep, ...:
   each but the last as four bytes, whose fourth the next pixel overwrites,
   one move where three bytes take two. The fourth byte read lies inside
   the band (BandSlack). */
static void copyRun(uint8_t* out, const JSAMPLE* in, ptrdiff_t inStep, JDIMENSION count) {
  JDIMENSION j;
  for (j = 1; j < count; ++j, out += OutputChannels, in += inStep) memcpy(out, in, OutputChannels + 1);
  memcpy(out, in, OutputChannels);
}

/* Writes band rows [0, count), each bandWidth bytes, output rows first on,
   where the request places their pixels. Each bitmap row the band reaches
   is written in one run along it, from its lowest address up: a
   transposing turn gathers a band column into a run; any other turn here
   mirrors left-right (pixelStep -3; pixelStep 3 never comes here), so a
   band row runs from its last kept pixel. Runs go the way the addresses
   rise, which the processor's prefetch follows best. */
static void writeBand(const JSAMPLE* band, size_t bandWidth, JDIMENSION count, JDIMENSION first,
                      const JpegDecodeRequest* request) {
  const size_t skipBytes = (size_t)request->skipColumns * OutputChannels;
  uint8_t* const origin = request->top + (ptrdiff_t)first * request->step;
  const JDIMENSION columns = request->columns;
  const ptrdiff_t lastColumn = (ptrdiff_t)columns - 1;
  JDIMENSION k;
  if (request->step == OutputChannels || request->step == -OutputChannels) {
    const ptrdiff_t lastRow = (ptrdiff_t)count - 1;
    for (k = 0; k < columns; ++k) {
      const JDIMENSION x = request->pixelStep < 0 ? columns - 1 - k : k;
      const JSAMPLE* in = band + skipBytes + (size_t)x * OutputChannels;
      uint8_t* out = origin + (ptrdiff_t)x * request->pixelStep;
      if (request->step > 0) {
        copyRun(out, in, (ptrdiff_t)bandWidth, count);
      } else {
        copyRun(out + lastRow * request->step, in + lastRow * (ptrdiff_t)bandWidth, -(ptrdiff_t)bandWidth, count);
      }
    }
    return;
  }
  for (k = 0; k < count; ++k) {
    const JDIMENSION i = request->step < 0 ? count - 1 - k : k;
    const JSAMPLE* in = band + (size_t)i * bandWidth + skipBytes;
    copyRun(origin + (ptrdiff_t)i * request->step + lastColumn * request->pixelStep,
            in + lastColumn * OutputChannels, -OutputChannels, columns);
  }
}

/* Reads output rows [0, request->rows) band by band and writes each band
   where the turn places it. The band reaches at least as far as the kept
   columns and starts zeroed, so where the decoded row is narrower the
   write reads zeros, which the caller whitens. */
static JDIMENSION readTurnedRows(j_decompress_ptr cinfo, const JpegDecodeRequest* request) {
  size_t bandWidth = (size_t)cinfo->output_width * OutputChannels;
  const size_t keptWidth = ((size_t)request->skipColumns + request->columns) * OutputChannels;
  JDIMENSION bandRows, done = 0, i;
  JSAMPLE* band;
  JSAMPROW rows[BandRows];

  if (bandWidth < keptWidth) bandWidth = keptWidth;
  bandRows = bandWidth >= (size_t)BandBytes ? 1 : (JDIMENSION)(BandBytes / bandWidth);
  if (bandRows > BandRows) bandRows = BandRows;
  band = (JSAMPLE*)cinfo->mem->alloc_large((j_common_ptr)cinfo, JPOOL_IMAGE, bandRows * bandWidth + BandSlack);
  memset(band, 0, bandRows * bandWidth + BandSlack);
  for (i = 0; i < bandRows; ++i) rows[i] = band + (size_t)i * bandWidth;
  if (request->skipRows > 0) jpeg_skip_scanlines(cinfo, request->skipRows);

  while (done < request->rows && cinfo->output_scanline < cinfo->output_height) {
    JDIMENSION want = request->rows - done, got = 0, read;
    if (want > bandRows) want = bandRows;
    while (got < want && (read = jpeg_read_scanlines(cinfo, rows + got, want - got)) > 0) got += read;
    if (got == 0) break;
    writeBand(band, bandWidth, got, done, request);
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
  decoder.errors.error_exit = leaveDecode;
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
  decoder.probedBufferBytes = probedBufferBytes(request->probedWidth, request->probedHeight);
  memset(decoder.codedBits, -1, sizeof decoder.codedBits);
  decoder.progress.progress_monitor = judgeScans;
  cinfo->progress = &decoder.progress;
  jpeg_mem_src(cinfo, request->data, request->length);
  jpeg_read_header(cinfo, TRUE);
  configure(cinfo, request->fast, request->scaleEighths);
  jpeg_start_decompress(cinfo);
  cropColumns(cinfo, request->probedWidth, request->scaleEighths);
  rows = request->pixelStep == OutputChannels ? readRows(cinfo, request) : readTurnedRows(cinfo, request);

  coverage->rows = rows;
  coverage->width = cinfo->output_width > request->skipColumns ? cinfo->output_width - request->skipColumns : 0;
  /* The rows below the last output row are never decoded. */
  jpeg_abort_decompress(cinfo);
  jpeg_destroy_decompress(cinfo);
  return JpegDecodeOk;
}
