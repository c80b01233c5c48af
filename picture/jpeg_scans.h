/* Counting a JPEG's remaining scans from its bytes, for the libjpeg glue
   (jpeg_decoder.c) to refuse a multi-scan frame with more scans than real
   files have before it takes the frame's memory or decodes any scan. C, so
   that the glue calls it directly. */
#ifndef TARNIK_PICTURE_JPEG_SCANS_H
#define TARNIK_PICTURE_JPEG_SCANS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The start-of-scan markers in the `length` bytes at `data`, up to the end
   of image or of the bytes, counting no further than `limit`. The bytes are
   read through a ByteView. */
uint32_t countScans(const uint8_t* data, uint32_t length, uint32_t limit);

#ifdef __cplusplus
}
#endif

#endif
