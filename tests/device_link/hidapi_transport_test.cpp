#include <gtest/gtest.h>

#include <thread>

#include "platform/device_watcher.h"
#include "platform/hid_transport.h"

namespace {

// No mouse is attached where these tests run; they check that the real transport
// behaves on whatever the machine has, and on handles that are not its own.
TEST(HidapiTransport, EnumeratesAndRejectsForeignHandles) {
  auto transport = hid::MakeHidapiTransport();
  auto interfaces = transport->Enumerate();
  for (const auto& info : interfaces) EXPECT_FALSE(info.path.empty());

  hid::Attributes attributes;
  hid::Caps caps;
  std::string product;
  std::uint8_t frame[8] = {7};
  for (hid::Handle handle : {hid::Handle{0}, hid::kInvalidHandle, hid::Handle{12345}}) {
    EXPECT_FALSE(transport->GetAttributes(handle, attributes));
    EXPECT_FALSE(transport->GetCaps(handle, caps));
    EXPECT_FALSE(transport->GetProductString(handle, product, 50));
    EXPECT_FALSE(transport->SetFeature(handle, frame, sizeof frame));
    EXPECT_FALSE(transport->GetFeature(handle, frame, sizeof frame));
    EXPECT_EQ(transport->ReadInput(handle, frame, sizeof frame, 0), hid::kReadError);
    transport->Close(handle);
  }
}

TEST(HidapiTransport, OpeningAMissingNodeFails) {
  auto transport = hid::MakeHidapiTransport();
  hid::InterfaceInfo info;
  info.path = "/dev/hidraw-does-not-exist";
  for (auto access : {hid::Access::Probe, hid::Access::Read, hid::Access::Write})
    EXPECT_EQ(transport->Open(info, access), hid::kInvalidHandle);
}

TEST(HidapiTransport, CurrentTransportDefaultsAndIsReplaceable) {
  auto previous = hid::SetTransport(nullptr);
  auto defaulted = hid::CurrentTransport();
  ASSERT_TRUE(defaulted);
  EXPECT_EQ(hid::CurrentTransport(), defaulted);
  auto other = hid::MakeHidapiTransport();
  EXPECT_EQ(hid::SetTransport(other), defaulted);
  EXPECT_EQ(hid::CurrentTransport(), other);
  hid::SetTransport(previous);
}

TEST(DeviceWatcher, StartsOnceAndStops) {
  hid::DeviceWatcher watcher;
  EXPECT_FALSE(watcher.Start(nullptr));
  if (!watcher.Start([](bool, const std::string&) {})) GTEST_SKIP() << "no udev monitor here";
  EXPECT_TRUE(watcher.Running());
  EXPECT_FALSE(watcher.Start([](bool, const std::string&) {}));
  watcher.Stop();
  EXPECT_FALSE(watcher.Running());
  watcher.Stop();
  EXPECT_TRUE(watcher.Start([](bool, const std::string&) {}));  // can be started again
}

}  // namespace
