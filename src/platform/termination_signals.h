// SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C, the end of the session or terminal) turned
// into bytes on a pipe, so that the program's event loop can end it in order instead of
// the process dying in the middle of whatever it was doing.
//
// The handler only writes the signal's number into the pipe and gives the signal back
// its default action: a second one of the same kind ends the process at once, as a user
// pressing Ctrl+C twice expects.
//
// Qt-free: the event loop watches ReadFd() and calls TakeSignal() when it is readable.
// One object at a time per process (the handler has one pipe to write to).
#pragma once

namespace platform {

class TerminationSignals {
 public:
  TerminationSignals() = default;
  ~TerminationSignals();  // the previous actions come back, the pipe is closed
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
  int readFd_ = -1;
  int writeFd_ = -1;
  bool installed_ = false;
};

}  // namespace platform
