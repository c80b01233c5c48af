// The structure walk: where the directories say the JPEGs are, in every
// maker-note form and byte order, and what a hostile structure gives.
#include <gtest/gtest.h>

#include <functional>

#include "picture/jpeg_locator.h"
#include "tests/support/located_pef.h"

namespace {

using located_pef::File;
using located_pef::Plan;

Plan plainPlan(bool pentaxNote, bool intel) {
  Plan plan;
  plan.pentaxNote = pentaxNote;
  plan.intel = intel;
  plan.preview = located_pef::Bytes(100, 0xAA);
  plan.fullSize = located_pef::Bytes(200, 0xBB);
  plan.borders = {{26, 25, 2, 3}};
  return plan;
}

// Where a directory's next-directory link lies: behind its count and its
// 12-byte entries (the TIFF part is big-endian).
std::uint32_t linkOf(const File& file, std::uint32_t directory) {
  return directory + 2 + 12 * (file.bytes[directory] << 8 | file.bytes[directory + 1]);
}

std::optional<LocatedJpegs> locate(const File& file, std::uint32_t size) {
  TExifRoot record;
  record.analyze(ByteView(file.bytes.data(), size));
  return findInDirectories(record).located;
}

TEST(JpegLocator, FindsBothJpegsInEveryNoteFormAndOrder) {
  for (bool pentaxNote : {false, true}) {
    for (bool intel : {false, true}) {
      SCOPED_TRACE(std::string(pentaxNote ? "PENTAX" : "AOC") + (intel ? " II" : " MM"));
      const File file = located_pef::build(plainPlan(pentaxNote, intel));
      const auto located = locate(file, static_cast<std::uint32_t>(file.bytes.size()));
      ASSERT_TRUE(located);
      ASSERT_TRUE(located->preview && located->fullSize);
      EXPECT_EQ(located->preview->offset, file.previewStart);
      EXPECT_EQ(located->preview->length, 100u);
      EXPECT_EQ(located->fullSize->offset, file.fullSizeStart);
      EXPECT_EQ(located->fullSize->length, 200u);
      const FrameBorders b = located->previewBorders;
      EXPECT_EQ((std::array<int, 4>{b.top, b.bottom, b.left, b.right}), (std::array<int, 4>{26, 25, 2, 3}));
      EXPECT_TRUE(located->markedMakerNote);
    }
  }
}

// Each case changes a plain file ("PENTAX \0" note, "II") and may cut the
// window; the walk must end, and find what is left.
TEST(JpegLocator, HostileStructuresFindOnlyWhatHolds) {
  const struct {
    const char* name;
    std::function<void(File&)> change;
    std::uint32_t cutAtNote;  // window ends this many bytes into the note; 0: whole file
    bool located, preview, fullSize;
  } cases[] = {
      {"a non-PENTAX model with a valid IFD2", [](File& f) { f.bytes[f.model] = 'N'; }, 0, false, false, false},
      {"an IFD chain looping back to IFD0", [](File& f) { located_pef::put32(f.bytes, f.ifd1Link, f.ifd0); }, 0, true, true, false},
      {"an IFD chain looping on IFD1", [](File& f) { located_pef::put32(f.bytes, f.ifd1Link, f.ifd1); }, 0, true, true, false},
      {"IFD0 linking to IFD2, which links to itself", [](File& f) {
         std::uint32_t ifd2 = 0;
         ByteView(f.bytes.data(), static_cast<std::uint32_t>(f.bytes.size())).be32(f.ifd1Link, &ifd2);
         located_pef::put32(f.bytes, linkOf(f, f.ifd0), ifd2);
         located_pef::put32(f.bytes, linkOf(f, ifd2), ifd2);
       }, 0, true, true, false},
      {"zero lengths", [](File& f) {
         located_pef::put32(f.bytes, f.fullSizeLength, 0);
         located_pef::put32(f.bytes, f.previewLength, 0, true);
       }, 0, true, false, false},
      {"a preview start that wraps past 4 GiB with the note's base",
       [](File& f) { located_pef::put32(f.bytes, f.previewLength + 12, 0xFFFFFFF0u, true); }, 0, true, false, true},
      {"a maker note cut short", [](File&) {}, 14, true, false, true},
      {"a maker note cut in its header", [](File&) {}, 5, true, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    File file = located_pef::build(plainPlan(true, true));
    c.change(file);
    const auto size = c.cutAtNote ? file.note + c.cutAtNote : static_cast<std::uint32_t>(file.bytes.size());
    const auto located = locate(file, size);
    ASSERT_EQ(located.has_value(), c.located);
    if (!located) continue;
    EXPECT_EQ(located->preview.has_value(), c.preview);
    EXPECT_EQ(located->fullSize.has_value(), c.fullSize);
  }
}

// Offsets, lengths and borders are read as their type and count say, and a
// note's entries in the order they make sense in, whatever its mark says
// (exiv2-based tools write a fixed mark). Plain file: "PENTAX \0" note, II.
TEST(JpegLocator, FieldsReadAsTheirTypeAndTheNotesOwnOrder) {
  // The note's 0x0003 entry holds the preview's length; the borders' value
  // field lies three entries further on.
  auto lengthType = [](File& f, std::uint8_t type) { f.bytes[f.previewLength - 6] = type; };
  auto bordersType = [](File& f, std::uint8_t type) { f.bytes[f.previewLength + 30] = type; };
  auto mark = [](File& f, char order) { f.bytes[f.note + 8] = f.bytes[f.note + 9] = static_cast<std::uint8_t>(order); };
  const struct {
    const char* name;
    bool intel;
    std::function<void(File&)> change;
    bool preview;
    std::uint8_t top;
  } cases[] = {
      {"as written", true, [](File&) {}, true, 26},
      {"a length stored as SHORT", true, [&](File& f) { lengthType(f, 3); }, true, 26},
      {"a length stored as RATIONAL", true, [&](File& f) { lengthType(f, 5); }, false, 26},
      {"a length of count 2", true, [](File& f) { f.bytes[f.previewLength - 4] = 2; }, false, 26},
      {"borders stored as SHORT", true, [&](File& f) { bordersType(f, 3); }, true, 0},
      {"borders stored as UNDEFINED", true, [&](File& f) { bordersType(f, 7); }, true, 26},
      {"borders of count 2", true, [](File& f) { f.bytes[f.previewLength + 32] = 2; }, true, 0},
      {"a mark saying MM over II entries", true, [&](File& f) { mark(f, 'M'); }, true, 26},
      {"a mark saying II over MM entries", false, [&](File& f) { mark(f, 'I'); }, true, 26},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    File file = located_pef::build(plainPlan(true, c.intel));
    c.change(file);
    const auto located = locate(file, static_cast<std::uint32_t>(file.bytes.size()));
    ASSERT_TRUE(located);
    ASSERT_EQ(located->preview.has_value(), c.preview);
    if (c.preview) {
      EXPECT_EQ(located->preview->length, 100u);
    }
    EXPECT_EQ(located->previewBorders.top, c.top);
  }
}

}  // namespace
