// DNG files as cameras write them in camera (DNG 1.4; exiftool's Exif.pm
// and Pentax.pm): a little-endian TIFF whose IFD0 holds a 160 x 120
// uncompressed RGB thumbnail, Make and Model, SubIFDs (0x014A), the EXIF
// pointer, DNGVersion and, for a PENTAX body, DNGPrivateData: "PENTAX \0",
// "II", and the maker note's directory at its byte 10, offsets counting
// from its first byte. The SubIFDs hold the raw image (NewSubFileType 0, a
// small zero CFA standing for it) and the JPEG previews (NewSubFileType
// 1, Compression 7, one strip), written behind the directories in order.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tests/support/pef_bodies.h"

namespace pef_sample {

struct DngLayout {
  std::string name;  // the sample's file name, less ".dng"
  std::string make, model, software;
  // PentaxVersion of the note in DNGPrivateData; none: no private data.
  std::optional<std::array<std::uint8_t, 4>> noteVersion;
  // The JPEG previews in SubIFD order, the raw image's SubIFD first of all.
  std::vector<JpegOptions> previews;
};

// k10d-dng, k5-dng, k3iii-dng, k1-dng, 645z-dng and another maker's.
const std::vector<DngLayout>& dngLayouts();
const DngLayout* findDng(const std::string& name);

// The whole file: previewSize and fullSize give the narrowest and the
// widest preview's bytes.
Sample buildDngSample(const DngLayout& body, const ShotValues& values = cameraValues());

}  // namespace pef_sample
