// How a picture is turned to stand as the camera was held: EXIF's
// Orientation (TIFF 6.0 tag 0x0112) names where the stored rows and columns
// belong, 1 to 8. Each value is a transposition or none, followed by
// mirrorings of the transposed picture's columns and rows.
#pragma once

#include <cstdint>

struct PictureTurn {
  bool transposes;       // stored rows become columns: width and height swap
  bool mirrorsColumns;   // then the picture is mirrored left-right
  bool mirrorsRows;      // and top-bottom
};

constexpr PictureTurn AsStored{false, false, false};

// The turn Orientation `value` asks for; as stored for 1 and for a value
// EXIF does not define.
PictureTurn turnOf(std::uint16_t value);
