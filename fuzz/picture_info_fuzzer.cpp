// GetPictureInfo on a memory image: the EXIF walk, every formatter and the
// text assembly over arbitrary bytes. The text block must be well formed
// and handed over unlocked.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "plugin/exports.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > INT32_MAX) return 0;
  PictureInfo info;
  const auto* image = reinterpret_cast<const char*>(data);
  if (GetPictureInfo(image, static_cast<std::int32_t>(size), SourceMemory, &info) != Success) std::abort();
  if (info.infoText == platform::NoBlock) return 0;
  const std::size_t blockSize = platform::localSize(info.infoText);
  const auto* text = static_cast<const char*>(platform::localLock(info.infoText));
  // Non-empty, ending in a line feed, followed by at least four zero bytes.
  const std::size_t length = strnlen(text, blockSize);
  if (length == 0 || length + 4 != blockSize || text[length - 1] != '\n') std::abort();
  platform::localUnlock(info.infoText);
  platform::localFree(info.infoText);
  return 0;
}
