#include "plugin/raw_source.h"

#include <algorithm>
#include <new>

#include "picture/jpeg_probe.h"

namespace {

// What IsSupported reads through a handle: the header window.
constexpr std::uint32_t HandleWindowSize = HeaderReadSize;
// A handle's file size is not asked: any position may hold bytes.
constexpr std::uint32_t UnknownSize = UINT32_MAX;

}  // namespace

RawSource::RawSource(ByteView image) : kind_(Kind::Memory), image_(image) {
  bytes_.add(SourcePiece{image, 0});
  bytes_.setFileSize(image.size());
}

RawSource::RawSource(const char* fileName, std::int32_t offset)
    : kind_(Kind::File), fileName_(fileName), offset_(offset) {}

RawSource::RawSource(HostHandle handle) : kind_(Kind::Handle), handle_(handle.value) {}

RawSource::~RawSource() {
  for (std::uint32_t i = 0; i < bufferCount_; ++i) platform::heapFree(buffers_[i]);
  if (fileOpen_) platform::closeFile(file_);
}

PluginResult RawSource::keep(SourceBuffer buffer, ByteView* bytes) {
  if (bufferCount_ == MaxBuffers) {
    platform::heapFree(buffer.memory);
    return OutOfMemory;
  }
  buffers_[bufferCount_++] = buffer.memory;
  *bytes = buffer.view();
  return Success;
}

PluginResult RawSource::readWindow() {
  ByteView window;
  if (kind_ == Kind::Memory) return Success;
  if (kind_ == Kind::Handle) {
    auto* memory = static_cast<std::uint8_t*>(platform::heapAlloc(HandleWindowSize));
    if (!memory) return OutOfMemory;
    std::uint32_t got = 0;
    if (!platform::readHostHandle(handle_, memory, HandleWindowSize, &got)) {
      platform::heapFree(memory);
      return ReadError;
    }
    if (PluginResult kept = keep(SourceBuffer{memory, got}, &window)) return kept;
    handlePosition_ = got;
    bytes_.add(SourcePiece{window, 0});
    bytes_.setFileSize(UnknownSize);
    return Success;
  }
  if (!fileName_ || !platform::openForReading(fileName_, &file_)) return ReadError;
  fileOpen_ = true;
  SourceBuffer header;
  if (PluginResult read = readSourceRegion(file_, offset_, RequestHeader, &header)) return read;
  if (PluginResult kept = keep(header, &window)) return kept;
  std::uint32_t fileSize = 0;
  platform::fileSize(file_, &fileSize);
  // The header's read succeeded, so 0 <= offset_ and the TIFF header is in
  // the file or at its end.
  bytes_.add(SourcePiece{window, 0});
  bytes_.setFileSize(fileSize - std::min<std::uint32_t>(fileSize, static_cast<std::uint32_t>(offset_)));
  return Success;
}

PluginResult RawSource::readThroughHandle(std::uint32_t position, std::uint32_t length, ByteView* bytes) {
  // Positions stay below 2 GiB, so each move fits its signed 32 bits.
  if (position > INT32_MAX || handlePosition_ > INT32_MAX) return ReadError;
  auto* memory = static_cast<std::uint8_t*>(platform::heapAlloc(length));
  if (!memory) return OutOfMemory;
  const auto there = static_cast<std::int32_t>(position) - static_cast<std::int32_t>(handlePosition_);
  std::uint32_t got = 0;
  const bool read = platform::moveHostHandle(handle_, there) &&
                    platform::readHostHandle(handle_, memory, length, &got);
  // Back where the window's read left it, wherever this read stopped.
  platform::moveHostHandle(handle_, -there - static_cast<std::int32_t>(got));
  if (!read || got == 0) {
    platform::heapFree(memory);
    return ReadError;
  }
  return keep(SourceBuffer{memory, got}, bytes);
}

PluginResult RawSource::readAt(std::uint32_t position, std::uint32_t length, ByteView* bytes) {
  if (position >= bytes_.fileSize()) return ReadError;
  switch (kind_) {
    case Kind::Memory:
      *bytes = image_.slice(position, std::min(length, image_.size() - position));
      return Success;
    case Kind::Handle:
      return readThroughHandle(position, length, bytes);
    case Kind::File:
      break;
  }
  if (!fileOpen_) return ReadError;
  SourceBuffer buffer;
  if (PluginResult read = readFileBytes(file_, offset_, position, length, &buffer)) return read;
  return keep(buffer, bytes);
}

// A miss lies inside the file, so a fetch that fails met a fault. Through a
// handle, whose file's size is not known, a fetch that finds nothing still
// adds its empty piece, so that the same miss is not fetched again.
PluginResult RawSource::fetchMiss() {
  const SourceMiss miss = *bytes_.miss();
  ByteView fetched;
  const PluginResult read = readAt(miss.position, DirectoryReadSize, &fetched);
  if (read != Success && !(read == ReadError && kind_ == Kind::Handle)) return read;
  ++fetches_;
  bytes_.add(SourcePiece{fetched, miss.position});
  return Success;
}

// One analysis record serves the text and the locator. It lives on the heap
// for the request; where it cannot be had, the text stays empty as it
// always has, and a picture request, which needs the directories to choose
// its JPEG, fails for want of memory.
PluginResult RawSource::walkDirectories(DirectoryFindings* found, char (*text)[TextBufferSize]) {
  if (text) (*text)[0] = '\0';
  *found = DirectoryFindings{std::nullopt, 0};
  void* memory = platform::heapAlloc(sizeof(TExifRootPENTAXistD));
  if (!memory) return text ? Success : OutOfMemory;
  auto* record = new (memory) TExifRootPENTAXistD;
  PluginResult result = Success;
  for (;;) {
    bytes_.forgetMiss();
    record->analyze(bytes_);
    if (text) buildInfoText(*record, *text);
    *found = findInDirectories(*record);
    if (!bytes_.miss() || fetches_ == MaxDirectoryReads || bytes_.full()) break;
    if ((result = fetchMiss()) != Success) break;
  }
  record->~TExifRootPENTAXistD();
  platform::heapFree(memory);
  return result;
}

PluginResult RawSource::readSpan(JpegSpan span, std::uint32_t length, ByteView* jpeg) {
  return readAt(span.offset, length, jpeg);
}

PluginResult RawSource::readFixedRegion(std::uint32_t request, bool head, ByteView* region) {
  const bool fullSize = (request & RequestFullSize) != 0;
  if (kind_ == Kind::Memory) {
    const PluginResult located = locateMemoryRegion(image_.data(), static_cast<std::int32_t>(image_.size()),
                                                    fullSize, region);
    if (located == Success && head) *region = region->slice(0, std::min(region->size(), ProbeReach));
    return located;
  }
  if (kind_ != Kind::File || !fileOpen_) return ReadError;
  SourceBuffer buffer;
  const PluginResult read =
      head ? readFileBytes(file_, offset_, fullSize ? FullImageOffset : PreviewOffset,
                           fullSize ? ProbeReach : PreviewWindowEnd - PreviewOffset, &buffer)
           : readSourceRegion(file_, offset_, request, &buffer);
  if (read != Success) return read;
  return keep(buffer, region);
}
