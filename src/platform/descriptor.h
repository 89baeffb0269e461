// Plain file descriptors: one that closes itself, and the reads and writes that the
// callers of the write guard share.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <string>

namespace platform {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  explicit operator bool() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// Writes all of `size` bytes, going on after interruptions. False on an error (errno set).
bool WriteAll(int fd, const char* data, std::size_t size);

// Copies what `in` holds from where it stands to its end into `out`.
bool CopyAll(int in, int out);

// Reads up to `limit` bytes of `fd` into `bytes`. False on an error (errno set).
bool ReadUpTo(int fd, std::size_t limit, std::string& bytes);

// The text of the symbolic link `name` in the folder `dirFd`. False on an error (errno set).
bool ReadLinkAt(int dirFd, const std::string& name, std::string& target);

}  // namespace platform
