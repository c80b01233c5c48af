// The walk follows libjpeg's marker reader (ITU T.81, B.1.1): bytes that are
// not 0xFF are skipped, so entropy-coded data is passed over; a run of 0xFF
// is fill before a marker code; 0xFF 0x00 (a stuffed data byte), the
// restart markers and TEM stand alone; every other marker but the end of
// image carries a 2-byte length that counts itself and its segment.
#include "picture/jpeg_scans.h"

#include <cstring>

#include "io/byte_view.h"

namespace {

constexpr std::uint8_t MarkerPrefix = 0xFF;
constexpr std::uint8_t Stuffed = 0x00, Temporary = 0x01, FirstRestart = 0xD0, LastRestart = 0xD7,
                       EndOfImage = 0xD9, StartOfScan = 0xDA;

bool standsAlone(std::uint8_t code) {
  return code == Stuffed || code == Temporary || (code >= FirstRestart && code <= LastRestart);
}

// The next 0xFF at or after `from`, or the view's size.
std::uint32_t nextPrefix(ByteView jpeg, std::uint32_t from) {
  const std::uint8_t* rest = jpeg.at(from, jpeg.size() - from);
  if (!rest) return jpeg.size();
  const void* found = std::memchr(rest, MarkerPrefix, jpeg.size() - from);
  return found ? static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(found) - jpeg.data())
               : jpeg.size();
}

}  // namespace

std::uint32_t countScans(const std::uint8_t* data, std::uint32_t length, std::uint32_t limit) {
  const ByteView jpeg(data, length);
  std::uint32_t scans = 0;
  std::uint8_t code = 0;
  std::uint16_t segmentLength = 0;
  for (std::uint32_t p = nextPrefix(jpeg, 0); scans < limit && jpeg.u8(p + 1, &code);) {
    if (code == MarkerPrefix || standsAlone(code)) {
      p = nextPrefix(jpeg, p + 1);
      continue;
    }
    if (code == EndOfImage || !jpeg.be16(p + 2, &segmentLength)) break;
    if (code == StartOfScan) ++scans;
    // The view lies in the caller's buffer, so p + 2 + segmentLength cannot wrap.
    p = nextPrefix(jpeg, p + 2 + segmentLength);
  }
  return scans;
}
