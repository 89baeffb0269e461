// The key-combination dialog's state: what it opens with, what keys do to it, and the
// combination the main window stores from its result.
#include <gtest/gtest.h>

#include "../keys/language_guard.h"
#include "keys/key_codes.h"
#include "profile/settings.h"
#include "profile/shortcut_capture.h"

namespace {

class ShortcutCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSettingsTables();
    g_currentProfile = 2;
  }
  void TearDown() override { ClearSettingsTables(); }
  LanguageGuard language_{1};
  ShortcutCapture capture_;
};

TEST_F(ShortcutCaptureTest, OpensWithTheStoredCombinationOfAKeyCombinationButtonOnly) {
  const std::string stored = "Ctrl&split&162&split&Shift&split&&split&Alt&split&&split&Win&split&&split&B&split&66";
  capture_.Load(stored, kShortcutAssignment);
  EXPECT_EQ(capture_.modifiers, (std::array<bool, 4>{true, false, false, false}));
  EXPECT_EQ(capture_.vk, 66);
  EXPECT_EQ(capture_.keyName, "B");
  EXPECT_EQ(capture_.ModifierDisplay(), "Ctrl");

  capture_.Load(stored, 1);  // another assignment: the dialog opens empty
  EXPECT_EQ(capture_.modifiers, (std::array<bool, 4>{}));
  EXPECT_EQ(capture_.vk, kNoShortcutKey);
  EXPECT_EQ(capture_.CaptureText(), "");
}

TEST_F(ShortcutCaptureTest, ModifierKeysLeaveTheKeyAndAModifierAloneIsSentWithoutOne) {
  capture_.Toggle(1);
  capture_.OnKey(VK_LCONTROL);  // held modifiers only repaint: the toggles are the modifiers
  capture_.OnKey(VK_RMENU);
  EXPECT_EQ(capture_.CaptureText(), "Shift");
  EXPECT_EQ(capture_.WParam(4), 4u * 256u + 255u);
  capture_.OnKey(VK_ESCAPE);  // a key like any other
  EXPECT_EQ(capture_.CaptureText(), "Shift&split&" + DeviceKeyName(0x29));
  capture_.Clear();
  EXPECT_EQ(capture_.CaptureText(), "");
}

}  // namespace
