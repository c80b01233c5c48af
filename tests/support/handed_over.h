// What an export hands the host, as bytes that compare: the result, and on
// success every byte the host reads. Shared by the file-and-memory test and
// its fuzz harness, which hold the two modes' answers side by side.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "plugin/exports.h"

namespace handed_over {

using Bytes = std::vector<std::uint8_t>;

// BITMAPINFOHEADER's biSizeImage, little-endian.
constexpr std::size_t BitmapImageSizeField = 20;

// The first `keep` bytes of a handed-over block (all of them by default);
// the block is released.
inline Bytes take(platform::BlockHandle block, bool global, std::size_t keep = SIZE_MAX) {
  const std::size_t size = global ? platform::globalSize(block) : platform::localSize(block);
  const auto* bytes =
      static_cast<const std::uint8_t*>(global ? platform::globalLock(block) : platform::localLock(block));
  Bytes copy(bytes, bytes + std::min(size, keep));
  if (global) {
    platform::globalUnlock(block);
    platform::globalFree(block);
  } else {
    platform::localUnlock(block);
    platform::localFree(block);
  }
  return copy;
}

// GetPictureInfo: the result's low byte, then on success the record's fields
// before the text's handle and the text block's bytes.
inline Bytes info(const char* source, std::int32_t offsetOrSize, std::uint32_t mode) {
  PictureInfo record{};
  const std::int32_t result = GetPictureInfo(source, offsetOrSize, mode, &record);
  Bytes outcome(1 + offsetof(PictureInfo, infoText));
  outcome[0] = static_cast<std::uint8_t>(result);
  if (result != Success) return outcome;
  std::memcpy(outcome.data() + 1, &record, offsetof(PictureInfo, infoText));
  if (record.infoText != platform::NoBlock) {
    const Bytes text = take(record.infoText, false);
    outcome.insert(outcome.end(), text.begin(), text.end());
  }
  return outcome;
}

// GetPicture or GetPreview: the result's low byte, then on success the
// header block and the bitmap: the biSizeImage bytes at the pixel block's
// start, which has room for every row of the frame and leaves the rest
// unwritten.
template <typename Export>
Bytes picture(Export exported, const char* source, std::int32_t offsetOrSize, std::uint32_t mode) {
  platform::BlockHandle header = platform::NoBlock, pixels = platform::NoBlock;
  const std::int32_t result = exported(source, offsetOrSize, mode, &header, &pixels, nullptr, 0);
  Bytes outcome{static_cast<std::uint8_t>(result)};
  if (result != Success) return outcome;
  const Bytes head = take(header, true);
  std::uint32_t imageSize = 0;
  std::memcpy(&imageSize, head.data() + BitmapImageSizeField, sizeof imageSize);
  const Bytes bitmap = take(pixels, true, imageSize);
  outcome.insert(outcome.end(), head.begin(), head.end());
  outcome.insert(outcome.end(), bitmap.begin(), bitmap.end());
  return outcome;
}

}  // namespace handed_over
