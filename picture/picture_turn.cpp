#include "picture/picture_turn.h"

namespace {

// EXIF 2.2, 4.6.4 A: where stored row 0 and stored column 0 are shown.
constexpr PictureTurn Turns[] = {
    {false, false, false},  // 1: row 0 at the top, column 0 at the left
    {false, true, false},   // 2: top, right: mirrored left-right
    {false, true, true},    // 3: bottom, right: turned 180 degrees
    {false, false, true},   // 4: bottom, left: mirrored top-bottom
    {true, false, false},   // 5: left, top: transposed
    {true, true, false},    // 6: right, top: turned 90 degrees clockwise
    {true, true, true},     // 7: right, bottom: transversed
    {true, false, true},    // 8: left, bottom: turned 90 degrees counter-clockwise
};
constexpr std::uint16_t FirstOrientation = 1;
constexpr std::uint16_t LastOrientation = sizeof Turns / sizeof Turns[0];

}  // namespace

PictureTurn turnOf(std::uint16_t value) {
  if (value < FirstOrientation || value > LastOrientation) return AsStored;
  return Turns[value - FirstOrientation];
}
