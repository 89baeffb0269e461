// Rows of the macro page's lighting-step list.
#include <QListWidget>

#include "page_fixture.h"

#include "controls/list_box_xi.h"
#include "keys/language.h"
#include "mainwnd/page_paint.h"
#include "mainwnd/page_state.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "skin/language_texts.h"

namespace painttest {
namespace {

class LedStepsTest : public PagePaintTest {
 protected:
  void SetUp() override {
    PagePaintTest::SetUp();
    g_textOther[6] = "Mode:";
    g_textOther[7] = "Value:";
    g_textOther[8] = "(none)";
    g_textOther[9] = "Time:";
    g_textOther[12] = " ms";
    g_ledStepTexts = {"Static", "Breath", "Flash", "Wave", "Off", "Cycle", "", "", ""};
    g_textLed[8] = "Off";
  }
  using Block = std::array<std::uint8_t, 68>;
  static Block OneStep(std::uint8_t kind, std::uint8_t value, std::uint8_t time) {
    Block block{};
    block[0] = 1;
    block[4] = kind;
    block[5] = value;
    block[6] = time;
    return block;
  }
};

TEST_F(LedStepsTest, OneStepGivesKindValueAndTimeRows) {
  Block block = OneStep(2, 40, 9);
  EXPECT_EQ(LedStepRows(block), (std::vector<std::string>{"Mode: Breath", "Value:   40", "Time:9*122 ms"}));
  EXPECT_EQ(g_ledBlockStepKind, 2);
}

TEST_F(LedStepsTest, StepKindsAndTheirCorrections) {
  struct Case {
    std::uint8_t kind;
    std::string name;
    std::uint16_t storedKind;
    std::string valueRow;
  };
  const Case cases[] = {
      {1, "Static", 1, "Value:   5"}, {3, "Flash", 3, "Value:   5"}, {6, "Wave", 6, "(none)"},
      {9, "Cycle", 9, "Value:   5"},  {7, "Off", 7, "(none)"},      {4, "Off", 7, "(none)"},
      {0, "Off", 7, "(none)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << int(c.kind));
    Block block = OneStep(c.kind, 5, 1);
    const auto rows = LedStepRows(block);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], "Mode: " + c.name);
    EXPECT_EQ(rows[1], c.valueRow);
    EXPECT_EQ(block[4], c.storedKind);
    EXPECT_EQ(g_ledBlockStepKind, c.storedKind);
  }
}

TEST_F(LedStepsTest, KindIsKeptWhenStepNamesAreMissingOrRepeat) {
  g_ledStepTexts.fill(std::string());
  g_textLed[8].clear();
  Block block = OneStep(2, 5, 1);
  LedStepRows(block);
  EXPECT_EQ(block[4], 2);
  EXPECT_EQ(g_ledBlockStepKind, 2);
  EXPECT_EQ(LedStepRows(block)[1], "Value:   5");

  block = OneStep(5, 5, 1);
  LedStepRows(block);
  EXPECT_EQ(block[4], 7);
}

TEST_F(LedStepsTest, ZeroValueIsStoredAsOne) {
  Block block = OneStep(1, 0, 0);
  const auto rows = LedStepRows(block);
  EXPECT_EQ(block[5], 1);
  EXPECT_EQ(rows[1], "Value:   1");
  EXPECT_EQ(rows[2], "Time:0*122 ms");
}

TEST_F(LedStepsTest, LaterStepsRepeatTheTimeRowAndStayWithinTheBlock) {
  Block block = OneStep(1, 5, 2);
  block[0] = 2;
  EXPECT_EQ(LedStepRows(block).size(), 7u);
  EXPECT_EQ(LedStepRows(block)[3], "Time:2*122 ms");

  block[0] = 0;
  EXPECT_TRUE(LedStepRows(block).empty());

  // A step count the 68 bytes cannot hold stops at the block's last byte.
  block.fill(0xFF);
  block[4] = 1;
  EXPECT_EQ(LedStepRows(block).size(), 64u);
}

TEST_F(LedStepsTest, FillReplacesTheListRowsFromTheEditedMacro) {
  CListBoxXI list;
  g_ledSubList = &list;
  list.AddItem("stale", 0);
  g_editMacro = 3;
  g_groupMacros[3].ledBlocks[2] = OneStep(3, 0, 4);
  const auto rows = FillLedSubList(2);
  ASSERT_EQ(list.count(), 3);
  EXPECT_EQ(list.item(0)->text().toStdString(), "Mode: Flash");
  EXPECT_EQ(list.item(2)->text().toStdString(), rows[2]);
  EXPECT_EQ(g_groupMacros[3].ledBlocks[2][5], 1);  // corrected in the macro itself

  // A block or macro that does not exist leaves the list empty.
  EXPECT_TRUE(FillLedSubList(5).empty());
  EXPECT_EQ(list.count(), 0);
  g_editMacro = 13;
  EXPECT_TRUE(FillLedSubList(0).empty());
  g_ledSubList = nullptr;
}

}  // namespace
}  // namespace painttest
