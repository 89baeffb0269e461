// The key-combination dialog's state: what it opens with, what keys do to it, and the
// combination the main window stores from its result.
#include <gtest/gtest.h>

#include "../keys/language_guard.h"
#include "keys/key_codes.h"
#include "profile/macro_record.h"
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

TEST_F(ShortcutCaptureTest, CtrlAltAGoesIntoTheButtonsStoredTextAndItsMacro) {
  g_keyFunc[2][3] = kShortcutAssignment;
  capture_.Toggle(0);
  capture_.Toggle(2);
  capture_.OnKey(VK_LCONTROL);  // held modifiers change nothing but the picture
  capture_.OnKey(VK_LMENU);
  capture_.OnKey('A');
  capture_.OnKey(VK_RSHIFT);
  EXPECT_EQ(capture_.keyName, "A");
  EXPECT_EQ(capture_.ModifierDisplay(), "Ctrl+Alt");
  ASSERT_EQ(capture_.CaptureText(), "Ctrl&split&Alt&split&A");
  EXPECT_EQ(capture_.WParam(3), 3u * 256u + 65u);

  OnShortcutCaptured(capture_.WParam(3), capture_.CaptureText());
  EXPECT_EQ(m_shortcutTexts[2][3],
            "Ctrl&split&162&split&Shift&split&&split&Alt&split&164&split&Win&split&&split&A&split&65");
  const MacroRecord& macro = g_profileMacros[2][3];
  EXPECT_EQ(MacroName(macro), "Ctrl+Alt+A");
  ASSERT_EQ(macro.eventCount, 3);
  EXPECT_EQ(macro.code[0], 0xE0);
  EXPECT_EQ(macro.code[1], 0xE2);
  EXPECT_EQ(macro.code[2], 0x04);

  // Escape is a key like any other; Clear empties everything.
  capture_.OnKey(VK_ESCAPE);
  EXPECT_EQ(capture_.vk, VK_ESCAPE);
  EXPECT_EQ(capture_.keyName, DeviceKeyName(0x29));
  capture_.Clear();
  EXPECT_EQ(capture_.CaptureText(), "");
  EXPECT_EQ(capture_.WParam(0) & 0xFF, kNoShortcutKey);
}

TEST_F(ShortcutCaptureTest, AModifierAloneIsSentWithoutAKey) {
  capture_.Toggle(1);
  EXPECT_EQ(capture_.CaptureText(), "Shift");
  EXPECT_EQ(capture_.WParam(4), 4u * 256u + 255u);
  capture_.Toggle(1);
  EXPECT_EQ(capture_.CaptureText(), "");
}

}  // namespace
