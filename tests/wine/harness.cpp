#include "harness.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::vector<TestCase>& cases() {
  static std::vector<TestCase> all;
  return all;
}

int failedChecks = 0;  // of the running case
int skipped = 0;       // parts of cases left out for want of memory

// Counted up to 2 GiB, the most a 32-bit Windows process gets.
constexpr std::uint32_t MostMiB = 2048;

// What the process can allocate now, in 8 MiB blocks, all held at once: the
// pixel block and libjpeg's buffers of a picture call are separate blocks
// of that order. Then everything is released.
std::uint32_t measureCapacityMiB() {
  constexpr std::uint32_t BlockMiB = 8;
  std::vector<void*> blocks;
  blocks.reserve(MostMiB / BlockMiB);
  while (blocks.size() < MostMiB / BlockMiB) {
    void* block = std::malloc(std::size_t{BlockMiB} << 20);
    if (!block) break;
    blocks.push_back(block);
  }
  for (void* block : blocks) std::free(block);
  return static_cast<std::uint32_t>(blocks.size()) * BlockMiB;
}

// The largest single block the process can allocate now, to the MiB, by
// halving the gap between a size it got and one it did not.
std::uint32_t measureLargestBlockMiB() {
  std::uint32_t got = 0, refused = MostMiB + 1;
  while (refused - got > 1) {
    const std::uint32_t size = got + (refused - got) / 2;
    void* block = std::malloc(std::size_t{size} << 20);
    (block ? got : refused) = size;
    std::free(block);
  }
  return got;
}

}  // namespace

bool canHold(std::uint32_t mebibytes, std::uint32_t blockMiB, const char* what) {
  const std::uint32_t capacityMiB = measureCapacityMiB(), largestBlockMiB = measureLargestBlockMiB();
  if (mebibytes <= capacityMiB && blockMiB <= largestBlockMiB) return true;
  ++skipped;
  std::printf("  SKIPPED %s: needs %u MiB, %u MiB of it in one block, the process gets %u MiB more, %u MiB of it in"
              " one block\n",
              what, unsigned(mebibytes), unsigned(blockMiB), unsigned(capacityMiB), unsigned(largestBlockMiB));
  return false;
}

void registerCase(const TestCase& test) { cases().push_back(test); }

bool recordCheck(bool ok, const char* expression, const char* file, int line) {
  if (!ok) {
    ++failedChecks;
    std::printf("  FAILED %s:%d: %s\n", file, line, expression);
  }
  return ok;
}

// Runs the cases of the groups named on the command line, or all of them.
int main(int argc, char** argv) {
  const std::uint32_t capacityMiB = measureCapacityMiB(), largestBlockMiB = measureLargestBlockMiB();
  int passed = 0;
  int failed = 0;
  for (const TestCase& test : cases()) {
    bool chosen = argc < 2;
    for (int i = 1; i < argc; ++i) chosen = chosen || std::strcmp(argv[i], test.group) == 0;
    if (!chosen) continue;
    failedChecks = 0;
    std::printf("%s.%s\n", test.group, test.name);
    std::fflush(stdout);
    test.run();
    (failedChecks ? failed : passed) += 1;
  }
  std::printf("%d passed, %d failed, %d skipped (the process gets %u MiB, %u MiB of it in one block)\n", passed,
              failed, skipped, unsigned(capacityMiB), unsigned(largestBlockMiB));
  return failed == 0 && passed > 0 ? 0 : 1;
}
