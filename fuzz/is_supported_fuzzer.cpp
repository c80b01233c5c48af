// IsSupported in both forms: a pointer to the first bytes, and a file
// handle positioned at the start of a file holding the input.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "plugin/exports.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int file = ::memfd_create("is-supported", 0);
  // The pointer form reads up to four bytes; the host passes 2 KiB.
  if (size < 4 || file < 0) return 0;
  const std::int32_t byPointer = IsSupported(nullptr, reinterpret_cast<std::uintptr_t>(data));
  const bool littleEndianTiff = data[0] == 'I' && data[1] == 'I' && data[2] == 42 && data[3] == 0;
  if (byPointer != ((data[0] == 'M' && data[1] == 'M') || littleEndianTiff)) std::abort();

  if (::ftruncate(file, 0) != 0 || ::pwrite(file, data, size, 0) != static_cast<ssize_t>(size) ||
      ::lseek(file, 0, SEEK_SET) != 0)
    std::abort();
  const std::int32_t byHandle = IsSupported(nullptr, static_cast<std::uintptr_t>(file));
  if (byHandle != 0 && byHandle != 1) std::abort();
  if (byHandle && !byPointer) std::abort();  // the handle form adds the JPEG probe
  return 0;
}
