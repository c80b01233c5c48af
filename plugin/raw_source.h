// A request's raw file as the plan needs it: a memory image, a file the
// host names with the byte offset of the raw data, or the handle IsSupported
// is given. It holds the bytes in hand for the directory walk, fetches what
// the walk missed with bounded reads of their own, and reads a JPEG's span.
#pragma once

#include <cstdint>
#include <optional>

#include "exif/exif_reader.h"
#include "exif/info_text.h"
#include "io/source_bytes.h"
#include "picture/jpeg_locator.h"
#include "platform/platform.h"
#include "plugin/plugin_types.h"
#include "plugin/source_region.h"

// A directory (or a value) beyond the header window is fetched with one read
// of this many bytes from its first byte: room for a directory of the most
// entries the reader records, its link, and the values behind it.
constexpr std::uint32_t DirectoryReadSize = DirectoryPieceSize;
// At most this many such reads per request: every piece beyond the window.
// A PENTAX file needs four at most (IFD1, IFD2, the EXIF directory, the maker
// note); a file that wants more reads as far as they reach.
constexpr std::uint32_t MaxDirectoryReads = SourceBytes::MaxPieces - 1;

// The handle IsSupported is given, as the 32-bit value it arrives as.
struct HostHandle {
  std::uintptr_t value;
};

class RawSource {
 public:
  explicit RawSource(ByteView image);
  RawSource(const char* fileName, std::int32_t offset);
  // The handle's current position is the TIFF header; every read through it
  // puts the position back where the window's read left it.
  explicit RawSource(HostHandle handle);
  RawSource(const RawSource&) = delete;
  RawSource& operator=(const RawSource&) = delete;
  ~RawSource();

  // Reads the header window: Success, OutOfMemory or ReadError (a memory
  // image has it all).
  PluginResult readWindow();
  const SourceBytes& bytes() const { return bytes_; }
  // A file whose raw data the host says starts before its first byte.
  bool startsBeforeFile() const { return kind_ == Kind::File && offset_ < 0; }

  // Walks the directories, fetching what each walk missed, until nothing is
  // missed or MaxDirectoryReads are spent, so a file reads as its memory
  // image does. `text`, when given, receives the information text. Success,
  // or what a fetch met: OutOfMemory, or ReadError when the file would not
  // read.
  PluginResult walkDirectories(DirectoryFindings* found, char (*text)[TextBufferSize]);

  // The first `length` bytes of `span` (fewer where the file ends) in
  // `jpeg`, valid while this source lives: Success, OutOfMemory, or
  // ReadError when the span starts at or past the end.
  PluginResult readSpan(JpegSpan span, std::uint32_t length, ByteView* jpeg);

  // The *istD's fixed region as the request word selects it, whole, or
  // (`head`) no more than the frame probe looks at: Success, OutOfMemory or
  // ReadError.
  PluginResult readFixedRegion(std::uint32_t request, bool head, ByteView* region);

 private:
  enum class Kind { Memory, File, Handle };
  PluginResult readAt(std::uint32_t position, std::uint32_t length, ByteView* bytes);
  PluginResult readThroughHandle(std::uint32_t position, std::uint32_t length, ByteView* bytes);
  PluginResult keep(SourceBuffer buffer, ByteView* bytes);
  PluginResult fetchMiss();

  Kind kind_;
  ByteView image_;
  const char* fileName_ = nullptr;
  std::int32_t offset_ = 0;
  std::uintptr_t handle_ = 0;
  std::uint32_t handlePosition_ = 0;  // where the window's read left the handle
  platform::FileHandle file_{};
  bool fileOpen_ = false;
  SourceBytes bytes_;
  std::uint32_t fetches_ = 0;
  // Every buffer read for the request, released with it: the window, the
  // fetches, and a picture's region, span or head.
  static constexpr std::uint32_t MaxBuffers = 1 + MaxDirectoryReads + 4;
  std::uint8_t* buffers_[MaxBuffers] = {};
  std::uint32_t bufferCount_ = 0;
};
