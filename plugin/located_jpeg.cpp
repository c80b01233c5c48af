#include "plugin/located_jpeg.h"

#include <algorithm>

#include "plugin/camera_layout.h"
#include "plugin/source_region.h"

namespace {

// The fixed region's first bytes, enough for the probe: the preview region
// ends with the header window as today's read does.
bool fixedLayoutHoldsInFile(const char* fileName, std::int32_t offset, bool fullSize) {
  const std::uint32_t position = fullSize ? FullImageOffset : PreviewOffset;
  const std::uint32_t length = fullSize ? ProbeReach : PreviewWindowEnd - PreviewOffset;
  SourceBuffer region;
  if (readFileBytes(fileName, offset, position, length, &region) != Success) return false;
  const bool holds = fixedFrameProbes(region.view());
  platform::heapFree(region.memory);
  return holds;
}

bool fixedLayoutHoldsInMemory(ByteView image, bool fullSize) {
  ByteView region;
  return locateMemoryRegion(image.data(), static_cast<std::int32_t>(image.size()), fullSize,
                            &region) == Success &&
         fixedFrameProbes(region);
}

std::optional<LocatedRequest> chooseInFile(const char* fileName, std::int32_t offset,
                                           bool fullSize) {
  SourceBuffer header;
  if (readSourceRegion(fileName, offset, RequestHeader, &header) != Success) return std::nullopt;
  const std::optional<LocatedRequest> chosen = chooseLocated(header.view(), fullSize);
  platform::heapFree(header.memory);
  return chosen;
}

bool probesAsLocated(ByteView jpeg) {
  return locatedPictureSize(jpeg, FrameBorders{0, 0, 0, 0}).has_value();
}

// Reads the probe's reach of `span` through the handle, whose position is
// `window` bytes past the TIFF header, and moves it back there. Positions
// stay below 2 GiB, so each move fits its signed 32 bits.
bool probesBehindHandle(std::uintptr_t handle, std::uint32_t window, JpegSpan span) {
  if (span.offset > INT32_MAX - ProbeReach) return false;
  const std::uint32_t length = std::min(span.length, ProbeReach);
  auto* memory = static_cast<std::uint8_t*>(platform::heapAlloc(length));
  if (!memory) return false;
  std::uint32_t got = 0;
  bool probes = false;
  const auto there = static_cast<std::int32_t>(span.offset) - static_cast<std::int32_t>(window);
  if (platform::moveHostHandle(handle, there)) {
    probes = platform::readHostHandle(handle, memory, length, &got) && probesAsLocated(ByteView(memory, got));
    platform::moveHostHandle(handle, -there - static_cast<std::int32_t>(got));
  }
  platform::heapFree(memory);
  return probes;
}

}  // namespace

bool locatedFrameBehindHandle(std::uintptr_t handle, ByteView window) {
  const std::optional<LocatedJpegs> located = locateJpegs(window);
  if (!located || !located->markedMakerNote) return false;
  const std::optional<JpegSpan> span = located->preview ? located->preview : located->fullSize;
  if (!span) return false;
  const std::uint32_t wanted = std::min(span->length, ProbeReach);
  if (span->offset <= window.size() && wanted <= window.size() - span->offset)
    return probesAsLocated(window.slice(span->offset, wanted));
  return probesBehindHandle(handle, window.size(), *span);
}

std::optional<LocatedRequest> chooseLocated(ByteView header, bool fullSize) {
  const std::optional<LocatedJpegs> located = locateJpegs(header);
  if (!located) return std::nullopt;
  if (fullSize) {
    if (!located->fullSize) return std::nullopt;
    return LocatedRequest{*located->fullSize, FrameBorders{0, 0, 0, 0}};
  }
  if (!located->preview) return std::nullopt;
  return LocatedRequest{*located->preview, located->previewBorders};
}

ByteView locatedBytes(ByteView image, JpegSpan span) {
  if (span.offset > image.size()) return ByteView();
  return image.slice(span.offset, std::min(span.length, image.size() - span.offset));
}

std::optional<PluginResult> locatedFilePicture(const char* fileName, std::int32_t offset,
                                               bool fullSize, std::uint32_t flags,
                                               platform::BlockHandle* header,
                                               platform::BlockHandle* pixels) {
  const std::optional<LocatedRequest> chosen = chooseInFile(fileName, offset, fullSize);
  if (!chosen) return std::nullopt;
  SourceBuffer jpeg;
  if (readFileBytes(fileName, offset, chosen->span.offset,
                    std::min(chosen->span.length, MaxLocatedJpegLength), &jpeg) != Success)
    return std::nullopt;
  const std::optional<PluginResult> result =
      extractLocatedPicture(jpeg.view(), chosen->borders, header, pixels, flags);
  platform::heapFree(jpeg.memory);
  return result;
}

std::optional<PluginResult> locatedMemoryPicture(ByteView image, bool fullSize, std::uint32_t flags,
                                                 platform::BlockHandle* header,
                                                 platform::BlockHandle* pixels) {
  const std::optional<LocatedRequest> chosen = chooseLocated(image, fullSize);
  if (!chosen) return std::nullopt;
  return extractLocatedPicture(locatedBytes(image, chosen->span), chosen->borders, header, pixels,
                               flags);
}

std::optional<PictureSize> locatedFileSize(const char* fileName, std::int32_t offset,
                                           ByteView header, bool fullSize) {
  const std::optional<LocatedRequest> chosen = chooseLocated(header, fullSize);
  if (!chosen || fixedLayoutHoldsInFile(fileName, offset, fullSize)) return std::nullopt;
  SourceBuffer jpeg;
  if (readFileBytes(fileName, offset, chosen->span.offset, std::min(chosen->span.length, ProbeReach),
                    &jpeg) != Success)
    return std::nullopt;
  const std::optional<PictureSize> size = locatedPictureSize(jpeg.view(), chosen->borders);
  platform::heapFree(jpeg.memory);
  return size;
}

std::optional<PictureSize> locatedMemorySize(ByteView image, bool fullSize) {
  const std::optional<LocatedRequest> chosen = chooseLocated(image, fullSize);
  if (!chosen || fixedLayoutHoldsInMemory(image, fullSize)) return std::nullopt;
  return locatedPictureSize(locatedBytes(image, chosen->span), chosen->borders);
}
