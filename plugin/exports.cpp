// The eight entry points. They only dispatch: settings, source reading, the
// probe and decode, and the information text do the work. No exception
// leaves an entry point; every failure ends in a result code.
#include "plugin/exports.h"

#include <cstring>
#include <exception>

#include "exif/info_text.h"
#include "picture/dib_decode.h"
#include "picture/jpeg_probe.h"
#include "plugin/camera_layout.h"
#include "plugin/extract_picture.h"
#include "plugin/located_jpeg.h"
#include "plugin/plugin_info.h"
#include "plugin/settings.h"
#include "plugin/source_region.h"

namespace {

// IsSupported's second argument points at the file's bytes when any of its
// upper 16 bits is set; below that it is a file handle.
constexpr std::uintptr_t LowestBytesPointer = 0x10000;
constexpr std::uint32_t SupportReadSize = 65536;  // what IsSupported reads from a handle
constexpr std::uint32_t TextBlockSlack = 4;       // zero bytes behind the text's NUL

// Runs an entry point's body; an exception that escapes it becomes `failure`.
template <typename Body>
std::int32_t guarded(std::int32_t failure, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

ByteView memoryImage(const char* source, std::int32_t size) {
  return ByteView(reinterpret_cast<const std::uint8_t*>(source),
                  size > 0 ? static_cast<std::uint32_t>(size) : 0);
}

bool isBigEndianTiff(ByteView bytes) {
  const std::uint8_t* mark = bytes.at(0, 2);
  return mark && mark[0] == 'M' && mark[1] == 'M';
}

std::uint32_t pictureRequest(bool fullSize) {
  return RequestBestQuality | (fullSize ? RequestFullSize : 0u);
}

bool supportedHandle(std::uintptr_t handle) {
  auto* memory = static_cast<std::uint8_t*>(platform::heapAlloc(SupportReadSize));
  if (!memory) return false;
  std::uint32_t got = 0;
  bool supported = false;
  if (platform::readHostHandle(handle, memory, SupportReadSize, &got)) {
    const ByteView bytes(memory, got);
    // A PEF is a big-endian TIFF, whichever way its JPEGs are found.
    supported = isBigEndianTiff(bytes) &&
                (probeFrame(bytes, PreviewOffset, CameraFrameLimits).has_value() ||
                 locatedFrameBehindHandle(handle, bytes));
  }
  platform::heapFree(memory);
  return supported;
}

// Copies a non-empty text, with its NUL and four more zero bytes, into a
// movable local block handed over unlocked.
PluginResult handOverText(const char* text, platform::BlockHandle* block) {
  *block = platform::NoBlock;
  const std::size_t length = std::strlen(text);
  if (length == 0) return Success;
  platform::BlockHandle handle = platform::localAlloc(length + TextBlockSlack);
  if (handle == platform::NoBlock) return OutOfMemory;
  void* memory = platform::localLock(handle);
  if (!memory) {
    platform::localFree(handle);
    return OutOfMemory;
  }
  std::memset(memory, 0, length + TextBlockSlack);
  std::memcpy(memory, text, length + 1);
  platform::localUnlock(handle);
  *block = handle;
  return Success;
}

PluginResult pictureInfo(const char* source, std::int32_t offsetOrSize, std::uint32_t mode,
                         PictureInfo* info) {
  // One reading of the setting serves the request word, width and height,
  // so a change between readings cannot report a mixed size.
  const bool fullSize = readFullSizeSetting();
  const std::uint32_t request = RequestHeader | pictureRequest(fullSize);
  char text[TextBufferSize];
  std::optional<PictureSize> located;
  if (mode == SourceFile) {
    SourceBuffer header;
    if (PluginResult result = readSourceRegion(source, offsetOrSize, request, &header)) return result;
    buildInfoText(header.view(), text);
    located = locatedFileSize(source, offsetOrSize, header.view(), fullSize);
    platform::heapFree(header.memory);
  } else {
    const ByteView image = memoryImage(source, offsetOrSize);
    buildInfoText(image, text);
    located = locatedMemorySize(image, fullSize);
  }
  // The fixed layout's sizes unless a located frame gives its own.
  const PictureSize size = located.value_or(
      fullSize ? PictureSize{FullImageWidth, FullImageHeight} : PictureSize{PreviewWidth, PreviewHeight});
  platform::BlockHandle textBlock;
  if (PluginResult result = handOverText(text, &textBlock)) return result;
  *info = PictureInfo{0, 0, size.width, size.height, 0, 0, BitsPerPixel, textBlock};
  return Success;
}

// The fixed layout first: when its region was read and probes, the picture
// is today's. Otherwise the located JPEG, when one probes; else the fixed
// layout's result (a region the file is too short for is a ReadError, a
// region that does not probe UnsupportedFormat). Memory that could not be
// had for the fixed region ends the request as before.
PluginResult picture(const char* source, std::int32_t offsetOrSize, std::uint32_t mode,
                     std::uint32_t request, platform::BlockHandle* header,
                     platform::BlockHandle* pixels) {
  if (mode == SourceFile) {
    SourceBuffer region;
    const PluginResult read = readSourceRegion(source, offsetOrSize, request, &region);
    if (read == Success && fixedFrameProbes(region.view())) {
      const PluginResult result = extractPicture(region.view(), header, pixels, request);
      platform::heapFree(region.memory);
      return result;
    }
    if (read == Success) platform::heapFree(region.memory);
    if (read == OutOfMemory) return read;
    const bool fullSize = (request & RequestFullSize) != 0;
    return locatedFilePicture(source, offsetOrSize, fullSize, request, header, pixels)
        .value_or(read == Success ? UnsupportedFormat : read);
  }
  // A memory image holds both JPEGs; the setting picks one for either export.
  const bool fullSize = readFullSizeSetting();
  ByteView region;
  const ByteView image = memoryImage(source, offsetOrSize);
  const PluginResult located = locateMemoryRegion(image.data(), offsetOrSize, fullSize, &region);
  if (located == Success && fixedFrameProbes(region)) return extractPicture(region, header, pixels, request);
  return locatedMemoryPicture(image, fullSize, request, header, pixels)
      .value_or(located == Success ? UnsupportedFormat : located);
}

bool knownSource(std::uint32_t mode) { return mode == SourceFile || mode == SourceMemory; }

// GetPicture (best quality) and GetPreview (fastest). In file mode the
// setting picks GetPicture's JPEG here and GetPreview always reads the
// preview; on a memory image picture() picks the JPEG for both.
std::int32_t pictureExport(const char* source, std::int32_t offsetOrSize, std::uint32_t flags,
                           platform::BlockHandle* header, platform::BlockHandle* pixels,
                           bool preview) {
  return guarded(OutOfMemory, [&] {
    const std::uint32_t mode = flags & SourceModeMask;
    if (!knownSource(mode) || !header || !pixels) return UnsupportedFormat;
    const bool fullSize = !preview && mode == SourceFile && readFullSizeSetting();
    const std::uint32_t request = preview ? 0u : pictureRequest(fullSize);
    return picture(source, offsetOrSize, mode, request, header, pixels);
  });
}

}  // namespace

PLUGIN_API std::int32_t PLUGIN_CALL GetPluginInfo(std::int32_t index, char* buffer,
                                                  std::int32_t bufferSize) {
  return guarded(0, [&] { return copyPluginInfo(index, buffer, bufferSize); });
}

PLUGIN_API std::int32_t PLUGIN_CALL IsSupported(const char* /*fileName*/,
                                                std::uintptr_t fileOrBytes) {
  return guarded(0, [&] {
    if (fileOrBytes >= LowestBytesPointer)
      return isBigEndianTiff(ByteView(reinterpret_cast<const std::uint8_t*>(fileOrBytes), 2)) ? 1 : 0;
    return supportedHandle(fileOrBytes) ? 1 : 0;
  });
}

PLUGIN_API std::int32_t PLUGIN_CALL GetPictureInfo(const char* source, std::int32_t offsetOrSize,
                                                   std::uint32_t flags, PictureInfo* info) {
  return guarded(OutOfMemory, [&] {
    const std::uint32_t mode = flags & SourceModeMask;
    if (!knownSource(mode) || !info) return UnsupportedFormat;
    return pictureInfo(source, offsetOrSize, mode, info);
  });
}

PLUGIN_API std::int32_t PLUGIN_CALL GetPicture(const char* source, std::int32_t offsetOrSize,
                                               std::uint32_t flags, platform::BlockHandle* header,
                                               platform::BlockHandle* pixels,
                                               ProgressCallback /*progress*/,
                                               std::intptr_t /*userData*/) {
  return pictureExport(source, offsetOrSize, flags, header, pixels, false);
}

PLUGIN_API std::int32_t PLUGIN_CALL GetPreview(const char* source, std::int32_t offsetOrSize,
                                               std::uint32_t flags, platform::BlockHandle* header,
                                               platform::BlockHandle* pixels,
                                               ProgressCallback /*progress*/,
                                               std::intptr_t /*userData*/) {
  return pictureExport(source, offsetOrSize, flags, header, pixels, true);
}

PLUGIN_API std::int32_t PLUGIN_CALL GetArchiveInfo(std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                                   std::uintptr_t) {
  return NotImplemented;
}

PLUGIN_API std::int32_t PLUGIN_CALL GetFileInfo(std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                                std::uintptr_t, std::uintptr_t) {
  return NotImplemented;
}

PLUGIN_API std::int32_t PLUGIN_CALL GetFile(std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                            std::uintptr_t, std::uintptr_t, std::uintptr_t) {
  return NotImplemented;
}
