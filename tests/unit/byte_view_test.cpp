// The bounds-checked view at its edges: every access is inside, or refused,
// also where offset + count would wrap around 32 bits.
#include <gtest/gtest.h>

#include <cstdint>

#include "io/byte_view.h"

namespace {

constexpr std::uint32_t Max = UINT32_MAX;

TEST(ByteView, AccessesInsideAreGrantedAndAllOthersRefused) {
  const std::uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const ByteView view(bytes, sizeof bytes);
  const struct {
    std::uint32_t offset, count;
    bool inside;
  } cases[] = {
      {0, 0, true},     {0, 8, true},      {8, 0, true},       {7, 1, true},
      {8, 1, false},    {9, 0, false},     {0, 9, false},      {4, 5, false},
      {Max, 0, false},  {Max, 1, false},   {1, Max, false},    {Max, Max, false},
      {0x80000000u, 0x80000000u, false},   {Max - 7, 8, false}, {8, Max, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset << " + " << c.count);
    EXPECT_EQ(view.contains(c.offset, c.count), c.inside);
    EXPECT_EQ(view.at(c.offset, c.count), c.inside ? bytes + c.offset : nullptr);
    const ByteView slice = view.slice(c.offset, c.count);
    EXPECT_EQ(slice.size(), c.inside ? c.count : 0u);
    EXPECT_EQ(slice.data(), c.inside ? bytes + c.offset : nullptr);
  }
  EXPECT_EQ(ByteView(nullptr, 100).size(), 0u) << "no bytes, no size";
}

TEST(ByteView, SlicesOfSlicesStayInsideTheirParent) {
  const std::uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const ByteView middle = ByteView(bytes, sizeof bytes).slice(2, 4);  // 3 4 5 6
  std::uint32_t value = 0;
  EXPECT_FALSE(middle.slice(1, 3).be32(0, &value));
  EXPECT_TRUE(middle.slice(0, 4).be32(0, &value));
  EXPECT_EQ(value, 0x03040506u);
  EXPECT_EQ(middle.slice(3, 1).data(), bytes + 5);
  EXPECT_EQ(middle.slice(4, 1).size(), 0u) << "the parent's next byte is outside the slice";
  EXPECT_EQ(middle.slice(1, 3).slice(1, 2).data(), bytes + 4);
  EXPECT_EQ(middle.slice(1, 3).slice(2, 2).size(), 0u);
}

}  // namespace
