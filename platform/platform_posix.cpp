// The POSIX stand-in of the platform layer. It plays the Win32 services'
// part honestly enough for the core to run natively: movable blocks are
// handles into a table that tracks size and lock count, paths are presented
// with backslashes as on Windows, and profile reading follows
// GetPrivateProfileStringA's rules. Tests can count live blocks and open
// files, make the Nth allocation, file operation or block lock fail, and
// make the module-name call fail or report names of their choosing.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/allocation_gate.h"
#include "platform/platform.h"
#include "platform/posix_testing.h"

namespace {

// ---- fault injection ---------------------------------------------------

struct Countdown {
  std::atomic<std::size_t> remaining{0};  // 0: disarmed
  // True when this operation is the one chosen to fail.
  bool strike() {
    std::size_t n = remaining.load(std::memory_order_relaxed);
    while (n != 0) {
      if (remaining.compare_exchange_weak(n, n - 1, std::memory_order_relaxed)) return n == 1;
    }
    return false;
  }
};

Countdown allocationFault;
Countdown fileFault;
Countdown lockFault;
std::atomic<bool> faultFired{false};

bool allocationFails() {
  if (!allocationFault.strike()) return false;
  faultFired = true;
  return true;
}

bool fileOperationFails() {
  if (!fileFault.strike()) return false;
  faultFired = true;
  return true;
}

bool lockFails() {
  if (!lockFault.strike()) return false;
  faultFired = true;
  return true;
}

// Names the module-name call reports instead of the real ones (empty: the
// real one), and whether it fails; set only while no other thread is in the
// plug-in. Plain arrays, so they are ready before the attach hook runs.
constexpr std::size_t PresentedNameSize = 4096;
char presentedHostName[PresentedNameSize];
char presentedPluginName[PresentedNameSize];
bool moduleNameFails = false;

// ---- movable blocks ----------------------------------------------------

enum class BlockKind { Global, Local };

struct Block {
  void* memory = nullptr;  // null: free slot
  std::size_t size = 0;
  int locks = 0;
  BlockKind kind = BlockKind::Global;
};

std::mutex blockMutex;
std::vector<Block> blocks;  // handle h is slot h - 1

Block* findBlock(platform::BlockHandle handle, BlockKind kind) {
  if (handle == 0 || handle > blocks.size()) return nullptr;
  Block& block = blocks[handle - 1];
  return block.memory && block.kind == kind ? &block : nullptr;
}

platform::BlockHandle allocBlock(std::size_t size, BlockKind kind) {
  if (allocationFails()) return platform::NoBlock;
  // Like GlobalAlloc, a zero-byte request still yields a block.
  void* memory = std::malloc(size ? size : 1);
  if (!memory) return platform::NoBlock;
  std::lock_guard lock(blockMutex);
  std::size_t slot = 0;
  while (slot < blocks.size() && blocks[slot].memory) ++slot;
  if (slot == blocks.size()) blocks.emplace_back();
  blocks[slot] = Block{memory, size, 0, kind};
  return static_cast<platform::BlockHandle>(slot + 1);
}

void* lockBlock(platform::BlockHandle handle, BlockKind kind) {
  if (lockFails()) return nullptr;
  std::lock_guard lock(blockMutex);
  Block* block = findBlock(handle, kind);
  if (!block) return nullptr;
  ++block->locks;
  return block->memory;
}

void unlockBlock(platform::BlockHandle handle, BlockKind kind) {
  std::lock_guard lock(blockMutex);
  Block* block = findBlock(handle, kind);
  if (block && block->locks > 0) --block->locks;
}

void freeBlock(platform::BlockHandle handle, BlockKind kind) {
  std::lock_guard lock(blockMutex);
  Block* block = findBlock(handle, kind);
  if (!block) return;
  std::free(block->memory);
  *block = Block{};
}

std::size_t blockSize(platform::BlockHandle handle, BlockKind kind) {
  std::lock_guard lock(blockMutex);
  Block* block = findBlock(handle, kind);
  return block ? block->size : 0;
}

// ---- paths -------------------------------------------------------------

// Windows paths arrive with backslashes; the file system wants slashes.
std::string nativePath(const char* path) {
  std::string result(path);
  for (char& c : result) {
    if (c == '\\') c = '/';
  }
  return result;
}

std::atomic<std::size_t> filesOpen{0};

// ---- profile files -----------------------------------------------------

std::string trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

bool sameName(const std::string& a, const char* b) {
  std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// The value of `key` in `section`: names compare case-insensitively, blanks
// around key and value are trimmed, one pair of matching surrounding quotes
// is stripped, and the first match wins.
bool findProfileValue(std::FILE* file, const char* section, const char* key, std::string* value) {
  bool inSection = false;
  char line[4096];
  while (std::fgets(line, sizeof line, file)) {
    std::string text = trim(line);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      std::size_t close = text.find(']');
      inSection = close != std::string::npos && sameName(trim(text.substr(1, close - 1)), section);
      continue;
    }
    std::size_t equals = text.find('=');
    if (!inSection || equals == std::string::npos || !sameName(trim(text.substr(0, equals)), key))
      continue;
    std::string found = trim(text.substr(equals + 1));
    if (found.size() >= 2 && (found.front() == '"' || found.front() == '\'') &&
        found.back() == found.front())
      found = found.substr(1, found.size() - 2);
    *value = found;
    return true;
  }
  return false;
}

// The module's file name: the shared object an address lies in, or, for the
// null module, the running program.
bool realModuleName(platform::ModuleHandle module, std::string* path) {
  if (module) {
    Dl_info info;
    if (!::dladdr(module, &info) || !info.dli_fname) return false;
    char resolved[4096];
    *path = ::realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
    return true;
  }
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return false;
  path->assign(self, static_cast<std::size_t>(n));
  return true;
}

}  // namespace

namespace platform {

BlockHandle globalAlloc(std::size_t size) { return allocBlock(size, BlockKind::Global); }
void* globalLock(BlockHandle block) { return lockBlock(block, BlockKind::Global); }
void globalUnlock(BlockHandle block) { unlockBlock(block, BlockKind::Global); }
void globalFree(BlockHandle block) { freeBlock(block, BlockKind::Global); }
std::size_t globalSize(BlockHandle block) { return blockSize(block, BlockKind::Global); }

BlockHandle localAlloc(std::size_t size) { return allocBlock(size, BlockKind::Local); }
void* localLock(BlockHandle block) { return lockBlock(block, BlockKind::Local); }
void localUnlock(BlockHandle block) { unlockBlock(block, BlockKind::Local); }
void localFree(BlockHandle block) { freeBlock(block, BlockKind::Local); }
std::size_t localSize(BlockHandle block) { return blockSize(block, BlockKind::Local); }

void* heapAlloc(std::size_t size) {
  if (allocationFails()) return nullptr;
  return std::malloc(size ? size : 1);
}

void heapFree(void* memory) { std::free(memory); }

bool openForReading(const char* path, FileHandle* file) {
  if (fileOperationFails()) return false;
  int fd = ::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {  // CreateFileA opens no directory
    ::close(fd);
    return false;
  }
  ++filesOpen;
  *file = fd;
  return true;
}

bool fileExists(const char* path) {
  struct stat info;
  return ::stat(nativePath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool fileSize(FileHandle file, std::uint32_t* size) {
  struct stat info;
  if (fileOperationFails() || ::fstat(file, &info) != 0) return false;
  *size = static_cast<std::uint32_t>(info.st_size);  // GetFileSize's low 32 bits
  return true;
}

bool seekFromStart(FileHandle file, std::int32_t position) {
  if (fileOperationFails() || position < 0) return false;
  return ::lseek(file, position, SEEK_SET) == position;
}

bool readFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* got) {
  if (fileOperationFails()) return false;
  std::uint32_t total = 0;
  while (total < count) {  // ReadFile on a disk file delivers all it can in one call
    ssize_t n = ::read(file, static_cast<char*>(buffer) + total, count - total);
    if (n < 0) return false;
    if (n == 0) break;
    total += static_cast<std::uint32_t>(n);
  }
  *got = total;
  return true;
}

void closeFile(FileHandle file) {
  ::close(file);
  --filesOpen;
}

bool readHostHandle(std::uintptr_t handle, void* buffer, std::uint32_t count, std::uint32_t* got) {
  if (fileOperationFails()) return false;
  ssize_t n = ::read(static_cast<int>(handle), buffer, count);
  if (n < 0) return false;
  *got = static_cast<std::uint32_t>(n);
  return true;
}

bool moveHostHandle(std::uintptr_t handle, std::int32_t distance) {
  if (fileOperationFails()) return false;
  return ::lseek(static_cast<int>(handle), distance, SEEK_CUR) >= 0;
}

std::uint32_t moduleFileName(ModuleHandle module, char* buffer, std::uint32_t size) {
  std::string path = module ? presentedPluginName : presentedHostName;
  if (moduleNameFails || (path.empty() && !realModuleName(module, &path))) return 0;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  if (path.size() >= size) {
    // Cut at the buffer's size and left unterminated, as older systems do;
    // the layer then reports no name, as the Windows side does.
    std::memcpy(buffer, path.data(), size);
    return 0;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<std::uint32_t>(path.size());
}

std::uint32_t profileString(const char* section, const char* key, char* buffer,
                            std::uint32_t size, const char* path) {
  if (size == 0) return 0;
  buffer[0] = '\0';
  std::FILE* file = std::fopen(nativePath(path).c_str(), "r");
  if (!file) return 0;
  std::string value;
  bool found = findProfileValue(file, section, key, &value);
  std::fclose(file);
  if (!found) return 0;
  std::size_t n = value.size() < size - 1 ? value.size() : size - 1;
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return static_cast<std::uint32_t>(n);
}

// Code page 932: lead bytes 0x81-0x9F and 0xE0-0xFC.
bool isLeadByte(std::uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace platform

// libjpeg's own allocations ask here first, so tests can make them fail too.
int platform_allocation_allowed(void) { return allocationFails() ? 0 : 1; }

namespace {
BlockKind kindOf(int local) { return local ? BlockKind::Local : BlockKind::Global; }
}  // namespace

void* tarnik_lock_block(platform::BlockHandle block, int local) {
  return lockBlock(block, kindOf(local));
}
void tarnik_unlock_block(platform::BlockHandle block, int local) {
  unlockBlock(block, kindOf(local));
}
void tarnik_free_block(platform::BlockHandle block, int local) { freeBlock(block, kindOf(local)); }
std::size_t tarnik_block_size(platform::BlockHandle block, int local) {
  return blockSize(block, kindOf(local));
}

namespace platform::testing {

std::size_t liveBlocks() {
  std::lock_guard lock(blockMutex);
  std::size_t live = 0;
  for (const Block& block : blocks) live += block.memory != nullptr;
  return live;
}

std::size_t openFiles() { return filesOpen; }

void failAllocationAt(std::size_t n) {
  allocationFault.remaining = n;
  faultFired = false;
}

void failFileOperationAt(std::size_t n) {
  fileFault.remaining = n;
  faultFired = false;
}

void failLockAt(std::size_t n) {
  lockFault.remaining = n;
  faultFired = false;
}

void failModuleName(bool fails) { moduleNameFails = fails; }

void presentModuleNames(const char* hostProgram, const char* plugin) {
  std::snprintf(presentedHostName, PresentedNameSize, "%s", hostProgram ? hostProgram : "");
  std::snprintf(presentedPluginName, PresentedNameSize, "%s", plugin ? plugin : "");
}

bool injectedFailureFired() { return faultFired; }

}  // namespace platform::testing
