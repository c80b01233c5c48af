// The benchmark's clock. Times are the thread's CPU time, user and system:
// other work on a shared machine stretches wall time far more than it does
// this. Under Wine thread times advance in 10 ms ticks, too coarse for the
// preview, so the Windows build reads the performance counter; best-of-N
// filters the other work.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#include <functional>

inline double cpuSeconds() {
#ifdef _WIN32
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
#else
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

inline double seconds(const std::function<void()>& work) {
  const double start = cpuSeconds();
  work();
  return cpuSeconds() - start;
}

// The fastest of `rounds` runs of `work`.
inline double best(int rounds, const std::function<void()>& work) {
  double fastest = 1e300;
  // No std::min: windows.h defines min as a macro.
  for (int round = 0; round < rounds; ++round) {
    const double time = seconds(work);
    if (time < fastest) fastest = time;
  }
  return fastest;
}
