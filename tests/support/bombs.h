// Decompression bombs: JPEG regions that pass the frame probe with a small
// baseline frame header hidden in a comment, while libjpeg decodes the frame
// behind it, one that costs far more than the probed one would: too large,
// far wider than the probed one, or read in thousands of scans that each
// walk its whole coefficient buffer.
// Used by the benchmark (cost against a real frame) and the bad-file corpus
// (result codes); pure bytes, no encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bombs {

struct Bomb {
  std::string name;
  std::vector<std::uint8_t> jpeg;
  std::uint16_t probedWidth;  // the decoy header's size
  std::uint16_t probedHeight;
  bool accepted;     // decoded: at the scan limit, or cut to the decoy's width
  bool atScanLimit;  // as many scans as the decoder takes, each coding something new
};

// Every kind, each filling `regionSize` bytes with scans; but the one-scan
// bombs, which are tiny, and the dearest files still accepted: a
// progression of as many scans as the decoder takes.
std::vector<Bomb> all(std::size_t regionSize);

// A colour progression of `scans` scans behind a 640 x 481 decoy, each
// scan coding something new, as the limit files are.
std::vector<std::uint8_t> progression(std::size_t scans);

// A JPEG with the decoy comment of the given size after its start of image,
// so that the probe passes whatever its frame's coding.
std::vector<std::uint8_t> behindDecoy(const std::vector<std::uint8_t>& jpeg, int width, int height);

// The quantisation table the bombs carry: ITU T.81 Annex K's luminance
// table, which is libjpeg's quality 50.
constexpr int Quality = 50;

}  // namespace bombs
