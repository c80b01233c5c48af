// Which region of the source a request reads, and the limits of each plan,
// seen through the results: ReadError when the plan is refused, anything
// else once the bytes were read. Files are built from the generated
// preview-only sample (the TIFF header and the 640 x 480 preview JPEG at
// byte 8640, 65536 bytes in all).
#include <cstring>

#include "plugin_fixture.h"

namespace {

Bytes previewSample() { return readFileBytes(samplePath("preview-only.pef").c_str()); }

// The sample cut or padded with zeros to `size` bytes.
Bytes sized(Bytes bytes, std::size_t size) {
  bytes.resize(size, 0);
  return bytes;
}

// A full-length file whose full-size region holds the preview JPEG.
Bytes withJpegAtFullImage() {
  const Bytes sample = previewSample();
  Bytes file = sized(sample, FullImageOffset);
  file.insert(file.end(), sample.begin() + PreviewOffset, sample.end());
  return file;
}

void release(HGLOBAL header, HGLOBAL pixels) {
  GlobalFree(header);
  GlobalFree(pixels);
}

std::int32_t pictureFromFile(const Bytes& bytes, std::int32_t offset, bool preview) {
  writeFileBytes("region.pef", bytes);
  HGLOBAL header = nullptr, pixels = nullptr;
  const std::int32_t result = (preview ? getPreview : getPicture)("region.pef", offset, SourceFile,
                                                                 &header, &pixels);
  if (result == Success) release(header, pixels);
  return result;
}

std::int32_t pictureFromMemory(const Bytes& image) {
  HGLOBAL header = nullptr, pixels = nullptr;
  const std::int32_t result = getPicture(image.data(), image.size(), SourceMemory, &header, &pixels);
  if (result == Success) release(header, pixels);
  return result;
}

}  // namespace

TEST_CASE(regions, preview_region_needs_more_than_16_bytes) {
  loadWithSettings(nullptr, nullptr);
  const Bytes sample = previewSample();
  struct Row {
    std::size_t size;
    bool readError;
  };
  for (const Row& row : {Row{0, true}, Row{8000, true}, Row{8656, true}, Row{8657, false}}) {
    const std::int32_t result = pictureFromFile(sized(sample, row.size), 0, true);
    if (!CHECK_EQ(result == ReadError, row.readError)) std::printf("  file of %u bytes\n", unsigned(row.size));
  }
  CHECK_EQ(pictureFromFile(sample, 0, true), Success);
}

TEST_CASE(regions, full_size_region_needs_more_than_16_bytes) {
  loadWithSettings(nullptr, fullSizeSetting("1").c_str());
  const Bytes sample = previewSample();
  CHECK_EQ(pictureFromFile(sized(sample, 12371566), 0, false), ReadError);
  CHECK_EQ(pictureFromFile(sized(sample, 12371567), 0, false), UnsupportedFormat);
  CHECK_EQ(pictureFromFile(sample, 0, false), ReadError);  // shorter than the region's start
  CHECK_EQ(pictureFromFile(withJpegAtFullImage(), 0, false), Success);
}

TEST_CASE(regions, offsets_move_the_regions) {
  loadWithSettings(nullptr, nullptr);
  const Bytes sample = previewSample();
  // The raw data 4096 bytes into the file.
  Bytes prefixed(4096 + sample.size(), 0);
  std::memcpy(prefixed.data() + 4096, sample.data(), sample.size());
  CHECK_EQ(pictureFromFile(prefixed, 4096, true), Success);
  CHECK_EQ(pictureFromFile(prefixed, 0, true), UnsupportedFormat);
  // The file's first 100 bytes missing: the preview JPEG starts at 8540.
  CHECK_EQ(pictureFromFile(Bytes(sample.begin() + 100, sample.end()), -100, true), Success);

  writeFileBytes("region.pef", sample);
  std::uint8_t record[PictureInfoSize];
  CHECK_EQ(getPictureInfo("region.pef", -1, SourceFile, record), ReadError);
  CHECK_EQ(getPictureInfo("region.pef", 65535, SourceFile, record), Success);  // one byte left
  writeFileBytes("region.pef", Bytes());
  CHECK_EQ(getPictureInfo("region.pef", 0, SourceFile, record), Success);     // nothing to read
}

// GetPreview reads the preview from a file whatever the setting says, but
// on a memory image it takes the region the setting picks.
TEST_CASE(regions, preview_export_regions) {
  loadWithSettings(fullSizeSetting("1").c_str(), nullptr);
  CHECK_EQ(pictureFromFile(previewSample(), 0, true), Success);
  Bytes onlyFullImage = withJpegAtFullImage();
  std::memset(onlyFullImage.data() + PreviewOffset, 0, 2);  // no JPEG at the preview offset
  HGLOBAL header = nullptr, pixels = nullptr;
  CHECK_EQ(getPreview(onlyFullImage.data(), onlyFullImage.size(), SourceMemory, &header, &pixels),
           Success);
  release(header, pixels);
  writeSettings(Beside::Host, fullSizeSetting("0").c_str());
  CHECK_EQ(getPreview(onlyFullImage.data(), onlyFullImage.size(), SourceMemory, &header, &pixels),
           UnsupportedFormat);
}

TEST_CASE(regions, memory_image_regions) {
  const Bytes sample = previewSample();
  loadWithSettings(fullSizeSetting("1").c_str(), nullptr);
  CHECK_EQ(pictureFromMemory(sized(sample, 12371550)), ReadError);
  CHECK_EQ(pictureFromMemory(sized(sample, 12371566)), ReadError);
  CHECK_EQ(pictureFromMemory(sized(sample, 12371567)), UnsupportedFormat);
  CHECK_EQ(pictureFromMemory(withJpegAtFullImage()), Success);
  writeSettings(Beside::Host, fullSizeSetting("0").c_str());
  CHECK_EQ(pictureFromMemory(sized(sample, 8656)), ReadError);
  CHECK(pictureFromMemory(sized(sample, 8657)) != ReadError);
  CHECK_EQ(pictureFromMemory(sized(sample, 20000)), Success);  // a cut JPEG still decodes
  CHECK_EQ(pictureFromMemory(sample), Success);
}
