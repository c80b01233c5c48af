// The decompression bombs (bombs.h) through the picture path, each against
// a real frame of the size its decoy header claims.
#pragma once

// Prints a table of ratios; true when every bomb is within its bounds.
bool bombPaths(int rounds);
