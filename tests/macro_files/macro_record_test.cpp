#include "profile/macro_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>

namespace {

// Records are ~3 KB; keep them off the test's stack.
std::unique_ptr<MacroRecord> NewRecord() { return std::make_unique<MacroRecord>(); }

void SetEvent(MacroRecord& r, int i, std::uint8_t action, std::uint8_t code, std::uint16_t delay,
              std::uint16_t a = 0, std::uint16_t b = 0) {
  const auto e = static_cast<std::size_t>(i);
  r.action[e] = action;
  r.code[e] = code;
  r.delay[e] = delay;
  r.param[e] = {a, b};
}

}  // namespace

TEST(UnrollMacroRepeats, RepeatsTheFirstEventsInARow) {
  auto r = NewRecord();
  SetEvent(*r, 0, 1, 0x04, 4);
  SetEvent(*r, 1, 1, 0x05, 4);
  r->eventCount = 2;
  r->mode = 2;
  SetMacroName(*r, "AB");
  r->ledBlocks[1][3] = 9;

  const MacroRecord out = UnrollMacroRepeats(*r, 2, 3);
  EXPECT_EQ(out.eventCount, 6);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(out.code[static_cast<std::size_t>(i)], i % 2 == 0 ? 0x04 : 0x05);
    EXPECT_EQ(out.action[static_cast<std::size_t>(i)], 1);
    EXPECT_EQ(out.delay[static_cast<std::size_t>(i)], 4);
  }
  EXPECT_EQ(out.code[6], 0) << "nothing written past the last pass";
  EXPECT_EQ(MacroName(out), "AB");
  EXPECT_EQ(out.mode, 2);
  EXPECT_EQ(out.ledBlocks[1][3], 9);
  EXPECT_EQ(r->eventCount, 2) << "the source record is not changed";
}

TEST(UnrollMacroRepeats, AddedPassesTurnDeviceStepsIntoDelaysAndCountMoves) {
  auto r = NewRecord();
  SetEvent(*r, 0, 9, 248, 30, 4);
  SetEvent(*r, 1, 13, 249, 20, 1);
  SetEvent(*r, 2, 5, 246, 10, 7, 8);
  SetEvent(*r, 3, 2, 243, 60);
  r->eventCount = 4;
  r->moveCount = 1;
  r->cpiCount = 1;
  r->ledBlockCount = 1;

  const MacroRecord out = UnrollMacroRepeats(*r, 4, 3);
  EXPECT_EQ(out.eventCount, 12);
  EXPECT_EQ(out.moveCount, 3);
  EXPECT_EQ(out.cpiCount, 1);
  EXPECT_EQ(out.ledBlockCount, 1);
  // The first pass keeps its codes.
  EXPECT_EQ(out.code[0], 248);
  EXPECT_EQ(out.code[1], 249);
  for (int pass = 1; pass < 3; ++pass) {
    const auto base = static_cast<std::size_t>(pass * 4);
    SCOPED_TRACE(pass);
    EXPECT_EQ(out.code[base], 0);
    EXPECT_EQ(out.action[base], 9);
    EXPECT_EQ(out.delay[base], 30);
    EXPECT_EQ(out.param[base].a, 4);
    EXPECT_EQ(out.code[base + 1], 0);
    EXPECT_EQ(out.action[base + 1], 13);
    EXPECT_EQ(out.code[base + 2], 246);
    EXPECT_EQ(out.param[base + 2], (MacroParam{7, 8}));
    EXPECT_EQ(out.code[base + 3], 243);
    EXPECT_EQ(out.delay[base + 3], 60);
  }
}

// (n, eventCount of the record, repeats asked, passes expected)
class UnrollLimit : public ::testing::TestWithParam<std::tuple<int, int, int, int>> {};

TEST_P(UnrollLimit, KeepsWholePassesWithin275Events) {
  const auto [n, count, repeats, passes] = GetParam();
  auto r = NewRecord();
  for (int i = 0; i < kMacroMaxEvents; ++i) SetEvent(*r, i, 1, static_cast<std::uint8_t>(1 + i % 200), 5);
  r->eventCount = static_cast<std::uint16_t>(count);
  const MacroRecord out = UnrollMacroRepeats(*r, n, repeats);
  EXPECT_LE(out.eventCount, kMacroMaxEvents);
  const int expectedCount = n >= 1 ? count + (passes - 1) * std::min(n, kMacroMaxEvents) : count;
  EXPECT_EQ(out.eventCount, expectedCount);
  // Every copied slot repeats its source; the rest of the events are the record's own.
  const int m = std::min(std::max(n, 1), kMacroMaxEvents);
  for (int i = 0; i < kMacroMaxEvents; ++i) {
    const bool copied = n >= 1 && i >= m && i < passes * m;
    const auto src = static_cast<std::size_t>(copied ? i % m : i);
    ASSERT_EQ(out.code[static_cast<std::size_t>(i)], r->code[src]) << "event " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, UnrollLimit,
                         ::testing::Values(std::make_tuple(2, 2, 3, 3),        // fits
                                           std::make_tuple(100, 100, 5, 2),    // 500 asked, 2 passes fit
                                           std::make_tuple(137, 137, 2, 2),    // 274 fits exactly
                                           std::make_tuple(138, 138, 2, 1),    // 276 does not
                                           std::make_tuple(275, 275, 3, 1),    // full record
                                           std::make_tuple(1, 1, 1000, 275),   // one event, many plays
                                           std::make_tuple(10, 200, 20, 8),    // count above n
                                           std::make_tuple(0, 4, 5, 1),        // nothing to repeat
                                           std::make_tuple(3, 3, 0, 1),        // no repeats
                                           std::make_tuple(3, 3, -4, 1),
                                           std::make_tuple(400, 275, 2, 1)));  // n beyond the arrays

TEST(ClearMacroRecord, ClearsEverythingButTheVerticalStepAndHeaderTail) {
  auto table = std::make_unique<MacroTable>();
  MacroRecord& r = (*table)[3];
  SetMacroName(r, "Spray");
  r.mode = 2;
  r.repeatCount = 9;
  r.eventCount = 3;
  r.moveCount = 1;
  r.kind247Count = 1;
  r.cpiCount = 1;
  r.kind250Count = 1;
  r.ledBlockCount = 2;
  r.kind251BlockCount = 1;
  r.yOffsetOn = 1;
  r.yOffset = 25;
  r.headerTail = {1, 2, 3, 4};
  SetEvent(r, 274, 2, 7, 100, 5, 6);
  r.ledBlocks[4][67] = 1;
  r.blocks251[0][0] = 1;
  (*table)[4].mode = 7;

  ClearMacroRecord(*table, 3);

  MacroRecord expected;
  expected.yOffsetOn = 1;
  expected.yOffset = 25;
  expected.headerTail = {1, 2, 3, 4};
  EXPECT_EQ(r, expected);
  EXPECT_EQ((*table)[4].mode, 7) << "other records stay";
}

TEST(ClearMacroRecord, IndexOutsideTheTableChangesNothing) {
  auto table = std::make_unique<std::array<MacroRecord, kProfileMacroSlots>>();
  for (auto& r : *table) r.mode = 1;
  ClearMacroRecord(*table, -1);
  ClearMacroRecord(*table, kProfileMacroSlots);
  for (const auto& r : *table) EXPECT_EQ(r.mode, 1);
  ClearMacroRecord(*table, kProfileMacroSlots - 1);
  EXPECT_EQ((*table)[kProfileMacroSlots - 1].mode, 0) << "works on the 14-slot profile tables too";
}

// (UTF-8 name, name kept in the field)
class MacroNames : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(MacroNames, StoreAtMost30UnitsAtACharacterBoundary) {
  const auto& [name, kept] = GetParam();
  auto r = NewRecord();
  r->name.fill(0xAA);
  SetMacroName(*r, name);
  EXPECT_EQ(MacroName(*r), kept);
  EXPECT_EQ(FitMacroName(name), kept);
  // The bytes after the name are zero.
  std::size_t units = 0;
  while (units < kMacroNameUnits && (r->name[2 * units] | r->name[2 * units + 1]) != 0) ++units;
  for (std::size_t i = 2 * units; i < r->name.size(); ++i) ASSERT_EQ(r->name[i], 0) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MacroNames,
    ::testing::Values(std::make_pair(std::string("AB"), std::string("AB")), std::make_pair(std::string(), std::string()),
                      std::make_pair(std::string("压枪宏"), std::string("压枪宏")),
                      std::make_pair(std::string(30, 'x'), std::string(30, 'x')),
                      std::make_pair(std::string(31, 'x'), std::string(30, 'x')),
                      // 29 units and a surrogate pair: the pair does not fit in the 30th unit.
                      std::make_pair(std::string(29, 'y') + "\xF0\x9F\x94\xAB", std::string(29, 'y')),
                      std::make_pair(std::string(28, 'y') + "\xF0\x9F\x94\xAB!", std::string(28, 'y') + "\xF0\x9F\x94\xAB"),
                      std::make_pair(std::string("ab\0cd", 5), std::string("ab"))));

TEST(MacroNames, NameFieldIsUtf16LittleEndian) {
  auto r = NewRecord();
  SetMacroName(*r, "A\xE4\xB8\xAD");  // "A中"
  EXPECT_EQ(r->name[0], 0x41);
  EXPECT_EQ(r->name[1], 0x00);
  EXPECT_EQ(r->name[2], 0x2D);
  EXPECT_EQ(r->name[3], 0x4E);
  EXPECT_EQ(r->name[4], 0);
}

TEST(MacroNames, UnpairedSurrogateReadsAsReplacement) {
  auto r = NewRecord();
  r->name[0] = 0x00;
  r->name[1] = 0xD8;  // a lone high surrogate
  r->name[2] = 'Z';
  EXPECT_EQ(MacroName(*r), "\xEF\xBF\xBDZ");
}
