#include "plugin_fixture.h"

#include <cstdio>
#include <cstring>
#include <type_traits>

#include "tests/support/cp932.h"

namespace {

struct ExportShape {
  const char* name;
  std::uint32_t argc;  // 32-bit arguments the callee removes
};

constexpr ExportShape Exports[] = {
    {"GetPluginInfo", 3}, {"IsSupported", 2}, {"GetPictureInfo", 4}, {"GetPicture", 7},
    {"GetPreview", 7},    {"GetArchiveInfo", 4}, {"GetFileInfo", 5}, {"GetFile", 6},
};

HMODULE plugin = nullptr;

std::string programDirectory() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string directory(path, n);
  return directory.substr(0, directory.rfind('\\') + 1);
}

std::string settingsFile(Beside where) {
  const std::string host = programDirectory();
  return where == Beside::Host ? host + "tarnik.ini" : host + "..\\plugin\\tarnik.ini";
}

template <typename T>
std::uint32_t word(T value) {
  if constexpr (std::is_pointer_v<T>) return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value));
  else return static_cast<std::uint32_t>(value);
}

}  // namespace

std::string fullSizeSetting(const char* value) {
  return std::string("[SETTING]\r\nFULLSIZE=") + value + "\r\n";
}

void writeSettings(Beside where, const char* text) {
  const std::string path = settingsFile(where);
  if (!text) {
    DeleteFileA(path.c_str());
    return;
  }
  writeFileBytes(path.c_str(), Bytes(text, text + std::strlen(text)));
}

void loadWithSettings(const char* hostText, const char* pluginText) {
  if (plugin) FreeLibrary(plugin);
  writeSettings(Beside::Host, hostText);
  writeSettings(Beside::Plugin, pluginText);
  plugin = LoadLibraryA((programDirectory() + "..\\plugin\\tarnik.spi").c_str());
  CHECK(plugin != nullptr);
}

std::int32_t callExport(const char* name, std::initializer_list<std::uint32_t> args) {
  const void* function = plugin ? reinterpret_cast<const void*>(GetProcAddress(plugin, name)) : nullptr;
  const ExportShape* shape = nullptr;
  for (const ExportShape& e : Exports) {
    if (std::strcmp(e.name, name) == 0) shape = &e;
  }
  if (!CHECK(function != nullptr) || !CHECK(shape && shape->argc == args.size())) return INT32_MIN;
  std::int32_t stackDelta = 1;
  const std::int32_t result = callStdcall(function, args.begin(), shape->argc, &stackDelta);
  if (!CHECK_EQ(stackDelta, 0)) std::printf("  export %s left the stack unbalanced\n", name);
  return result;
}

std::int32_t getPluginInfo(std::int32_t index, char* buffer, std::int32_t size) {
  return callExport("GetPluginInfo", {word(index), word(buffer), word(size)});
}

std::int32_t isSupported(const char* name, std::uintptr_t fileOrBytes) {
  return callExport("IsSupported", {word(name), word(fileOrBytes)});
}

std::int32_t getPictureInfo(const void* source, std::int32_t offsetOrSize, std::uint32_t flags,
                            void* record) {
  return callExport("GetPictureInfo", {word(source), word(offsetOrSize), flags, word(record)});
}

std::int32_t getPicture(const void* source, std::int32_t offsetOrSize, std::uint32_t flags,
                        HGLOBAL* header, HGLOBAL* pixels) {
  return callExport("GetPicture",
                    {word(source), word(offsetOrSize), flags, word(header), word(pixels), 0, 0});
}

std::int32_t getPreview(const void* source, std::int32_t offsetOrSize, std::uint32_t flags,
                        HGLOBAL* header, HGLOBAL* pixels) {
  return callExport("GetPreview",
                    {word(source), word(offsetOrSize), flags, word(header), word(pixels), 0, 0});
}

bool checkEqual(std::int32_t actual, PluginResult expected, const char* expression, const char* file,
                int line) {
  if (recordCheck(actual == expected, expression, file, line)) return true;
  std::printf("    got %d (%s), expected %d (%s)\n", actual, resultMeaning(actual), int(expected),
              resultMeaning(expected));
  return false;
}

Bytes readFileBytes(const char* path) {
  // One allocation of the file's size: a 32-bit process under Wine may not
  // find room for a vector's doubling growth next to a full-size picture.
  Bytes bytes;
  if (std::FILE* file = std::fopen(path, "rb")) {
    if (std::fseek(file, 0, SEEK_END) == 0) {
      const long size = std::ftell(file);
      std::rewind(file);
      bytes.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
      bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    }
    std::fclose(file);
  }
  CHECK(!bytes.empty());
  return bytes;
}

void writeFileBytes(const char* path, const Bytes& bytes) {
  std::FILE* file = std::fopen(path, "wb");
  if (!CHECK(file != nullptr)) return;
  CHECK_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
  std::fclose(file);
}

std::string samplePath(const char* name) { return std::string("samples\\") + name; }

std::string infoText(const void* source, std::int32_t offsetOrSize, std::uint32_t mode, std::uint8_t* recordOut) {
  std::uint8_t scratch[PictureInfoSize];
  std::uint8_t* record = recordOut ? recordOut : scratch;
  std::memset(record, 0xAB, PictureInfoSize);
  if (!CHECK_EQ(getPictureInfo(source, offsetOrSize, mode, record), Success)) return "(failed)";
  HLOCAL block;
  std::memcpy(&block, record + InfoTextAt, sizeof block);
  if (!block) return "";
  CHECK_EQ(LocalFlags(block) & LMEM_LOCKCOUNT, 0u);
  const auto* bytes = static_cast<const char*>(LocalLock(block));
  const std::string text(bytes);
  CHECK_EQ(LocalSize(block), text.size() + 4);
  CHECK(std::memcmp(bytes + text.size(), "\0\0\0\0", 4) == 0);
  LocalUnlock(block);
  LocalFree(block);
  bool valid = false;
  const std::string utf8 = cp932ToUtf8(text, &valid);
  CHECK(valid);
  return utf8;
}
