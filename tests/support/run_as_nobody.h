// Runs a check as user nobody in a child process, for tests of what another user (or
// a user without write access) meets. The caller must be root.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace testsupport {

inline constexpr uid_t kNobody = 65534;

// The text that `check` returns (by convention empty when all was well), preceded by
// what the child wrote to standard error when `withStderr`. A child that could not
// become nobody or did not end normally adds a note saying so.
inline std::string RunAsNobody(const std::function<std::string()>& check, bool withStderr = false) {
  int fds[2];
  if (::pipe(fds) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    if (withStderr) ::dup2(fds[1], 2);
    const std::string result = ::setresgid(kNobody, kNobody, kNobody) == 0 &&
                                       ::setresuid(kNobody, kNobody, kNobody) == 0
                                   ? check()
                                   : std::string("could not become nobody");
    const bool written = ::write(fds[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
    ::_exit(written ? 0 : 2);
  }
  ::close(fds[1]);
  std::string output;
  char buf[512];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) output.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) output += " (the check did not end normally)";
  return output;
}

}  // namespace testsupport
