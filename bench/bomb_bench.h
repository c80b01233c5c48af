// The decompression bombs (tests/support/bombs.h) through the picture path, each against
// a real frame of the size its decoy header claims.
#pragma once

// Prints a table of ratios for the bombs whose name contains `only` (all
// when null); true when every one is within its bounds.
bool bombPaths(int rounds, const char* only);
