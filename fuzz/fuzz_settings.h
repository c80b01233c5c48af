// Shared by the fuzz harnesses: pointing the plug-in's setting at a
// settings file that says FULLSIZE=0 or FULLSIZE=1.
#pragma once

void useFullSizeSetting(bool fullSize);
