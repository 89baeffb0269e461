// One hidraw node opened for input reports: a read blocks in poll() on the node and on
// an event descriptor of its own, so a reader waits without waking until a report
// comes, the device goes away, or another thread wakes it (to stop it, or because the
// handle is being closed). Feature reports go through the node's ioctls.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <shared_mutex>
#include <string>

namespace hid {

class HidrawReader {
 public:
  // Opens `path` for reading and writing; Valid() tells whether that worked.
  explicit HidrawReader(const std::string& path);
  ~HidrawReader();  // Close()
  HidrawReader(const HidrawReader&) = delete;
  HidrawReader& operator=(const HidrawReader&) = delete;

  bool Valid() const { return deviceFd_ >= 0 && wakeFd_ >= 0; }

  // Reads one report. timeoutMs < 0 waits for as long as it takes. Returns the byte
  // count, 0 when the time ran out or a Wake() ended the wait, -1 when the device went
  // away, the reader was closed or the read failed.
  int Read(std::uint8_t* data, std::size_t length, int timeoutMs);

  // Ends the Read in progress with 0; without one, the next Read returns 0 at once.
  void Wake();

  // Ends every Read in progress with -1, waits for them to leave and closes the node.
  // Later calls fail. Safe to call twice.
  void Close();

  bool SetFeature(const std::uint8_t* data, std::size_t length);
  bool GetFeature(std::uint8_t* data, std::size_t length);

 private:
  // Readers and feature calls hold it shared; Close holds it alone to close the fds.
  std::shared_mutex use_;
  int deviceFd_ = -1;
  int wakeFd_ = -1;
  std::atomic<bool> closing_{false};
};

}  // namespace hid
