// Each bomb: start of image; a comment holding a baseline frame header (the
// decoy the probe takes); one quantisation table; the real frame header;
// Huffman tables where the coding needs them; then empty scans up to the
// region's end. An empty scan is a scan header at once followed by the next
// marker: libjpeg reads zero bits for the missing data, which the Huffman
// tables below decode as "DC difference 0" and "end of block", so every scan
// still walks every block of the components it names.
#include "tests/support/bombs.h"

#include "picture/jpeg_decoder.h"

#include <initializer_list>

namespace bombs {
namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Coding { Huffman, Arithmetic };
enum class Scans { DcOnly, AcBands, Sequential, Progression, Interleaved };

// Start-of-frame markers (ITU T.81, table B.1).
constexpr std::uint8_t BaselineFrame = 0xC0, ProgressiveHuffman = 0xC2, SequentialArithmetic = 0xC9,
                       ProgressiveArithmetic = 0xCA;
constexpr std::uint8_t Comment = 0xFE, QuantTable = 0xDB, HuffmanTable = 0xC4, StartOfScan = 0xDA,
                       EndOfImage = 0xD9;

// ITU T.81 table K.1 in the zigzag order a DQT segment carries.
constexpr std::uint8_t LuminanceZigzag[64] = {
    16, 11, 12, 14, 12, 10, 16, 14, 13, 14, 18, 17,  16,  19,  24,  40,
    26, 24, 22, 22, 24, 49, 35, 37, 29, 40, 58, 51,  61,  60,  57,  51,
    56, 55, 64, 72, 92, 78, 64, 68, 87, 69, 55, 56,  80,  109, 81,  87,
    95, 98, 103, 104, 103, 62, 77, 113, 121, 112, 100, 120, 92,  101, 103, 99};

void put(Bytes& out, std::initializer_list<int> bytes) {
  for (int byte : bytes) out.push_back(static_cast<std::uint8_t>(byte));
}

void segment(Bytes& out, std::uint8_t marker, const Bytes& body) {
  const std::size_t length = body.size() + 2;
  put(out, {0xFF, marker, static_cast<int>(length >> 8), static_cast<int>(length & 0xFF)});
  out.insert(out.end(), body.begin(), body.end());
}

// Precision 8, the size, and per component: id, sampling, table 0. The decoy
// says 4:2:0 colour, as the camera's frames do.
Bytes frameBody(int width, int height, int components, bool decoySampling, Bytes body = {}) {
  put(body, {8, height >> 8, height & 0xFF, width >> 8, width & 0xFF, components});
  for (int c = 1; c <= components; ++c) put(body, {c, decoySampling && c == 1 ? 0x22 : 0x11, 0});
  return body;
}

// One DC table and one AC table, each with a single 1-bit code for symbol 0.
Bytes oneCodeTables() {
  Bytes body;
  for (int tableClass : {0x00, 0x10}) {
    put(body, {tableClass, 1});
    body.insert(body.end(), 15, 0);
    put(body, {0});
  }
  return body;
}

// Most precise bit a DC scan may leave out (ITU T.81, G.1.1.1: Al <= 13).
constexpr int DcLowBits = 13;

// The n-th scan header: all components' DC, one component's AC band 1-63,
// one component's whole sequential scan, or all components' whole scan. A
// progression codes each scan something new, as a real file does: the DC
// from bit 13 down, one bit per scan, then one AC coefficient per scan and
// component.
Bytes scanBody(Scans scans, int components, int n) {
  Bytes body;
  if (scans == Scans::DcOnly || (scans == Scans::Progression && n <= DcLowBits)) {
    put(body, {components});
    for (int c = 1; c <= components; ++c) put(body, {c, 0x00});
    if (scans == Scans::DcOnly) put(body, {0, 0, 0});
    else put(body, {0, 0, n == 0 ? DcLowBits : (DcLowBits + 1 - n) << 4 | (DcLowBits - n)});
  } else if (scans == Scans::Interleaved) {
    put(body, {components});
    for (int c = 1; c <= components; ++c) put(body, {c, 0x00});
    put(body, {0, 63, 0});
  } else if (scans == Scans::Progression) {
    const int m = n - DcLowBits - 1;
    const int coefficient = 1 + m / components % 63;
    put(body, {1, 1 + m % components, 0x00, coefficient, coefficient, 0});
  } else {
    put(body, {1, 1 + n % components, 0x00, scans == Scans::AcBands ? 1 : 0, 63, 0});
  }
  return body;
}

struct Recipe {
  const char* name;
  int decoyWidth, decoyHeight;
  int width, height, components;
  Coding coding;
  Scans scans;
  std::size_t scanCount;  // 0: as many as the region holds
};

// A comment holding a baseline frame header of the given size.
void decoy(Bytes& out, int width, int height) {
  segment(out, Comment, frameBody(width, height, 3, true, {0xFF, BaselineFrame, 0, 17}));
}

Bytes build(const Recipe& r, std::size_t regionSize) {
  Bytes out;
  put(out, {0xFF, 0xD8});
  decoy(out, r.decoyWidth, r.decoyHeight);
  Bytes table{0};
  table.insert(table.end(), std::begin(LuminanceZigzag), std::end(LuminanceZigzag));
  segment(out, QuantTable, table);
  const bool arithmetic = r.coding == Coding::Arithmetic;
  const bool sequential = r.scans == Scans::Sequential || r.scans == Scans::Interleaved;
  const std::uint8_t frame = sequential ? (arithmetic ? SequentialArithmetic : BaselineFrame)
                                        : (arithmetic ? ProgressiveArithmetic : ProgressiveHuffman);
  segment(out, frame, frameBody(r.width, r.height, r.components, false));
  if (!arithmetic) segment(out, HuffmanTable, oneCodeTables());
  const std::size_t scanSize = scanBody(r.scans, r.components, 0).size() + 4;
  const std::size_t scans = r.scanCount ? r.scanCount : (regionSize - out.size() - 2) / scanSize;
  for (std::size_t n = 0; n < scans; ++n)
    segment(out, StartOfScan, scanBody(r.scans, r.components, static_cast<int>(n)));
  put(out, {0xFF, EndOfImage});
  return out;
}

// The four first reported reproducers first, then their variants: each coding with
// DC, AC and sequential scans, grey and colour, behind both decoys.
constexpr Recipe Recipes[] = {
    {"bomb-arith-dc-grey-8000", 640, 481, 8000, 8000, 1, Coding::Arithmetic, Scans::DcOnly, 0},
    {"bomb-huffman-dc-grey-8000", 640, 481, 8000, 8000, 1, Coding::Huffman, Scans::DcOnly, 0},
    {"bomb-arith-ac-colour-4096", 4096, 4096, 4096, 4096, 3, Coding::Arithmetic, Scans::AcBands, 0},
    {"bomb-one-scan-grey-8000", 4096, 4096, 8000, 8000, 1, Coding::Huffman, Scans::DcOnly, 1},
    {"bomb-huffman-dc-colour-4096", 4096, 4096, 4096, 4096, 3, Coding::Huffman, Scans::DcOnly, 0},
    {"bomb-arith-dc-grey-4096", 4096, 4096, 4096, 4096, 1, Coding::Arithmetic, Scans::DcOnly, 0},
    {"bomb-huffman-sequential-colour-4096", 4096, 4096, 4096, 4096, 3, Coding::Huffman, Scans::Sequential, 0},
    {"bomb-arith-dc-colour-640", 640, 481, 640, 481, 3, Coding::Arithmetic, Scans::DcOnly, 0},
    {"bomb-huffman-ac-colour-640", 640, 481, 640, 481, 3, Coding::Huffman, Scans::AcBands, 0},
    {"bomb-arith-sequential-colour-640", 640, 481, 640, 481, 3, Coding::Arithmetic, Scans::Sequential, 0},
    {"bomb-huffman-dc-grey-640", 640, 481, 640, 481, 1, Coding::Huffman, Scans::DcOnly, 0},
    {"bomb-arith-progression-colour-640", 640, 481, 640, 481, 3, Coding::Arithmetic, Scans::Progression, 0},
    {"bomb-huffman-progression-colour-4096", 4096, 4096, 4096, 4096, 3, Coding::Huffman, Scans::Progression, 0},
    // One baseline scan of a frame 16 times as wide as its decoy: decoded, and
    // cut to the decoy's width.
    {"bomb-huffman-wide-colour-65500", 4096, 4096, 65500, 4096, 3, Coding::Huffman, Scans::Interleaved, 1},
    {"limit-arith-progression-colour-640", 640, 481, 640, 481, 3, Coding::Arithmetic, Scans::Progression, JpegMaxScans},
    {"limit-huffman-progression-colour-4096", 4096, 4096, 4096, 4096, 3, Coding::Huffman, Scans::Progression, JpegMaxScans},
};

}  // namespace

std::vector<std::uint8_t> behindDecoy(const std::vector<std::uint8_t>& jpeg, int width, int height) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  decoy(out, width, height);
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

std::vector<std::uint8_t> progression(std::size_t scans) {
  return build({"", 640, 481, 640, 481, 3, Coding::Huffman, Scans::Progression, scans}, 0);
}

std::vector<Bomb> all(std::size_t regionSize) {
  std::vector<Bomb> bombs;
  for (const Recipe& r : Recipes)
    bombs.push_back({r.name, build(r, regionSize), static_cast<std::uint16_t>(r.decoyWidth),
                     static_cast<std::uint16_t>(r.decoyHeight),
                     r.scanCount == JpegMaxScans || r.scans == Scans::Interleaved, r.scanCount == JpegMaxScans});
  return bombs;
}

}  // namespace bombs
