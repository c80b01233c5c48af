#include "plugin/picture_request.h"

#include <algorithm>
#include <optional>

#include "picture/dib_decode.h"
#include "picture/jpeg_segments.h"

namespace {

// The host's result table leaves the failures open; they are mapped so:
// memory that could not be had gives OutOfMemory, data the picture layer
// refuses gives UnsupportedFormat, like bytes the probe rejects.
PluginResult resultOf(PictureOutcome outcome) {
  switch (outcome) {
    case PictureOutcome::Decoded:
      return Success;
    case PictureOutcome::OutOfMemory:
      return OutOfMemory;
    case PictureOutcome::Refused:
      break;
  }
  return UnsupportedFormat;
}

DecodeQuality qualityOf(std::uint32_t request) {
  return (request & RequestBestQuality) != 0 ? DecodeQuality::Best : DecodeQuality::Fastest;
}

std::uint32_t regionRequest(bool fullSize, std::uint32_t request) {
  return (request & RequestBestQuality) | (fullSize ? RequestFullSize : 0u);
}

// The directories of the source. A raw file at a negative offset has no
// header window to read, but its fixed regions may still lie in the file:
// the fixed layout alone is tried then, as for a file without directories.
PluginResult locate(RawSource& source, DirectoryFindings* found) {
  const PluginResult window = source.readWindow();
  if (window == ReadError && source.startsBeforeFile()) return Success;
  if (window != Success) return window;
  return source.walkDirectories(found, nullptr);
}

// A plan's frame found in the first bytes of its JPEG: the head the probe
// scans, and for a located JPEG whose walk ran out there, as far as
// FrameSearchReach.
PluginResult frameInHead(RawSource& source, const PicturePlan& plan, bool fullSize,
                         std::optional<PlannedFrame>* planned) {
  ByteView head;
  if (plan.source == PlanSource::Fixed) {
    if (PluginResult read = source.readFixedRegion(regionRequest(fullSize, 0), true, &head)) return read;
    *planned = frameOf(plan, head);
    return Success;
  }
  bool ranOut = false;
  const std::uint32_t whole = readLength(plan);
  if (PluginResult read = source.readSpan(plan.span, std::min(whole, ProbeReach), &head)) return read;
  *planned = frameOf(plan, head, &ranOut);
  if (*planned || !ranOut || whole <= ProbeReach) return Success;
  if (PluginResult read = source.readSpan(plan.span, std::min(whole, FrameSearchReach), &head)) return read;
  *planned = frameOf(plan, head);
  return Success;
}

// The one decode: a found frame into the host's bitmap.
PluginResult decodeFrame(const PlannedFrame& planned, std::uint32_t request, platform::BlockHandle* header,
                         platform::BlockHandle* pixels) {
  DibBlocks blocks{};
  const PictureOutcome outcome =
      decodeDib(planned.frame, planned.crop, planned.turn, qualityOf(request), &blocks, planned.eighths);
  if (outcome == PictureOutcome::Decoded) {
    *header = blocks.header;
    *pixels = blocks.pixels;
  }
  return resultOf(outcome);
}

}  // namespace

PluginResult decodePlanned(const PicturePlan& plan, ByteView jpeg, std::uint32_t request,
                           platform::BlockHandle* header, platform::BlockHandle* pixels) {
  const std::optional<PlannedFrame> planned = frameOf(plan, jpeg);
  if (!planned) return UnsupportedFormat;
  return decodeFrame(*planned, request, header, pixels);
}

PluginResult decodePicture(RawSource& source, PictureAsk ask, std::uint32_t request,
                           platform::BlockHandle* header, platform::BlockHandle* pixels) {
  DirectoryFindings found{std::nullopt, 0};
  if (PluginResult walked = locate(source, &found)) return walked;
  const bool fullSize = ask.fullSize;
  const PlanChoice choice = planPicture(found, fullSize, ask.upright);
  PluginResult first = UnsupportedFormat;
  for (std::uint32_t i = 0; i < choice.count; ++i) {
    const PicturePlan& plan = choice.plans[i];
    ByteView jpeg;
    PluginResult result = plan.source == PlanSource::Fixed
                              ? source.readFixedRegion(regionRequest(fullSize, request), false, &jpeg)
                              : source.readSpan(plan.span, readLength(plan), &jpeg);
    if (result == OutOfMemory) return result;
    if (result == Success) {
      if (const std::optional<PlannedFrame> planned = frameOf(plan, jpeg))
        return decodeFrame(*planned, request, header, pixels);
      result = UnsupportedFormat;
    }
    if (i == 0) first = result;
  }
  return first;
}

// A lone fixed plan reports the camera's sizes unprobed. Otherwise the
// plans are probed in the picture request's order; when none holds a frame
// the text still goes to the host with the camera's sizes, and the picture
// request then tells what failed; so for a DNG without a JPEG preview.
PluginResult describePicture(RawSource& source, PictureAsk ask, char (&text)[TextBufferSize],
                             PictureSize* size) {
  DirectoryFindings found;
  if (PluginResult walked = source.walkDirectories(&found, &text)) return walked;
  const bool fullSize = ask.fullSize;
  const PlanChoice choice = planPicture(found, fullSize, ask.upright);
  *size = fixedSize(choice.count ? choice.plans[0] : fixedPlan(fullSize, AsStored));
  if (choice.count == 1 && choice.plans[0].source == PlanSource::Fixed) return Success;
  for (std::uint32_t i = 0; i < choice.count; ++i) {
    std::optional<PlannedFrame> planned;
    if (frameInHead(source, choice.plans[i], fullSize, &planned) == OutOfMemory) return OutOfMemory;
    if (!planned) continue;
    if (choice.plans[i].source == PlanSource::Located) *size = sizeOf(*planned);
    break;
  }
  return Success;
}

bool locatedFrameHolds(RawSource& source, bool dngOnly) {
  DirectoryFindings found;
  if (source.walkDirectories(&found, nullptr) != Success) return false;
  const std::optional<LocatedJpegs>& located = found.located;
  if (!located || !(located->dng || (located->markedMakerNote && !dngOnly))) return false;
  for (bool fullSize : {false, true}) {
    const std::optional<JpegSpan> span = fullSize ? located->fullSize : located->preview;
    if (!span) continue;
    std::optional<PlannedFrame> planned;
    const PicturePlan plan{PlanSource::Located, fullSize || located->dng, *span, {0, 0, 0, 0}, AsStored};
    if (frameInHead(source, plan, fullSize, &planned) == Success && planned) return true;
  }
  return false;
}
