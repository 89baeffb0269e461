// The popup menu, its submenus and the macro selection list on a small skins tree:
// row geometry from the masks, the choice each row writes and the message it sends,
// the left-button rule, where cascading levels open, the insert codes, the language
// and gun preset menus, and the bounds on numbers that come from files.
#include <QApplication>
#include <QPointer>

#include <gtest/gtest.h>

#include <tuple>

#include "../ui_skin/skin_fixture.h"
#include "device/memory_image.h"
#include "mainwnd/main_input.h"
#include "mainwnd/page_state.h"
#include "platform/ini_file.h"
#include "popups/function_names.h"
#include "popups/gun_rules.h"
#include "popups/menu_dlg.h"
#include "popups/sub_menu_dlg.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/macro_text.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/skin_layout.h"
#include "skin/ui_fonts.h"

namespace {

using skintest::BlockImage;
using skintest::SkinTreeTest;
using skintest::WriteFile;
using skintest::WriteImage;
using Message = std::tuple<unsigned, std::intptr_t, std::intptr_t>;

QPoint RowCentre(int row, int rowHeight) { return {10, (row - 1) * rowHeight + rowHeight / 2}; }

class MenuTest : public SkinTreeTest {
 protected:
  void SetUp() override {
    SkinTreeTest::SetUp();
    ClearSettingsTables();
    g_keyCount = 8;
    SetLedModeList(kOfferedLedEffectMask);
    g_menuKind = 0;
    g_selectedButtonItem = 20;
    for (int i = 0; i < kFunStringCount; ++i) g_funStrings[static_cast<std::size_t>(i)] = "f" + std::to_string(i);
    // Masks of the sizes the kinds are measured by (and plain looks).
    Skin("Profile", QSize(160, 240));
    Skin("menu1", QSize(221, 450));
    Skin("menu2", QSize(160, 450));
    Skin("menu", QSize(109, 450));
    Skin("MacMenu/Insert", QSize(200, 140));
    Skin("MacMenu/Insert2th", QSize(180, 120));
    Skin("MacMenu/MacG", QSize(240, 180));
    sink = [this](unsigned m, std::intptr_t w, std::intptr_t l) -> std::intptr_t {
      messages.emplace_back(m, w, l);
      return 0;
    };
  }
  void TearDown() override {
    std::vector<QPointer<QWidget>> open;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<SkinnedPopup*>(w)) open.emplace_back(w);
    for (const QPointer<QWidget>& w : open) delete w.data();
    g_groupCount = 0;
    g_gunMacroCount = 0;
    g_macroDir.clear();
    SkinTreeTest::TearDown();
  }
  void Skin(const std::string& name, QSize size) {
    WriteImage(Skins() + "/" + name + "_mask.jpg", BlockImage(size, Qt::black));
    WriteImage(Skins() + "/" + name + "_normal.jpg", BlockImage(size, QColor(30, 30, 30)));
    WriteImage(Skins() + "/" + name + "_over.jpg", BlockImage(size, QColor(0, 90, 160)));
  }
  // A library of groups with `counts` macros each, named "g<i>" and "m<i>_<j>".
  void WriteLibrary(const std::vector<int>& counts) {
    g_macroDir = Skins() + "/lib/";
    g_groupCount = static_cast<int>(counts.size());
    for (std::size_t g = 0; g < counts.size(); ++g) {
      g_groupNames[g] = "g" + std::to_string(g);
      std::string text = "[Macros]\nmacroNum=" + std::to_string(counts[g]) + "\n";
      for (int j = 0; j < counts[g]; ++j) {
        MacroRecord record;
        SetMacroName(record, "m" + std::to_string(g) + "_" + std::to_string(j));
        text += std::to_string(j) + "=" + EncodeMacroRecord(record) + "\n";
      }
      WriteFile(g_macroDir + g_groupNames[g] + ".dat", text);
    }
    ini::ClearCache();
  }
  static void Click(SkinnedPopup& popup, QPoint at) {
    popup.MoveAt(at);
    popup.PressAt(at);
    popup.ReleaseAt(at);
  }

  std::vector<Message> messages;
  PopupMessageSink sink;
};

TEST_F(MenuTest, ProfileAndButtonFunctionRowsAndTheirChoices) {
  // Profile rows are a quarter of the mask: y = 130 is row 3.
  auto* profiles = OpenPopupMenu(MenuKindProfile, nullptr, {0, 0}, nullptr, sink);
  EXPECT_EQ(profiles->Geometry().rowHeight, 60);
  EXPECT_EQ(profiles->GetMenuHeight(), 240);
  Click(*profiles, {20, 130});
  EXPECT_EQ(g_currentProfile.load(), 2);
  EXPECT_EQ(messages, (std::vector<Message>{{kWmPopupMenuDone, 0, 0}}));
  EXPECT_FALSE(profiles->isVisible());

  // The function menu: eleven rows of a fifteenth of the mask.
  g_currentProfile = 1;
  g_keyFunc[1] = {1, 2, 3, 4, 5, 6, 7, 8};
  g_leftMac[1][2] = 1;
  g_selectedButtonItem = 22;
  messages.clear();
  auto* functions = OpenPopupMenu(MenuKindButtonFunction, nullptr, {0, 0}, nullptr, sink);
  EXPECT_EQ(functions->Geometry().rows, 11);
  EXPECT_EQ(functions->GetMenuHeight(), 11 * 30);
  EXPECT_EQ(CMenuDlg::GeometryFor(MenuKindButtonFunction).height, 330);
  EXPECT_EQ(functions->Captions()[2], g_funStrings[3]);
  for (int row : {7, 8, 9, 11}) Click(*functions, RowCentre(row, 30));  // cascading rows choose nothing
  EXPECT_TRUE(functions->isVisible());
  Click(*functions, RowCentre(3, 30));
  EXPECT_EQ(g_keyFunc[1][2], 3);
  EXPECT_EQ(g_leftMac[1][2], 0);
  EXPECT_FALSE(functions->isVisible());

  // Row 10 asks for a key combination (posted) and changes no function.
  auto* combination = new CMenuDlg(nullptr, MenuKindButtonFunction, nullptr, sink);
  Click(*combination, RowCentre(10, 30));
  EXPECT_TRUE(messages.empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(messages, (std::vector<Message>{{kWmShortcutRequest, 0, 0}}));
  EXPECT_EQ(g_keyFunc[1], (std::array<int, 12>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(MenuTest, LeftButtonRuleKeepsALeftClickInTheFirstProfile) {
  g_keyFunc[0] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_TRUE(AssignButtonFunction(0, 0, 5));
  EXPECT_EQ(g_keyFunc[0][0], 5);
  EXPECT_EQ(g_keyFunc[0][1], 1) << "the next button takes the left click";
  g_keyFunc[0] = {2, 2, 3, 4, 5, 6, 7, 1};
  EXPECT_TRUE(AssignButtonFunction(0, 7, 4));
  EXPECT_EQ(g_keyFunc[0][7], 1) << "the last button keeps it itself";
  g_keyFunc[2] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_TRUE(AssignButtonFunction(2, 0, 6));
  EXPECT_EQ(g_keyFunc[2][0], 6);
  EXPECT_EQ(g_keyFunc[2][1], 2) << "other profiles are left as chosen";
  // A button or profile outside the tables writes nothing.
  EXPECT_FALSE(AssignButtonFunction(0, 8, 3));
  EXPECT_FALSE(AssignButtonFunction(0, -1, 3));
  EXPECT_FALSE(AssignButtonFunction(4, 0, 3));
  EXPECT_EQ(g_keyFunc[0][8], 0);
}

TEST_F(MenuTest, CascadesOpenBesideTheirRowAndFollowOnlyHoverChanges) {
  WriteLibrary({1, 3, 2});
  g_selectedButtonItem = 21;
  g_keyFunc[0] = {1, 2, 3, 4, 5, 6, 7, 8};
  auto* menu = OpenPopupMenu(MenuKindButtonFunction, nullptr, {40, 30}, nullptr, sink);
  const QPoint origin = menu->mapToGlobal(QPoint(0, 0));

  // Row 9 with three groups: the group list opens (9 - 3) rows below the top.
  menu->MoveAt(RowCentre(9, 30));
  CSubMenuDlg* groups = menu->SubMenu();
  ASSERT_NE(groups, nullptr);
  EXPECT_EQ(groups->SubKind(), SubMenuKindGroups);
  EXPECT_EQ(groups->pos(), origin + QPoint(221, 6 * 30));
  EXPECT_EQ(groups->Rows(), 3);
  EXPECT_EQ(groups->Captions()[1], "g1");
  // Repaints and moves within the row keep the same submenu.
  for (int i = 0; i < 3; ++i) {
    menu->Compose();
    menu->repaint();
    menu->MoveAt(RowCentre(9, 30) + QPoint(5 * i, 2));
  }
  EXPECT_EQ(menu->SubMenu(), groups);

  // Group 2 holds three macros: the list opens one row above the group list's top, so
  // that its last row lies beside the hovered group.
  groups->MoveAt(RowCentre(2, 30));
  MacSelMenuDlg* macros = groups->MacroSelection();
  ASSERT_NE(macros, nullptr);
  EXPECT_EQ(macros->pos(), groups->pos() + QPoint(160, -30));
  EXPECT_EQ(macros->height(), 3 * 30 + 1);
  EXPECT_EQ(macros->Captions()[2], "m1_2");
  Click(*groups, RowCentre(2, 30));  // a group row chooses nothing
  EXPECT_EQ(g_keyFunc[0][1], 2);

  Click(*macros, RowCentre(3, 30));
  EXPECT_EQ(g_keyFunc[0][1], 2 * 256 + 2);
  EXPECT_EQ(messages, (std::vector<Message>{{kWmPopupMenuDone, 2, 0}}));
  EXPECT_EQ(g_closePopupRequest.exchange(0), 1);
  EXPECT_FALSE(menu->isVisible());
  EXPECT_FALSE(groups->isVisible());
  EXPECT_EQ(LibraryMacroCode(0, 1), 256);

  // Row 8 (media keys) has ten rows one row down; moving to a plain row closes it.
  auto* again = OpenPopupMenu(MenuKindButtonFunction, nullptr, {40, 30}, nullptr, sink);
  again->MoveAt(RowCentre(8, 30));
  CSubMenuDlg* media = again->SubMenu();
  ASSERT_NE(media, nullptr);
  EXPECT_EQ(media->pos(), again->mapToGlobal(QPoint(221, 30)));
  EXPECT_EQ(media->Rows(), 10);
  EXPECT_EQ(media->Captions()[0], g_funStrings[23]);
  Click(*media, RowCentre(1, 30));
  EXPECT_EQ(g_keyFunc[0][1], 23);
  EXPECT_FALSE(again->isVisible());
}

TEST_F(MenuTest, FunctionSubListsAndInsertLists) {
  const FunctionNameMap names{{"12", {"Fire", 1}}, {"13", {"Triple", 2}}, {"0", {"None", 0}}};
  EXPECT_EQ(FunctionSubListCode(7, 2, names), 13);
  EXPECT_EQ(FunctionSubListCode(7, 3, names), std::nullopt) << "a row without a name assigns nothing";
  EXPECT_EQ(FunctionSubListName(1, names), "Fire");
  EXPECT_EQ(FunctionSubListCode(8, 1, {}), 23);
  EXPECT_EQ(FunctionSubListCode(8, 10, {}), 32);
  EXPECT_EQ(FunctionSubListCode(11, 4, {}), 22);
  EXPECT_EQ(FunctionSubListCode(11, 5, {}), std::nullopt);
  EXPECT_EQ(SubMenuRows(SubMenuKindFunctions, 7, 7), 7);
  EXPECT_EQ(SubMenuRows(SubMenuKindFunctions, 8, 7), 10);
  EXPECT_EQ(SubMenuRows(SubMenuKindFunctions, 11, 7), 4);

  std::vector<int> codes;
  for (int kind = 141; kind <= 144; ++kind)
    for (int row = 0; row <= 7; ++row)
      if (const std::optional<int> code = InsertCode(kind, row)) codes.push_back(*code);
  std::vector<int> expected;
  for (int code = 241; code <= 258; ++code) expected.push_back(code);
  EXPECT_EQ(codes, expected);
  EXPECT_EQ(InsertCode(142, 5), 251);

  // The insert menu: rows 1 to 4 only open their lists, 5 to 7 send their commands.
  auto* insert = OpenPopupMenu(MenuKindInsertEvent, nullptr, {40, 30}, nullptr, sink);
  EXPECT_EQ(insert->Geometry().rows, 7);
  EXPECT_EQ(insert->GetMenuHeight(), 140);
  for (int row = 1; row <= 4; ++row) Click(*insert, RowCentre(row, 20));
  EXPECT_TRUE(insert->isVisible());
  EXPECT_TRUE(messages.empty());
  insert->MoveAt(RowCentre(2, 20));
  CSubMenuDlg* list = insert->SubMenu();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->SubKind(), 142);
  EXPECT_EQ(list->pos(), insert->mapToGlobal(QPoint(200, 20)));
  EXPECT_EQ(list->Rows(), 6);
  Click(*list, RowCentre(5, 20));
  EXPECT_EQ(messages, (std::vector<Message>{{kWmPopupMenuCommand, 14, 251}}));
  EXPECT_FALSE(insert->isVisible());

  messages.clear();
  auto* other = OpenPopupMenu(MenuKindInsertEvent, nullptr, {40, 30}, nullptr, sink);
  Click(*other, RowCentre(6, 20));
  EXPECT_EQ(messages, (std::vector<Message>{{kWmPopupMenuCommand, 14, 146}}));
}

TEST_F(MenuTest, LanguageGunPresetAndMacroPageMenus) {
  // The language menu is two rows high without items, one row per language with them.
  CMenuDlg empty(nullptr, MenuKindLanguage, nullptr, sink);
  EXPECT_EQ(empty.GetMenuHeight(), 2 * 30);
  const std::vector<int> items{1, 0, 4};
  auto* languages = new CMenuDlg(nullptr, MenuKindLanguage, &items, sink);
  EXPECT_EQ(languages->Items(), items);
  EXPECT_EQ(languages->GetMenuHeight(), 3 * 30);
  g_embeddedFontsLoaded = 1;
  Click(*languages, RowCentre(2, 30));
  EXPECT_EQ(messages, (std::vector<Message>{{kWmPopupMenuDone, 1, 2}}));

  // Gun presets: the preset shown sends nothing but the menu still closes.
  messages.clear();
  g_gunMacroCount = 3;
  g_currentGunPreset = 1;
  auto* same = new CMenuDlg(nullptr, MenuKindGunPreset, nullptr, sink);
  EXPECT_EQ(same->Geometry().rows, 3);
  Click(*same, RowCentre(2, 30));
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(same->isVisible());
  auto* other = new CMenuDlg(nullptr, MenuKindGunPreset, nullptr, sink);
  Click(*other, RowCentre(3, 30));
  EXPECT_EQ(g_currentGunPreset, 2);
  EXPECT_EQ(messages, (std::vector<Message>{{kWmGunMacroSelected, 1, 0}}));

  // The macro list's menu posts its command with the row.
  messages.clear();
  auto* groups = new CMenuDlg(nullptr, MenuKindGroupList, nullptr, sink);
  EXPECT_EQ(groups->GetMenuHeight(), 9 * 20);
  Click(*groups, RowCentre(9, 20));
  QCoreApplication::processEvents();
  EXPECT_EQ(messages, (std::vector<Message>{{kWmPopupMenuCommand, 11, 9}}));
  // Its mask missing, the macro row menu says so and stays empty.
  CMenuDlg rows(nullptr, MenuKindMacroList, nullptr, sink);
  EXPECT_EQ(record.messages, std::vector<std::string>{"找不到 MacR_mask.jpg"});
  EXPECT_EQ(rows.Geometry().rows, 0);
}

TEST_F(MenuTest, KeyReactionAndLightingStepsStayInsideTheirTables) {
  g_ledType = 12;
  // The button is the one whose drop-down opened the menu, handed to it when it opens.
  auto* reaction = new CMenuDlg(nullptr, MenuKindKeyReaction, nullptr, sink, KeyReactionButton(63));
  Click(*reaction, RowCentre(3, 30));
  EXPECT_EQ(g_ledReactType[0][2], 2);
  // A drop-down beyond the device's buttons writes nothing.
  EXPECT_EQ(KeyReactionButton(61 + 8), -1);
  auto* outside = new CMenuDlg(nullptr, MenuKindKeyReaction, nullptr, sink, KeyReactionButton(61 + 8));
  const auto before = g_ledReactType;
  Click(*outside, RowCentre(1, 30));
  EXPECT_EQ(g_ledReactType, before);

  // Lighting steps: block and macro numbers come from files and are bounded.
  g_editMacro = 4;
  g_ledSubListBlock = 2;
  auto* mode = new CMenuDlg(nullptr, MenuKindLedStepMode, nullptr, sink);
  Click(*mode, RowCentre(4, 30));
  EXPECT_EQ(g_groupMacros[4].ledBlocks[2][4], 6);
  EXPECT_EQ(messages.back(), (Message{kWmLedStepsReloadMode, 3, 0}));
  auto* value = new CMenuDlg(nullptr, MenuKindLedStepValue, nullptr, sink);
  Click(*value, RowCentre(7, 30));
  EXPECT_EQ(g_groupMacros[4].ledBlocks[2][5], 7);
  EXPECT_EQ(messages.back(), (Message{kWmLedStepsReloadValue, 7, 0}));
  const MacroTable records = g_groupMacros;
  messages.clear();
  for (auto [macro, block] : {std::pair{4, 5}, std::pair{4, -1}, std::pair{13, 0}, std::pair{-2, 0}}) {
    g_editMacro = macro;
    g_ledSubListBlock = block;
    auto* bad = new CMenuDlg(nullptr, MenuKindLedStepMode, nullptr, sink);
    Click(*bad, RowCentre(1, 30));
  }
  EXPECT_TRUE(g_groupMacros == records);
  EXPECT_TRUE(messages.empty());
  g_editMacro = 0;
  g_ledSubListBlock = 0;
}

}  // namespace
