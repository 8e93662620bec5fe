#include "platform/x11/X11Util.h"

#include <mutex>

namespace typelane::x11 {

namespace {

thread_local int g_last_error = 0;

int RecordError(Display*, XErrorEvent* event) {
  g_last_error = event->error_code;
  return 0;
}

}  // namespace

void InstallErrorHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Several threads talk to the server, each over its own connection.
    XInitThreads();
    XSetErrorHandler(RecordError);
  });
}

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
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
