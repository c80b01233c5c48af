// The platform layer on Windows: each function is one direct call of the
// Win32 service named in platform.h, with the arguments the host's contract
// asks for and the service's failure value turned into the layer's.
#include "platform/platform.h"

#include <windows.h>

#include <type_traits>

namespace platform {

static_assert(std::is_same_v<BlockHandle, HGLOBAL> && std::is_same_v<BlockHandle, HLOCAL>);
static_assert(std::is_same_v<FileHandle, HANDLE>);
static_assert(sizeof(ModuleHandle) == sizeof(HMODULE));
static_assert(sizeof(BlockHandle) == 4, "the host's records hold 32-bit handles");
static_assert(MaxPath == MAX_PATH);

BlockHandle globalAlloc(std::size_t size) { return GlobalAlloc(GMEM_MOVEABLE, size); }
void* globalLock(BlockHandle block) { return GlobalLock(block); }
void globalUnlock(BlockHandle block) { GlobalUnlock(block); }
void globalFree(BlockHandle block) { GlobalFree(block); }
std::size_t globalSize(BlockHandle block) { return GlobalSize(block); }

BlockHandle localAlloc(std::size_t size) { return LocalAlloc(LMEM_MOVEABLE, size); }
void* localLock(BlockHandle block) { return LocalLock(block); }
void localUnlock(BlockHandle block) { LocalUnlock(block); }
void localFree(BlockHandle block) { LocalFree(block); }
std::size_t localSize(BlockHandle block) { return LocalSize(block); }

void* heapAlloc(std::size_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }
void heapFree(void* memory) {
  if (memory) HeapFree(GetProcessHeap(), 0, memory);
}

bool openForReading(const char* path, FileHandle* file) {
  HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  *file = handle;
  return true;
}

bool fileExists(const char* path) {
  HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

bool fileSize(FileHandle file, std::uint32_t* size) {
  // INVALID_FILE_SIZE is also the low half of a legitimate size; only the
  // last error tells the two apart.
  SetLastError(NO_ERROR);
  const DWORD low = GetFileSize(file, nullptr);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  *size = low;
  return true;
}

bool seekFromStart(FileHandle file, std::int32_t position) {
  return SetFilePointer(file, position, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

bool readFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* got) {
  DWORD read = 0;
  if (!ReadFile(file, buffer, count, &read, nullptr)) return false;
  *got = read;
  return true;
}

void closeFile(FileHandle file) { CloseHandle(file); }

bool readHostHandle(std::uintptr_t handle, void* buffer, std::uint32_t count,
                    std::uint32_t* got) {
  return readFile(reinterpret_cast<HANDLE>(handle), buffer, count, got);
}

bool moveHostHandle(std::uintptr_t handle, std::int32_t distance) {
  // A position above 4 GiB - 2 is no raw file's, so the failure value is
  // never a position reached.
  return SetFilePointer(reinterpret_cast<HANDLE>(handle), distance, nullptr, FILE_CURRENT) !=
         INVALID_SET_FILE_POINTER;
}

std::uint32_t moduleFileName(ModuleHandle module, char* buffer, std::uint32_t size) {
  // A name that fills the buffer was cut to fit: no use as a path.
  const DWORD length = GetModuleFileNameA(static_cast<HMODULE>(module), buffer, size);
  return length < size ? length : 0;
}

std::uint32_t profileString(const char* section, const char* key, char* buffer,
                            std::uint32_t size, const char* path) {
  return GetPrivateProfileStringA(section, key, "", buffer, size, path);
}

bool isLeadByte(std::uint8_t byte) { return IsDBCSLeadByte(byte) != FALSE; }

}  // namespace platform
