// The platform seam: every service of the operating system that the plug-in
// uses, and nothing else. platform_win32.cpp maps each call directly onto the
// Win32 function named beside it; platform_posix.cpp is a small stand-in with
// the same contract, so the core runs natively for tests, sanitizers and
// fuzzing. No system header comes in through here: the handles are opaque
// values of the Win32 handles' own size and representation, which
// platform_win32.cpp checks against the system's types.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

#ifdef _WIN32
// HANDLE (also HGLOBAL and HLOCAL) is an opaque pointer; the host is 32-bit.
using BlockHandle = void*;
using FileHandle = void*;
#else
// The stand-in's handles are 32-bit, as on the 32-bit host, so the records
// the host reads keep their byte layout.
using BlockHandle = std::uint32_t;
using FileHandle = int;
#endif
// HMODULE: the module's base address. A null module is the host program.
using ModuleHandle = void*;

constexpr BlockHandle NoBlock = BlockHandle{};
constexpr std::uint32_t MaxPath = 260;  // MAX_PATH

// Movable blocks handed to the host. Global blocks carry the bitmap
// (GlobalAlloc(GMEM_MOVEABLE)), local blocks the information text
// (LocalAlloc(LMEM_MOVEABLE)). Allocation returns NoBlock on failure; lock
// returns nullptr on failure.
BlockHandle globalAlloc(std::size_t size);
void* globalLock(BlockHandle block);
void globalUnlock(BlockHandle block);
void globalFree(BlockHandle block);
std::size_t globalSize(BlockHandle block);

BlockHandle localAlloc(std::size_t size);
void* localLock(BlockHandle block);
void localUnlock(BlockHandle block);
void localFree(BlockHandle block);
std::size_t localSize(BlockHandle block);

// Scratch memory, released before a call returns. nullptr on failure.
void* heapAlloc(std::size_t size);
void heapFree(void* memory);

// Files. openForReading: CreateFileA(GENERIC_READ, FILE_SHARE_READ |
// FILE_SHARE_WRITE, OPEN_EXISTING); false when it does not open.
bool openForReading(const char* path, FileHandle* file);
// CreateFileA with access 0: does the file exist and can it be opened?
bool fileExists(const char* path);
// GetFileSize: the low 32 bits of the whole file's size.
bool fileSize(FileHandle file, std::uint32_t* size);
// SetFilePointer(FILE_BEGIN).
bool seekFromStart(FileHandle file, std::int32_t position);
// One ReadFile; a read that stops early at the end of the file succeeds.
bool readFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* got);
void closeFile(FileHandle file);

// A handle the host passes to IsSupported, as the 32-bit value it arrives
// as: read from its current position, never closed.
bool readHostHandle(std::uintptr_t handle, void* buffer, std::uint32_t count,
                    std::uint32_t* got);
// SetFilePointer(FILE_CURRENT) on such a handle: moves its position by
// `distance` bytes.
bool moveHostHandle(std::uintptr_t handle, std::int32_t distance);

// GetModuleFileNameA into a buffer of `size` bytes. A null module is the host
// program. Returns the length without the NUL, or 0 on failure or when the
// name did not fit.
std::uint32_t moduleFileName(ModuleHandle module, char* buffer, std::uint32_t size);

// GetPrivateProfileStringA with an empty default: the value's length.
std::uint32_t profileString(const char* section, const char* key, char* buffer,
                            std::uint32_t size, const char* path);

// IsDBCSLeadByte under the ANSI code page (the stand-in: code page 932).
bool isLeadByte(std::uint8_t byte);

}  // namespace platform
