// tarnik_host: opens one raw file through the plug-in the way an image viewer
// does, prints what each export answers, and writes the picture as a .bmp
// file and the information text as a .txt file.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/host/host_platform.h"

namespace {

constexpr int PluginInfoIndices = 4;        // version, description, pattern, type name
constexpr int PluginInfoBufferSize = 256;   // more than the plug-in's 128-byte texts
constexpr std::size_t SniffSize = 2048;     // the first bytes a host passes to IsSupported
constexpr std::size_t InfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::size_t FileHeaderSize = 14;  // BITMAPFILEHEADER
constexpr std::size_t TextLimit = 1 << 20;

const char* const Usage =
    "usage: tarnik_host [options] FILE.PEF\n"
    "  --plugin PATH   the plug-in to load (default: %s)\n"
    "  --offset N      the raw data starts N bytes into FILE (file mode)\n"
    "  --memory        pass the whole file as a memory image\n"
    "  --preview       ask GetPreview instead of GetPicture\n"
    "  --bmp OUT.bmp   write the picture\n"
    "  --text OUT.txt  write the information text (UTF-8)\n"
    "exit status: 0 when every call succeeded and every output was written;\n"
    "  1 when a call failed, the plug-in does not take FILE, or an output\n"
    "  could not be written; 2 on a bad command line, or when the plug-in\n"
    "  does not load or FILE does not open.\n";

// The exit statuses that --help lists.
enum ExitStatus { ExitSuccess = 0, ExitCallFailed = 1, ExitCannotRun = 2 };

const char* resultMeaning(std::int32_t result) {
  switch (result) {
    case Success: return "success";
    case UnsupportedFormat: return "unsupported format";
    case OutOfMemory: return "out of memory";
    case ReadError: return "read error";
    case NotImplemented: return "not implemented";
    default: return "unknown result code";
  }
}

struct Options {
  const char* plugin = DefaultPluginPath;
  const char* file = nullptr;
  std::int32_t offset = 0;
  bool memory = false;
  bool preview = false;
  const char* bmp = nullptr;
  const char* text = nullptr;
};

bool parseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--plugin" && hasValue) options->plugin = argv[++i];
    else if (arg == "--offset" && hasValue) options->offset = std::atoi(argv[++i]);
    else if (arg == "--memory") options->memory = true;
    else if (arg == "--preview") options->preview = true;
    else if (arg == "--bmp" && hasValue) options->bmp = argv[++i];
    else if (arg == "--text" && hasValue) options->text = argv[++i];
    else if (arg[0] != '-' && !options->file) options->file = argv[i];
    else return false;
  }
  return options->file != nullptr;
}

// False when the file does not open.
bool readWholeFile(const char* path, std::vector<char>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool writeFile(const char* path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::uint32_t read32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

void append32(std::vector<std::uint8_t>* bytes, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes->push_back(static_cast<std::uint8_t>(value >> shift));
}

// Each index answers with the length of its text; 0 is a failed call.
bool printPluginInfo(const PluginExports& plugin) {
  bool ok = true;
  for (int index = 0; index < PluginInfoIndices; ++index) {
    char text[PluginInfoBufferSize] = {};
    const std::int32_t n = plugin.getPluginInfo(index, text, sizeof text);
    std::printf("GetPluginInfo(%d): %d \"%s\"\n", index, n, cp932ToUtf8(text).c_str());
    ok = ok && n > 0;
  }
  return ok;
}

// The first bytes of the raw data, zero-padded to the size a host passes.
std::int32_t isSupportedByBytes(const PluginExports& plugin, const Options& options,
                                const std::vector<char>& image) {
  std::vector<char> first(SniffSize, 0);
  const std::size_t start = options.memory ? 0 : static_cast<std::size_t>(std::max(options.offset, 0));
  if (start < image.size())
    std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(start),
                std::min(image.size() - start, SniffSize), first.begin());
  return plugin.isSupported(options.file, reinterpret_cast<std::uintptr_t>(first.data()));
}

// A handle is read from the start of the file, so it is asked only when the
// raw data starts there.
bool printHandleSupport(const PluginExports& plugin, const Options& options) {
  if (options.offset != 0) return true;
  const std::uintptr_t handle = openHostHandle(options.file);
  const std::int32_t answer = handle ? plugin.isSupported(options.file, handle) : 0;
  if (handle) closeHostHandle(handle);
  std::printf("IsSupported(file handle): %d%s\n", answer, handle ? "" : " (file does not open)");
  return answer != 0;
}

bool showPictureInfo(const PluginExports& plugin, const char* source, std::int32_t offsetOrSize,
                     std::uint32_t flags, const char* textPath) {
  PictureInfo info{};
  const std::int32_t result = plugin.getPictureInfo(source, offsetOrSize, flags, &info);
  std::printf("GetPictureInfo: %d (%s), %d x %d, %d bits\n", result, resultMeaning(result),
              info.width, info.height, info.bitsPerPixel);
  if (result != Success) return false;
  std::vector<std::uint8_t> bytes;
  if (info.infoText != platform::NoBlock) bytes = takeLocalBlock(info.infoText, TextLimit);
  std::string raw(bytes.begin(), bytes.end());
  raw.resize(std::strlen(raw.c_str()));
  const std::string text = cp932ToUtf8(raw);
  std::printf("%s", text.c_str());
  return !textPath || writeFile(textPath, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// BITMAPFILEHEADER, the 40-byte BITMAPINFOHEADER of the header block, and the
// rows of the pixel block that the header's height covers.
bool writeBitmap(const char* path, const std::vector<std::uint8_t>& header,
                 const std::vector<std::uint8_t>& pixels) {
  if (header.size() < InfoHeaderSize) return false;
  const auto width = static_cast<std::int32_t>(read32(header, 4));
  const auto height = static_cast<std::int32_t>(read32(header, 8));
  const std::size_t rowStride = (std::size_t(width) * 3 + 3) & ~std::size_t{3};
  const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
  if (width <= 0 || rowStride * rows > pixels.size()) return false;
  std::vector<std::uint8_t> file = {'B', 'M'};
  append32(&file, static_cast<std::uint32_t>(FileHeaderSize + InfoHeaderSize + rowStride * rows));
  append32(&file, 0);  // two reserved 16-bit fields
  append32(&file, FileHeaderSize + InfoHeaderSize);
  file.insert(file.end(), header.begin(), header.begin() + InfoHeaderSize);
  file.insert(file.end(), pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(rowStride * rows));
  return writeFile(path, file);
}

bool showPicture(const PluginExports& plugin, const Options& options, const char* source,
                 std::int32_t offsetOrSize, std::uint32_t flags) {
  platform::BlockHandle header = platform::NoBlock;
  platform::BlockHandle pixels = platform::NoBlock;
  const auto get = options.preview ? plugin.getPreview : plugin.getPicture;
  const std::int32_t result = get(source, offsetOrSize, flags, &header, &pixels, nullptr, 0);
  std::printf("%s: %d (%s)\n", options.preview ? "GetPreview" : "GetPicture", result,
              resultMeaning(result));
  if (result != Success) return false;
  const auto headerBytes = takeGlobalBlock(header, SIZE_MAX);
  const auto pixelBytes = takeGlobalBlock(pixels, SIZE_MAX);
  if (headerBytes.size() >= InfoHeaderSize)
    std::printf("bitmap: %d x %d, %u bytes of pixels\n", static_cast<int>(read32(headerBytes, 4)),
                static_cast<int>(read32(headerBytes, 8)), static_cast<unsigned>(pixelBytes.size()));
  return !options.bmp || writeBitmap(options.bmp, headerBytes, pixelBytes);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::printf(Usage, DefaultPluginPath);
    return ExitSuccess;
  }
  if (!parseOptions(argc, argv, &options)) {
    std::fprintf(stderr, Usage, DefaultPluginPath);
    return ExitCannotRun;
  }
  PluginExports plugin;
  std::string error;
  if (!loadPlugin(options.plugin, &plugin, &error)) {
    std::fprintf(stderr, "tarnik_host: cannot load %s: %s\n", options.plugin, error.c_str());
    return ExitCannotRun;
  }
  std::vector<char> image;
  if (!readWholeFile(options.file, &image)) {
    std::fprintf(stderr, "tarnik_host: cannot open %s\n", options.file);
    return ExitCannotRun;
  }
  const std::int32_t supported = isSupportedByBytes(plugin, options, image);
  if (!supported) {
    std::fprintf(stderr, "tarnik_host: %s: not a file this plug-in opens (IsSupported answered 0)\n",
                 options.file);
    return ExitCallFailed;
  }
  bool ok = printPluginInfo(plugin);
  std::printf("IsSupported(first bytes): %d\n", supported);
  ok = printHandleSupport(plugin, options) && ok;
  // A memory image is the whole file; a file source is its name and offset.
  const char* source = options.memory ? image.data() : options.file;
  const std::int32_t offsetOrSize = options.memory ? static_cast<std::int32_t>(image.size()) : options.offset;
  const std::uint32_t flags = options.memory ? SourceMemory : SourceFile;
  ok = showPictureInfo(plugin, source, offsetOrSize, flags, options.text) && ok;
  ok = showPicture(plugin, options, source, offsetOrSize, flags) && ok;
  return ok ? ExitSuccess : ExitCallFailed;
}
