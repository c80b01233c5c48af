// Picture-path benchmark: the plug-in's decode against the floor of the same
// work, a bare libjpeg decode of the same bytes from memory with the same
// settings into a plain buffer. Prints best-of-N times, their ratios, and the
// heap the plug-in's path holds at its peak beyond the pixel block and the
// read buffer, beside what the bare decode holds beyond its plain buffer.
// Times are the thread's CPU time.
//
//   decode_bench [rounds]
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "heap_meter.h"
#include "platform/platform.h"
#include "plugin/dib_decode.h"
#include "plugin/exports.h"
#include "plugin/settings.h"
#include "plugin/source_region.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int DefaultRounds = 15;
constexpr double MemoryTarget = 1.03;
constexpr double FileTarget = 1.05;
constexpr std::size_t ExtraPeakTarget = 1 << 20;

// The camera's full-size picture: 3008 x 2008, 4:2:2, quality 93, with
// gradients, edges and sensor-like noise so its entropy data is photo-sized.
Bytes encodeSample(int width, int height, int quality) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.comp_info[0].v_samp_factor = 1;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
  std::uint32_t noise = 12345;
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < width; ++x) {
      noise = noise * 1103515245u + 12345u;
      const int grain = static_cast<int>(noise >> 28) - 8;
      const int edge = ((x / 97 + y / 61) & 1) * 40;
      for (int c = 0; c < 3; ++c) {
        const int v = (x * (c + 2) / 24 + y * (4 - c) / 20 + edge + grain) & 0xFF;
        row[static_cast<std::size_t>(x) * 3 + c] = static_cast<JSAMPLE>(v);
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes jpeg(out, out + outSize);
  std::free(out);
  return jpeg;
}

// The floor: libjpeg from memory, the plug-in's settings, rows [skip,
// skip + rows) into a plain top-down buffer.
void bareDecode(const Bytes& jpeg, bool fast, JDIMENSION skip, JDIMENSION rows) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.dct_method = fast ? JDCT_IFAST : JDCT_FLOAT;
  cinfo.do_fancy_upsampling = TRUE;
  cinfo.do_block_smoothing = TRUE;
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  const std::size_t stride = (cinfo.output_width * 3 + 3) & ~3u;
  auto* pixels = static_cast<std::uint8_t*>(std::malloc(stride * rows));
  std::vector<JSAMPROW> rowPointers(rows);
  for (JDIMENSION r = 0; r < rows; ++r) rowPointers[r] = pixels + r * stride;
  if (skip) jpeg_skip_scanlines(&cinfo, skip);
  for (JDIMENSION done = 0; done < rows;)
    done += jpeg_read_scanlines(&cinfo, rowPointers.data() + done, rows - done);
  jpeg_abort_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::free(pixels);
}

// One open, one seek, one read of the region into a heap buffer, one close.
Bytes bareRead(const std::string& path, off_t position, std::size_t length) {
  Bytes region(length);
  const int fd = ::open(path.c_str(), O_RDONLY);
  ::lseek(fd, position, SEEK_SET);
  const ssize_t got = ::read(fd, region.data(), length);
  ::close(fd);
  region.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return region;
}

void releaseBlocks(platform::BlockHandle header, platform::BlockHandle pixels) {
  platform::globalFree(header);
  platform::globalFree(pixels);
}

struct Path {
  const char* name;
  double target;
  int roundScale;          // the preview decodes 20 times faster than the full size
  std::size_t handedOver;  // pixel block and header block
  std::size_t readBuffer;  // the plug-in's scratch read, not counted as extra
  std::size_t plainBuffer; // the floor's output buffer
  std::function<void()> ours;
  std::function<void()> floor;
  double bestOurs = 1e300;
  double bestFloor = 1e300;
  std::size_t extraOurs = 0;
  std::size_t extraFloor = 0;
};

// The thread's CPU time, user and system: other work on a shared machine
// stretches wall time far more than it does this.
double cpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double seconds(const std::function<void()>& work) {
  const double start = cpuSeconds();
  work();
  return cpuSeconds() - start;
}

// Heap held at the peak of one run, beyond what was live before it.
std::size_t peakOf(const std::function<void()>& work) {
  const std::size_t before = heap_meter::live();
  heap_meter::resetPeak();
  work();
  return heap_meter::peak() - before;
}

std::size_t strideOf(std::size_t width) { return (width * 3 + 3) & ~std::size_t{3}; }

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : DefaultRounds;
  const Bytes full = encodeSample(3008, 2008, 93);
  const Bytes preview = encodeSample(640, 480, 90);

  // A raw file with the full-size JPEG at its fixed position, and a settings
  // file that asks for the full-size picture.
  char dir[] = "/tmp/tarnik-bench-XXXXXX";
  if (!::mkdtemp(dir)) return 1;
  const std::string pef = std::string(dir) + "/sample.pef";
  const std::string ini = std::string(dir) + "/tarnik.ini";
  {
    Bytes file(static_cast<std::size_t>(FullImageOffset));
    file.insert(file.end(), full.begin(), full.end());
    std::FILE* out = std::fopen(pef.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
    out = std::fopen(ini.c_str(), "w");
    std::fputs("[SETTING]\nFULLSIZE=1\n", out);
    std::fclose(out);
    std::snprintf(settingsPath, sizeof settingsPath, "%s", ini.c_str());
  }

  const ByteView fullView(full.data(), static_cast<std::uint32_t>(full.size()));
  const ByteView previewView(preview.data(), static_cast<std::uint32_t>(preview.size()));
  const std::size_t fullPixels = strideOf(3008) * 2008;
  const std::size_t previewPixels = strideOf(640) * 480;
  const std::size_t headerBlock = 44;
  Path paths[] = {
      {"full size, memory, best quality", MemoryTarget, 1, fullPixels + headerBlock, 0, fullPixels,
       [&] {
         platform::BlockHandle header, pixels;
         extractPicture(fullView, &header, &pixels, RequestBestQuality | RequestFullSize);
         releaseBlocks(header, pixels);
       },
       [&] { bareDecode(full, false, 0, 2008); }},
      {"preview, memory, fast", MemoryTarget, 20, previewPixels + headerBlock, 0, strideOf(640) * 428,
       [&] {
         platform::BlockHandle header, pixels;
         extractPicture(previewView, &header, &pixels, 0);
         releaseBlocks(header, pixels);
       },
       [&] { bareDecode(preview, true, 26, 428); }},
      {"full size, file, GetPicture", FileTarget, 1, fullPixels + headerBlock, full.size() + ReadSlack,
       fullPixels + full.size(),
       [&] {
         platform::BlockHandle header, pixels;
         GetPicture(pef.c_str(), 0, SourceFile, &header, &pixels, nullptr, 0);
         releaseBlocks(header, pixels);
       },
       [&] { bareDecode(bareRead(pef, FullImageOffset, full.size()), false, 0, 2008); }},
  };

  for (Path& path : paths) {
    path.extraOurs = peakOf(path.ours) - path.handedOver - path.readBuffer;
    path.extraFloor = peakOf(path.floor) - path.plainBuffer;
  }
  // Rounds alternate between the plug-in and the floor, so that load from
  // elsewhere on the machine falls on both alike.
  for (Path& path : paths) {
    for (int round = 0; round < rounds * path.roundScale; ++round) {
      path.bestOurs = std::min(path.bestOurs, seconds(path.ours));
      path.bestFloor = std::min(path.bestFloor, seconds(path.floor));
    }
  }

  std::printf("samples: full size 3008 x 2008, %zu bytes; preview 640 x 480, %zu bytes; best of %d (preview: %d)\n",
              full.size(), preview.size(), rounds, rounds * 20);
  std::printf("%-34s %9s %9s %7s %7s %14s %14s\n", "path", "ours ms", "floor ms", "ratio", "target",
              "extra KiB", "floor's KiB");
  bool met = true;
  for (const Path& path : paths) {
    const double ratio = path.bestOurs / path.bestFloor;
    met = met && ratio <= path.target && path.extraOurs <= ExtraPeakTarget;
    std::printf("%-34s %9.2f %9.2f %7.3f %7.2f %14.1f %14.1f\n", path.name, path.bestOurs * 1e3,
                path.bestFloor * 1e3, ratio, path.target, path.extraOurs / 1024.0, path.extraFloor / 1024.0);
  }
  std::printf("extra peak target: %zu KiB; %s\n", ExtraPeakTarget / 1024, met ? "all targets met" : "TARGET MISSED");
  std::remove(pef.c_str());
  std::remove(ini.c_str());
  ::rmdir(dir);
  return 0;
}
