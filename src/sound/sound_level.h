// The loudness of the computer's output as the sound-reactive lighting sees it: a
// history of peak samples taken every 96 ms and the sound level 0..11 derived from
// the last 21 of them. Qt-free; the sampling tick runs on the UI thread, the lighting
// worker reads the level and the newest sample.
#pragma once

#include <array>
#include <atomic>
#include <span>

inline constexpr int kPeakHistorySize = 50;
// Samples looked at for the level: slots 0 to kLevelWindow.
inline constexpr int kLevelWindow = 20;

// Each sample is the output peak x 100, 0 to 100; slot 0 is the newest.
extern std::array<std::atomic<int>, kPeakHistorySize> g_peakHistory;
// 0 (quiet) or 1 to 11, recomputed at every sampling tick.
extern std::atomic<int> g_soundLevel;

struct PeakStats {
  int top = 0;
  int bottom = 0;
  int average = 0;
};

// Statistics of the samples of slots 0 to n (n >= 6): top = mean of the two highest,
// bottom = mean of the two lowest, average = mean of sorted[3 .. n-3] (the middle
// n - 5). Integer arithmetic, divisions truncate.
PeakStats PeakStatistics(int n, std::span<const int> samples);

// The level 1 to 11 for the newest sample against the statistics, in single precision
// by the band of the average (<= 10, <= 25, <= 50, <= 75, above).
int ComputeSoundLevel(int top, int bottom, int average, int newest);

// One sampling tick: the peak (0.0 .. 1.0; outside values are clamped) goes into slot
// 0, the history moves one place up (so slots 0 and 1 both hold the newest sample),
// and g_soundLevel is recomputed: 0 while the average is below 2.
void SampleSoundTick(float peak);

// Every sample back to 0 and the level 0.
void ClearPeakHistory();

// The level bars of the sound window: they show the samples while the effect is on
// and the output is not quiet (newest sample above 1 and a level), flat lines
// otherwise.
bool SoundBarsShowSamples(bool effectOn);
// The sample that bar k (0..35) shows: slot k + 1, capped at 99 (and stored capped).
int SoundBarSample(int bar);
