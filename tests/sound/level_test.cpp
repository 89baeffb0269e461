#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "sound/sound_level.h"

namespace {

std::array<int, 21> Steady(int v) {
  std::array<int, 21> samples{};
  samples.fill(v);
  return samples;
}

int LevelOfSteady(int v) {
  const auto samples = Steady(v);
  const PeakStats s = PeakStatistics(20, samples);
  return ComputeSoundLevel(s.top, s.bottom, s.average, samples[0]);
}

TEST(PeakStatistics, MeansOfTheTwoHighestAndLowestAndOfTheMiddleFifteen) {
  // Out of order, with ties, and sums whose divisions truncate.
  const std::vector<int> samples = {7, 100, 0, 3, 3, 99, 1, 50, 50, 50, 20, 20, 8, 9, 10, 11, 12, 13, 14, 15, 2,
                                    /* slot 21 and later are not looked at */ 100, 100};
  const PeakStats s = PeakStatistics(20, samples);
  EXPECT_EQ(s.top, 99);    // (99 + 100) / 2
  EXPECT_EQ(s.bottom, 0);  // (0 + 1) / 2
  // Sorted: 0 1 2 | 3 3 7 8 9 10 11 12 13 14 15 20 20 50 50 | 50 99 100
  EXPECT_EQ(s.average, (3 + 3 + 7 + 8 + 9 + 10 + 11 + 12 + 13 + 14 + 15 + 20 + 20 + 50 + 50) / 15);
}

TEST(ComputeSoundLevel, SteadySignals) {
  // All 21 samples equal: the first band gives trunc(v / (v + 3) x 5), the others 1.
  EXPECT_EQ(LevelOfSteady(2), 2);
  EXPECT_EQ(LevelOfSteady(10), 3);
  EXPECT_EQ(LevelOfSteady(11), 1);
  EXPECT_EQ(LevelOfSteady(40), 1);  // top = bottom in the third band
  EXPECT_EQ(LevelOfSteady(60), 1);
  EXPECT_EQ(LevelOfSteady(100), 1);
}

TEST(ComputeSoundLevel, BandEdgesAndHighestLevels) {
  // The newest sample at top: 4 at most in the first band, 7 in the second, 10 above.
  EXPECT_EQ(ComputeSoundLevel(100, 0, 10, 100), 4);
  EXPECT_EQ(ComputeSoundLevel(100, 0, 11, 100), 7);
  EXPECT_EQ(ComputeSoundLevel(100, 0, 25, 100), 7);
  EXPECT_EQ(ComputeSoundLevel(100, 0, 26, 100), 10);
  EXPECT_EQ(ComputeSoundLevel(100, 0, 76, 100), 10);
  // A sample at 30 % of the range tells the upper three bands apart.
  EXPECT_EQ(ComputeSoundLevel(100, 0, 50, 30), 3);
  EXPECT_EQ(ComputeSoundLevel(100, 0, 51, 30), 4);
  EXPECT_EQ(ComputeSoundLevel(100, 0, 75, 30), 4);
  EXPECT_EQ(ComputeSoundLevel(100, 0, 76, 30), 5);
}

TEST(ComputeSoundLevel, ClampsToOneAndEleven) {
  EXPECT_EQ(ComputeSoundLevel(10, 0, 5, 0), 1);     // band 1 gives 0
  EXPECT_EQ(ComputeSoundLevel(60, 60, 60, 60), 1);  // equal top and bottom in band 4
  EXPECT_EQ(ComputeSoundLevel(90, 90, 90, 90), 1);  // and in band 5
  // Inconsistent input (newest outside top and bottom) stays within the levels.
  EXPECT_EQ(ComputeSoundLevel(50, 40, 45, 0), 1);
  EXPECT_EQ(ComputeSoundLevel(50, 40, 45, 1000), 11);
}

TEST(SampleSoundTick, NewestSampleTwiceLevelsAndQuiet) {
  ClearPeakHistory();
  SampleSoundTick(0.5f);
  EXPECT_EQ(g_peakHistory[0], 50);
  EXPECT_EQ(g_peakHistory[1], 50);
  EXPECT_EQ(g_peakHistory[2], 0);
  EXPECT_EQ(g_soundLevel, 0);  // the average of the middle samples is still below 2

  // Peaks above full scale or that are no number stay within 0..100.
  SampleSoundTick(1.7f);
  EXPECT_EQ(g_peakHistory[0], 100);
  EXPECT_EQ(g_peakHistory[2], 50);
  SampleSoundTick(std::nanf(""));
  EXPECT_EQ(g_peakHistory[0], 0);
  SampleSoundTick(-0.3f);
  EXPECT_EQ(g_peakHistory[0], 0);

  // A steady tone fills the window: level 1; silence brings it back to 0.
  for (int i = 0; i < 21; ++i) SampleSoundTick(0.3f);
  EXPECT_EQ(g_soundLevel, 1);
  for (int i = 0; i < 21; ++i) SampleSoundTick(0.0f);
  EXPECT_EQ(g_soundLevel, 0);

  // The oldest sample falls out after 49 ticks.
  ClearPeakHistory();
  SampleSoundTick(0.9f);
  for (int i = 0; i < 48; ++i) SampleSoundTick(0.0f);
  EXPECT_EQ(g_peakHistory[49], 90);
  SampleSoundTick(0.0f);
  EXPECT_EQ(g_peakHistory[49], 0);
}

}  // namespace
