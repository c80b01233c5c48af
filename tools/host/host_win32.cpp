// The host's system services on Windows: LoadLibraryA/GetProcAddress of
// tarnik.spi (with FormatMessageW's text when they fail), the Global and
// Local block functions, and CreateFileA.
#include <windows.h>

#include <cwctype>

#include "tools/host/host_platform.h"

const char* const DefaultPluginName = "tarnik.spi";

// LoadLibraryA looks in the program's own directory first.
std::string defaultPluginPath() { return DefaultPluginName; }

namespace {

// "error N: " and the system's text for it, in UTF-8 like the rest of the
// host's output.
std::string describeError(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length ? std::wstring(text, length) : std::wstring();
  LocalFree(text);
  while (!message.empty() && std::iswspace(message.back())) message.pop_back();
  const int wide = static_cast<int>(message.size());
  const int narrow = WideCharToMultiByte(CP_UTF8, 0, message.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string utf8(narrow, '\0');
  WideCharToMultiByte(CP_UTF8, 0, message.data(), wide, utf8.data(), narrow, nullptr, nullptr);
  return "error " + std::to_string(code) + (utf8.empty() ? "" : ": " + utf8);
}

template <typename Function>
bool find(HMODULE library, const char* name, Function* function, std::string* error) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  if (!*function) *error = std::string("GetProcAddress(") + name + "): " + describeError(GetLastError());
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
  if (!library) {
    *error = "LoadLibraryA: " + describeError(GetLastError());
    return false;
  }
  return find(library, "GetPluginInfo", &exports->getPluginInfo, error) &&
         find(library, "IsSupported", &exports->isSupported, error) &&
         find(library, "GetPictureInfo", &exports->getPictureInfo, error) &&
         find(library, "GetPicture", &exports->getPicture, error) &&
         find(library, "GetPreview", &exports->getPreview, error);
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
