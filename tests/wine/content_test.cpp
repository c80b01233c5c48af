// What the host gets from the real DLL: the pictures against libjpeg's own
// djpeg decode of the same JPEG bytes, the information texts against the
// golden texts, and the bad-file corpus with its expected results. Each group
// runs in a layout whose samples directory holds what it needs.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plugin_fixture.h"

namespace {

constexpr std::int32_t AnyResult = -1000;  // as the corpus manifest writes it
constexpr int AnyLines = -1;

void release(HGLOBAL header, HGLOBAL pixels) {
  GlobalFree(header);
  GlobalFree(pixels);
}

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

std::string readText(const std::string& path) {
  std::string text;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
    std::fclose(file);
  }
  return text;
}

// ---- pictures --------------------------------------------------------------

struct Reference {
  Bytes bmp;
  std::uint32_t width = 0, height = 0, stride = 0;
  const std::uint8_t* row(std::uint32_t fromBottom) const {
    return bmp.data() + le32(bmp.data() + 10) + std::size_t{fromBottom} * stride;
  }
};

Reference reference(const char* name) {
  Reference r;
  r.bmp = readFileBytes(samplePath(name).c_str());
  if (!CHECK(r.bmp.size() > 54)) return r;
  r.width = le32(r.bmp.data() + 18);
  r.height = le32(r.bmp.data() + 22);
  r.stride = (r.width * 3 + 3) & ~3u;
  return r;
}

// The blocks against djpeg's bottom-up rows; a cropped preview's block row k
// is reference row 26 + k. Returns the largest difference of any sample.
int compareBlocks(HGLOBAL headerBlock, HGLOBAL pixelBlock, const Reference& ref, bool cropped) {
  CHECK_EQ(GlobalFlags(headerBlock) & GMEM_LOCKCOUNT, 0u);
  CHECK_EQ(GlobalFlags(pixelBlock) & GMEM_LOCKCOUNT, 0u);
  const auto* header = static_cast<const std::uint8_t*>(GlobalLock(headerBlock));
  const auto* pixels = static_cast<const std::uint8_t*>(GlobalLock(pixelBlock));
  const std::uint32_t height = cropped ? 428 : ref.height;
  CHECK_EQ(le32(header + 4), ref.width);
  CHECK_EQ(le32(header + 8), height);
  CHECK_EQ(le32(header + 20), ref.stride * height);
  CHECK_EQ(GlobalSize(pixelBlock), SIZE_T{ref.stride} * ref.height);
  int largest = 0;
  for (std::uint32_t k = 0; k < height; ++k) {
    const std::uint8_t* ours = pixels + std::size_t{k} * ref.stride;
    const std::uint8_t* theirs = ref.row(cropped ? 26 + k : k);
    for (std::uint32_t i = 0; i < ref.width * 3; ++i) largest = std::max(largest, std::abs(ours[i] - theirs[i]));
  }
  GlobalUnlock(pixelBlock);
  GlobalUnlock(headerBlock);
  return largest;
}

struct PictureCase {
  const char* what;
  const char* fullSize;  // the setting
  bool preview;          // GetPreview, else GetPicture
  bool memory;
  const char* reference;
  bool cropped;
};

TEST_CASE(pictures, MatchDjpegFromFileAndMemory) {
  const PictureCase cases[] = {
      {"GetPicture, file, full size", "1", false, false, "full-float.bmp", false},
      {"GetPicture, memory, full size", "1", false, true, "full-float.bmp", false},
      {"GetPreview, memory, full size", "1", true, true, "full-fast.bmp", false},
      {"GetPreview, file", "1", true, false, "preview-fast.bmp", true},
      {"GetPicture, file, preview", "0", false, false, "preview-float.bmp", true},
      {"GetPicture, memory, preview", "0", false, true, "preview-float.bmp", true},
  };
  const std::string path = samplePath("camera.pef");
  const Bytes image = readFileBytes(path.c_str());
  for (const PictureCase& c : cases) {
    loadWithSettings(fullSizeSetting(c.fullSize).c_str(), nullptr);
    HGLOBAL header = nullptr, pixels = nullptr;
    const void* source = c.memory ? static_cast<const void*>(image.data()) : path.c_str();
    const std::int32_t offsetOrSize = c.memory ? static_cast<std::int32_t>(image.size()) : 0;
    const std::uint32_t mode = c.memory ? SourceMemory : SourceFile;
    const std::int32_t result = (c.preview ? getPreview : getPicture)(source, offsetOrSize, mode, &header, &pixels);
    if (!CHECK_EQ(result, Success)) continue;
    const int largest = compareBlocks(header, pixels, reference(c.reference), c.cropped);
    std::printf("  %s: largest difference from djpeg %d\n", c.what, largest);
    CHECK_EQ(largest, 0);
    release(header, pixels);
  }
}

// ---- texts -----------------------------------------------------------------

void expectText(const std::string& actual, const std::string& expected, const std::string& what) {
  if (!CHECK(actual == expected)) std::printf("  %s gave:\n%s\n", what.c_str(), actual.c_str());
}

TEST_CASE(texts, GoldenTextsFromFileAnOffsetAndMemory) {
  loadWithSettings(fullSizeSetting("1").c_str(), nullptr);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA("samples\\*.pef", &found);
  if (!CHECK(search != INVALID_HANDLE_VALUE)) return;
  int samples = 0;
  do {
    const std::string name(found.cFileName, std::strlen(found.cFileName) - 4);
    if (name == "preview-only-at-4096") continue;
    const std::string path = samplePath(found.cFileName);
    const std::string expected = readText(samplePath((name + ".txt").c_str()));
    expectText(infoText(path.c_str(), 0, SourceFile), expected, name + " from a file");
    const Bytes image = readFileBytes(path.c_str());
    expectText(infoText(image.data(), static_cast<std::int32_t>(image.size()), SourceMemory), expected,
               name + " from memory");
    ++samples;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  CHECK(samples > 5);
  expectText(infoText(samplePath("preview-only-at-4096.pef").c_str(), 4096, SourceFile),
             readText(samplePath("preview-only.txt")), "preview-only at offset 4096");
}

// ---- corpus ----------------------------------------------------------------

int lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

void expectResult(std::int32_t actual, std::int32_t expected, const char* name, const char* call) {
  const bool known = actual == 0 || actual == 2 || actual == 4 || actual == 6;
  if (!CHECK(known && (expected == AnyResult || actual == expected)))
    std::printf("  %s: %s gave %d (%s), expected %d (%s)\n", name, call, actual, resultMeaning(actual),
                expected, expected == AnyResult ? "any result" : resultMeaning(expected));
}

std::int32_t pictureCall(bool preview, const void* source, std::int32_t offsetOrSize, std::uint32_t mode) {
  HGLOBAL header = reinterpret_cast<HGLOBAL>(0x5A5A), pixels = reinterpret_cast<HGLOBAL>(0x5A5A);
  const std::int32_t result = (preview ? getPreview : getPicture)(source, offsetOrSize, mode, &header, &pixels);
  if (result == Success) release(header, pixels);
  else CHECK(header == reinterpret_cast<HGLOBAL>(0x5A5A) && pixels == reinterpret_cast<HGLOBAL>(0x5A5A));
  return result;
}

TEST_CASE(corpus, EveryBadFileGivesItsExpectedResults) {
  loadWithSettings(fullSizeSetting("0").c_str(), nullptr);
  std::FILE* manifest = std::fopen(samplePath("manifest.txt").c_str(), "r");
  if (!CHECK(manifest != nullptr)) return;
  char name[128];
  int info, textLines, picture, preview, supported, files = 0;
  unsigned needsMiB;
  while (std::fscanf(manifest, "%127s %d %d %d %d %d %u", name, &info, &textLines, &picture, &preview,
                     &supported, &needsMiB) == 7) {
    const std::string path = samplePath((std::string(name) + ".pef").c_str());
    const std::string bytes = readText(path);
    // Beside the decode's need, the plug-in's read of the JPEG in file mode,
    // no larger than the file. The manifest gives a decode's whole need, not
    // its pixel block, the largest part of it; the whole stands for that
    // block, so a process short of one large range skips these calls rather
    // than fails them.
    const bool decode = canHold(needsMiB + static_cast<unsigned>(bytes.size() >> 20), needsMiB,
                                (std::string(name) + ", its picture calls").c_str());
    for (std::uint32_t mode : {SourceFile, SourceMemory}) {
      const void* source = mode == SourceFile ? static_cast<const void*>(path.c_str()) : bytes.data();
      const std::int32_t offsetOrSize = mode == SourceFile ? 0 : static_cast<std::int32_t>(bytes.size());
      const std::string text = infoText(source, offsetOrSize, mode);
      if (textLines != AnyLines && !CHECK_EQ(lines(text), textLines)) std::printf("  %s: text lines\n", name);
      if (!decode) continue;
      expectResult(pictureCall(false, source, offsetOrSize, mode), picture, name, "GetPicture");
      expectResult(pictureCall(true, source, offsetOrSize, mode), preview, name, "GetPreview");
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    const std::int32_t answer = isSupported(path.c_str(), reinterpret_cast<std::uintptr_t>(file));
    if (!CHECK_EQ(answer, supported)) std::printf("  %s: IsSupported\n", name);
    CloseHandle(file);
    ++files;
  }
  std::fclose(manifest);
  CHECK(files > 30);
}

}  // namespace
