#include "io/source_bytes.h"

const std::uint8_t* SourceBytes::at(std::uint32_t position, std::uint32_t count) const {
  for (std::uint32_t i = 0; i < pieceCount_; ++i) {
    const SourcePiece& piece = pieces_[i];
    // position - origin is only formed once position >= origin.
    if (position >= piece.origin) {
      if (const std::uint8_t* bytes = piece.bytes.at(position - piece.origin, count)) return bytes;
    }
  }
  if (!hasMiss_ && position < fileSize_ && !tried(position)) {
    miss_ = SourceMiss{position, count};
    hasMiss_ = true;
  }
  return nullptr;
}

// Pieces may overlap (a directory fetched whole that began inside the
// window): the one reaching furthest wins.
ByteView SourceBytes::from(std::uint32_t position) const {
  ByteView longest;
  for (std::uint32_t i = 0; i < pieceCount_; ++i) {
    const SourcePiece& piece = pieces_[i];
    if (position < piece.origin || position - piece.origin >= piece.bytes.size()) continue;
    const std::uint32_t skip = position - piece.origin;
    if (piece.bytes.size() - skip > longest.size())
      longest = piece.bytes.slice(skip, piece.bytes.size() - skip);
  }
  return longest;
}

bool SourceBytes::u8(std::uint32_t position, std::uint8_t* value) const {
  const std::uint8_t* byte = at(position, 1);
  if (!byte) return false;
  *value = *byte;
  return true;
}

bool SourceBytes::add(SourcePiece piece) {
  if (full()) return false;
  pieces_[pieceCount_++] = piece;
  return true;
}

bool SourceBytes::tried(std::uint32_t position) const {
  for (std::uint32_t i = 0; i < pieceCount_; ++i)
    if (pieces_[i].origin == position) return true;
  return false;
}
