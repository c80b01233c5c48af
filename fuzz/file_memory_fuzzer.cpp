// File mode against memory mode: the input is a whole raw file, written to a
// file and also passed as a memory image. GetPictureInfo and GetPicture must
// give the same result both ways, and on success the same size, text and
// bitmap; in file mode the directories and values beyond the header window
// are fetched with reads of their own. Bits 0 and 1 of the first byte choose
// the FULLSIZE and ROTATE settings.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_settings.h"
#include "platform/platform.h"
#include "plugin/exports.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t MaxInput = 1 << 20;  // keeps one execution short
constexpr std::size_t BitmapImageSizeField = 20;  // BITMAPINFOHEADER's biSizeImage

Bytes take(platform::BlockHandle block, bool global, std::size_t keep = SIZE_MAX) {
  const std::size_t size = global ? platform::globalSize(block) : platform::localSize(block);
  const auto* bytes =
      static_cast<const std::uint8_t*>(global ? platform::globalLock(block) : platform::localLock(block));
  if (!bytes) std::abort();
  Bytes copy(bytes, bytes + std::min(size, keep));
  if (global) {
    platform::globalUnlock(block);
    platform::globalFree(block);
  } else {
    platform::localUnlock(block);
    platform::localFree(block);
  }
  return copy;
}

// The result and, on success, everything handed over that the host reads.
Bytes info(const char* source, std::int32_t offsetOrSize, std::uint32_t mode) {
  PictureInfo record{};
  const std::int32_t result = GetPictureInfo(source, offsetOrSize, mode, &record);
  Bytes outcome(1 + offsetof(PictureInfo, infoText));
  outcome[0] = static_cast<std::uint8_t>(result);
  if (result != Success) return outcome;
  std::memcpy(outcome.data() + 1, &record, offsetof(PictureInfo, infoText));
  if (record.infoText != platform::NoBlock) {
    const Bytes text = take(record.infoText, false);
    outcome.insert(outcome.end(), text.begin(), text.end());
  }
  return outcome;
}

Bytes picture(const char* source, std::int32_t offsetOrSize, std::uint32_t mode) {
  platform::BlockHandle header = platform::NoBlock, pixels = platform::NoBlock;
  const std::int32_t result = GetPicture(source, offsetOrSize, mode, &header, &pixels, nullptr, 0);
  Bytes outcome{static_cast<std::uint8_t>(result)};
  if (result != Success) return outcome;
  const Bytes head = take(header, true);
  std::uint32_t imageSize = 0;
  std::memcpy(&imageSize, head.data() + BitmapImageSizeField, sizeof imageSize);
  const Bytes bitmap = take(pixels, true, imageSize);
  outcome.insert(outcome.end(), head.begin(), head.end());
  outcome.insert(outcome.end(), bitmap.begin(), bitmap.end());
  return outcome;
}

const std::string& scratchFile() {
  static const std::string path = [] {
    char pattern[] = "/tmp/tarnik-fuzz-file-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0) std::abort();
    ::close(fd);
    return std::string(pattern);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > MaxInput) return 0;
  useSettings(data[0] & 1, data[0] & 2);
  ++data, --size;
  const std::string& path = scratchFile();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) std::abort();
  // A copy of exactly the input's size, so a read past the image shows.
  const Bytes image(data, data + size);
  const auto* memory = reinterpret_cast<const char*>(image.data());
  const auto length = static_cast<std::int32_t>(size);
  if (info(path.c_str(), 0, SourceFile) != info(memory, length, SourceMemory)) std::abort();
  if (picture(path.c_str(), 0, SourceFile) != picture(memory, length, SourceMemory)) std::abort();
  return 0;
}
