// The scan count over hand-made marker streams: what libjpeg's marker reader
// passes over must not count, and what it reads as a scan must.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "picture/jpeg_scans.h"

namespace {

struct ScanCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  std::uint32_t limit;
  std::uint32_t scans;
};

// An empty scan header: start of scan, a length of 2 that counts only itself.
#define SCAN 0xFF, 0xDA, 0x00, 0x02

TEST(CountScans, FollowsTheMarkerReader) {
  const ScanCase cases[] = {
      {"scans up to the end of image", {SCAN, 0x12, SCAN, 0xFF, 0xD9, SCAN}, 20, 2},
      {"fill bytes before a marker", {SCAN, 0xFF, 0xFF, 0xFF, 0xDA, 0x00, 0x02}, 20, 2},
      {"stuffed bytes in the data", {SCAN, 0x12, 0xFF, 0x00, 0x34, 0xFF, 0x00, 0x01, SCAN}, 20, 2},
      {"restart markers 0 and 7", {SCAN, 0xFF, 0xD0, 0x34, 0xFF, 0xD7, 0x56, 0x00, SCAN}, 20, 2},
      {"TEM", {SCAN, 0xFF, 0x01, 0x34, 0x56, SCAN}, 20, 2},
      {"a segment's length covers what it holds", {0xFF, 0xC4, 0x00, 0x06, SCAN, SCAN}, 20, 1},
      {"start of scan cut before its length", {SCAN, 0xFF, 0xDA, 0x00}, 20, 1},
      {"a lone prefix at the end", {SCAN, 0xFF}, 20, 1},
      {"no further than the limit", {SCAN, SCAN, SCAN, SCAN}, 3, 3},
      {"nothing", {}, 20, 0},
  };
  for (const ScanCase& c : cases)
    EXPECT_EQ(countScans(c.bytes.data(), static_cast<std::uint32_t>(c.bytes.size()), c.limit), c.scans) << c.name;
}

}  // namespace
