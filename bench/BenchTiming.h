#pragma once

#include <chrono>
#include <cstdio>
#include <ctime>

namespace typelane {

// Wall time, and the processor time of this process beside it: on a busy
// machine the wall time also counts the waits for a core.
struct Timing {
  double wall = 0;
  double cpu = 0;
};

template <typename F>
Timing Seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  f();
  return Timing{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC};
}

// One line: what was measured, left-aligned in width columns, and its times.
inline void PrintTiming(const char* what, Timing t, int width = 28) {
  std::printf("%-*s %7.3f s  (%7.3f s processor)\n", width, what, t.wall, t.cpu);
}

}  // namespace typelane
