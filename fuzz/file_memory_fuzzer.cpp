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
#include "tests/support/handed_over.h"

namespace {

using handed_over::Bytes;
constexpr std::size_t MaxInput = 1 << 20;  // keeps one execution short

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
  if (handed_over::info(path.c_str(), 0, SourceFile) != handed_over::info(memory, length, SourceMemory))
    std::abort();
  if (handed_over::picture(GetPicture, path.c_str(), 0, SourceFile) !=
      handed_over::picture(GetPicture, memory, length, SourceMemory))
    std::abort();
  return 0;
}
