#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "core/load/Platform.h"
#include "platform/common/Signals.h"

namespace typelane {
namespace {

constexpr std::array<int, 5> kCrashSignals = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};
constexpr std::array<int, 4> kStopSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

static_assert(std::atomic<Platform*>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

std::atomic<Platform*> g_crash_platform{nullptr};
std::atomic<Platform*> g_stop_platform{nullptr};
std::atomic<int> g_stop_pipe_write{-1};
std::atomic<int> g_stop_signal{0};

std::array<struct sigaction, kCrashSignals.size()> g_crash_previous{};
std::array<struct sigaction, kStopSignals.size()> g_stop_previous{};
std::array<bool, kStopSignals.size()> g_stop_installed{};

// A stack of its own, so a stack overflow still gets to release the keys.
alignas(16) char g_alt_stack[64 * 1024];

extern "C" void OnCrashSignal(int signal_number) {
  if (Platform* platform = g_crash_platform.load()) platform->ReleaseHeldInputFromSignal();
  // Die of it as if we had never caught it (SA_RESETHAND put the default
  // back): the status and the core dump tell the truth about the crash.
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

extern "C" void OnStopSignal(int signal_number) {
  const int saved_errno = errno;
  if (Platform* platform = g_stop_platform.load()) platform->RequestStop();
  int none = 0;
  g_stop_signal.compare_exchange_strong(none, signal_number);
  const int fd = g_stop_pipe_write.load();
  if (fd >= 0) {
    const unsigned char byte = static_cast<unsigned char>(signal_number);
    // A full pipe already says a signal came; nothing to do about it here.
    [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);
  }
  errno = saved_errno;
}

int g_stop_pipe_read = -1;

}  // namespace

void InstallCrashRelease(Platform& platform) {
  g_crash_platform.store(&platform);
  stack_t stack{};
  stack.ss_sp = g_alt_stack;
  stack.ss_size = sizeof(g_alt_stack);
  sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_handler = OnCrashSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_ONSTACK;
  for (size_t i = 0; i < kCrashSignals.size(); ++i) {
    sigaction(kCrashSignals[i], &action, &g_crash_previous[i]);
  }
}

void UninstallCrashRelease() {
  if (!g_crash_platform.exchange(nullptr)) return;
  for (size_t i = 0; i < kCrashSignals.size(); ++i) {
    sigaction(kCrashSignals[i], &g_crash_previous[i], nullptr);
  }
}

StopSignals::StopSignals(Platform& platform) {
  g_stop_signal.store(0);
  g_stop_platform.store(&platform);
  int fds[2] = {-1, -1};
  if (pipe(fds) == 0) {
    for (int fd : fds) {
      fcntl(fd, F_SETFD, FD_CLOEXEC);
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    g_stop_pipe_read = fds[0];
    g_stop_pipe_write.store(fds[1]);
  }
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int s : kStopSignals) sigaddset(&action.sa_mask, s);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < kStopSignals.size(); ++i) {
    sigaction(kStopSignals[i], nullptr, &g_stop_previous[i]);
    g_stop_installed[i] = g_stop_previous[i].sa_handler != SIG_IGN;
    if (g_stop_installed[i]) sigaction(kStopSignals[i], &action, nullptr);
  }
}

StopSignals::~StopSignals() {
  for (size_t i = 0; i < kStopSignals.size(); ++i) {
    if (g_stop_installed[i]) sigaction(kStopSignals[i], &g_stop_previous[i], nullptr);
    g_stop_installed[i] = false;
  }
  g_stop_platform.store(nullptr);
  const int write_fd = g_stop_pipe_write.exchange(-1);
  if (write_fd >= 0) close(write_fd);
  if (g_stop_pipe_read >= 0) close(g_stop_pipe_read);
  g_stop_pipe_read = -1;
}

int StopSignals::ReadFd() const { return g_stop_pipe_read; }

int StopSignals::Take() {
  unsigned char buffer[16];
  while (g_stop_pipe_read >= 0 && read(g_stop_pipe_read, buffer, sizeof buffer) > 0) {
  }
  return Received();
}

int StopSignals::Received() { return g_stop_signal.load(); }

void StopSignals::ExitBySignal(int signal_number) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal_number);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal_number);
  // A signal whose default is to go on (none of ours): the status says it.
  std::_Exit(128 + signal_number);
}

}  // namespace typelane
