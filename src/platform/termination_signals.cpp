#include "platform/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <time.h>

#include <array>
#include <atomic>
#include <cerrno>

namespace platform {
namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> g_signalWriteFd{-1};
std::array<struct sigaction, kSignals.size()> g_previous{};
// When the first signal came (monotonic nanoseconds, 0 before it) and how long later
// ones are still taken as part of the same request to end.
std::atomic<long long> g_firstSignalNs{0};
std::atomic<long long> g_graceNs{0};
static_assert(std::atomic<long long>::is_always_lock_free, "read and written by the signal handler");

long long MonotonicNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);  // async-signal-safe
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

void OnTerminationSignal(int signo) {
  const int savedErrno = errno;
  const long long now = MonotonicNs();
  long long first = 0;
  if (!g_firstSignalNs.compare_exchange_strong(first, now) && now - first >= g_graceNs.load()) {
    // The orderly end asked for earlier did not come: this one ends the process now.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigemptyset(&fallback.sa_mask);
    ::sigaction(signo, &fallback, nullptr);
    ::raise(signo);  // delivered, with its default action, when the handler returns
    errno = savedErrno;
    return;
  }
  const unsigned char byte = static_cast<unsigned char>(signo);
  const int fd = g_signalWriteFd.load();
  // A full pipe already holds a request to end: losing this one changes nothing.
  if (fd >= 0) (void)!::write(fd, &byte, 1);
  errno = savedErrno;
}

}  // namespace

bool TerminationSignals::Install() {
  if (installed_) return true;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  int expected = -1;
  if (!g_signalWriteFd.compare_exchange_strong(expected, fds[1])) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  readFd_ = fds[0];
  writeFd_ = fds[1];
  g_firstSignalNs.store(0);
  g_graceNs.store(std::chrono::nanoseconds(grace_).count());
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  ::sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &action, &g_previous[i]);
  installed_ = true;
  return true;
}

TerminationSignals::~TerminationSignals() {
  if (!installed_) return;
  // Once an end was asked for, the process is on its way out in order: a signal that
  // comes late (the second of a pair) must not cut the last steps short.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigemptyset(&ignore.sa_mask);
  const bool ending = g_firstSignalNs.load() != 0;
  for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], ending ? &ignore : &g_previous[i], nullptr);
  g_signalWriteFd.store(-1);
  ::close(readFd_);
  ::close(writeFd_);
}

int TerminationSignals::TakeSignal() {
  if (readFd_ < 0) return 0;
  unsigned char byte = 0;
  return ::read(readFd_, &byte, 1) == 1 ? byte : 0;
}

}  // namespace platform
