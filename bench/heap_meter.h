// Counts the process's live heap bytes and their high-water mark, by standing
// in for malloc and friends (heap_meter_glibc.cpp). Single-threaded use only.
#pragma once

#include <cstddef>

namespace heap_meter {

// False where the build has no meter (Windows: the C runtime's malloc
// cannot be stood in for); live and peak then read 0.
bool available();
std::size_t live();
// Starts a new high-water mark at the current live bytes.
void resetPeak();
std::size_t peak();

}  // namespace heap_meter
