#include "platform/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>

namespace platform {
namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> g_signalWriteFd{-1};
std::array<struct sigaction, kSignals.size()> g_previous{};

void OnTerminationSignal(int signo) {
  const int savedErrno = errno;
  const unsigned char byte = static_cast<unsigned char>(signo);
  const int fd = g_signalWriteFd.load();
  // A full pipe already holds a request to end: losing this one changes nothing.
  if (fd >= 0) (void)!::write(fd, &byte, 1);
  // The next one of this kind ends the process at once.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  ::sigemptyset(&fallback.sa_mask);
  ::sigaction(signo, &fallback, nullptr);
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
  for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
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
