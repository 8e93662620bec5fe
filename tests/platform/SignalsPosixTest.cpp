// The signal plumbing both programs share: a crash lets go of held input and
// the process still dies of the crash; a stop signal asks the load to stop,
// reaches the main thread through the pipe, and the program can then die of it.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/common/Signals.h"
#include "platform/recording/RecordingPlatform.h"

namespace typelane {
namespace {

// A desktop that writes 'R' to a pipe when it is told to let go of held input.
class ReleasingPlatform : public RecordingPlatform {
 public:
  explicit ReleasingPlatform(int fd) : fd_(fd) {}
  void ReleaseHeldInputFromSignal() noexcept override {
    const char r = 'R';
    [[maybe_unused]] const ssize_t n = write(fd_, &r, 1);
  }

 private:
  int fd_;
};

// Runs body in a child process; returns its wait status.
template <class Body>
int InChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    const rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);  // a crash here leaves no core file behind
    body();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

TEST(SignalsTest, ACrashLetsGoOfHeldInputAndStillDiesOfTheCrash) {
  for (const int crash : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL}) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const int status = InChild([&] {
      ReleasingPlatform platform(fds[1]);
      InstallCrashRelease(platform);
      if (crash == SIGSEGV) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
      }
      raise(crash);
    });
    close(fds[1]);
    char got = 0;
    EXPECT_EQ(read(fds[0], &got, 1), 1) << "signal " << crash;
    EXPECT_EQ(got, 'R');
    close(fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << crash << ", status " << status;
    EXPECT_EQ(WTERMSIG(status), crash);
  }
}

TEST(SignalsTest, AStopSignalAsksTheLoadToStopAndReachesTheMainThread) {
  RecordingPlatform platform;
  {
    StopSignals signals(platform);
    ASSERT_GE(signals.ReadFd(), 0);
    EXPECT_EQ(signals.Take(), 0);
    raise(SIGTERM);
    EXPECT_TRUE(platform.StopRequested());
    pollfd ready{signals.ReadFd(), POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 0), 1);
    EXPECT_EQ(signals.Take(), SIGTERM);
    EXPECT_EQ(poll(&ready, 1, 0), 0) << "Take empties the pipe";
    // The first signal is the one the program dies of.
    raise(SIGHUP);
    EXPECT_EQ(signals.Take(), SIGTERM);
  }
  // Afterwards the signals do what they did before.
  struct sigaction now {};
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);

  // A signal the caller ignores (nohup) stays ignored.
  signal(SIGHUP, SIG_IGN);
  platform.ClearStopRequest();
  {
    StopSignals signals(platform);
    raise(SIGHUP);
    EXPECT_EQ(signals.Take(), 0);
    EXPECT_FALSE(platform.StopRequested());
  }
  sigaction(SIGHUP, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  signal(SIGHUP, SIG_DFL);
}

TEST(SignalsTest, TheProgramDiesOfTheStopSignalOnceTheLoadHasStopped) {
  for (const int stop : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    const int status = InChild([&] {
      RecordingPlatform platform;
      StopSignals signals(platform);
      raise(stop);
      if (signals.Take() == stop) StopSignals::ExitBySignal(stop);
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << stop << ", status " << status;
    EXPECT_EQ(WTERMSIG(status), stop);
  }
}

}  // namespace
}  // namespace typelane
