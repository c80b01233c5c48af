// The DNG bodies: the full-size JPEG preview through GetPicture against a
// bare decode of the same bytes, the preview scaled down as libjpeg decodes
// against a bare decode at the same scale, and the heap each holds beyond
// its pixel block.
#pragma once

#include <string>

// Reads k10d-dng.dng, k1-dng.dng and 645z-dng.dng beside `cameraPef` and
// prints their table; true when every ratio meets its target.
bool dngPaths(const std::string& cameraPef, int rounds);
