// The small rules of the start-up: the start-hidden switch, the command line, the
// device broadcast filter and the lighting preview's steps.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>

#include "app/app.h"
#include "app_fixture.h"
#include "device/device_connection.h"
#include "mainwnd/main_dialog.h"
#include "profile/settings.h"

namespace apptest {
namespace {

struct HideCase {
  const char* commandLine;
  bool hidden;
};

class StartHiddenSwitchTest : public ::testing::TestWithParam<HideCase> {};

TEST_P(StartHiddenSwitchTest, LooksAtTheFourCharactersAfterTheLastDash) {
  EXPECT_EQ(StartHiddenSwitch(GetParam().commandLine), GetParam().hidden) << GetParam().commandLine;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, StartHiddenSwitchTest,
    ::testing::Values(HideCase{"/usr/bin/OVK_DOvaru -HIDE", true},
                      HideCase{"/usr/bin/OVK_DOvaru -hide", false},           // case matters
                      HideCase{"/usr/bin/OVK_DOvaru -HIDEAWAY", true},        // more letters do not matter
                      HideCase{"/usr/bin/OVK_DOvaru -HID", false},
                      HideCase{"/usr/bin/OVK_DOvaru --simulate -HIDE", true},  // the switch last
                      HideCase{"/usr/bin/OVK_DOvaru -HIDE --simulate", false}, // the last dash is --simulate's
                      HideCase{"/usr/bin/OVK_DOvaru", false},
                      HideCase{"HIDE and seek", true},                        // no dash: the line's start
                      HideCase{"/opt/my-tools/OVK_DOvaru", false},            // a dash in the path
                      HideCase{"/usr/bin/OVK_DOvaru -", false},
                      HideCase{"", false}));

TEST(CommandLineTest, JoinsTheProgramAndItsArgumentsWithSpaces) {
  const char* argv[] = {"/usr/bin/OVK_DOvaru", "--simulate", "-HIDE", nullptr};
  EXPECT_EQ(JoinCommandLine(3, argv), "/usr/bin/OVK_DOvaru --simulate -HIDE");
  EXPECT_EQ(JoinCommandLine(0, argv), "");
}

TEST(CommandLineTest, SimulateIsAnOptionAnywhereButNotTheProgramName) {
  const char* withOption[] = {"prog", "-HIDE", "--simulate"};
  const char* without[] = {"--simulate", "-simulate", "--simulated"};
  EXPECT_TRUE(ParseAppOptions(3, withOption).simulate);
  EXPECT_FALSE(ParseAppOptions(3, without).simulate);
}

class BroadcastFilterTest : public ::testing::Test {
 protected:
  void SetUp() override { g_devicePath = "/dev/hidraw3"; }
  void TearDown() override { g_devicePath.clear(); }
};

TEST_F(BroadcastFilterTest, AcceptsOnlyInterfaceBroadcastsOfOurPath) {
  const DeviceBroadcast same{kDbtDevTypDeviceInterface, "/dev/hidraw3"};
  const DeviceBroadcast otherCase{kDbtDevTypDeviceInterface, "/DEV/HIDRAW3"};
  const DeviceBroadcast longer{kDbtDevTypDeviceInterface, "/dev/hidraw30"};
  const DeviceBroadcast otherType{3, "/dev/hidraw3"};
  EXPECT_EQ(IsOurDeviceBroadcast(&same), 1);
  EXPECT_EQ(IsOurDeviceBroadcast(&otherCase), 1);
  EXPECT_EQ(IsOurDeviceBroadcast(&longer), 0);
  EXPECT_EQ(IsOurDeviceBroadcast(&otherType), 0);
  EXPECT_EQ(IsOurDeviceBroadcast(nullptr), 0);
  g_devicePath.clear();  // no mouse ever found: nothing is ours
  const DeviceBroadcast empty{kDbtDevTypDeviceInterface, ""};
  EXPECT_EQ(IsOurDeviceBroadcast(&empty), 0);
}

class PreviewWorkerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    g_currentPage = kPageMain;
    StopPreviewWorkers();
    ClearSettingsTables();
  }
};

// It sleeps for as long as the page is shown and ends as soon as it is told of another
// page; a page change that comes back to the lighting page before it looks keeps it.
TEST_F(PreviewWorkerTest, LightingPreviewRunsWhileItsPageIsShown) {
  g_ledSpeed = 5;
  g_currentPage = kPageLed;
  StartLedPreview();
  EXPECT_EQ(g_ledPreviewRunning.load(), 1);
  StartLedPreview();  // a second start while it runs does nothing
  SpinFor(50);
  EXPECT_EQ(g_ledPreviewRunning.load(), 1);
  g_currentPage = kPageAdvanced;
  g_currentPage = kPageLed;
  NotifyPreviewPageChanged();
  SpinFor(50);
  EXPECT_EQ(g_ledPreviewRunning.load(), 1);

  g_currentPage = kPageAdvanced;
  NotifyPreviewPageChanged();
  EXPECT_TRUE(SpinUntil([] { return g_ledPreviewRunning.load() == 0; }, 2000));
  // And it can run again when the page is shown again.
  g_currentPage = kPageLed;
  StartLedPreview();
  EXPECT_EQ(g_ledPreviewRunning.load(), 1);
}

TEST_F(PreviewWorkerTest, StopEndsTheLightingPreviewWithoutWaitingOutItsPause) {
  g_ledSpeed = 0;  // 1.2 s between frames
  g_currentPage = kPageLed;
  StartLedPreview();
  const auto begin = std::chrono::steady_clock::now();
  StopPreviewWorkers();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(500));
  EXPECT_EQ(g_ledPreviewRunning.load(), 0);
}

TEST_F(PreviewWorkerTest, BlinkWorkerSetsThePhaseAndCanRunAgain) {
  for (int round = 0; round < 3; ++round) {
    g_blinkPhase = 0;
    StartMainPageBlink();
    EXPECT_TRUE(SpinUntil([] { return g_blinkRunning.load() == 0 && g_blinkPhase.load() == 1; }, 2000)) << round;
  }
}

}  // namespace
}  // namespace apptest
