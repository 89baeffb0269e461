// Discovery through hidapi and libudev against the kernel's hidraw node of the mouse:
// its collections and report lengths from the descriptor in sysfs, both product
// identities, the product-string filter and the capabilities of a probe.
#include "device/device_identity.h"
#include "platform/hid_transport.h"
#include "profile/settings.h"
#include "vm_fixture.h"

namespace vm {
namespace {

using DiscoveryTest = KernelDeviceTest;

TEST_F(DiscoveryTest, BothIdentitiesAreFoundOnTheirNodeWithTheVendorCollections) {
  Connect(kProduct1);
  EXPECT_EQ(g_deviceVariant.load(), 1);
  EXPECT_EQ(g_devicePath, node);
  EXPECT_EQ(g_inputCaps.inputReportByteLength, 8) << "input report 6: id + 7 bytes";
  EXPECT_EQ(g_featureCaps.featureReportByteLength, 65) << "feature report 7: id + 64 bytes";
  EXPECT_EQ(g_featureReportLength.load(), 65);

  // Every collection of the descriptor is listed on the one node, in its order.
  std::vector<std::pair<int, int>> collections;
  for (const auto& info : hid::CurrentTransport()->Enumerate()) {
    if (info.path != node) continue;
    EXPECT_EQ(info.attributes.vendorId, kDeviceVendorId);
    EXPECT_EQ(info.productString, "Gaming Mouse");
    collections.emplace_back(info.caps.usagePage, info.caps.usage);
  }
  const std::vector<std::pair<int, int>> expected = {
      {0x0001, 0x0002}, {0x0001, 0x0006}, {0x000C, 0x0001}, {0xFF00, 0x0001}, {0xFF01, 0x0001}};
  EXPECT_EQ(collections, expected);

  device->Unplug();
  EXPECT_EQ(FindDevice(), 0) << "no mouse after the unplug";
  EXPECT_EQ(g_deviceFound.load(), 0);

  node = device->Plug(kProduct2);
  ASSERT_EQ(FindDevice(), 1);
  EXPECT_EQ(g_deviceVariant.load(), 0);
  EXPECT_EQ(g_devicePath, node);

  device->Unplug();
  node = device->Plug(0x5203);
  EXPECT_EQ(FindDevice(), 0) << "a product id of neither identity";
}

TEST_F(DiscoveryTest, ProductStringFilterIsExactAndCaseSensitive) {
  node = device->Plug(kProduct1);
  g_devString = "gaming mouse";
  EXPECT_EQ(FindDevice(), 0);
  g_devString = "Gaming Mouse";
  EXPECT_EQ(FindDevice(), 1);
  g_devString.clear();
  EXPECT_EQ(FindDevice(), 1) << "an empty filter takes any product string";
}

TEST_F(DiscoveryTest, ReadDeviceCapsGivesTheProbedCollection) {
  node = device->Plug(kProduct1);
  auto transport = hid::CurrentTransport();
  for (const auto& info : transport->Enumerate()) {
    if (info.path != node || info.caps.usagePage != kFeatureUsagePage) continue;
    g_probeHandle = transport->Open(info, hid::Access::Probe);
    ASSERT_EQ(ReadDeviceCaps(), 1);
    EXPECT_EQ(g_probeCaps.usagePage, kFeatureUsagePage);
    EXPECT_EQ(g_probeCaps.usage, kVendorUsage);
    EXPECT_EQ(g_probeCaps.featureReportByteLength, 65);
    transport->Close(g_probeHandle.exchange(0));
    return;
  }
  FAIL() << "the feature collection of " << node << " was not listed";
}

}  // namespace
}  // namespace vm
