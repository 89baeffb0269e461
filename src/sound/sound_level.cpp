#include "sound/sound_level.h"

#include <algorithm>
#include <cmath>
#include <vector>

std::array<std::atomic<int>, kPeakHistorySize> g_peakHistory{};
std::atomic<int> g_soundLevel{0};

namespace {

constexpr int kQuietAverage = 2;

int Trunc(float value) { return static_cast<int>(std::trunc(value)); }

// A peak as an integer sample 0..100. A meter may report more than full scale (an
// amplified output) or garbage; the levels are only defined up to 100.
int SampleOf(float peak) {
  if (!(peak > 0.0f)) return 0;  // also NaN
  return std::min(100, static_cast<int>(peak * 100.0f));
}

}  // namespace

PeakStats PeakStatistics(int n, std::span<const int> samples) {
  if (samples.size() < 7) return {};
  n = std::clamp(n, 6, static_cast<int>(samples.size()) - 1);
  std::vector<int> sorted(samples.begin(), samples.begin() + n + 1);
  std::sort(sorted.begin(), sorted.end());
  int sum = 0;
  for (int i = 3; i <= n - 3; ++i) sum += sorted[static_cast<std::size_t>(i)];
  PeakStats stats;
  stats.average = sum / (n - 5);
  stats.top = (sorted[static_cast<std::size_t>(n - 1)] + sorted[static_cast<std::size_t>(n)]) / 2;
  stats.bottom = (sorted[0] + sorted[1]) / 2;
  return stats;
}

int ComputeSoundLevel(int top, int bottom, int average, int newest) {
  const float c = static_cast<float>(newest);
  const float t = static_cast<float>(top);
  const float b = static_cast<float>(bottom);
  int level = 1;
  if (average <= 10) {
    level = Trunc(c / (t + 3.0f) * 5.0f);
  } else if (average <= 25) {
    level = Trunc((c - b) / (t + 5.0f - b) * 7.0f) + 1;
  } else if (top == bottom) {
    level = 1;  // the last three bands divide by top - bottom
  } else if (average <= 50) {
    level = Trunc((c - b) / (t - b) * 9.0f) + 1;
  } else if (average <= 75) {
    level = Trunc((c - b) / (t - b) * 8.0f) + 2;
  } else {
    level = Trunc((c - b) / (t - b) * 7.0f) + 3;
  }
  return std::clamp(level, 1, 11);
}

void SampleSoundTick(float peak) {
  g_peakHistory[0] = SampleOf(peak);
  for (int i = kPeakHistorySize - 2; i >= 0; --i) g_peakHistory[i + 1] = g_peakHistory[i].load();
  std::array<int, kLevelWindow + 1> window{};
  for (int i = 0; i <= kLevelWindow; ++i) window[static_cast<std::size_t>(i)] = g_peakHistory[i].load();
  const PeakStats stats = PeakStatistics(kLevelWindow, window);
  int level = 0;
  if (stats.average >= kQuietAverage) level = ComputeSoundLevel(stats.top, stats.bottom, stats.average, window[0]);
  g_soundLevel = level;
}

void ClearPeakHistory() {
  for (auto& sample : g_peakHistory) sample = 0;
  g_soundLevel = 0;
}

bool SoundBarsShowSamples(bool effectOn) {
  return effectOn && g_peakHistory[0].load() > 1 && g_soundLevel.load() > 0;
}

int SoundBarSample(int bar) {
  if (bar < 0 || bar + 1 >= kPeakHistorySize) return 0;
  auto& sample = g_peakHistory[static_cast<std::size_t>(bar + 1)];
  const int value = std::min(sample.load(), 99);
  sample = value;
  return value;
}
