// The gun dialog on a small skins tree: the edits a preset shows, OK written to
// PUBG.dat and read back, the repeat modes, a change of preset, and its messages.
#include <QApplication>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "../ui_skin/skin_fixture.h"
#include "mainwnd/main_input.h"
#include "platform/ini_file.h"
#include "popups/gun_dlg.h"
#include "popups/gun_rules.h"
#include "popups/menu_dlg.h"
#include "profile/macro_files.h"
#include "profile/macro_text.h"
#include "profile/paths.h"

namespace {

using skintest::BlockImage;
using skintest::SkinTreeTest;
using skintest::WriteFile;
using skintest::WriteImage;

QPoint Centre(const SkinRect& r) { return {r.x + r.width / 2, r.y + r.height / 2}; }

// A preset of `moves` pointer moves with vertical step `step` (none when 0).
MacroRecord Preset(const std::string& name, int moves, int step, int mode, int repeat, int delay) {
  MacroRecord record;
  SetMacroName(record, name);
  record.mode = static_cast<std::uint8_t>(mode);
  record.repeatCount = static_cast<std::uint16_t>(repeat);
  record.eventCount = static_cast<std::uint16_t>(moves);
  record.moveCount = static_cast<std::uint16_t>(moves);
  for (int i = 0; i < moves; ++i) {
    record.code[static_cast<std::size_t>(i)] = 246;
    record.param[static_cast<std::size_t>(i)] = {0, static_cast<std::uint16_t>(step)};
    record.delay[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(delay);
  }
  return record;
}

class GunDialogTest : public SkinTreeTest {
 protected:
  void SetUp() override {
    SkinTreeTest::SetUp();
    const QSize size(520, 360);
    WriteImage(Skins() + "/gun_mask.jpg", BlockImage(size, Qt::black));
    WriteImage(Skins() + "/gun_normal.jpg", BlockImage(size, QColor(30, 30, 30)));
    WriteImage(Skins() + "/Gun/1.jpg", BlockImage(QSize(220, 140), QColor(90, 90, 90)));
    WriteImage(Skins() + "/menu2_mask.jpg", BlockImage(QSize(160, 450), Qt::black));
    WriteLanguageFile(1, "skin_gun.ini",
                      "[BUTTONPOS]\n0=x,478,14,28,28,\n1=n,0,0,0,0,\n2=ok,290,314,96,34,OK\n3=c,394,314,96,34,Cancel\n"
                      "4=p,24,56,220,140,\n5=name,264,56,190,36,\n6=open,454,56,36,36,\n7=l,24,14,300,30,Gun\n"
                      "8=fixed,264,108,226,34,Fixed\n9=held,264,148,226,34,Held\n10=a,0,0,0,0,\n11=b,0,0,0,0,\n"
                      "12=c,0,0,0,0,\n13=d,0,0,0,0,\n"
                      "[EDIT]\n0=e,410,238,80,30,\n1=e,410,200,80,30,\n2=e,410,276,80,30,\n");
    // Preset 0 repeats a fixed number of times with a vertical step; preset 1 repeats
    // while held and has no vertical step.
    std::string text = "[Init]\nDAT_VER=3\n[Macros]\nmacroNum=2\n";
    text += "0=" + EncodeMacroRecord(Preset("Rifle", 3, 4, 0, 7, 12)) + "\n";
    text += "1=" + EncodeMacroRecord(Preset("Pistol", 2, 0, 2, 1, 30)) + "\n";
    WriteFile(GunPresetPath(), text);
    ini::ClearCache();
    LoadGunPresets();
    ASSERT_EQ(g_gunMacroCount, 2);
  }
  void TearDown() override {
    g_gunMacroCount = 0;
    SkinTreeTest::TearDown();
  }
  static void Press(CDialogGun& dialog, int rect) {
    const QPoint at = Centre(dialog.Rects()[static_cast<std::size_t>(rect)]);
    dialog.MoveAt(at);
    dialog.PressAt(at);
    dialog.ReleaseAt(at);
  }
};

TEST_F(GunDialogTest, OkWritesThePresetToItsFile) {
  CDialogGun dialog(nullptr);
  EXPECT_EQ(dialog.PopupSize(), QSize(520, 360));
  EXPECT_EQ(dialog.RepeatEdit()->text(), "7");
  EXPECT_TRUE(dialog.RepeatEdit()->isEnabled());
  EXPECT_EQ(dialog.StepEdit()->text(), "4");
  EXPECT_EQ(dialog.DelayEdit()->text(), "12");
  EXPECT_EQ(dialog.StepEdit()->maxLength(), 2);
  EXPECT_EQ(dialog.DelayEdit()->geometry(), QRect(410, 276, 80, 30));

  dialog.RepeatEdit()->setText("25");
  dialog.StepEdit()->setText("0");  // below the range: 1
  dialog.DelayEdit()->setText("40");
  Press(dialog, 2);

  g_gunMacros = {};
  LoadGunPresets();
  const MacroRecord& stored = g_gunMacros[0];
  EXPECT_EQ(stored.repeatCount, 25);
  EXPECT_EQ(stored.delay[0], 40);
  EXPECT_EQ(stored.delay[1], 40);
  EXPECT_EQ(stored.delay[2], 12) << "only the first two delays";
  EXPECT_EQ(stored.param[2].b, 1);
  EXPECT_EQ(stored.yOffsetOn, 1);
  EXPECT_EQ(stored.yOffset, 1);
  EXPECT_EQ(g_gunNames[0], "Rifle");
  EXPECT_EQ(ClampGunStep(GunEditNumber("150")), 99);
  EXPECT_EQ(GunEditNumber("x5"), 0);
}

TEST_F(GunDialogTest, PresetWithoutVerticalStepGetsNoStepFromThePreviousOne) {
  CDialogGun dialog(nullptr);
  record.messages.clear();
  // Preset 1 chosen in the menu: the edits of preset 0 are stored into preset 0 first.
  dialog.RepeatEdit()->setText("9");
  dialog.StepEdit()->setText("50");
  g_currentGunPreset = 1;
  EXPECT_EQ(dialog.OnGunMacroSelected(0), 0);
  EXPECT_EQ(g_gunMacros[0].repeatCount, 9);
  EXPECT_EQ(g_gunMacros[0].param[0].b, 50);
  // Preset 1 shows its own delay and no step; its repeat count is fixed at 1.
  EXPECT_EQ(dialog.StepEdit()->text(), "");
  EXPECT_FALSE(dialog.StepEdit()->isEnabled());
  EXPECT_EQ(dialog.DelayEdit()->text(), "30");
  EXPECT_EQ(dialog.RepeatEdit()->text(), "1");
  EXPECT_FALSE(dialog.RepeatEdit()->isEnabled());

  // Its missing picture is said once, however often the dialog repaints.
  for (int i = 0; i < 3; ++i) {
    dialog.Compose();
    QApplication::processEvents();
  }
  EXPECT_EQ(record.messages, std::vector<std::string>{"枪械图片丢失，未能对应!"});

  Press(dialog, 2);
  g_gunMacros = {};
  LoadGunPresets();
  EXPECT_EQ(g_gunMacros[1].yOffsetOn, 0);
  EXPECT_EQ(g_gunMacros[1].param[0].b, 0);
  EXPECT_EQ(g_gunMacros[1].delay[0], 30);
  EXPECT_EQ(g_gunMacros[0].param[0].b, 50);

  record.messages.clear();
  CDialogGun again(nullptr);
  EXPECT_EQ(again.OnGunMacroSelected(2), -1);
  EXPECT_EQ(again.OnGunMacroSelected(-1), -1);
  EXPECT_EQ(record.messages, (std::vector<std::string>{"宏内容出错!", "宏内容出错!"}));
}

TEST_F(GunDialogTest, RepeatModesAndThePresetMenu) {
  CDialogGun dialog(nullptr);
  Press(dialog, 9);  // repeat while held
  EXPECT_EQ(g_gunMacros[0].mode & 3, 2);
  EXPECT_EQ(g_gunMacros[0].repeatCount, 1);
  EXPECT_EQ(dialog.RepeatEdit()->text(), "1");
  EXPECT_FALSE(dialog.RepeatEdit()->isEnabled());
  EXPECT_EQ(GunModeMarker(0), 9);
  g_gunMacros[0].repeatCount = 0;
  Press(dialog, 8);  // a fixed number of times: a count of 0 shows as 1
  EXPECT_EQ(g_gunMacros[0].mode & 3, 0);
  EXPECT_EQ(dialog.RepeatEdit()->text(), "1");
  EXPECT_TRUE(dialog.RepeatEdit()->isEnabled());
  EXPECT_EQ(GunModeMarker(0), 8);

  // The preset menu opens below the name; a press anywhere in the dialog closes it.
  Press(dialog, 6);
  CMenuDlg* menu = dialog.PresetMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->Kind(), MenuKindGunPreset);
  EXPECT_EQ(menu->pos(), dialog.mapToGlobal(QPoint(264, 92)));
  EXPECT_EQ(menu->Captions(), (std::vector<std::string>{"Rifle", "Pistol"}));
  // Choosing the other preset reaches the dialog.
  menu->MoveAt({10, 45});
  menu->PressAt({10, 45});
  menu->ReleaseAt({10, 45});
  EXPECT_EQ(g_currentGunPreset, 1);
  EXPECT_EQ(dialog.DelayEdit()->text(), "30");
  Press(dialog, 5);
  ASSERT_NE(dialog.PresetMenu(), nullptr);
  Press(dialog, 7);
  EXPECT_FALSE(dialog.PresetMenu() && dialog.PresetMenu()->isVisible());
}

TEST_F(GunDialogTest, APictureThatIsNoPlainFileIsSaidAsMissing) {
  // A FIFO in its place (a broken copy): said at once, without waiting for a writer.
  const std::string picture = Skins() + "/Gun/1.jpg";
  ASSERT_EQ(::unlink(picture.c_str()), 0);
  ASSERT_EQ(::mkfifo(picture.c_str(), 0600), 0);
  record.messages.clear();
  CDialogGun dialog(nullptr);
  dialog.Compose();
  QApplication::processEvents();
  EXPECT_EQ(record.messages, std::vector<std::string>{"枪械图片丢失，未能对应!"});
}

TEST_F(GunDialogTest, TheCountEditFollowsTheModeMarkerWhenPainted) {
  CDialogGun dialog(nullptr);
  ASSERT_TRUE(dialog.RepeatEdit()->isEnabled());
  // A preset without events leaves the edits as they were when it is shown; painting
  // still puts the count edit in step with the mode marker.
  g_gunMacros[0] = Preset("Empty", 0, 0, 2, 1, 0);
  dialog.Compose();
  EXPECT_FALSE(dialog.RepeatEdit()->isEnabled());
  g_gunMacros[0].mode = 0;
  dialog.Compose();
  EXPECT_TRUE(dialog.RepeatEdit()->isEnabled());
}

}  // namespace
