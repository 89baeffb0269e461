// The key and key-combination dialogs on a real X server: keys typed with xdotool go to
// the dialog and to no other program, and its result reaches the settings.
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "../app/app_fixture.h"
#include "keys/language.h"
#include "mainwnd/macro_page.h"
#include "mainwnd/main_input.h"
#include "popups/dialog_get_key.h"
#include "popups/shortcut_get_key.h"
#include "profile/core_hooks.h"
#include "profile/macro_record.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/language_texts.h"
#include "x11_support.h"

namespace {

using apptest::SpinUntil;
using x11test::Xdotool;

class CaptureDialogsX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    g_skinsDir = std::string(MC_PROGRAM_DIR) + "/skins";
    g_language = 1;
    LoadLanguageTexts();
    ClearSettingsTables();
    g_currentProfile = 0;
    ASSERT_TRUE(other_.Started());
    ASSERT_TRUE(other_.Focus());
  }
  void TearDown() override { ClearSettingsTables(); }

  // Shows the dialog and waits until it holds the keyboard.
  static void ShowCapturing(KeyCapturePopup& dialog) {
    dialog.show();
    ASSERT_TRUE(SpinUntil([&] { return dialog.KeyboardGrabbed(); }));
    ASSERT_TRUE(x11test::WaitPlaced(dialog));
  }
  // A left click at the centre of control `index` of the dialog.
  static void Click(KeyCapturePopup& dialog, int index) {
    const SkinRect& r = dialog.Rects().at(static_cast<std::size_t>(index));
    const QPoint at = dialog.mapToGlobal(QPoint(r.x + r.width / 2, r.y + r.height / 2));
    ASSERT_TRUE(x11test::MovePointer(at));
    ASSERT_TRUE(Xdotool({"click", "1"}));
  }

  x11test::OtherWindow other_;
};

TEST_F(CaptureDialogsX11, KeyCombinationDialogCapturesCtrlAltAAndTheButtonGetsItsTextAndMacro) {
  g_keyFunc[0][3] = 5;  // another function before
  CShortcutGetKey dialog(nullptr, 3, true, MainWindowMessages());
  ASSERT_TRUE(dialog.Ready());
  dialog.CenterOnOwner();
  ShowCapturing(dialog);

  Click(dialog, CShortcutGetKey::kFirstToggle);      // Ctrl
  Click(dialog, CShortcutGetKey::kFirstToggle + 2);  // Alt
  ASSERT_TRUE(SpinUntil([] { return g_shortcutCapture.modifiers[0] && g_shortcutCapture.modifiers[2]; }));
  ASSERT_TRUE(other_.Focus());
  ASSERT_TRUE(Xdotool({"key", "ctrl+alt+a", "Escape", "Return", "F10", "ctrl+alt+a"}));
  ASSERT_TRUE(SpinUntil([] { return g_shortcutCapture.vk == 'A' && g_shortcutCapture.keyName == "A"; }));
  EXPECT_TRUE(dialog.isVisible());  // Esc and Enter were keys like any other
  EXPECT_EQ(other_.KeyPresses(), 0);

  Click(dialog, CShortcutGetKey::kOk);
  ASSERT_TRUE(SpinUntil([&] { return !dialog.isVisible(); }));
  EXPECT_EQ(dialog.result(), CShortcutGetKey::kResultOk);
  EXPECT_FALSE(dialog.Capturing());
  EXPECT_EQ(g_keyFunc[0][3], kShortcutAssignment);
  EXPECT_EQ(m_shortcutTexts[0][3],
            "Ctrl&split&162&split&Shift&split&&split&Alt&split&164&split&Win&split&&split&A&split&65");
  const MacroRecord& macro = g_profileMacros[0][3];
  EXPECT_EQ(MacroName(macro), "Ctrl+Alt+A");
  ASSERT_EQ(macro.eventCount, 3);
  EXPECT_EQ(macro.code[0], 0xE0);
  EXPECT_EQ(macro.code[1], 0xE2);
  EXPECT_EQ(macro.code[2], 0x04);

  // The keyboard is free again.
  ASSERT_TRUE(other_.Focus());
  ASSERT_TRUE(Xdotool({"key", "b"}));
  EXPECT_TRUE(SpinUntil([&] { return other_.KeyPresses() == 1; }));
}

TEST_F(CaptureDialogsX11, KeyDialogTakesTheLastKeyAndTellsTheMacroPageOnOk) {
  std::vector<unsigned> messages;
  CDialogGetKey dialog(nullptr, [&](unsigned message, std::intptr_t, std::intptr_t) -> std::intptr_t {
    messages.push_back(message);
    return 0;
  });
  ASSERT_TRUE(dialog.Ready());
  dialog.PlaceAt(QPoint(200, 150));
  ShowCapturing(dialog);
  ASSERT_TRUE(Xdotool({"key", "Escape", "Return", "F10", "KP_Enter", "Home"}));
  ASSERT_TRUE(SpinUntil([] { return g_capturedKeyCode == 0x4A; }));  // the last key: Home
  EXPECT_EQ(g_capturedKeyName, DeviceKeyName(0x4A));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(other_.KeyPresses(), 0);

  Click(dialog, CDialogGetKey::kOk);
  ASSERT_TRUE(SpinUntil([&] { return !messages.empty(); }));
  EXPECT_EQ(messages.front(), kWmKeycaptureDone);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(dialog.Capturing());
}

TEST_F(CaptureDialogsX11, AKeyboardHeldByAnotherProgramIsToldAndKeysStillComeWithTheFocus) {
  std::vector<int> warnings;
  SetWarningHandler([&](const WarningRequest& request) { warnings.push_back(request.tipEntry); });
  x11test::KeyboardHolder holder;
  ASSERT_TRUE(holder.Holding());
  CDialogGetKey dialog(nullptr);
  dialog.PlaceAt(QPoint(200, 150));
  dialog.show();
  EXPECT_TRUE(SpinUntil([&] { return warnings == std::vector<int>{6}; }));
  EXPECT_FALSE(dialog.KeyboardGrabbed());
  EXPECT_TRUE(dialog.Capturing());
  SetWarningHandler(nullptr);
}

// A window manager holds the keyboard for a moment around a window it maps: a keyboard
// let go while the dialog still asks is taken, and nothing is told.
TEST_F(CaptureDialogsX11, AKeyboardLetGoWhileTheDialogAsksIsTakenWithoutAWarning) {
  std::vector<int> warnings;
  SetWarningHandler([&](const WarningRequest& request) { warnings.push_back(request.tipEntry); });
  auto holder = std::make_unique<x11test::KeyboardHolder>();
  ASSERT_TRUE(holder->Holding());
  // The dialog asks for far longer than the holder takes to go, however busy the machine.
  const QByteArray factor = qgetenv("MC_TEST_TIME_FACTOR");
  qputenv("MC_TEST_TIME_FACTOR", "40");
  CDialogGetKey dialog(nullptr);
  dialog.PlaceAt(QPoint(200, 150));
  dialog.show();
  ASSERT_TRUE(SpinUntil([&] { return dialog.windowHandle()->isExposed(); }));
  EXPECT_FALSE(dialog.KeyboardGrabbed());
  holder.reset();
  EXPECT_TRUE(SpinUntil([&] { return dialog.KeyboardGrabbed(); }));
  EXPECT_TRUE(warnings.empty());
  factor.isNull() ? qunsetenv("MC_TEST_TIME_FACTOR") : qputenv("MC_TEST_TIME_FACTOR", factor);
  SetWarningHandler(nullptr);
}

}  // namespace
