#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/posix_testing.h"
#include "plugin/source_region.h"
#include "tests/support/test_files.h"

namespace {

constexpr std::uint32_t Header = RequestHeader;
constexpr std::uint32_t Full = RequestFullSize;
constexpr std::uint32_t Preview = 0;

struct RegionCase {
  const char* what;
  std::size_t fileSize;
  std::int32_t offset;
  std::uint32_t request;
  PluginResult result;
  std::uint32_t count;     // bytes read on Success
  std::uint32_t position;  // where they come from in the file
};

TEST(ReadSourceRegion, PlansTheRegionFromTheWholeFileSize) {
  const RegionCase cases[] = {
      {"preview of 16 bytes", 8656, 0, Preview, ReadError, 0, 0},
      {"preview of 17 bytes", 8657, 0, Preview, Success, 17, 8640},
      {"full size of 16 bytes", 12371566, 0, Full, ReadError, 0, 0},
      {"full size of 17 bytes", 12371567, 0, Full, Success, 17, 12371550},
      {"preview of an empty file", 0, 0, Preview, ReadError, 0, 0},
      {"full size of an empty file", 0, 0, Full, ReadError, 0, 0},
      {"full size of a short file", 100000, 0, Full, ReadError, 0, 0},
      {"preview stops at 65536", 1000000, 0, Preview, Success, 56896, 8640},
      {"header of a short file", 1000, 0, Header, Success, 1000, 0},
      {"header beats full size", 100000, 0, Header | Full, Success, 65536, 0},
      {"header of an empty file reads nothing", 0, 0, Header, Success, 0, 0},
      {"negative offset, position still valid", 100000, -100, Preview, Success, 56896, 8540},
      {"negative position", 100000, -1, Header, ReadError, 0, 0},
      {"offset shifts the position, not the length", 15000000, 4096, Full, Success, 2624354,
       12375646},
      {"header at an offset", 70000, 4096, Header, Success, 65536, 4096},
      {"position past the signed range", 100000, INT32_MAX, Preview, ReadError, 0, 0},
      {"header running past the end", 100000, 99990, Header, Success, 10, 99990},
      {"header starting past the end", 100000, 200000, Header, Success, 0, 0},
  };
  TempDir dir;
  for (const RegionCase& c : cases) {
    SCOPED_TRACE(c.what);
    const auto bytes = patternedBytes(c.fileSize);
    const std::string path = dir.write("raw.pef", bytes);
    SourceBuffer buffer{reinterpret_cast<std::uint8_t*>(1), 99};
    const PluginResult result = readSourceRegion(path.c_str(), c.offset, c.request, &buffer);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(platform::testing::openFiles(), 0u);
    if (result != Success) {
      EXPECT_EQ(buffer.count, 99u) << "untouched on failure";
      continue;
    }
    ASSERT_EQ(buffer.count, c.count);
    for (std::uint32_t i = 0; i < c.count; i += 997)
      ASSERT_EQ(buffer.memory[i], bytes[c.position + i]) << "byte " << i;
    if (c.count) {
      EXPECT_EQ(buffer.memory[c.count - 1], bytes[c.position + c.count - 1]);
    }
    platform::heapFree(buffer.memory);
  }
}

TEST(ReadSourceRegion, MissingFileIsAReadError) {
  TempDir dir;
  SourceBuffer buffer;
  EXPECT_EQ(readSourceRegion(dir.file("absent.pef").c_str(), 0, Header, &buffer), ReadError);
  EXPECT_EQ(readSourceRegion(nullptr, 0, Header, &buffer), ReadError);
  EXPECT_EQ(readSourceRegion(dir.file("").c_str(), 0, Header, &buffer), ReadError) << "a directory";
  EXPECT_EQ(buffer.memory, nullptr);
}

struct MemoryCase {
  std::int32_t size;
  bool fullSize;
  PluginResult result;
  std::uint32_t start;
  std::uint32_t length;
};

TEST(LocateMemoryRegion, PointsIntoTheImageWithoutCopying) {
  const MemoryCase cases[] = {
      {12371550, true, ReadError, 0, 0},
      {12371566, true, ReadError, 0, 0},
      {12371567, true, Success, 12371550, 17},
      {15000000, true, Success, 12371550, 2628450},
      {20000, false, Success, 8640, 11360},
      {100000, false, Success, 8640, 65536},
      {8656, false, ReadError, 0, 0},
      {8657, false, Success, 8640, 17},
      {0, false, ReadError, 0, 0},
      {-5, true, ReadError, 0, 0},
      {INT32_MIN, false, ReadError, 0, 0},
  };
  const std::vector<std::uint8_t> memory(15000000);
  const std::uint8_t* image = memory.data();
  for (const MemoryCase& c : cases) {
    ByteView region;
    EXPECT_EQ(locateMemoryRegion(image, c.size, c.fullSize, &region), c.result) << c.size;
    if (c.result != Success) continue;
    EXPECT_EQ(region.data(), image + c.start);
    EXPECT_EQ(region.size(), c.length);
  }
  ByteView region;
  EXPECT_EQ(locateMemoryRegion(nullptr, 100000, false, &region), ReadError);
}

}  // namespace
