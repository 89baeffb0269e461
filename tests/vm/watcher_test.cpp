// Arrival and removal of the mouse's hidraw node as the udev watcher reports them
// (systemd-udevd must be running: the watcher listens on udev's channel).
#include <memory>
#include <mutex>

#include "vm_fixture.h"

namespace vm {
namespace {

using WatcherTest = KernelDeviceTest;

TEST_F(WatcherTest, ArrivalAndRemovalOfTheNodeReachTheHandler) {
  // Shared with the watcher's thread, which may still report the removal that ends
  // the test after the test's own variables are gone.
  struct Changes {
    std::mutex lock;
    std::vector<std::pair<DeviceChange, std::string>> seen;
  };
  auto changes = std::make_shared<Changes>();
  SetDeviceChangeHandler([changes](DeviceChange change, const std::string& path) {
    std::lock_guard guard(changes->lock);
    changes->seen.emplace_back(change, path);
  });
  RegisterDeviceArrival();
  auto seen = [&](DeviceChange change, const std::string& path) {
    return WaitFor([&] {
      std::lock_guard guard(changes->lock);
      for (const auto& c : changes->seen)
        if (c.first == change && c.second == path) return true;
      return false;
    });
  };

  node = device->Plug(kProduct1);
  ASSERT_FALSE(node.empty());
  EXPECT_TRUE(seen(DeviceChange::Arrival, node)) << "no arrival of " << node;
  ASSERT_EQ(FindDevice(), 1);
  device->Unplug();
  EXPECT_TRUE(seen(DeviceChange::Removal, node)) << "no removal of " << node;

  node = device->Plug(kProduct2);
  EXPECT_TRUE(seen(DeviceChange::Arrival, node)) << "no arrival after a replug";
  EXPECT_EQ(FindDevice(), 1);
}

}  // namespace
}  // namespace vm
