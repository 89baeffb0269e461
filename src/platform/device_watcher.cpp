#include "platform/device_watcher.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

namespace hid {

struct DeviceWatcher::Impl {
  std::mutex mutex;
  std::thread thread;
  udev* context = nullptr;
  udev_monitor* monitor = nullptr;
  int stopFd = -1;
  std::atomic<bool> running{false};

  void Release() {
    if (monitor) udev_monitor_unref(monitor);
    if (context) udev_unref(context);
    if (stopFd >= 0) close(stopFd);
    monitor = nullptr;
    context = nullptr;
    stopFd = -1;
  }

  void Run(Callback callback) {
    int monitorFd = udev_monitor_get_fd(monitor);
    pollfd fds[2] = {{monitorFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
      fds[0].revents = fds[1].revents = 0;
      int n = poll(fds, 2, -1);
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (fds[1].revents) break;
      if (!(fds[0].revents & POLLIN)) {
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) break;
        continue;
      }
      udev_device* device = udev_monitor_receive_device(monitor);
      if (!device) continue;
      const char* action = udev_device_get_action(device);
      const char* node = udev_device_get_devnode(device);
      if (action && node) {
        if (std::strcmp(action, "add") == 0)
          callback(true, node);
        else if (std::strcmp(action, "remove") == 0)
          callback(false, node);
      }
      udev_device_unref(device);
    }
  }
};

DeviceWatcher::DeviceWatcher() : impl_(std::make_unique<Impl>()) {}

DeviceWatcher::~DeviceWatcher() { Stop(); }

bool DeviceWatcher::Start(Callback callback) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->running || !callback) return false;
  impl_->context = udev_new();
  if (impl_->context) impl_->monitor = udev_monitor_new_from_netlink(impl_->context, "udev");
  impl_->stopFd = eventfd(0, EFD_CLOEXEC);
  if (!impl_->monitor || impl_->stopFd < 0 ||
      udev_monitor_filter_add_match_subsystem_devtype(impl_->monitor, "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(impl_->monitor) < 0) {
    impl_->Release();
    return false;
  }
  impl_->running = true;
  impl_->thread = std::thread([impl = impl_.get(), callback = std::move(callback)] { impl->Run(callback); });
  return true;
}

void DeviceWatcher::Stop() {
  std::lock_guard lock(impl_->mutex);
  if (!impl_->running) return;
  std::uint64_t one = 1;
  // A write to a fresh eventfd cannot fail (its counter is far from overflow).
  while (write(impl_->stopFd, &one, sizeof one) < 0 && errno == EINTR) {
  }
  if (impl_->thread.joinable()) impl_->thread.join();
  impl_->Release();
  impl_->running = false;
}

bool DeviceWatcher::Running() const { return impl_->running; }

}  // namespace hid
