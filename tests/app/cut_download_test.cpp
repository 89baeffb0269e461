// The mouse unplugged in the middle of a download: the download ends at the first
// report the mouse did not take and says so, Apply is free again, and the mouse plugged
// in again gets the whole image.
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "device/device_connection.h"
#include "device/download.h"
#include "mainwnd/main_skins.h"
#include "skin/skin_layout.h"

namespace apptest {
namespace {

class CutDownload : public ProgramTest {};

TEST_F(CutDownload, UnpluggedDuringApplyEndsAtTheFirstFailedReport) {
  StartWithMouse();
  const auto whole = mouse_->Memory();
  const int pulses = mouse_->ControlPulseCount();

  // Part-way through the download of Apply (it sends some 870 reports).
  mouse_->SetMemory(0, std::vector<std::uint8_t>(whole.size(), 0));
  mouse_->UnplugAfterFeatureReports(300);
  ::testing::internal::CaptureStderr();
  ClickMain(Centre(g_mainRects[3]));
  ASSERT_TRUE(WaitForDownloads());
  const std::string said = ::testing::internal::GetCapturedStderr();

  EXPECT_EQ(mouse_->RefusedFeatureReports(), 1) << "nothing is sent after the first report the mouse refused";
  EXPECT_EQ(mouse_->ControlPulseCount(), pulses) << "no closing pulse for a cut image";
  EXPECT_EQ(g_downloadBusy.load(), 0);
  EXPECT_EQ(WarningTips(), std::vector<int>{6});
  EXPECT_NE(said.find("download stopped"), std::string::npos) << said;
  // The removal ends the program, as it always has.
  EXPECT_TRUE(SpinUntil([&] { return window_->Ending(); }));

  // Plugged in again: the next download writes the whole image.
  mouse_->PlugIn();
  ResetDeviceConnection();
  ASSERT_EQ(FindDevice(), 1);
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_TRUE(mouse_->Memory() == whole);
}

}  // namespace
}  // namespace apptest
