// The popups' layout reader and its two messages.
#include <gtest/gtest.h>

#include "skin/popup_skin.h"
#include "skin_fixture.h"

namespace {

using skintest::SkinTreeTest;

class PopupLayout : public SkinTreeTest {};

TEST_F(PopupLayout, ReadsTheTableOfTheLanguageFolder) {
  WriteLanguageFile(1, "skin_keyset.ini",
                    "[BUTTONPOS]\n0=key,10,20,30,40,Key\n1=ok,1,2,3,4,OK,ignored\n2=c,5,6\n");
  std::array<SkinRect, 4> rects;
  std::array<std::string, 4> captions;
  rects.fill(SkinRect{9, 9, 9, 9});
  captions.fill("old");
  EXPECT_EQ(PopupLayoutPath("skin_keyset.ini"), LangDir(1) + "/skin_keyset.ini");
  ASSERT_TRUE(ReadPopupLayout(PopupLayoutPath("skin_keyset.ini"), rects, captions, nullptr));
  EXPECT_EQ(rects[0], (SkinRect{10, 20, 30, 40}));
  EXPECT_EQ(captions[0], "Key");
  EXPECT_EQ(rects[1], (SkinRect{1, 2, 3, 4}));
  EXPECT_EQ(captions[1], "OK");
  EXPECT_EQ(rects[2], (SkinRect{5, 6, 0, 0}));
  EXPECT_EQ(captions[2], "");
  EXPECT_EQ(rects[3], (SkinRect{}));
  EXPECT_TRUE(record.messages.empty());
  EXPECT_TRUE(record.warnings.empty());  // never the main window's warning box
}

TEST_F(PopupLayout, MissingFileSaysSoOnceAndEndsThePopup) {
  std::array<SkinRect, 14> rects;
  std::array<std::string, 14> captions;
  rects.fill(SkinRect{1, 1, 1, 1});
  captions.fill("old");
  EXPECT_FALSE(ReadPopupLayout(PopupLayoutPath("skin_shortcut.ini"), rects, captions, nullptr));
  EXPECT_EQ(record.messages, std::vector<std::string>{"找不到配置文件"});
  for (std::size_t i = 0; i < rects.size(); ++i) {
    EXPECT_EQ(rects[i], SkinRect{});
    EXPECT_EQ(captions[i], "");
  }
  SkinFields fields;
  EXPECT_FALSE(ReadPopupList(PopupLayoutPath("skin_shortcut.ini"), "BUTTONPOS", 0, fields, nullptr));
  EXPECT_EQ(record.messages.size(), 2u);
  EXPECT_TRUE(record.warnings.empty());
  EXPECT_EQ(record.closeRequests, 0);  // a popup's file never closes the program
}

TEST_F(PopupLayout, MoreThanSixCommasIsAFormatError) {
  WriteLanguageFile(1, "skin_gun.ini",
                    "[BUTTONPOS]\n0=a,1,2,3,4,six,commas\n1=b,1,2,3,4,c,d,e\n2=c,1,2,3,4,c,d,e,f\n");
  std::array<SkinRect, 3> rects;
  std::array<std::string, 3> captions;
  ASSERT_TRUE(ReadPopupLayout(PopupLayoutPath("skin_gun.ini"), rects, captions, nullptr));
  // One message per bad line; the line is still split as usual.
  EXPECT_EQ(record.messages, (std::vector<std::string>{"加载ini错误！", "加载ini错误！"}));
  EXPECT_EQ(rects[1], (SkinRect{1, 2, 3, 4}));
  EXPECT_EQ(captions[2], "c");
}

}  // namespace
