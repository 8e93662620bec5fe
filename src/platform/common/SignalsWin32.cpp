#include <array>
#include <atomic>
#include <csignal>
#include <cstdlib>

#include "core/load/Platform.h"
#include "platform/common/Signals.h"

// Windows knows only the C signals: no pipe, no SIGHUP or SIGQUIT. The GUI
// there polls Received(); the console's Ctrl+C arrives as SIGINT.
namespace typelane {
namespace {

constexpr std::array<int, 4> kCrashSignals = {SIGSEGV, SIGABRT, SIGFPE, SIGILL};
constexpr std::array<int, 2> kStopSignals = {SIGINT, SIGTERM};

std::atomic<Platform*> g_crash_platform{nullptr};
std::atomic<Platform*> g_stop_platform{nullptr};
std::atomic<int> g_stop_signal{0};
std::array<void (*)(int), kStopSignals.size()> g_stop_previous{};

extern "C" void OnCrashSignal(int signal_number) {
  if (Platform* platform = g_crash_platform.load()) platform->ReleaseHeldInputFromSignal();
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

extern "C" void OnStopSignal(int signal_number) {
  std::signal(signal_number, OnStopSignal);
  if (Platform* platform = g_stop_platform.load()) platform->RequestStop();
  int none = 0;
  g_stop_signal.compare_exchange_strong(none, signal_number);
}

}  // namespace

void InstallCrashRelease(Platform& platform) {
  g_crash_platform.store(&platform);
  for (int s : kCrashSignals) std::signal(s, OnCrashSignal);
}

void UninstallCrashRelease() {
  if (!g_crash_platform.exchange(nullptr)) return;
  for (int s : kCrashSignals) std::signal(s, SIG_DFL);
}

StopSignals::StopSignals(Platform& platform) {
  g_stop_signal.store(0);
  g_stop_platform.store(&platform);
  for (size_t i = 0; i < kStopSignals.size(); ++i) {
    g_stop_previous[i] = std::signal(kStopSignals[i], OnStopSignal);
    // A signal the caller ignores stays ignored.
    if (g_stop_previous[i] == SIG_IGN) std::signal(kStopSignals[i], SIG_IGN);
  }
}

StopSignals::~StopSignals() {
  for (size_t i = 0; i < kStopSignals.size(); ++i) {
    std::signal(kStopSignals[i], g_stop_previous[i] == SIG_ERR ? SIG_DFL : g_stop_previous[i]);
  }
  g_stop_platform.store(nullptr);
}

int StopSignals::ReadFd() const { return -1; }
int StopSignals::Take() { return Received(); }
int StopSignals::Received() { return g_stop_signal.load(); }

void StopSignals::ExitBySignal(int signal_number) { std::_Exit(128 + signal_number); }

}  // namespace typelane
