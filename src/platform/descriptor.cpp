#include "platform/descriptor.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace platform {

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool CopyAll(int in, int out) {
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0;
    if (!WriteAll(out, buf, static_cast<std::size_t>(n))) return false;
  }
}

bool ReadUpTo(int fd, std::size_t limit, std::string& bytes) {
  bytes.clear();
  char buf[65536];
  while (bytes.size() < limit) {
    const ssize_t n = ::read(fd, buf, std::min(sizeof buf, limit - bytes.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0;
    bytes.append(buf, static_cast<std::size_t>(n));
  }
  return true;
}

bool ReadLinkAt(int dirFd, const std::string& name, std::string& target) {
  std::vector<char> buf(256);
  for (;;) {
    const ssize_t n = ::readlinkat(dirFd, name.c_str(), buf.data(), buf.size());
    if (n < 0) return false;
    if (static_cast<std::size_t>(n) < buf.size()) {
      target.assign(buf.data(), static_cast<std::size_t>(n));
      return true;
    }
    buf.resize(buf.size() * 2);  // possibly cut: read again with more room
  }
}

}  // namespace platform
