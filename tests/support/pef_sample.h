// Synthetic PENTAX *istD raw files for tests: a big-endian TIFF header with
// IFD0, the EXIF directory and the maker note, a 640 x 480 preview JPEG at
// byte 8640 and a 3008 x 2008 JPEG at byte 12371550, as the camera lays them
// out. The raw sensor data between them is not simulated; it is filler.
// Every sample is a pure function of its options: the same bytes every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "picture/camera_layout.h"

namespace pef_sample {

using Bytes = std::vector<std::uint8_t>;

// Where the camera puts the two JPEGs, counted from the raw file's first byte.
constexpr std::size_t PreviewOffset = ::PreviewOffset;
constexpr std::size_t FullImageOffset = ::FullImageOffset;
// The camera's header block: TIFF directories and the preview end before it.
constexpr std::size_t HeaderBlockSize = 65536;

struct Rational {
  std::uint32_t num, den;
};
struct SRational {
  std::int32_t num, den;
};
// Maker-note tag 63: the lens series and the lens id, stored as two BYTEs.
struct LensCode {
  std::uint8_t series, id;
};

// The shooting values written into IFD0, the EXIF directory and the maker
// note. A field that is not set gets no entry at all.
struct ShotValues {
  // IFD0's 274 Orientation, SHORT: 1 (as stored) unless asked otherwise, as
  // every body writes one.
  std::optional<std::uint16_t> orientation = 1;
  std::optional<std::uint16_t> iso;              // 34855 ISOSpeedRatings, SHORT
  std::optional<Rational> focalLength;           // 37386 FocalLength, RATIONAL
  std::optional<std::uint16_t> focalLength35mm;  // 41989 FocalLengthIn35mmFilm, SHORT
  std::optional<Rational> exposureTime;          // 33434 ExposureTime, RATIONAL
  std::optional<Rational> fNumber;               // 33437 FNumber, RATIONAL
  std::optional<SRational> exposureBias;         // 37380 ExposureBiasValue, SRATIONAL
  std::optional<std::uint16_t> exposureProgram;  // 34850 ExposureProgram, SHORT
  std::optional<std::uint16_t> meteringMode;     // 37383 MeteringMode, SHORT
  std::optional<std::uint16_t> whiteBalance;     // 41987 WhiteBalance, SHORT
  std::optional<std::uint16_t> flash;            // 37385 Flash, SHORT
  std::optional<std::uint16_t> focusMode;        // maker note 13, SHORT
  std::optional<LensCode> lens;                  // maker note 63, BYTE[2]
};

// ISO 200, 50 mm (75 mm in 35 mm terms), 1/125 s, F5.6, -1/3 EV, aperture
// priority, multi-segment metering, auto white balance, flash off, AF-S and
// the smc PENTAX-FA 50mmF1.4 (series 5, id 4).
ShotValues cameraValues();

// Chroma sampling of a colour JPEG (luma against chroma), or CMYK.
enum class Layout { H2V2, H2V1, H1V1, Cmyk };

// One embedded JPEG. Baseline, 2x2 chroma subsampling, Huffman coding,
// unless asked otherwise.
struct JpegOptions {
  int width = PreviewWidth;
  int height = PreviewFrameHeight;
  int quality = 80;
  bool greyscale = false;
  bool progressive = false;
  Layout layout = Layout::H2V2;
  bool arithmetic = false;
};

JpegOptions cameraPreview();    // 640 x 480, quality 80
JpegOptions cameraFullImage();  // 3008 x 2008, quality 95

struct SampleOptions {
  ShotValues values = cameraValues();
  bool withExif = true;       // IFD0 points to an EXIF directory (tag 34665)
  bool withMakerNote = true;  // the EXIF directory holds a maker note (tag 37500)
  JpegOptions preview = cameraPreview();
  // Absent: header and preview only, padded to HeaderBlockSize bytes.
  std::optional<JpegOptions> fullImage = cameraFullImage();
  // Cut the sample to this length, or pad it with zeros up to it.
  std::optional<std::size_t> length;
  // Filler bytes written before the sample, which then starts at this offset.
  std::size_t prefix = 0;
};

struct Sample {
  Bytes bytes;
  std::size_t previewSize = 0;  // bytes of the preview JPEG
  std::size_t fullSize = 0;     // bytes of the full-size JPEG; 0 when there is none
                                // or the cut ends before its offset
};

// The TIFF header with IFD0, EXIF directory and maker note, as they stand at
// the start of the file. Its length is below PreviewOffset.
Bytes buildTiffHeader(const SampleOptions& options);

// Fills one row of `samples` (width x components, as the options ask) for
// row y counted from the top.
using RowPainter = std::function<void(int y, std::uint8_t* samples)>;

// The one JPEG encoder: libjpeg's compressor with the options' layout over
// the rows `paint` gives. Throws std::runtime_error for a size or quality
// libjpeg cannot encode.
Bytes encodeJpeg(const JpegOptions& options, const RowPainter& paint);

// A JPEG of the synthetic test scene (RGB or greyscale).
Bytes synthJpeg(const JpegOptions& options);

// The whole file as the options describe it. Throws std::runtime_error when
// the pieces do not fit the camera's layout (a preview reaching the full-size
// JPEG's offset).
Sample buildSample(const SampleOptions& options);

// buildSample written to a file; throws std::runtime_error on I/O failure.
Sample writeSample(const std::string& path, const SampleOptions& options);
void writeBytes(const std::string& path, const Bytes& bytes);

}  // namespace pef_sample
