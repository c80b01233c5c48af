#include "plugin/source_region.h"

#include <algorithm>

#include "platform/platform.h"

namespace {

struct ReadPlan {
  std::int64_t position;  // in the file
  std::int64_t length;    // signed: negative when the file ends before the region
};

// The whole file's size decides the length, whatever the caller's offset.
ReadPlan planRead(std::int32_t offset, std::uint32_t request, std::uint32_t fileSize) {
  const std::int64_t size = fileSize;
  if (request & RequestHeader) return {std::int64_t{offset}, HeaderReadSize};
  if (request & RequestFullSize) return {std::int64_t{offset} + FullImageOffset, size - FullImageOffset};
  return {std::int64_t{offset} + PreviewOffset,
          std::min<std::int64_t>(size, PreviewWindowEnd) - PreviewOffset};
}

// A fixed region must be longer than MaxRefusedRegionSize; other bytes need
// only be there.
bool planIsReadable(const ReadPlan& plan, std::int64_t shortest) {
  return plan.position >= 0 && plan.position <= INT32_MAX && plan.length >= shortest &&
         plan.length <= UINT32_MAX - ReadSlack;
}

// The bytes from `position` of the raw data, no further than the file's end.
ReadPlan planBytes(std::int32_t offset, std::uint32_t position, std::uint32_t length,
                   std::uint32_t fileSize) {
  const std::int64_t start = std::int64_t{offset} + position;
  return {start, std::min<std::int64_t>(length, std::int64_t{fileSize} - start)};
}

template <typename Plan>
PluginResult readPlanned(platform::FileHandle file, Plan planOf, std::int64_t shortest,
                         SourceBuffer* buffer) {
  std::uint32_t fileSize = 0;
  if (!platform::fileSize(file, &fileSize)) return ReadError;
  const ReadPlan plan = planOf(fileSize);
  if (!planIsReadable(plan, shortest)) return ReadError;

  const auto length = static_cast<std::uint32_t>(plan.length);
  auto* memory = static_cast<std::uint8_t*>(platform::heapAlloc(std::size_t{length} + ReadSlack));
  if (!memory) return OutOfMemory;
  std::uint32_t count = 0;
  if (!platform::seekFromStart(file, static_cast<std::int32_t>(plan.position)) ||
      !platform::readFile(file, memory, length, &count)) {
    platform::heapFree(memory);
    return ReadError;
  }
  *buffer = SourceBuffer{memory, count};
  return Success;
}

}  // namespace

PluginResult readSourceRegion(platform::FileHandle file, std::int32_t offset, std::uint32_t request,
                              SourceBuffer* buffer) {
  return readPlanned(
      file, [&](std::uint32_t fileSize) { return planRead(offset, request, fileSize); },
      MaxRefusedRegionSize + 1, buffer);
}

PluginResult readSourceRegion(const char* fileName, std::int32_t offset, std::uint32_t request,
                              SourceBuffer* buffer) {
  platform::FileHandle file;
  if (!fileName || !platform::openForReading(fileName, &file)) return ReadError;
  const PluginResult result = readSourceRegion(file, offset, request, buffer);
  platform::closeFile(file);
  return result;
}

PluginResult readFileBytes(platform::FileHandle file, std::int32_t offset, std::uint32_t position,
                           std::uint32_t length, SourceBuffer* buffer) {
  return readPlanned(
      file, [&](std::uint32_t fileSize) { return planBytes(offset, position, length, fileSize); }, 1,
      buffer);
}

PluginResult locateMemoryRegion(const std::uint8_t* image, std::int32_t size, bool fullSize,
                                ByteView* region) {
  const std::int64_t start = fullSize ? FullImageOffset : PreviewOffset;
  std::int64_t length = std::int64_t{size} - start;
  if (!fullSize) length = std::min<std::int64_t>(length, MemoryPreviewLength);
  if (!image || length <= MaxRefusedRegionSize) return ReadError;
  // start + length <= size, so the view lies inside the host's image.
  *region = ByteView(image, static_cast<std::uint32_t>(size))
                .slice(static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(length));
  return Success;
}
