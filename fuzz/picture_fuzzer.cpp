// GetPicture and GetPreview on memory images whose JPEG region is the
// fuzzer's input: the region rules, the probe and the decode. The first byte
// chooses the FULLSIZE setting and the export, and with bit 2 the input is
// the whole image instead, so its directories lead the structure walk to a
// located JPEG; with bit 3 ROTATE turns the picture as its Orientation
// says. Every result is either a
// failure with the handles untouched, or two blocks of the advertised sizes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_settings.h"
#include "platform/platform.h"
#include "plugin/exports.h"
#include "plugin/source_region.h"

namespace {

constexpr std::size_t MaxInput = 1 << 20;  // keeps one execution short

void checkBlocks(platform::BlockHandle header, platform::BlockHandle pixels) {
  const auto* info = static_cast<const std::uint8_t*>(platform::globalLock(header));
  if (!info || platform::globalSize(header) < 40) std::abort();
  std::int32_t width, height;
  std::uint32_t sizeImage;
  std::memcpy(&width, info + 4, 4);
  std::memcpy(&height, info + 8, 4);
  std::memcpy(&sizeImage, info + 20, 4);
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  if (width <= 0 || height <= 0 || sizeImage != stride * static_cast<std::uint32_t>(height) ||
      platform::globalSize(pixels) < sizeImage)
    std::abort();
  platform::globalUnlock(header);
  platform::globalFree(header);
  platform::globalFree(pixels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > MaxInput) return 0;
  const bool fullSize = data[0] & 1;
  const bool preview = data[0] & 2;
  const bool wholeImage = data[0] & 4;
  const bool upright = data[0] & 8;
  ++data, --size;
  // The JPEG region starts at a fixed offset of the image and the input ends
  // it, right before an inaccessible page, so any read past the image
  // faults. Anonymous pages keep the 12 MB of zero filler in front of a
  // full-size region cheap.
  const std::size_t start = wholeImage ? 0 : fullSize ? FullImageOffset : PreviewOffset;
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t mapped = (start + size + page - 1) / page * page + page;
  auto* base = static_cast<std::uint8_t*>(
      ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  if (base == MAP_FAILED) return 0;
  ::mprotect(base + mapped - page, page, PROT_NONE);
  std::uint8_t* image = base + mapped - page - (start + size);
  if (size) std::memcpy(image + start, data, size);
  useSettings(fullSize, upright);
  platform::BlockHandle header = platform::NoBlock, pixels = platform::NoBlock;
  const auto* source = reinterpret_cast<const char*>(image);
  const auto length = static_cast<std::int32_t>(start + size);
  const std::int32_t result = preview
      ? GetPreview(source, length, SourceMemory, &header, &pixels, nullptr, 0)
      : GetPicture(source, length, SourceMemory, &header, &pixels, nullptr, 0);
  ::munmap(base, mapped);
  if (result != Success) {
    if (header != platform::NoBlock || pixels != platform::NoBlock) std::abort();
    return 0;
  }
  checkBlocks(header, pixels);
  return 0;
}
