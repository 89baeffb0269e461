// Termination signals reach the event loop as bytes on a pipe; those that follow the
// first within its grace period too, a later one ends the process at once, and the
// signals get their old actions back afterwards.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "platform/termination_signals.h"

namespace {

// The signal that came, waiting up to a second for it (a sanitizer may hand a signal
// on a little later).
int NextSignal(platform::TerminationSignals& signals) {
  pollfd fd{signals.ReadFd(), POLLIN, 0};
  ::poll(&fd, 1, 1000);
  return signals.TakeSignal();
}

// Runs `body` in a child process; its wait status.
template <typename Body>
int InChild(Body body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

TEST(TerminationSignals, SignalsWithinTheGraceAreReportedOneAfterItEndsTheProcess) {
  const int status = InChild([] {
    {
      // As `timeout` or the end of a session sends them: several at once, each kind
      // again too. None of them may end the process before its orderly end.
      platform::TerminationSignals signals(std::chrono::hours(1));
      if (!signals.Install() || signals.TakeSignal() != 0) ::_exit(10);
      for (int signo : {SIGTERM, SIGTERM, SIGINT, SIGHUP, SIGINT}) {
        ::raise(signo);
        if (NextSignal(signals) != signo) ::_exit(11);
      }
      if (signals.TakeSignal() != 0) ::_exit(12);
      platform::TerminationSignals other;
      if (other.Install()) ::_exit(13);  // one at a time
    }
    // With the grace over, the first is reported and the next one ends at once.
    platform::TerminationSignals signals(std::chrono::milliseconds(0));
    if (!signals.Install()) ::_exit(14);
    ::raise(SIGHUP);
    if (NextSignal(signals) != SIGHUP) ::_exit(15);
    ::raise(SIGINT);  // a second Ctrl+C a moment later
    ::_exit(16);
  });
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit code " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), SIGINT);
}

TEST(TerminationSignals, OldActionsComeBackWithTheObject) {
  const int status = InChild([] {
    ::signal(SIGHUP, SIG_IGN);
    {
      platform::TerminationSignals signals;
      if (!signals.Install()) ::_exit(10);
    }
    ::raise(SIGHUP);  // ignored again
    {
      platform::TerminationSignals again;
      if (!again.Install()) ::_exit(11);  // the slot is free again
      ::raise(SIGTERM);
      if (NextSignal(again) != SIGTERM) ::_exit(12);
    }
    // The end was asked for: the last steps after the object are not cut short by a
    // late second signal.
    ::raise(SIGTERM);
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
