// tarnik_host: opens one raw file through the plug-in the way an image viewer
// does, prints what each export answers, and writes the picture as a .bmp
// file and the information text as a .txt file.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/host/host_platform.h"

namespace {

constexpr int PluginInfoIndices = 6;        // version, description, two patterns each with its type name
constexpr int PluginInfoBufferSize = 256;   // more than the plug-in's 128-byte texts
constexpr std::size_t SniffSize = 2048;     // the first bytes a host passes to IsSupported
constexpr std::size_t InfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::size_t FileHeaderSize = 14;  // BITMAPFILEHEADER
constexpr std::size_t TextLimit = 1 << 20;
constexpr std::size_t ReadChunk = 1 << 16;

const char* const Usage =
    "usage: tarnik_host [options] FILE.PEF\n"
    "  --plugin PATH   the plug-in to load (default: %s beside this program)\n"
    "  --offset N      the raw data starts N bytes into FILE (file mode)\n"
    "  --memory        pass the whole file as a memory image\n"
    "  --preview       ask GetPreview instead of GetPicture\n"
    "  --bmp OUT.bmp   write the picture\n"
    "  --text OUT.txt  write the information text (UTF-8)\n"
    "exit status: 0 when every call succeeded and every output was written;\n"
    "  1 when a call failed, the plug-in does not take FILE, or an output\n"
    "  could not be written; 2 on a bad command line, or when the plug-in\n"
    "  does not load or FILE cannot be read. Each failure is said on\n"
    "  standard error, with the system's reason.\n";

// The exit statuses that --help lists.
enum ExitStatus { ExitSuccess = 0, ExitCallFailed = 1, ExitCannotRun = 2 };

struct Options {
  const char* plugin = nullptr;  // the default beside this program
  const char* file = nullptr;
  std::int32_t offset = 0;
  bool memory = false;
  bool preview = false;
  const char* bmp = nullptr;
  const char* text = nullptr;
};

// False, having said what failed and why.
bool complain(const char* failed, const char* path, const char* reason) {
  std::fprintf(stderr, "tarnik_host: %s %s: %s\n", failed, path, reason);
  return false;
}

// A byte count that the host's signed 32-bit offset can carry: digits only,
// with no sign, blank or anything else around them.
bool parseOffset(const char* text, std::int32_t* offset) {
  const char* const end = text + std::strlen(text);
  std::uint32_t value = 0;
  const auto [stop, error] = std::from_chars(text, end, value);
  if (error != std::errc() || stop != end || value > INT32_MAX) return false;
  *offset = static_cast<std::int32_t>(value);
  return true;
}

bool parseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--plugin" && hasValue) options->plugin = argv[++i];
    else if (arg == "--offset" && hasValue) {
      if (!parseOffset(argv[++i], &options->offset)) {
        std::fprintf(stderr, "tarnik_host: --offset %s: not a byte count from 0 to %d\n", argv[i], INT32_MAX);
        return false;
      }
    }
    else if (arg == "--memory") options->memory = true;
    else if (arg == "--preview") options->preview = true;
    else if (arg == "--bmp" && hasValue) options->bmp = argv[++i];
    else if (arg == "--text" && hasValue) options->text = argv[++i];
    else if (arg[0] != '-' && !options->file) options->file = argv[i];
    else return false;
  }
  return options->file != nullptr;
}

// False, having said why, when the file cannot be read. A directory opens
// on POSIX systems and fails at the first read.
bool readWholeFile(const char* path, std::vector<char>* bytes) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return complain("cannot open", path, std::strerror(errno));
  std::vector<char> chunk(ReadChunk);
  for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0;)
    bytes->insert(bytes->end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
  const bool failed = std::ferror(file);
  const int error = errno;
  std::fclose(file);
  return !failed || complain("cannot read", path, std::strerror(error));
}

// False, having said which file and why, when it cannot be written; the
// flush makes a full disk show here rather than go unnoticed at close.
bool writeFile(const char* path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return complain("cannot write", path, std::strerror(errno));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
  const int error = errno;
  std::fclose(file);
  return written || complain("cannot write", path, std::strerror(error));
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

// A 24-bit row of the header's width, padded to whole 32-bit words.
std::size_t rowStrideOf(const std::vector<std::uint8_t>& header) {
  const auto width = static_cast<std::int32_t>(read32(header, 4));
  return width > 0 ? (std::size_t(width) * 3 + 3) & ~std::size_t{3} : 0;
}

std::size_t rowsOf(const std::vector<std::uint8_t>& header) {
  const auto height = static_cast<std::int32_t>(read32(header, 8));
  return static_cast<std::size_t>(height < 0 ? -std::int64_t{height} : height);
}

// The picture as the header block gives it, and the pixel block apart: the
// block may have room for more rows than the picture (the preview's holds
// the whole decoded frame), and the picture is its first rows.
void printBlocks(const std::vector<std::uint8_t>& header, std::size_t pixelBytes) {
  std::printf("bitmap: %d x %d, %u bits\n", static_cast<int>(read32(header, 4)),
              static_cast<int>(read32(header, 8)), header[14] | unsigned{header[15]} << 8);
  const auto bytes = static_cast<unsigned long>(pixelBytes);
  const auto stride = static_cast<unsigned long>(rowStrideOf(header));
  std::printf("pixel block: %lu bytes, room for %lu rows of %lu bytes; the bitmap is its first %lu\n", bytes,
              stride ? bytes / stride : 0, stride, static_cast<unsigned long>(rowsOf(header)));
}

// BITMAPFILEHEADER, the 40-byte BITMAPINFOHEADER of the header block, and the
// rows of the pixel block that the header's height covers.
bool writeBitmap(const char* path, const std::vector<std::uint8_t>& header,
                 const std::vector<std::uint8_t>& pixels) {
  if (header.size() < InfoHeaderSize) return complain("cannot write", path, "the header block is no bitmap header");
  const std::size_t rowStride = rowStrideOf(header);
  const std::size_t rows = rowsOf(header);
  if (rowStride == 0 || rowStride * rows > pixels.size())
    return complain("cannot write", path, "the pixel block is smaller than the header's width and height need");
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
  if (headerBytes.size() >= InfoHeaderSize) printBlocks(headerBytes, pixelBytes.size());
  return !options.bmp || writeBitmap(options.bmp, headerBytes, pixelBytes);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::printf(Usage, DefaultPluginName);
    return ExitSuccess;
  }
  if (!parseOptions(argc, argv, &options)) {
    std::fprintf(stderr, Usage, DefaultPluginName);
    return ExitCannotRun;
  }
  PluginExports plugin;
  std::string error;
  const std::string pluginPath = options.plugin ? options.plugin : defaultPluginPath();
  if (!loadPlugin(pluginPath.c_str(), &plugin, &error)) {
    complain("cannot load", pluginPath.c_str(), error.c_str());
    return ExitCannotRun;
  }
  std::vector<char> image;
  if (!readWholeFile(options.file, &image)) return ExitCannotRun;
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
