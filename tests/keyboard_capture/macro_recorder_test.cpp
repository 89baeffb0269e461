// Recording rules: repeats, releases without their press, the limits, the held keys and
// the measured delays.
#include <gtest/gtest.h>

#include <cstdint>

#include "../keys/language_guard.h"
#include "keys/key_codes.h"
#include "profile/macro_record.h"
#include "profile/macro_recorder.h"

namespace {

using Result = MacroRecorder::Result;

class Recording : public ::testing::Test {
 protected:
  Recording() : recorder_([this] { return now_; }) {}
  void SetUp() override {
    record_.mode = 0x21;
    record_.eventCount = 7;
    record_.ledBlockCount = 3;
    record_.code[200] = 9;
    recorder_.Start(record_, "Recorded");
  }
  Result Down(HostKeyCode vk, bool repeat = false) { return recorder_.OnKey(true, vk, repeat); }
  Result Up(HostKeyCode vk) { return recorder_.OnKey(false, vk); }

  LanguageGuard language_{1};
  std::int64_t now_ = 1'000'000;
  MacroRecord record_;
  MacroRecorder recorder_;
};

TEST_F(Recording, StartsFromAnEmptyMacroThatKeepsItsModeAndHoldsKeysWithTheirMeasuredDelays) {
  EXPECT_EQ(record_.mode, 0x21);
  EXPECT_EQ(record_.eventCount, 0);
  EXPECT_EQ(record_.ledBlockCount, 0);
  EXPECT_EQ(record_.code[200], 0);
  EXPECT_EQ(MacroName(record_), "Recorded");
  EXPECT_EQ(record_.repeatCount, 1);
  EXPECT_EQ(record_.yOffset, 10);

  now_ += 500;
  EXPECT_EQ(Down(VK_LSHIFT), Result::Recorded);
  now_ += 40;
  EXPECT_EQ(Down('A'), Result::Recorded);
  for (int i = 0; i < 5; ++i) {  // the key held: its repeats add nothing
    now_ += 30;
    EXPECT_EQ(Down('A', true), Result::Dropped);
    EXPECT_EQ(Down('A'), Result::Dropped);
  }
  now_ += 10;
  EXPECT_EQ(Up('A'), Result::Recorded);
  EXPECT_EQ(Up('A'), Result::Dropped);
  now_ += 70'000;  // a long pause is kept as the longest delay there is
  EXPECT_EQ(Up(VK_LSHIFT), Result::Recorded);

  EXPECT_EQ(recorder_.Stop(), 4);
  EXPECT_FALSE(recorder_.Recording());
  ASSERT_EQ(record_.eventCount, 4);
  const std::uint8_t actions[] = {1, 1, 2, 2};
  const std::uint8_t codes[] = {0xE1, 0x04, 0x04, 0xE1};
  const std::uint16_t delays[] = {40, 160, 65535, 20};  // the last keeps 20
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(record_.action[i], actions[i]) << i;
    EXPECT_EQ(record_.code[i], codes[i]) << i;
    EXPECT_EQ(record_.delay[i], delays[i]) << i;
    EXPECT_EQ(record_.param[i], MacroParam{}) << i;
  }
  EXPECT_EQ(recorder_.OnKey(true, 'B'), Result::Ignored);  // no longer recording
}

TEST_F(Recording, AClockGoingBackwardsGivesNoDelayRatherThanADayLong) {
  EXPECT_EQ(Down('A'), Result::Recorded);
  now_ -= 3'600'000;
  EXPECT_EQ(Up('A'), Result::Recorded);
  now_ += 25;
  EXPECT_EQ(Down('B'), Result::Recorded);
  EXPECT_EQ(record_.delay[0], 0);
  EXPECT_EQ(record_.delay[1], 25);
}

TEST_F(Recording, AReleaseIsRecordedOnlyWithItsPressAndATenthHeldKeyIsNotTaken) {
  EXPECT_EQ(Up(VK_LCONTROL), Result::Ignored);  // held before recording began
  for (HostKeyCode vk = 'A'; vk < 'A' + kRecordHeldSlots; ++vk) EXPECT_EQ(Down(vk), Result::Recorded);
  EXPECT_EQ(recorder_.HeldCount(), kRecordHeldSlots);
  EXPECT_EQ(Down('Z'), Result::Ignored);
  EXPECT_EQ(Up('Z'), Result::Ignored);
  EXPECT_EQ(Up('C'), Result::Recorded);  // a middle slot frees; the rest stay held
  EXPECT_EQ(Down('Z'), Result::Recorded);
  for (HostKeyCode vk : {'A', 'B', 'D', 'E', 'F', 'G', 'H', 'I', 'Z'}) EXPECT_EQ(Up(vk), Result::Recorded) << vk;
  EXPECT_EQ(recorder_.HeldCount(), 0);
  EXPECT_EQ(recorder_.Stop(), 2 * (kRecordHeldSlots + 1));
}

TEST_F(Recording, StopsTakingPressesAfter55AndEndsAtTheFirstKeyAfter110Events) {
  for (int i = 0; i < kRecordMaxKeyDowns; ++i) {
    const auto vk = static_cast<HostKeyCode>('A' + i % 26);
    ASSERT_EQ(Down(vk), Result::Recorded);
    if (i + 1 < kRecordMaxKeyDowns) {
      ASSERT_EQ(Up(vk), Result::Recorded);
    }
  }
  const HostKeyCode lastHeld = 'A' + (kRecordMaxKeyDowns - 1) % 26;
  EXPECT_EQ(Down('1'), Result::Ignored);  // a 56th press
  EXPECT_EQ(Up('1'), Result::Ignored);    // and so its release
  EXPECT_EQ(Up(lastHeld), Result::Recorded);
  EXPECT_EQ(recorder_.EventCount(), kRecordMaxEvents);
  EXPECT_TRUE(recorder_.Recording());
  EXPECT_EQ(Up(lastHeld), Result::Dropped);  // a repeat is swallowed before the limit
  EXPECT_EQ(Down('2'), Result::Full);
  EXPECT_EQ(recorder_.Stop(), kRecordMaxEvents);
  EXPECT_EQ(record_.eventCount, kRecordMaxEvents);
  EXPECT_EQ(record_.action[kRecordMaxEvents - 1], kRecordActionUp);
  EXPECT_EQ(record_.action[kRecordMaxEvents], 0);  // nothing beyond the limit
}

}  // namespace
