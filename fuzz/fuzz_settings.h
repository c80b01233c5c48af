// Shared by the fuzz harnesses: pointing the plug-in's settings at a
// settings file that says FULLSIZE=0 or FULLSIZE=1, and ROTATE=0 or
// ROTATE=1.
#pragma once

void useSettings(bool fullSize, bool rotate);
