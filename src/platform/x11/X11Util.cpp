#include "platform/x11/X11Util.h"

#include <array>
#include <atomic>
#include <mutex>

namespace typelane::x11 {

namespace {

thread_local int g_last_error = 0;

// The backend's own connections. Read from inside the error handler, so a
// fixed table of atomics rather than a container behind a lock.
std::array<std::atomic<Display*>, 16> g_own_displays{};
std::atomic<XErrorHandler> g_previous_handler{nullptr};

bool IsOwn(Display* display) {
  for (const auto& own : g_own_displays) {
    if (own.load() == display) return true;
  }
  return false;
}

int RecordError(Display* display, XErrorEvent* event) {
  if (IsOwn(display)) {
    g_last_error = event->error_code;
    return 0;
  }
  XErrorHandler previous = g_previous_handler.load();
  return previous ? previous(display, event) : 0;
}

// Puts our handler in front again if someone replaced it since, keeping the
// replacement as the one that gets the errors of other connections.
void AssertHandler() {
  XErrorHandler current = XSetErrorHandler(RecordError);
  if (current != RecordError) g_previous_handler.store(current);
}

}  // namespace

void InitThreads() {
  static std::once_flag once;
  std::call_once(once, [] { XInitThreads(); });
}

void InstallErrorHandler() {
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  AssertHandler();
}

Display* OpenDisplay(const char* name) {
  Display* display = XOpenDisplay(name);
  if (!display) return nullptr;
  for (auto& own : g_own_displays) {
    Display* expected = nullptr;
    if (own.compare_exchange_strong(expected, display)) break;
  }
  return display;
}

void CloseDisplay(Display* display) {
  if (!display) return;
  XCloseDisplay(display);
  ForgetDisplay(display);
}

void ForgetDisplay(Display* display) {
  for (auto& own : g_own_displays) {
    Display* expected = display;
    if (own.compare_exchange_strong(expected, nullptr)) break;
  }
}

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
  // A toolkit that set its own handler after ours would otherwise swallow the
  // errors this trap is waiting for.
  AssertHandler();
  XSync(display_, False);
  g_last_error = 0;
}

bool ErrorTrap::Failed() {
  XSync(display_, False);
  bool failed = g_last_error != 0;
  g_last_error = 0;
  return failed;
}

}  // namespace typelane::x11
