// The Windows build of the benchmark has no heap meter: the C runtime's
// malloc cannot be stood in for as glibc's can. The native run measures the
// peaks; the code paths are the same.
#include "heap_meter.h"

namespace heap_meter {

bool available() { return false; }
std::size_t live() { return 0; }
void resetPeak() {}
std::size_t peak() { return 0; }

}  // namespace heap_meter
