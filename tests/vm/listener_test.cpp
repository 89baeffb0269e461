// Input report 6 from the kernel device through the listener's blocking read, handed
// over to the executor, which plays a macro back to the mouse as feature reports; and
// the mouse's own profile change read back from its status.
#include "device/download.h"
#include "device/input_listener.h"
#include "device/macro_executor.h"
#include "platform/hid_transport.h"
#include "platform/ini_file.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/macro_text.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "vm_fixture.h"

namespace vm {
namespace {

constexpr int kButtons = 8;  // buttons 0..7 on device key numbers 1..8

class ListenerTest : public KernelDeviceTest {
 protected:
  void SetUp() override {
    KernelDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    fs::create_directories(g_macroDir);
    fs::create_directories(g_configDir);
    g_keyCount = kButtons;
    for (int i = 0; i < kButtonCount; ++i) g_keyMap[i] = static_cast<std::uint8_t>(i < kButtons ? i + 1 : 0);
    BuildKeyNumToButton();

    // A group with one macro: key A (usage 4) down and up.
    MacroRecord tap;
    SetMacroName(tap, "tap");
    tap.repeatCount = 1;
    tap.eventCount = 2;
    tap.code[0] = tap.code[1] = 4;
    tap.action[0] = 1;
    tap.action[1] = 2;
    tap.delay[0] = tap.delay[1] = 5;
    const std::string list = g_macroDir + "macroGrp.ini";
    ini::WriteInt(list, "MACRO_GROUP_NUM", "macGrpNum", 1);
    ini::WriteString(list, "MACRO_GROUP_NAME", "0", "taps");
    const std::string group = g_macroDir + "taps.dat";
    ini::WriteString(group, "Init", "DAT_VER", "3");
    ini::WriteInt(group, "Macros", "macroNum", 1);
    ini::WriteString(group, "Macros", "0", EncodeMacroRecord(tap));
    ReloadMacroLibrary();

    // Software mode; button 2 (device key 3) plays the tap in every profile.
    ini::WriteString(g_configIniPath, "Init", "CurConfig", "0");
    ini::WriteString(g_configIniPath, "ShareData", "SOFT_HARD_MAC", "1");
    for (int p = 0; p < kProfileCount; ++p)
      for (int i = 0; i < kButtons; ++i)
        ini::WriteString(g_configIniPath, "Config" + std::to_string(p), "K" + std::to_string(i),
                         std::to_string(i == 0 ? 1 : i == 2 ? 256 : 0));
    for (int p = 0; p < kProfileCount; ++p) LoadProfile(g_configDir, p, false);
    g_currentProfile = ReadCurrentProfile(g_configIniPath);
    // Nothing left of a download of an earlier test: no profile or start/stop buttons.
    for (auto& row : g_deviceFunc)
      for (auto& v : row) v = 0;
    for (auto& row : g_startStopButton)
      for (auto& v : row) v = 0;
    g_ledReactActive = 0;
    ResetInputEmission();
    ResetInputListener();
  }

  // Feeds one input report 6 and waits until the listener has handled it.
  void Feed(int code, int detail) {
    const auto before = InputReportsHandled();
    device->Input(code, detail);
    ASSERT_TRUE(WaitFor([&] { return InputReportsHandled() > before; })) << "report " << code << " not read";
  }
};

TEST_F(ListenerTest, ButtonReportPlaysItsMacroThroughTheMouse) {
  Connect();
  StartDeviceWorkers();
  OpenWorkerGate();
  Feed(243, 0);     // device key 3 pressed
  Feed(243, 0x80);  // and released
  ASSERT_TRUE(WaitFor([] { return g_buttonPressed.load() == 0 && !ReleasePending(); }));
  ASSERT_TRUE(WaitFor([&] { return device->Emissions().size() >= 2; }));
  EXPECT_EQ(device->Emissions(), (std::vector<std::string>{"KeyDown:4:0:0", "KeyUp:4:0:0"}));
}

// The listener waits in a read on the node when the mouse goes; a new search after the
// replug gives it new handles, and its reports are read from them.
TEST_F(ListenerTest, ReportsReachTheListenerAgainAfterAnUnplugWhileItWaits) {
  Connect();
  StartDeviceWorkers();
  OpenWorkerGate();
  Feed(243, 0);
  Feed(243, 0x80);
  ASSERT_TRUE(WaitFor([&] { return device->Emissions().size() >= 2; }));

  device->Unplug();
  std::uint8_t report[8];
  EXPECT_EQ(ReadDeviceInput(report, sizeof report, 1000), hid::kReadError) << "the removed node ends a read";
  Connect();
  Feed(243, 0);
  Feed(243, 0x80);
  ASSERT_TRUE(WaitFor([&] { return device->Emissions().size() >= 4; }));
  EXPECT_EQ(device->Emissions(),
            (std::vector<std::string>{"KeyDown:4:0:0", "KeyUp:4:0:0", "KeyDown:4:0:0", "KeyUp:4:0:0"}));

  const auto stopping = std::chrono::steady_clock::now();
  StopDeviceWorkers();
  EXPECT_LT(std::chrono::steady_clock::now() - stopping, 5s) << "a waiting listener ends when asked";
}

// The mouse's own pointer reports share the node with input report 6; while the
// mouse moves (1000 reports a second) no button report may be lost among them.
TEST_F(ListenerTest, ButtonReportsAreNotLostWhileTheMouseMoves) {
  Connect();
  StartDeviceWorkers();
  OpenWorkerGate();
  device->Ask("motion 400 1000 243 0");    // pressed amid the motion
  device->Ask("motion 400 1000 243 128");  // and released
  ASSERT_TRUE(WaitFor([&] { return device->Emissions().size() >= 2; })) << "the press was not played";
  EXPECT_EQ(device->Emissions(), (std::vector<std::string>{"KeyDown:4:0:0", "KeyUp:4:0:0"}));
  EXPECT_TRUE(WaitFor([] { return g_buttonHeld.load() == 0; })) << "the release was lost";
}

TEST_F(ListenerTest, ProfileChangeOfTheMouseIsReadBackFromItsStatus) {
  Connect();
  StartDeviceWorkers();
  OpenWorkerGate();
  device->Ask("profile 2");
  Feed(3, 0);
  EXPECT_EQ(g_currentProfile.load(), 2);
  EXPECT_EQ(ini::ReadString(g_configIniPath, "Init", "CurConfig", 5), "2");
}

}  // namespace
}  // namespace vm
