#include <gtest/gtest.h>

#include <map>
#include <set>

#include "device/device_commands.h"
#include "device/device_connection.h"
#include "device/feature_report.h"
#include "profile/settings.h"
#include "sim/simulated_mouse.h"

namespace {

// An enumeration under the test's control: every collection has its own path, so the
// path that discovery keeps tells which collection it stopped at.
class FakeTransport : public hid::Transport {
 public:
  std::vector<hid::InterfaceInfo> list;
  std::set<std::string> failOpen;  // paths whose read/write open fails
  std::set<std::string> noCaps;    // paths without capabilities
  std::map<hid::Handle, std::pair<std::string, hid::Access>> open;
  std::vector<std::string> probed;
  hid::Handle next = 10;

  void Add(std::string path, std::uint16_t vid, std::uint16_t pid, std::uint16_t page,
           std::uint16_t usage, std::string product = "Gaming Mouse") {
    hid::InterfaceInfo info;
    info.path = std::move(path);
    info.attributes = {vid, pid, 1};
    info.productString = std::move(product);
    info.caps = {usage, page, 8, 0, 65};
    list.push_back(info);
  }
  void AddMouse(const std::string& prefix, std::uint16_t pid = kDeviceProductId1, bool writeFirst = false,
                const std::string& product = "Gaming Mouse") {
    Add(prefix + "-mouse", kDeviceVendorId, pid, 0x0001, 0x0002, product);
    if (writeFirst) Add(prefix + "-write", kDeviceVendorId, pid, kFeatureUsagePage, 1, product);
    Add(prefix + "-read", kDeviceVendorId, pid, kReadUsagePage, 1, product);
    if (!writeFirst) Add(prefix + "-write", kDeviceVendorId, pid, kFeatureUsagePage, 1, product);
  }
  void AddOthers(int n) {
    for (int i = 0; i < n; ++i) Add("/other" + std::to_string(list.size()), 0x1234, 0x0001, 1, 6, "Keyboard");
  }
  int OpenCount(hid::Access access) const {
    int n = 0;
    for (const auto& [h, entry] : open) n += entry.second == access;
    return n;
  }

  std::vector<hid::InterfaceInfo> Enumerate() override { return list; }
  hid::Handle Open(const hid::InterfaceInfo& info, hid::Access access) override {
    if (access == hid::Access::Probe) probed.push_back(info.path);
    if (access != hid::Access::Probe && failOpen.count(info.path)) return hid::kInvalidHandle;
    open[next] = {info.path, access};
    return next++;
  }
  void Close(hid::Handle h) override { open.erase(h); }
  const hid::InterfaceInfo* Info(hid::Handle h) const {
    auto it = open.find(h);
    if (it == open.end()) return nullptr;
    for (const auto& info : list)
      if (info.path == it->second.first) return &info;
    return nullptr;
  }
  bool GetAttributes(hid::Handle h, hid::Attributes& out) override {
    auto* info = Info(h);
    if (!info) return false;
    out = info->attributes;
    return true;
  }
  bool GetProductString(hid::Handle h, std::string& out, std::size_t) override {
    auto* info = Info(h);
    if (!info) return false;
    out = info->productString;
    return true;
  }
  bool GetCaps(hid::Handle h, hid::Caps& out) override {
    auto* info = Info(h);
    if (!info || noCaps.count(info->path)) return false;
    out = info->caps;
    return true;
  }
  bool SetFeature(hid::Handle h, const std::uint8_t*, std::size_t) override { return open.count(h) > 0; }
  bool GetFeature(hid::Handle h, std::uint8_t*, std::size_t) override { return open.count(h) > 0; }
  int ReadInput(hid::Handle, std::uint8_t*, std::size_t, int) override { return hid::kReadError; }
};

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetDeviceConnection();
    ClearSettingsTables();
    g_devString.clear();
    fake = std::make_shared<FakeTransport>();
    previous = hid::SetTransport(fake);
  }
  void TearDown() override {
    ResetDeviceConnection();
    hid::SetTransport(previous);
  }
  std::shared_ptr<FakeTransport> fake;
  std::shared_ptr<hid::Transport> previous;
};

TEST_F(Discovery, NoDeviceLeavesTheStateOfBeforeDiscovery) {
  fake->AddOthers(5);
  EXPECT_EQ(FindDevice(), 0);
  EXPECT_EQ(g_deviceFound, 0);
  EXPECT_EQ(g_deviceVariant, 2);
  EXPECT_EQ(g_readHandle, 0);
  EXPECT_EQ(g_writeHandle, 0);
  EXPECT_TRUE(fake->open.empty());  // every probe closed again
}

struct OrderCase {
  bool writeFirst;
  const char* endPath;
};

class DiscoveryOrder : public Discovery, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(DiscoveryOrder, SearchEndsAtTheSecondVendorCollection) {
  fake->AddOthers(2);
  fake->AddMouse("/m", kDeviceProductId1, GetParam().writeFirst);
  fake->AddOthers(2);
  EXPECT_EQ(FindDevice(), 1);
  EXPECT_EQ(g_devicePath, GetParam().endPath);
  EXPECT_EQ(fake->probed.back(), GetParam().endPath);  // nothing after it was looked at
  EXPECT_EQ(g_inputCaps.usagePage, kReadUsagePage);
  EXPECT_EQ(g_featureCaps.usagePage, kFeatureUsagePage);
  EXPECT_EQ(g_featureReportLength, 65);
  EXPECT_EQ(fake->open.at(g_readHandle).first, "/m-read");
  EXPECT_EQ(fake->open.at(g_writeHandle).first, "/m-write");
  EXPECT_EQ(fake->open.at(g_writeHandle).second, hid::Access::Write);
  EXPECT_EQ(fake->open.at(g_readHandle).second, hid::Access::Read);
  EXPECT_EQ(fake->OpenCount(hid::Access::Probe), 0);
}

INSTANTIATE_TEST_SUITE_P(BothOrders, DiscoveryOrder,
                         ::testing::Values(OrderCase{false, "/m-write"}, OrderCase{true, "/m-read"}));

TEST_F(Discovery, ProductIdDecidesTheVariant) {
  struct Case {
    std::uint16_t pid;
    int found, variant;
  };
  for (Case c : {Case{kDeviceProductId1, 1, 1}, Case{kDeviceProductId2, 1, 0},
                 Case{static_cast<std::uint16_t>(kDeviceProductId2 + 1), 0, 2}}) {
    SCOPED_TRACE(c.pid);
    ResetDeviceConnection();
    fake->list.clear();
    fake->AddMouse("/m", c.pid);
    EXPECT_EQ(FindDevice(), c.found);
    EXPECT_EQ(g_deviceVariant, c.variant);
  }
}

TEST_F(Discovery, WrongVendorOrProductIsRejectedAndItsProbeClosed) {
  fake->Add("/a", kDeviceVendorId, 0x0001, kReadUsagePage, 1);
  fake->Add("/b", kDeviceVendorId + 1, kDeviceProductId1, kFeatureUsagePage, 1);
  EXPECT_EQ(FindDevice(), 0);
  EXPECT_EQ(fake->probed.size(), 2u);
  EXPECT_TRUE(fake->open.empty());
  EXPECT_TRUE(g_devicePath.empty());
}

TEST_F(Discovery, ProductStringFilter) {
  struct Case {
    const char* filter;
    const char* product;
    int found;
  };
  const Case cases[] = {
      {"", "Gaming Mouse", 1},      {"", "", 1},
      {"Gaming Mouse", "Gaming Mouse", 1}, {"gaming mouse", "Gaming Mouse", 0},
      {"Gaming", "Gaming Mouse", 0},       {"Gaming Mouse", "Gaming Mouse ", 0},
      {"Мышь 鼠标", "Мышь 鼠标", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.filter) + " / " + c.product);
    ResetDeviceConnection();
    fake->list.clear();
    fake->AddMouse("/m", kDeviceProductId1, false, c.product);
    g_devString = c.filter;
    EXPECT_EQ(FindDevice(), c.found);
  }
}

TEST_F(Discovery, StringFilterIsTestedPerInterface) {
  // A first mouse with another name is passed over; the second one is taken.
  g_devString = "Second";
  fake->AddMouse("/first", kDeviceProductId1, false, "First");
  fake->AddMouse("/second", kDeviceProductId2, false, "Second");
  EXPECT_EQ(FindDevice(), 1);
  EXPECT_EQ(g_devicePath, "/second-write");
  EXPECT_EQ(g_deviceVariant, 0);
}

TEST_F(Discovery, IndexesFromOneHundredOnAreNeverLookedAt) {
  struct Case {
    int before;
    int found;
  };
  // The mouse's three collections at indexes before .. before + 2.
  for (Case c : {Case{97, 1}, Case{98, 0}, Case{100, 0}}) {
    SCOPED_TRACE(c.before);
    ResetDeviceConnection();
    fake->list.clear();
    fake->probed.clear();
    fake->AddOthers(c.before);
    fake->AddMouse("/m");
    EXPECT_EQ(FindDevice(), c.found);
    EXPECT_LE(fake->probed.size(), 100u);
  }
}

TEST_F(Discovery, ReadCollectionAloneIsNoConnection) {
  // The read collection is the last interface examined (index 99): accepted, but the
  // write handle is missing, so the mouse is not usable.
  fake->AddOthers(98);
  fake->AddMouse("/m");  // mouse collection at 98, read at 99, write at 100
  EXPECT_EQ(FindDevice(), 0);
  EXPECT_EQ(g_deviceFound, 0);
  EXPECT_NE(g_readHandle, 0);
  EXPECT_EQ(g_writeHandle, 0);
}

TEST_F(Discovery, AcceptedOtherCollectionLastIsNoConnection) {
  fake->Add("/m-mouse", kDeviceVendorId, kDeviceProductId1, 0x0001, 0x0002);
  EXPECT_EQ(FindDevice(), 0);
  EXPECT_EQ(g_devicePath, "/m-mouse");
  EXPECT_EQ(g_deviceVariant, 1);
}

TEST_F(Discovery, FailedWriteOpenEndsTheSearchWithoutAConnection) {
  fake->AddMouse("/m");
  fake->failOpen.insert("/m-write");
  EXPECT_EQ(FindDevice(), 0);
  EXPECT_EQ(g_writeHandle, hid::kInvalidHandle);
  // Senders then return quietly.
  EXPECT_EQ(SendCmd11(1), 7);
  EXPECT_EQ(SendKeyCmd10Clear(), 3);
  EXPECT_EQ(SendKeyCmd10Value(0x1234), 0x34);
  EXPECT_FALSE(SendLedMode(1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0x4002));
}

TEST_F(Discovery, CollectionWithoutCapabilitiesIsPassedOver) {
  fake->AddMouse("/m");
  fake->noCaps.insert("/m-read");
  fake->AddMouse("/n");
  EXPECT_EQ(FindDevice(), 1);
  EXPECT_EQ(fake->open.at(g_readHandle).first, "/n-read");
  EXPECT_EQ(fake->open.at(g_writeHandle).first, "/m-write");
}

TEST_F(Discovery, SecondSearchOpensFreshHandles) {
  fake->AddMouse("/m");
  ASSERT_EQ(FindDevice(), 1);
  hid::Handle oldRead = g_readHandle, oldWrite = g_writeHandle;
  ASSERT_EQ(FindDevice(), 1);
  EXPECT_NE(g_readHandle, oldRead);
  EXPECT_NE(g_writeHandle, oldWrite);
  EXPECT_EQ(fake->open.count(oldRead), 0u);  // the old ones are closed
  EXPECT_EQ(fake->open.count(oldWrite), 0u);
  EXPECT_EQ(fake->open.size(), 2u);
}

// With the simulated mouse: lengths come from its report descriptor, and removal
// reaches the device-change handler with the path that discovery kept.
TEST(DiscoverySimulated, FindsTheSimulatedMouseAndHearsItsRemoval) {
  ResetDeviceConnection();
  ClearSettingsTables();
  g_devString.clear();
  sim::SimOptions options;
  options.foreignInterfacesBefore = 3;
  options.productId = sim::kSimProductId2;
  auto mouse = sim::SimulatedMouse::Install(options);
  std::vector<std::pair<DeviceChange, std::string>> changes;
  SetDeviceChangeHandler([&](DeviceChange change, const std::string& path) { changes.emplace_back(change, path); });

  ASSERT_EQ(FindDevice(), 1);
  EXPECT_EQ(g_deviceVariant, 0);
  EXPECT_EQ(g_devicePath, options.path);
  EXPECT_EQ(g_inputCaps.inputReportByteLength, sim::kSimInputReportLength);
  EXPECT_EQ(g_featureReportLength, static_cast<int>(sim::kSimFeatureReportLength));

  mouse->Unplug();
  mouse->PlugIn();
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0], std::make_pair(DeviceChange::Removal, options.path));
  EXPECT_EQ(changes[1], std::make_pair(DeviceChange::Arrival, options.path));

  // The old handles died with the removal; a new search after the arrival works.
  EXPECT_FALSE(SendReportBuffer());
  ASSERT_EQ(FindDevice(), 1);
  g_reportBuffer.fill(0);
  EXPECT_EQ(SendCmd11(1), 1);
  EXPECT_TRUE(mouse->Started());

  SetDeviceChangeHandler(nullptr);
  ResetDeviceConnection();
  mouse->Uninstall();
}

}  // namespace
