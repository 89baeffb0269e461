// The device workers end with a process that never stops them.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>

#include "../support/deadline.h"

extern char** environ;

namespace {

TEST(DeviceWorkersExit, AProcessThatReturnsFromMainWithoutStoppingThemEnds) {
  char* argv[] = {const_cast<char*>(WORKERS_EXIT_HELPER), nullptr};
  pid_t pid = -1;
  ASSERT_EQ(posix_spawn(&pid, WORKERS_EXIT_HELPER, nullptr, nullptr, argv, environ), 0);
  int status = 0;
  const bool ended =
      testdeadline::WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, std::chrono::seconds(20));
  if (!ended) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  ASSERT_TRUE(ended) << "the process hangs at its exit";
  EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
