// The synthetic test scene that both embedded JPEGs show.
#pragma once

#include <cstdint>

namespace pef_sample {

// Renders row y of the scene at width x height into `rgb` (3 x width bytes,
// red, green, blue). The scene is laid out on the camera's 3008 x 2008 frame
// and stretched to the requested size; smaller pictures average several
// scene samples per pixel, as a camera's downscaled preview would.
void renderSceneRow(int y, int width, int height, std::uint8_t* rgb);

}  // namespace pef_sample
