#pragma once

// Internal to the x11 backend: Xlib set-up and error trapping shared by its
// connections.

#include <X11/Xlib.h>

namespace typelane::x11 {

// XInitThreads, once. Several threads talk to the server, each over its own
// connection; Xlib needs this before any other call of the process.
void InitThreads();

// Installs an Xlib error handler that records the errors of the backend's own
// connections instead of ending the process (windows of other programs vanish
// between any two requests). Errors of other connections (a GUI toolkit's) go
// to the handler that was there before, so the toolkit keeps its own handling.
void InstallErrorHandler();

// XOpenDisplay / XCloseDisplay for the backend's own connections: their errors
// are recorded by the handler above.
Display* OpenDisplay(const char* name);
void CloseDisplay(Display* display);
// Stops treating the connection as ours without closing it: for a connection
// written to behind Xlib's back, which Xlib must not read again.
void ForgetDisplay(Display* display);

// Records the X errors of the requests made on this thread between its
// construction and Failed(), told from earlier ones by their serials: one round
// trip (in Failed) per trap. Errors are delivered on the thread that reads the
// connection, so each thread has its own record.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  // Waits for the server to answer everything sent so far; true when any of it
  // failed.
  bool Failed();

 private:
  Display* display_;
  unsigned long first_serial_;
};

}  // namespace typelane::x11
