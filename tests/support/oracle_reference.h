// The independent oracle of the bodies' samples, as the native and the
// Windows tests read it (tests/samples/oracle_references.sh makes it):
// exiftool's extraction of each JPEG decoded by djpeg into a 24-bit BMP
// (bottom-up blue-green-red rows, the pixel block's own layout), and a
// manifest line per sample with exiftool's reading of PreviewImageBorders.
// Header-only and standard C++ alone, so the Windows test program compiles
// it too.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// The bodies of tools/sample/CMakeLists.txt, PEF and DNG, each a line of
// the manifest.
constexpr std::size_t OracleBodyCount = 21;

// Black rows and columns to cut from the decoded frame.
struct OracleCrop {
  std::uint32_t top = 0, bottom = 0, left = 0, right = 0;
};

struct OracleSample {
  std::string name;        // NAME.raw, NAME-full-float.bmp, NAME-preview-fast.bmp, ...
  OracleCrop previewCrop;  // the full-size frame is never cut
  std::string text;        // the file of the text it gives
};

// oracle.txt: "NAME TOP BOTTOM LEFT RIGHT TEXT" a line.
inline std::vector<OracleSample> readOracleManifest(const std::string& path) {
  std::vector<OracleSample> samples;
  if (std::FILE* file = std::fopen(path.c_str(), "r")) {
    char name[128], text[128];
    OracleCrop c;
    while (std::fscanf(file, "%127s %u %u %u %u %127s", name, &c.top, &c.bottom, &c.left, &c.right, text) == 6)
      samples.push_back({name, c, text});
    std::fclose(file);
  }
  return samples;
}

// One picture call of a sample and the reference it must equal. GetPicture
// decodes at best quality (float IDCT) the JPEG the setting picks; GetPreview
// at best speed (fast IDCT) the preview from a file, and on a memory image
// the JPEG the setting picks.
struct OracleCase {
  const char* what;
  bool fullSizeSetting;
  bool preview;  // GetPreview, else GetPicture
  bool memory;
  bool fullSizeJpeg;  // which JPEG comes out
};

constexpr OracleCase OracleCases[] = {
    {"GetPicture, file, FULLSIZE=1", true, false, false, true},
    {"GetPicture, memory, FULLSIZE=1", true, false, true, true},
    {"GetPicture, file, FULLSIZE=0", false, false, false, false},
    {"GetPicture, memory, FULLSIZE=0", false, false, true, false},
    {"GetPreview, file, FULLSIZE=1", true, true, false, false},
    {"GetPreview, memory, FULLSIZE=1", true, true, true, true},
    {"GetPreview, memory, FULLSIZE=0", false, true, true, false},
};

// The reference file of a case, in the oracle's directory.
inline std::string referenceName(const OracleSample& sample, const OracleCase& c) {
  return sample.name + (c.fullSizeJpeg ? "-full-" : "-preview-") + (c.preview ? "fast" : "float") + ".bmp";
}
inline OracleCrop cropOf(const OracleSample& sample, const OracleCase& c) {
  return c.fullSizeJpeg ? OracleCrop{} : sample.previewCrop;
}

// A reference BMP read a row at a time: the largest, 8256 x 6192, is 153 MB,
// which a 32-bit process under an emulator cannot hold beside the picture.
class ReferenceBmp {
 public:
  explicit ReferenceBmp(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    std::uint8_t header[54];
    if (!file_ || std::fread(header, 1, sizeof header, file_) != sizeof header) return;
    pixelsAt_ = le32(header + 10);
    width = le32(header + 18);
    height = le32(header + 22);
    stride_ = (width * 3 + 3) & ~3u;
  }
  ~ReferenceBmp() {
    if (file_) std::fclose(file_);
  }
  ReferenceBmp(const ReferenceBmp&) = delete;
  ReferenceBmp& operator=(const ReferenceBmp&) = delete;

  bool ok() const { return file_ && width > 0 && height > 0; }
  // Row `fromBottom` in the file's order: 3 x width bytes.
  bool readRow(std::uint32_t fromBottom, std::uint8_t* row) {
    const long at = static_cast<long>(pixelsAt_ + std::size_t{fromBottom} * stride_);
    return std::fseek(file_, at, SEEK_SET) == 0 && std::fread(row, 3, width, file_) == width;
  }

  std::uint32_t width = 0, height = 0;

 private:
  static std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
  }
  std::FILE* file_;
  std::uint32_t pixelsAt_ = 0, stride_ = 0;
};

// The picture's size once `crop` is cut from the reference.
inline std::uint32_t croppedWidth(const ReferenceBmp& ref, const OracleCrop& crop) {
  return ref.width - crop.left - crop.right;
}
inline std::uint32_t croppedHeight(const ReferenceBmp& ref, const OracleCrop& crop) {
  return ref.height - crop.top - crop.bottom;
}

// The largest difference of any sample between a bitmap of bottom-up rows,
// as large as the cropped reference, and that reference; 256 when a
// reference row cannot be read. The bitmap's row k is the reference's row
// bottom + k from the bottom, from column `left` on.
inline int largestDifference(const std::uint8_t* pixels, ReferenceBmp& ref, const OracleCrop& crop) {
  const std::uint32_t width = croppedWidth(ref, crop), height = croppedHeight(ref, crop);
  const std::size_t stride = (std::size_t{width} * 3 + 3) & ~std::size_t{3};
  std::vector<std::uint8_t> row(std::size_t{ref.width} * 3);
  int largest = 0;
  for (std::uint32_t k = 0; k < height; ++k) {
    if (!ref.readRow(crop.bottom + k, row.data())) return 256;
    const std::uint8_t* ours = pixels + k * stride;
    const std::uint8_t* theirs = row.data() + std::size_t{crop.left} * 3;
    for (std::uint32_t i = 0; i < width * 3; ++i) largest = std::max(largest, std::abs(ours[i] - theirs[i]));
  }
  return largest;
}
