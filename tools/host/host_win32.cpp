// The host's system services on Windows: LoadLibraryA/GetProcAddress of
// tarnik.spi, the Global and Local block functions, and CreateFileA.
#include <windows.h>

#include "tools/host/host_platform.h"

// LoadLibraryA looks in the program's own directory first.
const char* const DefaultPluginPath = "tarnik.spi";

namespace {

template <typename Function>
bool find(HMODULE library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return *function != nullptr;
}

std::vector<std::uint8_t> copyOut(const void* memory, std::size_t size, std::size_t limit) {
  const auto* bytes = static_cast<const std::uint8_t*>(memory);
  return memory ? std::vector<std::uint8_t>(bytes, bytes + (size < limit ? size : limit))
                : std::vector<std::uint8_t>();
}

}  // namespace

bool loadPlugin(const char* path, PluginExports* exports, std::string* error) {
  HMODULE library = LoadLibraryA(path);
  if (library && find(library, "GetPluginInfo", &exports->getPluginInfo) &&
      find(library, "IsSupported", &exports->isSupported) &&
      find(library, "GetPictureInfo", &exports->getPictureInfo) &&
      find(library, "GetPicture", &exports->getPicture) &&
      find(library, "GetPreview", &exports->getPreview))
    return true;
  *error = "LoadLibraryA/GetProcAddress failed, error " + std::to_string(GetLastError());
  return false;
}

std::vector<std::uint8_t> takeGlobalBlock(platform::BlockHandle block, std::size_t limit) {
  auto bytes = copyOut(GlobalLock(block), GlobalSize(block), limit);
  GlobalUnlock(block);
  GlobalFree(block);
  return bytes;
}

std::vector<std::uint8_t> takeLocalBlock(platform::BlockHandle block, std::size_t limit) {
  auto bytes = copyOut(LocalLock(block), LocalSize(block), limit);
  LocalUnlock(block);
  LocalFree(block);
  return bytes;
}

std::uintptr_t openHostHandle(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  return file == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<std::uintptr_t>(file);
}

void closeHostHandle(std::uintptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }
