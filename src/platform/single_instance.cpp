#include "platform/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace platform {

namespace {

constexpr char kRestoreRequest[] = "restore\n";

bool IsDirectory(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A private folder of this user: no link, owned by us, closed to group and others.
bool IsPrivateFolder(const std::string& path) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

bool FitsSocketAddress(const std::string& path) { return path.size() < sizeof(sockaddr_un{}.sun_path); }

sockaddr_un SocketAddress(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return address;
}

}  // namespace

std::string UserRuntimeDir(const std::string& name) {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg != nullptr && xdg[0] == '/') {
    std::string dir = xdg;
    if (IsDirectory(dir)) return dir;
  }
  const std::string fallback = "/tmp/" + name + "-" + std::to_string(::getuid());
  if (::mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) return {};
  return IsPrivateFolder(fallback) ? fallback : std::string();
}

SingleInstance::SingleInstance(std::string name, std::string runtimeDir)
    : name_(std::move(name)), dir_(std::move(runtimeDir)) {
  if (dir_.empty()) dir_ = UserRuntimeDir(name_);
  if (!dir_.empty()) {
    lockPath_ = dir_ + "/" + name_ + ".lock";
    socketPath_ = dir_ + "/" + name_;
  }
}

SingleInstance::~SingleInstance() {
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    // Only the lock holder created the socket; nobody else may remove it.
    if (state_ == State::First) ::unlink(socketPath_.c_str());
  }
  if (lockFd_ >= 0) ::close(lockFd_);
}

SingleInstance::State SingleInstance::Acquire() {
  if (state_ != State::NotChecked) return state_;
  if (lockPath_.empty()) return state_ = State::Unguarded;

  lockFd_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lockFd_ < 0) return state_ = State::Unguarded;
  while (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool held = errno == EWOULDBLOCK;
    ::close(lockFd_);
    lockFd_ = -1;
    return state_ = held ? State::Second : State::Unguarded;
  }
  state_ = State::First;
  OpenSocket();
  return state_;
}

void SingleInstance::OpenSocket() {
  if (!FitsSocketAddress(socketPath_)) return;
  // Holding the lock, any socket file present was left by an instance that is gone.
  ::unlink(socketPath_.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return;
  const sockaddr_un address = SocketAddress(socketPath_);
  const mode_t oldMask = ::umask(077);  // the socket is for this user only
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::umask(oldMask);
  if (!bound || ::listen(fd, 8) != 0) {
    ::close(fd);
    return;
  }
  listenFd_ = fd;
}

bool SingleInstance::RequestRestore(int timeoutMs) {
  if (socketPath_.empty() || !FitsSocketAddress(socketPath_)) return false;
  const sockaddr_un address = SocketAddress(socketPath_);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      // The connection is the request; the text only says so to a reader.
      const ssize_t sent = ::send(fd, kRestoreRequest, sizeof kRestoreRequest - 1, MSG_NOSIGNAL);
      ::close(fd);
      return sent >= 0;
    }
    const int error = errno;
    ::close(fd);
    // The first instance may hold the lock but not have its socket yet.
    const bool worthRetry = error == ENOENT || error == ECONNREFUSED || error == EAGAIN || error == EINTR;
    if (!worthRetry || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

int SingleInstance::TakeRestoreRequests() {
  if (listenFd_ < 0) return 0;
  int requests = 0;
  for (;;) {
    const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) {
      if (errno == EINTR) continue;
      break;  // EAGAIN: nothing more pending
    }
    // Whatever the client wrote is not needed; reading never waits.
    char buffer[64];
    while (::recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    ::close(client);
    ++requests;
  }
  return requests;
}

}  // namespace platform
