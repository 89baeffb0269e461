// The check before every download: a set that could not be read, or whose profile 0
// has no left click, never reaches the mouse, whoever starts the download.
#include <gtest/gtest.h>

#include "download_fixture.h"
#include "profile/settings_check.h"

TEST_F(DownloadTest, SettingsWithoutLeftClickOrUnreadNeverReachTheMouse) {
  ArmSettingsCheck(true);
  const auto before = mouse->Memory();
  // The tables as an empty config.ini leaves them: every button without a function.
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::SettingsRefused);
  StartDownloadWorker();  // the start-up's and the reset's worker
  ASSERT_TRUE(WaitForDownloadWorkers(std::chrono::seconds(20)));
  EXPECT_TRUE(mouse->SetFeatureFrames().empty());
  EXPECT_TRUE(mouse->Memory() == before);
  EXPECT_EQ(warnings, (std::vector<int>{7, 7}));

  // A left click on profile 0 that its key map puts into the image, but a config.ini
  // that could not be read.
  g_keyFunc[0][3] = 1;
  g_keyCount = 4;
  g_keyMap = {1, 2, 3, 4};
  warnings.clear();
  ASSERT_FALSE(LoadProfile(g_configDir, 0, false));  // there is no config.ini
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::SettingsRefused);
  EXPECT_TRUE(mouse->SetFeatureFrames().empty());
  EXPECT_EQ(warnings, (std::vector<int>{5, -1}));

  // Readable again: the download runs.
  g_settingsUnreadable = false;
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_FALSE(mouse->SetFeatureFrames().empty());
  ArmSettingsCheck(false);
}
