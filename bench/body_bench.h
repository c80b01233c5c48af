// The bodies whose JPEGs the plug-in finds through the file's directories:
// a located full-size decode against the bare decode of the same bytes, and
// GetPictureInfo with the walk against the *istD's fixed layout.
#pragma once

#include <string>

// Reads k1.pef and 645z.pef beside `cameraPef` (the generator's samples
// directory) and prints their table; true when every ratio meets its target.
bool bodyPaths(const std::string& cameraPef, int rounds);
