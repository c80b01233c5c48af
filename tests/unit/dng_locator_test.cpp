// Which JPEG a DNG shows and at what size, and where its maker note comes
// from: generated in-camera layouts (tests/support/dng_bodies.h) with small
// previews.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "exif/info_text.h"
#include "picture/picture_plan.h"
#include "tests/support/dng_bodies.h"
#include "tests/support/pef_entries.h"

namespace {

using pef_sample::Bytes;
using pef_sample::JpegOptions;

Bytes dngWith(std::vector<JpegOptions> previews) {
  const pef_sample::DngLayout body{"test", "PENTAX", "PENTAX K-5", "K-5", {{7, 0, 0, 0}}, std::move(previews)};
  return pef_sample::buildDngSample(body).bytes;
}

// The picture the plan shows, as GetPictureInfo reports it.
std::optional<PictureSize> shown(const Bytes& file, bool fullSize) {
  const ByteView bytes(file.data(), static_cast<std::uint32_t>(file.size()));
  TExifRootPENTAXistD record;
  record.analyze(bytes);
  const PlanChoice choice = planPicture(findInDirectories(record), fullSize, false);
  if (choice.count != 1 || choice.plans[0].source != PlanSource::Located) return std::nullopt;
  const JpegSpan span = choice.plans[0].span;
  const std::optional<PlannedFrame> planned =
      frameOf(choice.plans[0], bytes.slice(span.offset, std::min(span.length, bytes.size() - span.offset)));
  if (!planned) return std::nullopt;
  return sizeOf(*planned);
}

TEST(DngPreviews, TheWidestIsTheFullSizeTheNarrowestWideEnoughThePreviewElseTheWidestScaled) {
  const struct {
    std::vector<JpegOptions> previews;  // in SubIFD order, behind the raw image's
    PictureSize full, preview;
  } cases[] = {
      // Frames a few rows high keep the encoding quick.
      {{{320, 24}, {1024, 32}, {3000, 40}}, {3000, 40}, {1024, 32}},
      {{{3000, 40}, {640, 32}, {320, 24}}, {3000, 40}, {640, 32}},
      // The full-size JPEG alone: libjpeg's 1/2, 1/4, 1/8, each side
      // rounded up (18 / 4 = 4.5, 1279 / 2 = 639.5).
      {{{1300, 16}}, {1300, 16}, {650, 8}},
      {{{2600, 18}}, {2600, 18}, {650, 5}},
      {{{5200, 40}}, {5200, 40}, {650, 5}},
      {{{1279, 16}}, {1279, 16}, {640, 8}},
      // No scale leaves 640 columns: the whole frame.
      {{{1277, 16}}, {1277, 16}, {1277, 16}},
      {{{600, 16}}, {600, 16}, {600, 16}},
      // Only the first MaxSubDirectories SubIFDs count, the raw image's first.
      {{{700, 16}, {800, 16}, {900, 16}, {3000, 16}}, {900, 16}, {700, 16}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.previews.size()) + " previews, the first " + std::to_string(c.previews[0].width));
    const Bytes file = dngWith(c.previews);
    for (bool fullSize : {true, false}) {
      const std::optional<PictureSize> size = shown(file, fullSize);
      const PictureSize& want = fullSize ? c.full : c.preview;
      ASSERT_TRUE(size.has_value());
      EXPECT_EQ(size->width, want.width);
      EXPECT_EQ(size->height, want.height);
    }
  }
}

// A big-endian DNG is read in its header's order, as every "MM" file is.
TEST(DngPreviews, ABigEndianDngOpensTheSameWay) {
  using namespace pef_sample;
  constexpr std::uint32_t JpegAt = 4096;
  const Bytes jpeg = synthJpeg({1300, 16, 80});
  TiffBuilder file;
  const std::uint32_t preview = file.writeDirectory(
      {longEntry(TagNewSubFileType, 1), longEntry(TagImageWidth, 1300), shortEntry(TagCompression, 7),
       longEntry(TagStripOffsets, JpegAt), longEntry(TagStripByteCounts, static_cast<std::uint32_t>(jpeg.size()))});
  file.setIfd0(file.writeDirectory({longEntry(TagSubIfds, preview), {TagDngVersion, TypeByte, 4, {1, 4, 0, 0}}}));
  file.pad(JpegAt - file.size());
  file.bytes().insert(file.bytes().end(), jpeg.begin(), jpeg.end());
  for (bool fullSize : {true, false}) {
    const std::optional<PictureSize> size = shown(file.bytes(), fullSize);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, fullSize ? 1300 : 650);
  }
}

// DNGPrivateData is the maker note only under one of PENTAX's two marks.
TEST(DngPrivateData, EitherPentaxMarkLeadsToTheNoteAnyOtherDoesNot) {
  const Bytes plain = dngWith({{640, 480}});
  const std::string pentax("PENTAX \0II", 10);
  const auto note = std::search(plain.begin(), plain.end(), pentax.begin(), pentax.end()) - plain.begin();
  const struct {
    std::string mark;
    bool lens;
  } cases[] = {{std::string("PENTAX \0", 8), true}, {std::string("SAMSUNG\0", 8), true},
               {std::string("Adobe\0Ma", 8), false}, {std::string("PENTAX  ", 8), false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mark);
    Bytes file = plain;
    std::copy(c.mark.begin(), c.mark.end(), file.begin() + note);
    char text[TextBufferSize];
    buildInfoText(ByteView(file.data(), static_cast<std::uint32_t>(file.size())), text);
    EXPECT_EQ(std::string(text).find("smc PENTAX-FA 50mmF1.4\n") == 0, c.lens) << text;
    EXPECT_NE(std::string(text).find("ISO200\n"), std::string::npos) << "the EXIF lines stay";
  }
}

}  // namespace
