// A tiny test harness for the Windows test program: cases register
// themselves in groups, checks record failures with their line, and the run
// ends with "N passed, N failed, N skipped (the process gets M MiB, L MiB of
// it in one block)".
#pragma once

#include <cstdint>
#include <cstdio>

struct TestCase {
  const char* group;
  const char* name;
  void (*run)();
};

void registerCase(const TestCase& test);
// Whether the process can allocate `mebibytes` more, `largestBlockMiB` of
// them in one block (a pixel block is one range of addresses, which many
// smaller free ranges do not make), measured at the call, beside what it
// holds then. When it cannot, the part of a case that needs them is skipped:
// this prints a SKIPPED line with the figures and counts it, and the caller
// leaves that part out. A 32-bit Windows process gets about 2 GiB; one of
// Wine run under an emulator may get far less, and no test may fail for want
// of memory that Windows would give.
bool canHold(std::uint32_t mebibytes, std::uint32_t largestBlockMiB, const char* what);
// Records a failed check of the running case; returns `ok`.
bool recordCheck(bool ok, const char* expression, const char* file, int line);

template <typename A, typename B>
bool checkEqual(const A& a, const B& b, const char* expression, const char* file, int line) {
  if (recordCheck(a == b, expression, file, line)) return true;
  std::printf("    got %lld, expected %lld\n", static_cast<long long>(a), static_cast<long long>(b));
  return false;
}

struct CaseRegistrar {
  CaseRegistrar(const char* group, const char* name, void (*run)()) { registerCase({group, name, run}); }
};

#define TEST_CASE(group, name)                                        \
  static void group##_##name();                                       \
  static CaseRegistrar group##_##name##_case(#group, #name, group##_##name); \
  static void group##_##name()

#define CHECK(condition) recordCheck((condition), #condition, __FILE__, __LINE__)
#define CHECK_EQ(actual, expected) \
  checkEqual((actual), (expected), #actual " == " #expected, __FILE__, __LINE__)
