// Counts the blocking X round trips of a program (LD_PRELOAD, not linked into
// anything): every request that waits for its reply goes through Xlib's
// _XReply, so wrapping it counts them, per thread, with the time each thread
// spent waiting. At exit the counts go to the file named by
// TYPELANE_ROUND_TRIPS (appended), one line per thread: "main" or "other",
// the round trips, and the milliseconds spent waiting for them.
#include <dlfcn.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using XReplyFn = int (*)(void*, void*, int, int);

namespace {

struct ThreadCount {
  std::atomic<unsigned long> id{0};
  std::atomic<long> replies{0};
  std::atomic<long> waited_us{0};
  bool main_thread = false;
};

constexpr int kThreads = 32;
ThreadCount counts[kThreads];

ThreadCount* Mine() {
  static thread_local ThreadCount* mine = nullptr;
  if (mine) return mine;
  const unsigned long self = static_cast<unsigned long>(pthread_self());
  for (ThreadCount& slot : counts) {
    unsigned long expected = 0;
    if (slot.id.compare_exchange_strong(expected, self)) {
      slot.main_thread = syscall(SYS_gettid) == getpid();
      mine = &slot;
      return mine;
    }
  }
  return nullptr;
}

struct Report {
  ~Report() {
    const char* path = std::getenv("TYPELANE_ROUND_TRIPS");
    if (!path) return;
    FILE* out = std::fopen(path, "a");
    if (!out) return;
    for (int i = 0; i < kThreads; ++i) {
      const ThreadCount& slot = counts[i];
      if (slot.id.load() == 0) continue;
      std::fprintf(out, "%s %ld %.1f\n", slot.main_thread ? "main" : "other", slot.replies.load(),
                   slot.waited_us.load() / 1000.0);
    }
    std::fclose(out);
  }
} report;

}  // namespace

extern "C" int _XReply(void* display, void* reply, int extra, int discard) {
  static auto real = reinterpret_cast<XReplyFn>(dlsym(RTLD_NEXT, "_XReply"));
  const auto start = std::chrono::steady_clock::now();
  const int result = real(display, reply, extra, discard);
  if (ThreadCount* slot = Mine()) {
    slot->replies.fetch_add(1);
    slot->waited_us.fetch_add(std::chrono::duration_cast<std::chrono::microseconds>(
                                  std::chrono::steady_clock::now() - start)
                                  .count());
  }
  return result;
}
