// Every body's sample through the real DLL against the independent oracle
// (tests/samples/oracle_references.sh), in the same cases as the native
// oracle test: pixels equal to djpeg's decode of exiftool's extraction, cut
// by exiftool's reading of the borders; GetPictureInfo's size that of the
// picture and its text that of the camera's values. The samples directory
// is the oracle's.
#include <cstdio>
#include <string>

#include "plugin_fixture.h"
#include "tests/support/oracle_reference.h"

namespace {

std::int32_t le32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                                   std::uint32_t{p[3]} << 24);
}

std::uint32_t mebibytes(std::size_t bytes) { return static_cast<std::uint32_t>((bytes >> 20) + 1); }

// One case of one sample; `what` names both.
void pictureCase(const OracleSample& sample, const OracleCase& c, const Bytes& image, const std::string& what) {
  ReferenceBmp ref(samplePath(referenceName(sample, c).c_str()));
  if (!CHECK(ref.ok())) return;
  const OracleCrop crop = cropOf(sample, c);
  const std::uint32_t width = croppedWidth(ref, crop), height = croppedHeight(ref, crop);
  const std::size_t bitmap = ((std::size_t{width} * 3 + 3) & ~std::size_t{3}) * height;
  // Beside the image and the reference this program holds: the pixel block,
  // and in file mode the plug-in's read of the JPEG, no larger than the file.
  const std::uint32_t read = c.memory ? 0 : mebibytes(image.size());
  if (!canHold(mebibytes(bitmap) + read, mebibytes(bitmap), what.c_str())) return;
  loadWithSettings(fullSizeSetting(c.fullSizeSetting ? "1" : "0").c_str(), nullptr);
  const std::string path = samplePath((sample.name + ".raw").c_str());
  const void* source = c.memory ? static_cast<const void*>(image.data()) : path.c_str();
  const std::int32_t offsetOrSize = c.memory ? static_cast<std::int32_t>(image.size()) : 0;
  HGLOBAL header = nullptr, pixels = nullptr;
  const std::int32_t result = (c.preview ? getPreview : getPicture)(source, offsetOrSize,
                                                                    c.memory ? SourceMemory : SourceFile, &header, &pixels);
  if (!CHECK_EQ(result, Success)) {
    std::printf("  %s\n", what.c_str());
    return;
  }
  const auto* info = static_cast<const std::uint8_t*>(GlobalLock(header));
  CHECK_EQ(le32(info + 4), static_cast<std::int32_t>(width));
  CHECK_EQ(le32(info + 8), static_cast<std::int32_t>(height));
  GlobalUnlock(header);
  if (CHECK(GlobalSize(pixels) >= bitmap)) {
    const int largest = largestDifference(static_cast<const std::uint8_t*>(GlobalLock(pixels)), ref, crop);
    GlobalUnlock(pixels);
    std::printf("  %s: largest difference from djpeg %d\n", what.c_str(), largest);
    CHECK_EQ(largest, 0);
  }
  GlobalFree(header);
  GlobalFree(pixels);
}

void infoCases(const OracleSample& sample, const Bytes& image, const std::string& expectedText) {
  const std::string path = samplePath((sample.name + ".raw").c_str());
  for (bool fullSize : {true, false}) {
    ReferenceBmp ref(samplePath((sample.name + (fullSize ? "-full-float.bmp" : "-preview-float.bmp")).c_str()));
    const OracleCrop crop = fullSize ? OracleCrop{} : sample.previewCrop;
    loadWithSettings(fullSizeSetting(fullSize ? "1" : "0").c_str(), nullptr);
    for (bool memory : {false, true}) {
      std::uint8_t record[PictureInfoSize];
      const std::string text = memory ? infoText(image.data(), static_cast<std::int32_t>(image.size()), SourceMemory, record)
                                      : infoText(path.c_str(), 0, SourceFile, record);
      const bool right = CHECK_EQ(le32(record + InfoWidthAt), static_cast<std::int32_t>(croppedWidth(ref, crop))) &
                         CHECK_EQ(le32(record + InfoHeightAt), static_cast<std::int32_t>(croppedHeight(ref, crop))) &
                         CHECK(text == expectedText);
      if (!right)
        std::printf("  %s, FULLSIZE=%d, %s: GetPictureInfo gave the text:\n%s\n", sample.name.c_str(), fullSize,
                    memory ? "memory" : "file", text.c_str());
    }
  }
}

TEST_CASE(bodies, PicturesSizesAndTextsMatchTheOracle) {
  const std::vector<OracleSample> samples = readOracleManifest(samplePath("oracle.txt"));
  CHECK_EQ(samples.size(), OracleBodyCount);
  for (const OracleSample& sample : samples) {
    const Bytes expected = readFileBytes(samplePath(sample.text.c_str()).c_str());
    const Bytes image = readFileBytes(samplePath((sample.name + ".raw").c_str()).c_str());
    for (const OracleCase& c : OracleCases) pictureCase(sample, c, image, sample.name + ": " + c.what);
    infoCases(sample, image, std::string(expected.begin(), expected.end()));
  }
}

}  // namespace
