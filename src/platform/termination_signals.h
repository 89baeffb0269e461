// SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C, the end of the session or terminal) turned
// into bytes on a pipe, so that the program's event loop can end it in order instead of
// the process dying in the middle of whatever it was doing.
//
// The handler only writes the signal's number into the pipe. Signals that follow the
// first one within a grace period are taken the same way: `timeout`, a session's end
// and the like send two at once (one to the process, one to its group), and the orderly
// end must not be cut short by the second. One that comes after the grace period ends
// the process at once with the signal's default action, as a user pressing Ctrl+C again
// on a program that does not end expects.
//
// Qt-free: the event loop watches ReadFd() and calls TakeSignal() when it is readable.
// One object at a time per process (the handler has one pipe to write to).
#pragma once

#include <chrono>

namespace platform {

class TerminationSignals {
 public:
  static constexpr std::chrono::milliseconds kDefaultGrace{1000};

  explicit TerminationSignals(std::chrono::milliseconds grace = kDefaultGrace) : grace_(grace) {}
  // The previous actions come back (ignored, once a signal came), the pipe is closed.
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // Makes the pipe and installs the handlers. False when the pipe could not be made or
  // another object has them already (the signals then keep their actions).
  bool Install();

  // The read end (non-blocking), -1 before Install.
  int ReadFd() const { return readFd_; }
  // The number of a signal that came, 0 when none is waiting.
  int TakeSignal();

 private:
  std::chrono::milliseconds grace_;
  int readFd_ = -1;
  int writeFd_ = -1;
  bool installed_ = false;
};

}  // namespace platform
