// Watches hidraw device nodes appear and vanish (libudev monitor of subsystem
// "hidraw") and reports each as (arrived, device node path) on its own thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace hid {

class DeviceWatcher {
 public:
  using Callback = std::function<void(bool arrived, const std::string& devicePath)>;

  DeviceWatcher();
  ~DeviceWatcher();  // stops the thread
  DeviceWatcher(const DeviceWatcher&) = delete;
  DeviceWatcher& operator=(const DeviceWatcher&) = delete;

  // Starts the monitor thread; false when udev cannot be had. Calling it twice fails.
  bool Start(Callback callback);
  void Stop();
  bool Running() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace hid
