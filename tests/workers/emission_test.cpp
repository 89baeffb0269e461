// Input emission through the mouse: pointer moves, the held-key set, mouse-button bits,
// media keys, the release of everything and the delay rule of played events.
#include <map>
#include <random>

#include "workers_fixture.h"

namespace workers_test {
namespace {

using Kind = sim::Emission::Kind;

class EmissionTest : public WorkersTest {};

TEST_F(EmissionTest, MediaIndicesMapToConsumerUsages) {
  const std::map<int, std::uint16_t> expected{{0, 0x223}, {1, 0x183}, {2, 0x18A}, {3, 0xE9},  {4, 0xEA}, {5, 0xB6},
                                              {6, 0xB5},  {7, 0xE2},  {8, 0xCD},  {9, 0x192}, {10, 0xB7}};
  for (const auto& [index, usage] : expected) EXPECT_EQ(MediaIndexToUsage(index), usage) << index;
  for (int index : {-1, 11, 255}) EXPECT_EQ(MediaIndexToUsage(index), 0) << index;
}

TEST_F(EmissionTest, ConsumerUsageIsSentHighByteFirstWithoutRelease) {
  g_reportBuffer.fill(0);  // nothing sent yet: the report id must still be there
  EXPECT_TRUE(SendConsumerUsage(0x192));
  const auto frames = CommandFrames(0x17);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0][0], 7);
  EXPECT_EQ(frames[0][2], 0x01);
  EXPECT_EQ(frames[0][3], 0x92);
  ASSERT_EQ(mouse->Emissions().size(), 1u);
  EXPECT_EQ(mouse->Emissions()[0].kind, Kind::Consumer);
  EXPECT_EQ(mouse->Emissions()[0].code, 0x192);
}

struct MoveCase {
  std::uint8_t action;
  std::uint16_t x, y;
  std::uint8_t extra;
  bool addExtra;
  int dx, dy;
};

class PointerMoveTest : public EmissionTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(PointerMoveTest, SignsComeFromTheActionAndTheExtraStepIsAddedToY) {
  const MoveCase c = GetParam();
  EXPECT_TRUE(SendInputEvent(MacroEventCode::PointerMove, c.action, c.x, c.y, c.extra, c.addExtra));
  const auto frames = CommandFrames(0x0B);
  ASSERT_EQ(frames.size(), 1u);
  const auto x = static_cast<std::uint16_t>(static_cast<std::int16_t>(c.dx));
  const auto y = static_cast<std::uint16_t>(static_cast<std::int16_t>(c.dy));
  EXPECT_EQ(frames[0], (std::vector<std::uint8_t>{7, 0x0B, static_cast<std::uint8_t>(x >> 8),
                                                  static_cast<std::uint8_t>(x & 0xFF), static_cast<std::uint8_t>(y >> 8),
                                                  static_cast<std::uint8_t>(y & 0xFF), 0, 0}));
  const auto moves = EmissionsOf(Kind::Move);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].dx, c.dx);
  EXPECT_EQ(moves[0].dy, c.dy);
}

INSTANTIATE_TEST_SUITE_P(Moves, PointerMoveTest,
                         ::testing::Values(MoveCase{4, 5, 3, 2, true, -5, 5}, MoveCase{3, 5, 3, 2, true, -5, -5},
                                           MoveCase{5, 7, 1, 9, false, 7, -1}, MoveCase{6, 300, 260, 0, true, 300, 260},
                                           MoveCase{1, 5, 3, 2, true, 0, 0}, MoveCase{9, 5, 3, 0, false, 0, 0},
                                           // magnitudes beyond 16 bits keep their direction
                                           MoveCase{3, 40000, 65535, 0, false, -32768, -32768},
                                           MoveCase{6, 40000, 65535, 200, true, 32767, 32767}));

std::vector<int> HeldSet() {
  std::vector<int> out;
  for (const auto& k : g_pressedKeys) out.push_back(k.load());
  return out;
}

TEST_F(EmissionTest, HeldKeySetFillsFreeSlotsAndClosesGaps) {
  struct Step {
    std::uint8_t usage;
    std::uint8_t action;
    std::vector<int> held;
  };
  const std::vector<Step> steps{
      {4, 1, {4, 0, 0, 0, 0, 0}},
      {5, 1, {4, 5, 0, 0, 0, 0}},
      {4, 1, {4, 5, 4, 0, 0, 0}},  // a key already held is added again
      {4, 2, {5, 4, 0, 0, 0, 0}},  // the first slot holding it goes
      {6, 1, {5, 4, 6, 0, 0, 0}},
      {0, 0, {5, 4, 6, 0, 0, 0}},  // a pure delay repeats the state
      {7, 1, {5, 4, 6, 7, 0, 0}},
      {8, 1, {5, 4, 6, 7, 8, 0}},
      {9, 1, {5, 4, 6, 7, 8, 9}},
      {10, 1, {5, 4, 6, 7, 8, 9}},  // a seventh key is dropped
      {10, 2, {5, 4, 6, 7, 8, 0}},  // releasing a key not held clears the sixth slot
      {5, 2, {4, 6, 7, 8, 0, 0}},
      {30, 3, {4, 6, 7, 8, 0, 0}},  // other actions change nothing
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    mouse->ClearFrames();
    EXPECT_TRUE(SendInputEvent(steps[i].usage, steps[i].action, 0, 0, 0, false));
    EXPECT_EQ(HeldSet(), steps[i].held) << "step " << i;
    const auto frames = CommandFrames(0x15);
    ASSERT_EQ(frames.size(), 1u) << "step " << i;
    EXPECT_EQ(std::vector<int>(frames[0].begin() + 2, frames[0].end()), steps[i].held) << "step " << i;
  }
  EXPECT_EQ(mouse->HeldKeys(), (std::vector<int>{4, 6, 7, 8}));
}

TEST_F(EmissionTest, MouseButtonBitsAreActiveLow) {
  struct Step {
    std::uint8_t code;
    std::uint8_t action;
    int bits;
    int held;  // as the mouse emits: 1 left, 2 right, 4 middle
  };
  const std::vector<Step> steps{
      {241, 1, 0xFE, 1}, {243, 1, 0xFC, 3}, {242, 1, 0xF8, 7}, {241, 2, 0xF9, 6},
      {248, 1, 0xF9, 6},  // a code of no button sends the state unchanged
      {243, 7, 0xF9, 6},  // and so does another action
      {242, 2, 0xFD, 2}, {243, 2, 0xFF, 0},
  };
  for (const Step& s : steps) {
    mouse->ClearFrames();
    EXPECT_TRUE(SendInputEvent(s.code, s.action, 0, 0, 0, false));
    EXPECT_EQ(g_mouseButtonBits.load(), s.bits);
    const auto frames = CommandFrames(0x16);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][3], s.bits);
    EXPECT_EQ(mouse->HeldButtons(), s.held);
  }
}

TEST_F(EmissionTest, ReleaseAllLetsGoOfButtonsThenKeys) {
  SendInputEvent(241, 1, 0, 0, 0, false);
  SendInputEvent(4, 1, 0, 0, 0, false);
  SendInputEvent(5, 1, 0, 0, 0, false);
  mouse->ClearFrames();
  ReleaseAllInputs();
  const auto frames = mouse->SetFeatureFrames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].bytes[1], 0x16);
  EXPECT_EQ(frames[0].bytes[3], 0xFF);
  EXPECT_EQ(frames[1].bytes[1], 0x15);
  EXPECT_EQ(std::vector<int>(frames[1].bytes.begin() + 2, frames[1].bytes.begin() + 8), std::vector<int>(6, 0));
  EXPECT_GE(frames[1].time - frames[0].time, 9ms);
  EXPECT_TRUE(mouse->HeldKeys().empty());
  EXPECT_EQ(mouse->HeldButtons(), 0);
  EXPECT_FALSE(ReleasePending());
}

TEST_F(EmissionTest, ReleaseThatCouldNotBeSentIsSentOnceTheMouseIsBack) {
  SendInputEvent(4, 1, 0, 0, 0, false);
  SendInputEvent(243, 1, 0, 0, 0, false);
  mouse->Unplug();
  ReleaseAllInputs();
  EXPECT_TRUE(ReleasePending());
  EXPECT_EQ(mouse->HeldKeys(), std::vector<int>{4});  // the mouse never heard of the release

  std::stop_source stop;
  RunExecutorPoll(stop.get_token());  // still no mouse: nothing to do
  EXPECT_TRUE(ReleasePending());

  mouse->PlugIn();
  ASSERT_EQ(FindDevice(), 1);
  RunExecutorPoll(stop.get_token());
  EXPECT_FALSE(ReleasePending());
  EXPECT_TRUE(mouse->HeldKeys().empty());
  EXPECT_EQ(mouse->HeldButtons(), 0);
}

struct DelayCase {
  std::uint8_t code;
  std::uint8_t action;
  std::uint16_t delay;
  int low, high;  // the delay lies in [low, high]
};

class DelayRuleTest : public ::testing::TestWithParam<DelayCase> {};

TEST_P(DelayRuleTest, MouseButtonEventsWaitAtLeast60msPlusARandomExtraBelow120ms) {
  const DelayCase c = GetParam();
  std::mt19937 random(12345);
  int lowest = 1 << 30, highest = -1;
  for (int i = 0; i < 4000; ++i) {
    const int d = EventDelayMs(c.code, c.action, c.delay, random);
    lowest = std::min(lowest, d);
    highest = std::max(highest, d);
  }
  EXPECT_EQ(lowest, c.low);
  EXPECT_EQ(highest, c.high);
}

INSTANTIATE_TEST_SUITE_P(Delays, DelayRuleTest,
                         ::testing::Values(DelayCase{241, 1, 10, 60, 89},    // raised to 60, extra 0..29
                                           DelayCase{243, 2, 0, 60, 89},
                                           DelayCase{242, 1, 119, 119, 177},  // extra 0..58
                                           DelayCase{241, 1, 120, 120, 120},  // no extra from 120 on
                                           DelayCase{241, 2, 150, 150, 150},
                                           DelayCase{4, 1, 10, 10, 10},       // keys keep their delay
                                           DelayCase{0, 0, 0, 0, 0},
                                           DelayCase{246, 3, 10, 10, 10},     // moves too
                                           DelayCase{248, 9, 5, 5, 5}));

}  // namespace
}  // namespace workers_test
