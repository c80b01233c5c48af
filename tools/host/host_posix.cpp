// The host's system services natively: dlopen of tarnik.so, whose POSIX
// stand-in keeps the movable blocks in a table of its own, so they are read
// through the library's C test interface (platform/posix_testing.h).
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include "platform/posix_testing.h"
#include "tools/host/host_platform.h"

const char* const DefaultPluginName = "tarnik.so";

// dlopen of a bare name would search the library path, not the program's
// directory, so the program's own path is asked for.
std::string defaultPluginPath() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return (program.parent_path() / DefaultPluginName).string();
}

namespace {

struct BlockFunctions {
  decltype(&tarnik_lock_block) lock = nullptr;
  decltype(&tarnik_unlock_block) unlock = nullptr;
  decltype(&tarnik_free_block) release = nullptr;
  decltype(&tarnik_block_size) size = nullptr;
};
BlockFunctions blocks;

template <typename Function>
bool find(void* library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(dlsym(library, name));
  return *function != nullptr;
}

bool findBlocks(void* library) {
  return find(library, "tarnik_lock_block", &blocks.lock) &&
         find(library, "tarnik_unlock_block", &blocks.unlock) &&
         find(library, "tarnik_free_block", &blocks.release) &&
         find(library, "tarnik_block_size", &blocks.size);
}

std::vector<std::uint8_t> take(platform::BlockHandle block, int local, std::size_t limit) {
  std::vector<std::uint8_t> bytes;
  const std::size_t size = blocks.size(block, local);
  if (const auto* memory = static_cast<const std::uint8_t*>(blocks.lock(block, local))) {
    bytes.assign(memory, memory + (size < limit ? size : limit));
    blocks.unlock(block, local);
  }
  blocks.release(block, local);
  return bytes;
}

}  // namespace

bool loadPlugin(const char* path, PluginExports* exports, std::string* error) {
  void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (library && find(library, "GetPluginInfo", &exports->getPluginInfo) &&
      find(library, "IsSupported", &exports->isSupported) &&
      find(library, "GetPictureInfo", &exports->getPictureInfo) &&
      find(library, "GetPicture", &exports->getPicture) &&
      find(library, "GetPreview", &exports->getPreview) && findBlocks(library))
    return true;
  *error = dlerror();
  return false;
}

std::vector<std::uint8_t> takeGlobalBlock(platform::BlockHandle block, std::size_t limit) {
  return take(block, 0, limit);
}

std::vector<std::uint8_t> takeLocalBlock(platform::BlockHandle block, std::size_t limit) {
  return take(block, 1, limit);
}

std::uintptr_t openHostHandle(const char* path) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  return fd < 0 ? 0 : static_cast<std::uintptr_t>(fd);
}

void closeHostHandle(std::uintptr_t handle) { close(static_cast<int>(handle)); }
