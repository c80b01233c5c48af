// The eight exports as the host calls them: names, stack discipline,
// plug-in information, format test, flags, the information record, and the
// ownership of the blocks handed over.
#include <cstring>

#include "plugin_fixture.h"

namespace {

std::int32_t cdeclSum(std::int32_t a, std::int32_t b) { return a + b; }

const std::uint8_t DescriptionStart[23] = {  // "*istD RAW ｻﾑﾈｲﾙ読み込み" in code page 932
    '*', 'i', 's', 't', 'D', ' ', 'R', 'A', 'W', ' ', 0xBB, 0xD1,
    0xC8, 0xB2, 0xD9, 0x93, 0xC7, 0x82, 0xDD, 0x8D, 0x9E, 0x82, 0xDD};

std::uint32_t localLocks(HLOCAL block) { return LocalFlags(block) & LMEM_LOCKCOUNT; }
std::uint32_t globalLocks(HGLOBAL block) { return GlobalFlags(block) & GMEM_LOCKCOUNT; }

std::int32_t read32(const std::uint8_t* bytes) {
  std::int32_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

}  // namespace

TEST_CASE(exports, thunk_measures_the_callee) {
  const std::uint32_t args[] = {2, 3};
  std::int32_t delta = 1;
  CHECK_EQ(callStdcall(reinterpret_cast<const void*>(&cdeclSum), args, 2, &delta), 5);
  CHECK_EQ(delta, -8);  // a cdecl callee leaves its 8 bytes behind
}

TEST_CASE(exports, plugin_information) {
  loadWithSettings(nullptr, nullptr);
  struct Row {
    std::int32_t index, size, result;
    const char* text;  // nullptr: the buffer stays untouched
  };
  const Row rows[] = {
      {0, 5, 5, "00IN"}, {0, 4, 0, nullptr},   {2, 6, 6, "*.PEF"},
      {2, 5, 0, nullptr}, {3, 22, 22, "PENTAX *istD RAW FILE"},
      {4, 6, 6, "*.DNG"}, {5, 13, 13, "DNG RAW FILE"}, {5, 12, 0, nullptr},
      {6, 128, 0, nullptr}, {-1, 128, 0, nullptr},
  };
  for (const Row& row : rows) {
    char buffer[130];
    std::memset(buffer, 0x5A, sizeof buffer);
    CHECK_EQ(getPluginInfo(row.index, buffer, row.size), row.result);
    if (row.text) CHECK(std::memcmp(buffer, row.text, std::strlen(row.text) + 1) == 0);
    else CHECK(buffer[0] == 0x5A);
  }
  char description[256];
  const std::int32_t n = getPluginInfo(1, description, sizeof description);
  CHECK(n > 33 && n <= 128);
  CHECK_EQ(static_cast<std::size_t>(n), std::strlen(description) + 1);
  CHECK(std::memcmp(description, DescriptionStart, sizeof DescriptionStart) == 0);
  CHECK(n > 10 && std::strcmp(description + n - 11, " Ver. 0.22") == 0);
}

TEST_CASE(exports, archive_exports_are_not_implemented) {
  loadWithSettings(nullptr, nullptr);
  CHECK_EQ(callExport("GetArchiveInfo", {1, 2, 3, 4}), NotImplemented);
  CHECK_EQ(callExport("GetFileInfo", {1, 2, 3, 4, 5}), NotImplemented);
  CHECK_EQ(callExport("GetFile", {1, 2, 3, 4, 5, 6}), NotImplemented);
}

TEST_CASE(exports, is_supported_from_first_bytes) {
  loadWithSettings(nullptr, nullptr);
  static const char mm[2048] = "MM\0*";
  static const char ii[2048] = "II*\0";
  static const char iiBigEndian42[2048] = "II\0*";
  CHECK_EQ(isSupported("x.pef", reinterpret_cast<std::uintptr_t>(mm)), 1);
  CHECK_EQ(isSupported("x.dng", reinterpret_cast<std::uintptr_t>(ii)), 1);
  CHECK_EQ(isSupported("x.pef", reinterpret_cast<std::uintptr_t>(iiBigEndian42)), 0);
}

TEST_CASE(exports, is_supported_from_a_file_handle) {
  loadWithSettings(nullptr, nullptr);
  Bytes noPreview(70000, 0);
  noPreview[0] = noPreview[1] = 'M';
  writeFileBytes("no-preview.pef", noPreview);
  Bytes littleEndian = readFileBytes(samplePath("preview-only.pef").c_str());
  littleEndian[0] = littleEndian[1] = 'I';
  writeFileBytes("little-endian.pef", littleEndian);
  struct Row {
    std::string file;
    std::int32_t supported;
  };
  const Row rows[] = {{samplePath("preview-only.pef"), 1}, {samplePath("camera.pef"), 1},
                      {"no-preview.pef", 0}, {"little-endian.pef", 0}, {samplePath("other-dng.dng"), 1}};
  for (const Row& row : rows) {
    HANDLE file = CreateFileA(row.file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (!CHECK(file != INVALID_HANDLE_VALUE) ||
        !CHECK(reinterpret_cast<std::uintptr_t>(file) < 0x10000))
      continue;
    CHECK_EQ(isSupported(row.file.c_str(), reinterpret_cast<std::uintptr_t>(file)), row.supported);
    // Read from where the handle stood, left where the read ended, not closed.
    CHECK_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 65536u);
    CHECK(CloseHandle(file));
  }
}

TEST_CASE(exports, source_mode_is_the_low_three_bits) {
  loadWithSettings(nullptr, fullSizeSetting("0").c_str());
  const std::string name = samplePath("preview-only.pef");
  const Bytes image = readFileBytes(name.c_str());
  std::uint8_t record[PictureInfoSize];
  CHECK_EQ(getPictureInfo(name.c_str(), 0, 0x100, record), Success);
  LocalFree(reinterpret_cast<HLOCAL>(read32(record + InfoTextAt)));
  CHECK_EQ(getPictureInfo(image.data(), image.size(), 0x101, record), Success);
  LocalFree(reinterpret_cast<HLOCAL>(read32(record + InfoTextAt)));
  HGLOBAL header = nullptr, pixels = nullptr;
  CHECK_EQ(getPicture(image.data(), image.size(), 0x101, &header, &pixels), Success);
  GlobalFree(header);
  GlobalFree(pixels);
  for (std::uint32_t flags : {2u, 3u, 4u, 5u, 6u, 7u, 0x102u, 0xFFFFFF07u}) {
    std::memset(record, 0x5A, sizeof record);
    auto* const untouched = reinterpret_cast<HGLOBAL>(0x5A5A);
    header = pixels = untouched;
    CHECK_EQ(getPictureInfo(name.c_str(), 0, flags, record), UnsupportedFormat);
    CHECK_EQ(getPicture(name.c_str(), 0, flags, &header, &pixels), UnsupportedFormat);
    CHECK_EQ(getPreview(name.c_str(), 0, flags, &header, &pixels), UnsupportedFormat);
    CHECK(record[0] == 0x5A && record[PictureInfoSize - 1] == 0x5A);
    CHECK(header == untouched && pixels == untouched);
  }
}

TEST_CASE(exports, picture_info_record) {
  const std::string name = samplePath("preview-only.pef");
  struct Row {
    const char* fullSize;
    std::int32_t width, height;
  };
  for (const Row& row : {Row{"1", 3008, 2008}, Row{"0", 640, 428}}) {
    loadWithSettings(nullptr, fullSizeSetting(row.fullSize).c_str());
    std::uint8_t record[PictureInfoSize + 2];
    std::memset(record, 0x5A, sizeof record);
    CHECK_EQ(getPictureInfo(name.c_str(), 0, SourceFile, record), Success);
    CHECK_EQ(read32(record + 0), 0);   // left
    CHECK_EQ(read32(record + 4), 0);   // top
    CHECK_EQ(read32(record + 8), row.width);
    CHECK_EQ(read32(record + 12), row.height);
    CHECK_EQ(read32(record + 16), 0);  // two densities
    CHECK_EQ(record[20] | record[21] << 8, 24);
    CHECK(record[PictureInfoSize] == 0x5A && record[PictureInfoSize + 1] == 0x5A);
    auto text = reinterpret_cast<HLOCAL>(read32(record + InfoTextAt));
    if (!CHECK(text != nullptr)) continue;
    CHECK_EQ(localLocks(text), 0u);
    const auto* chars = static_cast<const char*>(LocalLock(text));
    const std::size_t length = std::strlen(chars);
    CHECK(length > 0);
    CHECK_EQ(LocalSize(text), length + 4);  // NUL and three more zero bytes
    CHECK(chars[length + 3] == 0);
    LocalUnlock(text);
    CHECK(LocalFree(text) == nullptr);
  }
  std::uint8_t record[PictureInfoSize];
  CHECK_EQ(getPictureInfo(samplePath("no-exif.pef").c_str(), 0, SourceFile, record), Success);
  CHECK_EQ(read32(record + InfoTextAt), 0);  // no text, no block
}

TEST_CASE(exports, missing_file_leaves_the_handles_alone) {
  loadWithSettings(nullptr, nullptr);
  auto* const before = reinterpret_cast<HGLOBAL>(0x1234);
  HGLOBAL header = before, pixels = before;
  CHECK_EQ(getPicture("no such file.pef", 0, SourceFile, &header, &pixels), ReadError);
  CHECK_EQ(getPreview("no such file.pef", 0, SourceFile, &header, &pixels), ReadError);
  CHECK(header == before && pixels == before);
  std::uint8_t record[PictureInfoSize];
  CHECK_EQ(getPictureInfo("no such file.pef", 0, SourceFile, record), ReadError);
}

TEST_CASE(exports, blocks_are_handed_over_unlocked) {
  const std::string name = samplePath("preview-only.pef");
  loadWithSettings(nullptr, fullSizeSetting("0").c_str());
  for (auto get : {getPicture, getPreview}) {
    HGLOBAL header = nullptr, pixels = nullptr;
    if (!CHECK_EQ(get(name.c_str(), 0, SourceFile, &header, &pixels), Success)) continue;
    CHECK_EQ(GlobalSize(header), 44u);        // BITMAPINFO: header and one colour slot
    CHECK_EQ(GlobalSize(pixels), 921600u);    // 1920-byte rows, all 480 frame rows
    CHECK_EQ(globalLocks(header), 0u);
    CHECK_EQ(globalLocks(pixels), 0u);
    const auto* info = static_cast<const std::uint8_t*>(GlobalLock(header));
    CHECK_EQ(read32(info + 4), 640);
    CHECK_EQ(read32(info + 8), 428);
    CHECK_EQ(read32(info + 20), 821760);      // 1920 x 428
    GlobalUnlock(header);
    CHECK(GlobalFree(header) == nullptr && GlobalFree(pixels) == nullptr);
  }
}
