#pragma once

// Internal to the x11 backend: Xlib error trapping shared by its connections.

#include <X11/Xlib.h>

namespace typelane::x11 {

// Installs an Xlib error handler that records errors instead of ending the
// process: windows of other programs can vanish between any two requests.
void InstallErrorHandler();

// Records the X errors of the requests made on this thread between its
// construction and Failed(). Errors are delivered on the thread that reads the
// connection, so each thread has its own record.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  // Waits for the server to answer everything sent so far; true when any of it
  // failed.
  bool Failed();

 private:
  Display* display_;
};

}  // namespace typelane::x11
