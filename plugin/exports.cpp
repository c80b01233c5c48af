// The eight entry points. They only dispatch: settings, source reading, the
// probe and decode, and the information text do the work. No exception
// leaves an entry point; every failure ends in a result code.
#include "plugin/exports.h"

#include <cstring>
#include <exception>

#include "exif/info_text.h"
#include "picture/camera_layout.h"
#include "picture/dib_decode.h"
#include "picture/jpeg_probe.h"
#include "picture/picture_plan.h"
#include "plugin/picture_request.h"
#include "plugin/plugin_info.h"
#include "plugin/raw_source.h"
#include "plugin/settings.h"

namespace {

// IsSupported's second argument points at the file's bytes when any of its
// upper 16 bits is set; below that it is a file handle.
constexpr std::uintptr_t LowestBytesPointer = 0x10000;
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

// "II", then 42 in that order: every DNG's header.
constexpr std::uint32_t IntelHeaderSize = 4;
bool isLittleEndianTiff(ByteView bytes) {
  const std::uint8_t* mark = bytes.at(0, IntelHeaderSize);
  return mark && mark[0] == 'I' && mark[1] == 'I' && mark[2] == 42 && mark[3] == 0;
}

// The pointer form claims by the first bytes alone: "MM", or a
// little-endian TIFF header.
bool claimedByFirstBytes(const std::uint8_t* first) {
  return isBigEndianTiff(ByteView(first, 2)) || isLittleEndianTiff(ByteView(first, IntelHeaderSize));
}

std::uint32_t pictureRequest(bool fullSize) {
  return RequestBestQuality | (fullSize ? RequestFullSize : 0u);
}

// A PEF is a big-endian TIFF, whichever way its JPEGs are found: the fixed
// preview probes in the window the handle gives, or a located JPEG holds a
// frame. A DNG is a TIFF of either order whose JPEG preview holds a frame.
bool supportedHandle(std::uintptr_t handle) {
  RawSource source(HostHandle{handle});
  if (source.readWindow() != Success) return false;
  const ByteView window = source.bytes().from(0);
  if (isBigEndianTiff(window))
    return probeFrame(window, PreviewOffset, FixedFrameLimits).has_value() || locatedFrameHolds(source, false);
  return isLittleEndianTiff(window) && locatedFrameHolds(source, true);
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
  // One reading of the settings serves the plan, width and height, so a
  // change between readings cannot report a mixed size.
  const PictureAsk ask{readFullSizeSetting(), readRotateSetting()};
  char text[TextBufferSize];
  PictureSize size{};
  RawSource raw = mode == SourceFile ? RawSource(source, offsetOrSize)
                                     : RawSource(memoryImage(source, offsetOrSize));
  if (PluginResult window = raw.readWindow()) return window;
  if (PluginResult described = describePicture(raw, ask, text, &size)) return described;
  platform::BlockHandle textBlock;
  if (PluginResult result = handOverText(text, &textBlock)) return result;
  *info = PictureInfo{0, 0, size.width, size.height, 0, 0, BitsPerPixel, textBlock};
  return Success;
}

bool knownSource(std::uint32_t mode) { return mode == SourceFile || mode == SourceMemory; }

// GetPicture (best quality) and GetPreview (fastest). In file mode the
// setting picks GetPicture's JPEG and GetPreview always shows the preview;
// a memory image holds both JPEGs, and the setting picks one for either.
std::int32_t pictureExport(const char* source, std::int32_t offsetOrSize, std::uint32_t flags,
                           platform::BlockHandle* header, platform::BlockHandle* pixels,
                           bool preview) {
  return guarded(OutOfMemory, [&] {
    const std::uint32_t mode = flags & SourceModeMask;
    if (!knownSource(mode) || !header || !pixels) return UnsupportedFormat;
    const bool upright = readRotateSetting();
    if (mode == SourceFile) {
      const bool fullSize = !preview && readFullSizeSetting();
      RawSource raw(source, offsetOrSize);
      return decodePicture(raw, {fullSize, upright}, preview ? 0u : pictureRequest(fullSize), header, pixels);
    }
    RawSource raw(memoryImage(source, offsetOrSize));
    const bool fullSize = readFullSizeSetting();
    return decodePicture(raw, {fullSize, upright}, preview ? 0u : RequestBestQuality, header, pixels);
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
      return claimedByFirstBytes(reinterpret_cast<const std::uint8_t*>(fileOrBytes)) ? 1 : 0;
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
