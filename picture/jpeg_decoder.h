/* The plug-in's one door to libjpeg: decode a JPEG held in memory straight
   into rows of the caller's 24-bit bitmap, blue-green-red, with no copy of
   the JPEG bytes and no intermediate picture. jpeg_decoder.c is the only
   source that includes jpeglib.h. C, so that libjpeg's longjmp never
   crosses a C++ frame. */
#ifndef TARNIK_PICTURE_JPEG_DECODER_H
#define TARNIK_PICTURE_JPEG_DECODER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Most scans a frame may have. libjpeg's own progression script
   (jpeg_simple_progression) uses 10 scans for colour and 6 for greyscale;
   other encoders' scripts stay about as short. Each scan walks the whole
   coefficient buffer of the components it names, so the limit also bounds
   what a file whose every scan adds a bit can cost. The scans are counted
   in the bytes before any is decoded, and libjpeg's own count is checked
   again as it reads them. */
#define JpegMaxScans 20

/* The scan limit's two counts: in the bytes before a multi-scan frame takes
   its memory, and libjpeg's own as it reads the scans. Either alone refuses
   a frame with one scan too many, so each hides a fault in the other; tests
   switch one off to see the other work alone. The Windows build has no
   switch: both always count. */
typedef enum JpegScanCounts {
  JpegCountInBytes = 1,
  JpegCountWhileReading = 2,
  JpegCountBoth = JpegCountInBytes | JpegCountWhileReading
} JpegScanCounts;
#ifndef _WIN32
void jpegUseScanCounts(JpegScanCounts counts);
#endif

typedef enum JpegDecodeResult {
  JpegDecodeOk = 0,
  JpegDecodeRejected = 1,    /* libjpeg refused the data (corrupt, unsupported), or the
                                frame asked more scans or memory than a frame of the
                                probed size would */
  JpegDecodeOutOfMemory = 2  /* one of libjpeg's allocations failed */
} JpegDecodeResult;

/* Where the decoded rows go. Output row r is decoded row r + skipRows from
   its column skipColumns on, `columns` pixels of it, and its pixel x is
   written, blue-green-red, to top + r * step + x * pixelStep; either step
   may be negative. With pixelStep 3 each row goes whole, at most rowBytes
   bytes of it (a bitmap row as stored or mirrored top-bottom); any other
   pixelStep turns the picture, and rows are decoded into a band and written
   from it pixel by pixel. Rows past `rows` are never decoded, nor columns
   much beyond the probed width. */
typedef struct JpegDecodeRequest {
  const uint8_t* data;
  uint32_t length;
  int fast;              /* nonzero: fast integer IDCT; zero: floating-point IDCT */
  uint8_t* top;
  ptrdiff_t step;
  ptrdiff_t pixelStep;
  uint32_t rowBytes;
  uint32_t rows;
  uint32_t columns;
  uint32_t skipRows;
  uint32_t skipColumns;
  /* The frame size the caller probed and sized its bitmap for. The frame
     libjpeg decodes may differ; its whole-image buffer is bounded by what a
     frame of this size could need, and a wider frame is decoded only as far
     as the probed width reaches. */
  uint32_t probedWidth;
  uint32_t probedHeight;
  /* The output scale, scaleEighths/8: 1, 2, 4 or 8. Rows, columns and
     rowBytes count scaled pixels; the probed size stays the frame's. */
  uint32_t scaleEighths;
} JpegDecodeRequest;

/* What the decoded frame covered: rows written from output row 0 on, and the
   pixels per output row decoded (past the skipped columns), at least the
   bitmap's width when the decoded frame is as wide. The caller whitens the
   rest. */
typedef struct JpegCoverage {
  uint32_t rows;
  uint32_t width;
} JpegCoverage;

/* Decodes with fancy upsampling and block smoothing at the request's scale, greyscale
   frames expanded to three channels. Warnings are dropped silently; data that
   ends early is completed by libjpeg and still succeeds. A frame is refused
   when it has more scans than real files use, a scan that codes nothing the
   scans before it left open, or a whole-image buffer larger than a frame of
   the probed size could need: so a small hostile file costs no more than a
   real frame of the probed size. On anything but
   JpegDecodeOk the rows may hold partial output and *coverage is untouched. */
JpegDecodeResult jpegDecodeRows(const JpegDecodeRequest* request, JpegCoverage* coverage);

#ifdef __cplusplus
}
#endif

#endif
