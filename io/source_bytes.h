// The bytes of a raw file a request has in hand: a memory image whole, or
// the pieces of a file read so far (the header window, then a directory or
// value that lies beyond it). Positions count from the TIFF header, the raw
// file's first byte, whatever piece holds them. Every read is checked against
// one piece, in a form that cannot overflow.
//
// A read that misses every piece but lies inside the file is remembered: the
// caller that reads files can fetch those bytes, add them as a piece and walk
// again, until nothing is missed or its read budget is spent. A memory image
// is one piece covering the file, so nothing is ever missed there, and a file
// whose misses were all fetched reads exactly as its memory image does.
#pragma once

#include <cstdint>

#include "io/byte_view.h"

// The bytes from `origin` on that one read brought in.
struct SourcePiece {
  ByteView bytes;
  std::uint32_t origin;
};

// A missed read: its first byte and how many bytes it wanted.
struct SourceMiss {
  std::uint32_t position;
  std::uint32_t count;
};

class SourceBytes {
 public:
  // The header window and every read beyond it, and the places whose read
  // found nothing to add (past the end, or a failed read): a request needs no
  // more than a handful.
  static constexpr std::uint32_t MaxPieces = 8;

  SourceBytes() = default;
  // A memory image, or the first bytes of a file of `fileSize` bytes counted
  // from the TIFF header.
  explicit SourceBytes(ByteView image) { add(SourcePiece{image, 0}); fileSize_ = image.size(); }
  SourceBytes(ByteView window, std::uint32_t fileSize) {
    add(SourcePiece{window, 0});
    fileSize_ = fileSize;
  }
  SourceBytes(const SourceBytes&) = delete;
  // How many bytes the file has from the TIFF header on: no miss past them.
  void setFileSize(std::uint32_t size) { fileSize_ = size; }
  SourceBytes& operator=(const SourceBytes&) = delete;

  // The `count` bytes at `position`, all inside one piece, or nullptr. A miss
  // inside the file that no earlier fetch tried is remembered, the first one
  // of a walk only.
  const std::uint8_t* at(std::uint32_t position, std::uint32_t count) const;
  // The bytes from `position` to the end of the piece reaching furthest from
  // there (empty when no piece holds it).
  ByteView from(std::uint32_t position) const;

  bool u8(std::uint32_t position, std::uint8_t* value) const;

  // The first read a walk missed, and forgetting it before the next walk.
  const SourceMiss* miss() const { return hasMiss_ ? &miss_ : nullptr; }
  void forgetMiss() { hasMiss_ = false; }

  // Adds what a fetch for the miss at `position` brought in (possibly
  // nothing); false when no room is left, and then nothing more is fetched.
  bool add(SourcePiece piece);
  bool full() const { return pieceCount_ == MaxPieces; }
  std::uint32_t pieceCount() const { return pieceCount_; }
  std::uint32_t fileSize() const { return fileSize_; }

 private:
  bool tried(std::uint32_t position) const;

  SourcePiece pieces_[MaxPieces] = {};
  std::uint32_t pieceCount_ = 0;
  std::uint32_t fileSize_ = 0;
  mutable SourceMiss miss_ = {};
  mutable bool hasMiss_ = false;
};
