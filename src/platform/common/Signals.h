#pragma once

namespace typelane {

class Platform;

// Signals for both programs (typelane and typelane-cli).
//
// Crash signals (SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL): the handler lets go
// of every key and button the desktop holds for us
// (Platform::ReleaseHeldInputFromSignal), then the process dies of the signal
// as it would have: a crash in the middle of a key hold must not leave Ctrl
// down on the user's desktop. The platform must outlive the program's run
// (or UninstallCrashRelease be called before it goes).
void InstallCrashRelease(Platform& platform);
void UninstallCrashRelease();

// Stop signals (SIGINT, SIGTERM, SIGHUP, SIGQUIT): the handler only asks the
// platform to stop (an atomic store) and writes the signal's number into a
// pipe, so the main thread learns of it in its own time (a QSocketNotifier on
// ReadFd(), or polling Received()) and ends the load the usual way: between
// two keys, with every key let go. Then ExitBySignal ends the process with
// the signal's status. A signal the caller ignores (nohup, a background job)
// stays ignored. One object at a time; its destructor puts back what was there.
class StopSignals {
 public:
  explicit StopSignals(Platform& platform);
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Readable once a stop signal came; -1 where the system has no such pipe
  // (poll Received() there).
  int ReadFd() const;
  // Empties the pipe; returns the first stop signal that came, 0 when none has.
  int Take();
  // The first stop signal that came; 0 when none has. Safe on any thread.
  static int Received();

  // Dies of the signal: its default action, raised again. For after the load
  // has let go of everything.
  [[noreturn]] static void ExitBySignal(int signal_number);
};

}  // namespace typelane
