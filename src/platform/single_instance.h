// One running instance per user: a lock file in the user's runtime folder decides which
// process is the first, and a local socket of the same name beside it lets a later start
// ask the first one to restore its main window.
//
// The lock is an flock() on "<runtime folder>/<name>.lock": the system drops it when the
// process ends, however it ends, so a crashed instance never blocks the next start. The
// socket "<runtime folder>/<name>" is created by the first instance (a stale one left by
// a crash is replaced); every connection to it is one restore request.
//
// Qt-free: the first instance hands ListenFd() to its event loop and calls
// TakeRestoreRequests() when the descriptor becomes readable.
#pragma once

#include <string>

namespace platform {

// The name of the lock and of the socket.
inline constexpr const char* kInstanceName = "COVK_DOvaruApp";

// The user's runtime folder: $XDG_RUNTIME_DIR when it names a folder, else a private
// folder /tmp/<name>-<uid> (created with mode 0700, refused when it is a link, belongs to
// another user or is open to others). Empty when neither can be had.
std::string UserRuntimeDir(const std::string& name = kInstanceName);

class SingleInstance {
 public:
  enum class State {
    NotChecked,  // Acquire has not run
    First,       // this process holds the lock
    Second,      // another process holds it
    Unguarded,   // no lock could be made (no runtime folder, no file): run unguarded
  };

  // runtimeDir empty: UserRuntimeDir(name).
  explicit SingleInstance(std::string name = kInstanceName, std::string runtimeDir = {});
  ~SingleInstance();  // the first instance removes its socket; the lock goes with the descriptor
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Takes the lock; the first instance then opens its socket. Later calls return the
  // state of the first call.
  State Acquire();
  State CurrentState() const { return state_; }

  // Second instance: connects to the first instance's socket and sends the restore
  // request, retrying while the first instance is still opening its socket. False when
  // it cannot be reached within timeoutMs.
  bool RequestRestore(int timeoutMs = 1000);

  // First instance: the listening socket (non-blocking), -1 when there is none.
  int ListenFd() const { return listenFd_; }
  // First instance: accepts every pending connection without waiting and returns how
  // many there were (each one is a restore request).
  int TakeRestoreRequests();

  const std::string& LockPath() const { return lockPath_; }
  const std::string& SocketPath() const { return socketPath_; }

 private:
  void OpenSocket();

  std::string name_;
  std::string dir_;
  std::string lockPath_;
  std::string socketPath_;
  int lockFd_ = -1;
  int listenFd_ = -1;
  State state_ = State::NotChecked;
};

}  // namespace platform
