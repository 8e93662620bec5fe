#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace typelane {

// A value of this process from /proc/self/status in kB ("VmHWM", "VmRSS"),
// -1 where there is none.
inline long StatusKb(const char* field) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
      kb = std::strtol(line + n + 1, nullptr, 10);
      break;
    }
  }
  std::fclose(f);
  return kb;
}

}  // namespace typelane
