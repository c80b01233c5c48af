// Counts the process's live heap bytes and their high-water mark, by standing
// in for malloc and friends (heap_meter.cpp). Single-threaded use only.
#pragma once

#include <cstddef>

namespace heap_meter {

std::size_t live();
// Starts a new high-water mark at the current live bytes.
void resetPeak();
std::size_t peak();

}  // namespace heap_meter
