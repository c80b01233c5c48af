// What tests may ask of, and tell, the POSIX stand-in of the platform layer.
// Not part of the Windows build.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace platform::testing {

// Movable blocks (global and local) allocated and not yet freed.
std::size_t liveBlocks();
// Files opened through the layer and not yet closed.
std::size_t openFiles();

// Fault injection, after libexif's failmalloc: the Nth allocation (scratch
// heap, movable blocks), the Nth file operation (open, size, seek, read) or
// the Nth block lock from now on fails; 0 turns it off. The counters reset
// on each call.
void failAllocationAt(std::size_t n);
void failFileOperationAt(std::size_t n);
void failLockAt(std::size_t n);
// Whether the armed failure has fired since it was armed.
bool injectedFailureFired();

// The module-name call: while `fails`, every call fails. Names given here
// (Windows paths; nullptr: the real one) stand for the host program (the
// null module) and for any other module. A name that does not fit the
// caller's buffer is cut at the buffer's size, unterminated.
void failModuleName(bool fails);
void presentModuleNames(const char* hostProgram, const char* plugin);

}  // namespace platform::testing

// The stand-in's movable blocks under C names, for a program that loads the
// plug-in as a shared library and takes over the blocks it hands out: the
// global blocks, or with `local` set the local ones. Each does what the
// platform call of the same kind does.
extern "C" {
void* tarnik_lock_block(platform::BlockHandle block, int local);
void tarnik_unlock_block(platform::BlockHandle block, int local);
void tarnik_free_block(platform::BlockHandle block, int local);
std::size_t tarnik_block_size(platform::BlockHandle block, int local);
}
