// What tests may ask of, and tell, the POSIX stand-in of the platform layer.
// Not part of the Windows build.
#pragma once

#include <cstddef>

namespace platform::testing {

// Movable blocks (global and local) allocated and not yet freed.
std::size_t liveBlocks();
// Files opened through the layer and not yet closed.
std::size_t openFiles();

// Fault injection, after libexif's failmalloc: the Nth allocation (scratch
// heap, movable blocks) or the Nth file operation (open, size, seek, read)
// from now on fails; 0 turns it off. The counters reset on each call.
void failAllocationAt(std::size_t n);
void failFileOperationAt(std::size_t n);
// Whether the armed failure has fired since it was armed.
bool injectedFailureFired();

}  // namespace platform::testing
