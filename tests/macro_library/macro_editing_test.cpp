// Event editing of a macro without widgets: the insert menu's items, the limits with
// their warnings, lighting steps keeping their blocks, deletion, the values typed into
// the lists, play count and play modes, and the rows that show the events.
#include "library_fixture.h"
#include "profile/macro_editing.h"
#include "profile/shortcut.h"

namespace {

namespace Code = MacroEventCode;

class MacroEditingTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    g_textOther[11] = "DPI reset";
    g_textOther[12] = "ms";
    g_textOther[13] = "Light ";
    g_textOther[14] = "?";
    g_textOther[17] = "Delay";
  }
  MacroRecord r;

  std::vector<std::uint8_t> Codes() const {
    return std::vector<std::uint8_t>(r.code.begin(), r.code.begin() + r.eventCount);
  }
  // Inserts a lighting step after event `after` (-1: at the front of an empty macro)
  // and gives its block a recognisable byte 5.
  void InsertLight(int after, std::uint8_t mark) {
    ASSERT_TRUE(InsertFromMenu(r, 145, after));
    const int at = r.eventCount == 1 ? 0 : after + 1;
    r.ledBlocks[r.param[at].a][5] = mark;
  }
  std::uint8_t MarkOf(int event) const { return r.ledBlocks[r.param[event].a][5]; }
};

TEST_F(MacroEditingTest, EveryInsertItemPutsItsEventBeforeOrAfterTheSelectedOne) {
  // "After" into an empty macro lands at position 0.
  ASSERT_TRUE(InsertFromMenu(r, 146, 7));
  EXPECT_EQ(Codes(), (std::vector<std::uint8_t>{Code::Delay}));
  EXPECT_EQ(r.delay[0], 100);

  struct Case {
    int item;
    std::uint8_t code, action;
    bool before;
  };
  const Case cases[] = {{241, 241, 1, true},  {242, 241, 2, true},  {243, 242, 1, true},  {244, 242, 2, true},
                        {245, 243, 1, true},  {246, 243, 2, true},  {247, 241, 1, false}, {248, 241, 2, false},
                        {249, 242, 1, false}, {250, 242, 2, false}, {251, 243, 1, false}, {252, 243, 2, false},
                        {253, 246, 3, false}, {254, 246, 4, false}, {255, 246, 5, false}, {256, 246, 6, false},
                        {257, 248, 9, false}, {258, 248, 10, false}, {145, 249, 13, false}, {146, 0, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    MacroRecord m = r;  // one pure delay
    m.delay[0] = 55;
    ASSERT_TRUE(InsertFromMenu(m, c.item, 0));
    ASSERT_EQ(m.eventCount, 2);
    const int at = c.before ? 0 : 1;
    EXPECT_EQ(m.code[at], c.code);
    EXPECT_EQ(m.action[at], c.action);
    EXPECT_EQ(m.delay[at], 100);
    EXPECT_EQ(m.delay[1 - at], 55);  // the old event moved with its delay
  }
  EXPECT_FALSE(InsertFromMenu(r, kInsertItemDelete, 0));
  EXPECT_FALSE(InsertFromMenu(r, 259, 0));

  // New values: a move has vertical magnitude 10, a DPI step shows 800.
  ASSERT_TRUE(InsertFromMenu(r, 256, 0));
  ASSERT_TRUE(InsertFromMenu(r, 257, 1));
  EXPECT_EQ(r.param[1].b, 10);
  EXPECT_EQ(r.moveCount, 1);
  EXPECT_EQ(r.param[2], (MacroParam{4, 0}));
  EXPECT_EQ(r.cpiCount, 1);
  EXPECT_EQ(EventRowOf(r, 2), (EventRow{"[DPI]:800 ", kEventIconDpi}));
  EXPECT_TRUE(tips.empty());
}

TEST_F(MacroEditingTest, LimitsRefuseWithTheirWarnings) {
  for (int i = 0; i < kMaxMoveEvents; ++i) ASSERT_TRUE(InsertFromMenu(r, 253, i - 1));
  EXPECT_FALSE(InsertFromMenu(r, 254, 0));
  for (int i = 0; i < kMaxDpiSteps; ++i) ASSERT_TRUE(InsertFromMenu(r, 257, 0));
  EXPECT_FALSE(InsertFromMenu(r, 258, 0));
  for (int i = 0; i < kMacroBlockCount; ++i) ASSERT_TRUE(InsertFromMenu(r, 145, 0));
  EXPECT_FALSE(InsertFromMenu(r, 145, 0));              // the menu's lighting item: 21
  EXPECT_FALSE(InsertMacroEvent(r, 0, Code::LightingStep, 13));  // a sixth block: 6
  EXPECT_EQ(tips, (std::vector<int>{6, 6, 21, 6}));
  EXPECT_EQ(r.eventCount, 60);

  tips.clear();
  while (r.eventCount < kMacroMaxEvents) ASSERT_TRUE(InsertFromMenu(r, 146, r.eventCount - 1));
  const MacroRecord full = r;
  EXPECT_FALSE(InsertFromMenu(r, 146, 0));
  EXPECT_EQ(r, full);
  EXPECT_EQ(tips, (std::vector<int>{21}));
}

TEST_F(MacroEditingTest, LightingStepsKeepTheirBlocksThroughInsertAndDelete) {
  ASSERT_TRUE(InsertFromMenu(r, 146, 0));  // delay
  InsertLight(0, 11);                      // delay, L11
  ASSERT_TRUE(InsertFromMenu(r, 146, 1));  // delay, L11, delay
  InsertLight(2, 33);                      // delay, L11, delay, L33
  // A step between the two: the later one moves to the next block with its data.
  InsertLight(1, 22);                      // delay, L11, L22, delay, L33
  EXPECT_EQ(Codes(), (std::vector<std::uint8_t>{0, 249, 249, 0, 249}));
  EXPECT_EQ(r.ledBlockCount, 3);
  EXPECT_EQ((std::vector<int>{r.param[1].a, r.param[2].a, r.param[4].a}), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ((std::vector<int>{MarkOf(1), MarkOf(2), MarkOf(4)}), (std::vector<int>{11, 22, 33}));
  EXPECT_EQ(r.ledBlocks[1][0], 1);
  EXPECT_EQ(r.ledBlocks[1][6], 10);
  EXPECT_EQ(EventRowOf(r, 4), (EventRow{"Light 3", kEventIconLighting}));

  // Deleting it moves the later block back and clears the freed one.
  ASSERT_TRUE(DeleteMacroEvent(r, 2));
  EXPECT_EQ(Codes(), (std::vector<std::uint8_t>{0, 249, 0, 249}));
  EXPECT_EQ(r.ledBlockCount, 2);
  EXPECT_EQ(r.param[3].a, 1);
  EXPECT_EQ(MarkOf(3), 33);
  EXPECT_EQ(r.ledBlocks[2], (std::array<std::uint8_t, kMacroBlockSize>{}));
  EXPECT_EQ(r.code[4], 0);
  EXPECT_EQ(r.delay[4], 0);  // the freed slot is cleared

  // Counters of the other kinds fall; an empty macro or a bad index deletes nothing.
  ASSERT_TRUE(InsertFromMenu(r, 253, 0));
  ASSERT_TRUE(DeleteMacroEvent(r, 1));
  EXPECT_EQ(r.moveCount, 0);
  MacroRecord empty;
  EXPECT_FALSE(DeleteMacroEvent(empty, 0));
  EXPECT_FALSE(DeleteMacroEvent(r, r.eventCount));
}

TEST_F(MacroEditingTest, BlockIndicesFromFilesNeverReachPastTheBlocks) {
  // A file may give a lighting event any index: nothing is read or written outside the
  // five blocks, whatever the edit.
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(InsertFromMenu(r, 145, i - 1));
  r.param[2].a = 900;
  r.param[1].a = 4;
  ASSERT_TRUE(InsertFromMenu(r, 145, 0));
  EXPECT_LE(r.param[1].a, 4);
  ASSERT_TRUE(DeleteMacroEvent(r, 0));
  ASSERT_TRUE(DeleteMacroEvent(r, 0));
  EXPECT_EQ(r.ledBlockCount, 2);
  EXPECT_FALSE(ApplyLedStepEdit(r, 900, 2, "50"));
  EXPECT_FALSE(ApplyLedStepEdit(r, 0, kMacroBlockSize - 4, "50"));
  EXPECT_TRUE(ApplyLedStepEdit(r, 0, kMacroBlockSize - 5, "50"));
  EXPECT_EQ(r.ledBlocks[0][kMacroBlockSize - 1], 50);
}

TEST_F(MacroEditingTest, TypedValuesOfDelaysDpiStepsMovesAndLightingSteps) {
  ASSERT_TRUE(InsertFromMenu(r, 256, 0));  // move
  ASSERT_TRUE(InsertFromMenu(r, 257, 0));  // DPI step
  ASSERT_TRUE(InsertFromMenu(r, 258, 1));  // DPI reset

  // Delays: digits, or digits before the unit; a bad text changes nothing.
  EXPECT_TRUE(ApplyEventRowEdit(r, 1, "250", "ms"));
  EXPECT_TRUE(ApplyEventRowEdit(r, 3, "40ms", "ms"));
  EXPECT_FALSE(ApplyEventRowEdit(r, 5, "4x0ms", "ms"));
  EXPECT_FALSE(ApplyEventRowEdit(r, 5, "", "ms"));
  EXPECT_TRUE(ApplyEventRowEdit(r, 5, "99999999999999999999", "ms"));
  EXPECT_EQ((std::vector<int>{r.delay[0], r.delay[1], r.delay[2]}), (std::vector<int>{250, 40, 10000}));
  EXPECT_EQ(tips, (std::vector<int>{21}));
  EXPECT_FALSE(ApplyEventRowEdit(r, 7, "5", "ms"));  // no event 3

  // DPI: the twelve values; another one gives step 4 after the message.
  EXPECT_TRUE(ApplyEventRowEdit(r, 2, "[DPI]:2400 ", "ms"));
  EXPECT_EQ(r.param[1].a, 11);
  EXPECT_EQ(EventRowOf(r, 1).text, "[DPI]:2400 ");
  EXPECT_TRUE(ApplyEventRowEdit(r, 2, "[DPI]:1500", "ms"));
  EXPECT_EQ(r.param[1].a, 4);
  EXPECT_FALSE(ApplyEventRowEdit(r, 4, "[DPI]:400", "ms"));  // a reset keeps its values
  EXPECT_EQ(tips.back(), -1);

  // Moves: both magnitudes must be numbers; above 100 a warning and 100.
  tips.clear();
  EXPECT_FALSE(ApplyEventRowEdit(r, 0, "[X+]:5,[Y+]:abc", "ms"));
  EXPECT_FALSE(ApplyEventRowEdit(r, 0, "[X+]:5", "ms"));
  EXPECT_FALSE(ApplyEventRowEdit(r, 0, "5,6", "ms"));
  EXPECT_TRUE(ApplyEventRowEdit(r, 0, "[X+]:150,[Y+]:7", "ms"));
  EXPECT_EQ(r.param[0], (MacroParam{100, 7}));
  EXPECT_EQ(EventRowOf(r, 0), (EventRow{"[X+]:100,[Y+]:7", kEventIconMove}));
  EXPECT_EQ(tips, (std::vector<int>{6}));

  // Lighting-step values: digits, or between ':' and the six-character end; short texts
  // hold no value; clamped to 1..100.
  EXPECT_EQ(ParseLedStepValueEdit("Time:25*122ms"), 25);
  EXPECT_EQ(ParseLedStepValueEdit("0"), 1);
  EXPECT_EQ(ParseLedStepValueEdit("250"), 100);
  EXPECT_EQ(ParseLedStepValueEdit(":5"), std::nullopt);
  EXPECT_EQ(ParseLedStepValueEdit("a:"), std::nullopt);
  EXPECT_EQ(ParseLedStepValueEdit("T:*122ms"), std::nullopt);
  EXPECT_EQ(ParseLedStepValueEdit(""), std::nullopt);
}

TEST_F(MacroEditingTest, PlayCountAndPlayModes) {
  EXPECT_EQ(ClampPlayCount("0"), 1);
  EXPECT_EQ(ClampPlayCount("5000"), 1000);
  EXPECT_EQ(ClampPlayCount("12"), 12);
  EXPECT_EQ(ClampPlayCount(""), 1);
  EXPECT_EQ(ClampPlayCount("99999999999999999999"), 1000);

  r.mode = 0xF0;
  r.repeatCount = 7;
  EXPECT_EQ(PlayCountViewOf(r)->text, "7");
  auto held = SetPlayMode(r, 6);
  EXPECT_EQ(r.mode, 0xF2);
  EXPECT_EQ(r.repeatCount, 1);
  EXPECT_FALSE(held->enabled);
  EXPECT_EQ(SetPlayMode(r, 7)->text, "1");
  EXPECT_EQ(r.mode, 0xF1);
  r.repeatCount = 9;
  auto counted = SetPlayMode(r, 8);
  EXPECT_EQ(r.mode, 0xF0);
  EXPECT_TRUE(counted->enabled);
  EXPECT_EQ(counted->text, "9");
  r.mode = 3;
  EXPECT_FALSE(PlayCountViewOf(r).has_value());
  EXPECT_FALSE(SetPlayMode(r, 5).has_value());
}

TEST_F(MacroEditingTest, RowsShowEachEventWithItsDelay) {
  r.eventCount = 4;
  r.code = {4, 4, 0, 246};
  r.action = {1, 2, 0, 9};
  r.delay = {10, 20, 30, 40};
  g_recordKeyDowns = 0;
  g_recordKeyUps = 0;
  const std::vector<EventRow> rows = MacroEventRows(r);
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows[0].icon, kEventIconDown);
  EXPECT_EQ(rows[0].text, GetKeyDisplayName(4));
  EXPECT_EQ(rows[1], (EventRow{"10ms", kEventIconPlain}));
  EXPECT_EQ(rows[2].icon, kEventIconUp);
  EXPECT_EQ(rows[4], (EventRow{"Delay", kEventIconPlain}));
  EXPECT_EQ(rows[6].text, "[X]:eeror,[Y]:eeror");
  EXPECT_EQ(rows[7].text, "40ms");
  EXPECT_EQ(g_recordKeyDowns.load(), 1);
  EXPECT_EQ(g_recordKeyUps.load(), 1);
  r.code[3] = 248;
  r.action[3] = 11;
  EXPECT_EQ(EventRowOf(r, 3).text, "[DPI]:Error");
  r.action[3] = 10;
  EXPECT_EQ(EventRowOf(r, 3).text, "DPI reset");
  // 1600, 2000 and 2400 each stand for two neighbouring steps.
  EXPECT_EQ(DpiStepText(7), DpiStepText(8));
  EXPECT_EQ(DpiStepText(9), DpiStepText(10));
  EXPECT_EQ(DpiStepText(11), "[DPI]:2400 ");
  EXPECT_EQ(DpiStepText(12), "[DPI]:2400 ");
  EXPECT_EQ(DpiStepText(0), "[DPI]:800 ");
}

TEST_F(MacroEditingTest, AnAbandonedRecordingGivesTheMacroBack) {
  g_curGroup = 0;
  g_groupMacros[1] = Named("Original", 3);
  const MacroRecord original = g_groupMacros[1];
  KeepMacroBeforeRecording(1);
  ClearMacroRecord(g_groupMacros, 1);
  SetMacroName(g_groupMacros[1], "Row text");
  EXPECT_TRUE(RestoreMacroAfterAbandonedRecording());
  EXPECT_EQ(g_groupMacros[1], original);
  EXPECT_FALSE(RestoreMacroAfterAbandonedRecording());  // forgotten once used

  // Another group loaded meanwhile: its records are not overwritten.
  KeepMacroBeforeRecording(1);
  g_curGroup = 1;
  g_groupMacros[1] = Named("Other group");
  EXPECT_FALSE(RestoreMacroAfterAbandonedRecording());
  EXPECT_EQ(MacroName(g_groupMacros[1]), "Other group");
}

}  // namespace
