// malloc, calloc, realloc, free and the aligned forms, forwarding to glibc's
// own entry points and counting usable sizes. Defined in the executable, they
// also take libjpeg's and the C++ runtime's allocations.
#include "heap_meter.h"

#include <malloc.h>

#include <cerrno>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* memory, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* memory);
}

namespace {

std::size_t liveBytes = 0;
std::size_t peakBytes = 0;

void* counted(void* memory) {
  if (memory) {
    liveBytes += malloc_usable_size(memory);
    if (liveBytes > peakBytes) peakBytes = liveBytes;
  }
  return memory;
}

void uncount(void* memory) {
  if (memory) liveBytes -= malloc_usable_size(memory);
}

}  // namespace

namespace heap_meter {

bool available() { return true; }
std::size_t live() { return liveBytes; }
void resetPeak() { peakBytes = liveBytes; }
std::size_t peak() { return peakBytes; }

}  // namespace heap_meter

extern "C" {

void* malloc(std::size_t size) { return counted(__libc_malloc(size)); }
void* calloc(std::size_t count, std::size_t size) { return counted(__libc_calloc(count, size)); }
void free(void* memory) {
  uncount(memory);
  __libc_free(memory);
}
void* realloc(void* memory, std::size_t size) {
  const std::size_t before = memory ? malloc_usable_size(memory) : 0;
  void* moved = __libc_realloc(memory, size);
  // glibc frees the old block on a zero-byte request; a failed move keeps it.
  if (moved || size == 0) liveBytes -= before;
  return counted(moved);
}
void* memalign(std::size_t alignment, std::size_t size) {
  return counted(__libc_memalign(alignment, size));
}
void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  void* memory = memalign(alignment, size);
  if (!memory) return ENOMEM;
  *out = memory;
  return 0;
}

}  // extern "C"
