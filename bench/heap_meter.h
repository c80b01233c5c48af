// Counts the process's live heap bytes and their high-water mark, by standing
// in for malloc and friends (heap_meter_glibc.cpp). Single-threaded use only.
#pragma once

#include <cstddef>
#include <functional>

namespace heap_meter {

// False where the build has no meter (Windows: the C runtime's malloc
// cannot be stood in for); live and peak then read 0.
bool available();
std::size_t live();
// Starts a new high-water mark at the current live bytes.
void resetPeak();
std::size_t peak();

// Heap held at the peak of one run, beyond what was live before it.
inline std::size_t peakOf(const std::function<void()>& work) {
  const std::size_t before = live();
  resetPeak();
  work();
  return peak() - before;
}

}  // namespace heap_meter
