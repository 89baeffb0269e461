// The key-combination dialog's state: what it opens with and what it sends.
#include <gtest/gtest.h>

#include "../keys/language_guard.h"
#include "profile/shortcut_capture.h"

namespace {

TEST(ShortcutCaptureTest, OpensWithTheStoredCombinationOfAKeyCombinationButtonOnlyAndSendsAModifierAlone) {
  LanguageGuard language(1);
  ShortcutCapture capture;
  const std::string stored = "Ctrl&split&162&split&Shift&split&&split&Alt&split&&split&Win&split&&split&B&split&66";
  capture.Load(stored, kShortcutAssignment);
  EXPECT_EQ(capture.modifiers, (std::array<bool, 4>{true, false, false, false}));
  EXPECT_EQ(capture.vk, 66);
  EXPECT_EQ(capture.keyName, "B");
  EXPECT_EQ(capture.ModifierDisplay(), "Ctrl");

  capture.Load(stored, 1);  // another assignment: the dialog opens empty
  EXPECT_EQ(capture.modifiers, (std::array<bool, 4>{}));
  EXPECT_EQ(capture.vk, kNoShortcutKey);
  EXPECT_EQ(capture.CaptureText(), "");

  capture.Toggle(1);
  EXPECT_EQ(capture.CaptureText(), "Shift");
  EXPECT_EQ(capture.WParam(4), 4u * 256u + 255u);  // no key
}

}  // namespace
