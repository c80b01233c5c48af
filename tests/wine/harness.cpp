#include "harness.h"

#include <cstring>
#include <vector>

namespace {

std::vector<TestCase>& cases() {
  static std::vector<TestCase> all;
  return all;
}

int failedChecks = 0;  // of the running case

}  // namespace

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
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}
