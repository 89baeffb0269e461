#include "profile/shortcut.h"

#include <gtest/gtest.h>

#include "keys/language.h"
#include "profile/macro_record.h"
#include "profile/settings.h"

namespace {

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_language = 1;
    ClearSettingsTables();
    for (auto& profile : g_profileMacros)
      for (MacroRecord& r : profile) r = MacroRecord{};
    g_currentProfile = 1;
  }
  void TearDown() override { ClearSettingsTables(); }

  static std::string Stored(int profile, int button) { return m_shortcutTexts[profile][button]; }
  static std::string Join(std::initializer_list<const char*> tokens) {
    std::string text;
    bool first = true;
    for (const char* t : tokens) {
      if (!first) text += "&split&";
      text += t;
      first = false;
    }
    return text;
  }
};

struct CaptureCase {
  const char* title;
  unsigned wParam;
  std::string text;
  std::string stored;
};

class CaptureTest : public ShortcutTest, public ::testing::WithParamInterface<CaptureCase> {};

TEST_P(CaptureTest, StoresTheTenTokenText) {
  const CaptureCase& c = GetParam();
  EXPECT_EQ(OnShortcutCaptured(c.wParam, c.text), 1);
  EXPECT_EQ(Stored(1, static_cast<int>(c.wParam / 256)), c.stored) << c.title;
  EXPECT_EQ(SplitShortcutText(Stored(1, static_cast<int>(c.wParam / 256))).size(), 10u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CaptureTest,
    ::testing::Values(
        CaptureCase{"ctrl alt and a key", 3 * 256 + 65, "Ctrl&split&Alt&split&A",
                    "Ctrl&split&162&split&Shift&split&&split&Alt&split&164&split&Win&split&&split&A&split&65"},
        CaptureCase{"a key alone", 0 * 256 + 65, "A",
                    "Ctrl&split&&split&Shift&split&&split&Alt&split&&split&Win&split&&split&A&split&65"},
        CaptureCase{"a modifier alone", 2 * 256 + 255, "Shift",
                    "Ctrl&split&&split&Shift&split&160&split&Alt&split&&split&Win&split&&split&&split&"},
        CaptureCase{"last token is a modifier without key", 5 * 256 + 255, "Win&split&Ctrl",
                    "Ctrl&split&162&split&Shift&split&&split&Alt&split&&split&Win&split&91&split&&split&"},
        CaptureCase{"with a key the last token is its name", 11 * 256 + 17, "Win&split&Ctrl",
                    "Ctrl&split&&split&Shift&split&&split&Alt&split&&split&Win&split&91&split&Ctrl&split&17"},
        CaptureCase{"unknown tokens are ignored", 1 * 256 + 112, "Hyper&split&Ctrl&split&F1",
                    "Ctrl&split&162&split&Shift&split&&split&Alt&split&&split&Win&split&&split&F1&split&112"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(ShortcutTest, CaptureSetsTheRecord) {
  OnShortcutCaptured(4 * 256 + 66, "Ctrl&split&Win&split&B");
  EXPECT_EQ(g_shortcut.key, 66);
  EXPECT_EQ(g_shortcut.modifiers, (std::array<std::uint8_t, 4>{162, 255, 255, 91}));
  OnShortcutCaptured(4 * 256 + 255, "");
  EXPECT_EQ(g_shortcut.key, 255);
  EXPECT_EQ(g_shortcut.modifiers, (std::array<std::uint8_t, 4>{255, 255, 255, 255}));
}

TEST_F(ShortcutTest, OnlyButtonsBelowTwelveOfTheCurrentProfileAreStored) {
  g_keyFunc[1][3] = kShortcutAssignment;
  m_shortcutTexts[0][3] = "profile 0 keeps this";
  OnShortcutCaptured(3 * 256 + 65, "Ctrl&split&A");
  EXPECT_EQ(m_shortcutTexts[0][3], "profile 0 keeps this");
  EXPECT_EQ(MacroName(g_profileMacros[1][3]), "Ctrl+A");

  OnShortcutCaptured(12 * 256 + 65, "Alt&split&A");
  for (int p = 0; p < kProfileCount; ++p) EXPECT_TRUE(m_shortcutTexts[p][12].empty());
  EXPECT_EQ(MacroName(g_profileMacros[1][3]), "Ctrl+A");
}

TEST_F(ShortcutTest, MacrosAreBuiltFromTheStoredPairs) {
  g_keyFunc[2][7] = kShortcutAssignment;
  m_shortcutTexts[2][7] = Join({"Ctrl", "162", "Shift", "", "Alt", "164", "Win", "", "A", "65"});
  MacroRecord& r = g_profileMacros[2][7];
  r.param[0].a = 9;   // not set by the build: stays
  r.delay[3] = 55;    // beyond the events: stays
  BuildShortcutMacros();
  EXPECT_EQ(MacroName(r), "Ctrl+Alt+A");
  EXPECT_EQ(r.mode, 2);
  EXPECT_EQ(r.repeatCount, 1);
  ASSERT_EQ(r.eventCount, 3);
  EXPECT_EQ(r.code[0], VkToDeviceKey(162));
  EXPECT_EQ(r.code[1], VkToDeviceKey(164));
  EXPECT_EQ(r.code[2], VkToDeviceKey(65));
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(r.action[k], 1);
    EXPECT_EQ(r.delay[k], 4);
  }
  EXPECT_EQ(r.param[0].a, 9);
  EXPECT_EQ(r.delay[3], 55);
}

TEST_F(ShortcutTest, ButtonsWithAnotherAssignmentGetNoMacro) {
  g_keyFunc[0][1] = 17;
  m_shortcutTexts[0][1] = Join({"Ctrl", "162", "Shift", "", "Alt", "", "Win", "", "A", "65"});
  BuildShortcutMacros();
  EXPECT_EQ(g_profileMacros[0][1], MacroRecord{});
  EXPECT_FALSE(m_shortcutTexts[0][1].empty());
}

TEST_F(ShortcutTest, OddAndOverlongTextsStayWithinTheRecord) {
  g_keyFunc[0][0] = kShortcutAssignment;
  // Seven pairs with codes and a token without partner: five events at most.
  m_shortcutTexts[0][0] = Join({"K1", "49", "K2", "50", "K3", "51", "K4", "52", "K5", "53", "K6", "54", "K7", "55", "Lone"});
  BuildShortcutMacros();
  EXPECT_EQ(g_profileMacros[0][0].eventCount, 5);
  EXPECT_EQ(MacroName(g_profileMacros[0][0]), "K1+K2+K3+K4+K5");

  // A name longer than the 30 characters of the record is cut.
  g_keyFunc[0][1] = kShortcutAssignment;
  m_shortcutTexts[0][1] = Join({"Ctrl", "162", "Shift", "160", "Alt", "164", "Win", "91", "PrintScreenSysRq", "44"});
  BuildShortcutMacros();
  EXPECT_EQ(MacroName(g_profileMacros[0][1]), std::string("Ctrl+Shift+Alt+Win+PrintScreenSysRq").substr(0, 30));
  EXPECT_EQ(g_profileMacros[0][1].eventCount, 5);

  // An empty text gives an empty macro, not a crash.
  g_keyFunc[0][2] = kShortcutAssignment;
  BuildShortcutMacros();
  EXPECT_EQ(g_profileMacros[0][2].eventCount, 0);
  EXPECT_EQ(g_profileMacros[0][2].mode, 2);
}

TEST_F(ShortcutTest, KeyAloneGivesOneEventNamedAfterTheKey) {
  g_keyFunc[1][5] = kShortcutAssignment;
  OnShortcutCaptured(5 * 256 + 65, "A");
  const MacroRecord& r = g_profileMacros[1][5];
  EXPECT_EQ(r.eventCount, 1);
  EXPECT_EQ(MacroName(r), "A");
  EXPECT_EQ(r.code[0], VkToDeviceKey(65));
}

TEST_F(ShortcutTest, CaptureTextOfTheDialog) {
  EXPECT_EQ(MakeShortcutCaptureText({true, false, true, false}, "A"), "Ctrl&split&Alt&split&A");
  EXPECT_EQ(MakeShortcutCaptureText({false, true, false, false}, ""), "Shift");
  EXPECT_EQ(MakeShortcutCaptureText({false, false, false, false}, "B"), "B");
  EXPECT_EQ(MakeShortcutCaptureText({false, false, false, false}, ""), "");
  EXPECT_EQ(MakeShortcutCaptureText({true, true, true, true}, ""), "Ctrl&split&Shift&split&Alt&split&Win");
}

TEST_F(ShortcutTest, SplitKeepsEmptyTokens) {
  EXPECT_EQ(SplitShortcutText(""), std::vector<std::string>{""});
  EXPECT_EQ(SplitShortcutText("a&split&&split&"), (std::vector<std::string>{"a", "", ""}));
  EXPECT_EQ(SplitShortcutText("a&split"), std::vector<std::string>{"a&split"});
}

TEST_F(ShortcutTest, KeyDisplayNamesFollowTheLanguage) {
  EXPECT_EQ(GetKeyDisplayName(VkToDeviceKey('A')), "A");
  EXPECT_EQ(GetKeyDisplayName(VkToDeviceKey('A')), DeviceKeyName(VkToDeviceKey('A')));
}

}  // namespace
