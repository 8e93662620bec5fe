#include "platform/x11/X11Util.h"

#include <array>
#include <atomic>
#include <mutex>

namespace typelane::x11 {

namespace {

// The backend's own connections. Read from inside the error handler, so a
// fixed table of atomics rather than a container behind a lock.
std::array<std::atomic<Display*>, 16> g_own_displays{};
// The serial of the last failed request of each of those connections (0:
// none). Errors come in the order of their requests, so the last one tells
// whether any request from a given serial on failed, whichever thread read it.
std::array<std::atomic<unsigned long>, 16> g_error_serials{};

int OwnIndex(Display* display) {
  for (std::size_t i = 0; i < g_own_displays.size(); ++i) {
    if (g_own_displays[i].load() == display) return static_cast<int>(i);
  }
  return -1;
}

std::atomic<XErrorHandler> g_previous_handler{nullptr};

int RecordError(Display* display, XErrorEvent* event) {
  if (const int own = OwnIndex(display); own >= 0) {
    g_error_serials[static_cast<std::size_t>(own)].store(event->serial);
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
  for (std::size_t i = 0; i < g_own_displays.size(); ++i) {
    Display* expected = nullptr;
    if (g_own_displays[i].compare_exchange_strong(expected, display)) {
      // A connection closed before may have left the slot its last error.
      g_error_serials[i].store(0);
      break;
    }
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

ErrorTrap::ErrorTrap(Display* display) : display_(display), first_serial_(NextRequest(display)) {
  // A toolkit that set its own handler after ours would otherwise swallow the
  // errors this trap is waiting for.
  AssertHandler();
}

bool ErrorTrap::Failed() {
  // Errors of requests made before the trap may still come in now: their
  // serials tell them apart, so the trap needs no round trip of its own.
  XSync(display_, False);
  const int own = OwnIndex(display_);
  if (own < 0) return false;
  const unsigned long serial = g_error_serials[static_cast<std::size_t>(own)].load();
  return serial != 0 && serial >= first_serial_;
}

}  // namespace typelane::x11
