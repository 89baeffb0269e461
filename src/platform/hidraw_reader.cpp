#include "platform/hidraw_reader.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>

namespace hid {
namespace {

using Clock = std::chrono::steady_clock;

void RaiseEvent(int fd) {
  const std::uint64_t one = 1;
  while (write(fd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void TakeEvent(int fd) {
  std::uint64_t count = 0;
  while (read(fd, &count, sizeof count) < 0 && errno == EINTR) {
  }
}

}  // namespace

HidrawReader::HidrawReader(const std::string& path) {
  // Non-blocking: a report another reader of the node took between poll() and read()
  // must not leave this one blocked where no wake can reach it.
  deviceFd_ = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

HidrawReader::~HidrawReader() { Close(); }

int HidrawReader::Read(std::uint8_t* data, std::size_t length, int timeoutMs) {
  std::shared_lock lock(use_);
  if (closing_ || !Valid() || !data || length == 0) return -1;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  for (;;) {
    int wait = -1;
    if (timeoutMs >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = left > 0 ? static_cast<int>(left) : 0;
    }
    pollfd fds[2] = {{deviceFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const int ready = poll(fds, 2, wait);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (closing_) return -1;
    if (fds[1].revents & POLLIN) {
      TakeEvent(wakeFd_);
      return 0;
    }
    if (fds[0].revents & POLLIN) {
      const ssize_t n = read(deviceFd_, data, length);
      if (n > 0) return static_cast<int>(n);
      if (n < 0 && errno != EAGAIN && errno != EINTR) return -1;
    } else if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
      return -1;  // the device went away
    }
    if (ready == 0 && timeoutMs >= 0) return 0;
    if (timeoutMs >= 0 && Clock::now() >= deadline) return 0;
  }
}

void HidrawReader::Wake() {
  std::shared_lock lock(use_);
  if (wakeFd_ >= 0) RaiseEvent(wakeFd_);
}

void HidrawReader::Close() {
  closing_ = true;
  {
    std::shared_lock lock(use_);
    if (wakeFd_ >= 0) RaiseEvent(wakeFd_);
  }
  std::unique_lock lock(use_);  // every reader has left
  if (deviceFd_ >= 0) close(deviceFd_);
  if (wakeFd_ >= 0) close(wakeFd_);
  deviceFd_ = wakeFd_ = -1;
}

bool HidrawReader::SetFeature(const std::uint8_t* data, std::size_t length) {
  std::shared_lock lock(use_);
  if (closing_ || deviceFd_ < 0 || !data || length == 0) return false;
  return ioctl(deviceFd_, HIDIOCSFEATURE(length), data) >= 0;
}

bool HidrawReader::GetFeature(std::uint8_t* data, std::size_t length) {
  std::shared_lock lock(use_);
  if (closing_ || deviceFd_ < 0 || !data || length == 0) return false;
  const int n = ioctl(deviceFd_, HIDIOCGFEATURE(length), data);
  if (n < 0) return false;
  // A short reply leaves the rest of the buffer as it was (the request): zeros instead.
  if (static_cast<std::size_t>(n) < length) std::fill(data + n, data + length, 0);
  return true;
}

}  // namespace hid
