// The worker on its own thread: frames from a scripted level sequence, the hand-over
// at the end of the effect, and what the worker costs while it should be idle.
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "../support/deadline.h"
#include "sim/scripted_meter.h"
#include "sound/sound_restore.h"
#include "sound_fixture.h"

using namespace std::chrono_literals;

namespace {

bool WaitFor(const std::function<bool()>& done) { return testdeadline::WaitFor(done, 20000ms); }

class SoundWorker : public SoundTest {
 protected:
  // Frames of the effect (commands 0x13 and 0x14) among those sent.
  std::vector<Bytes> EffectFrames() const {
    std::vector<Bytes> out;
    for (const Bytes& f : Sent())
      if (f[1] == 0x13 || f[1] == 0x14) out.push_back(f);
    return out;
  }
};

TEST_F(SoundWorker, ScriptedLoudnessDrivesMode4) {
  sim::ScriptedMeter meter;
  // Two seconds of a loud, changing signal, then silence.
  std::vector<float> script;
  for (int i = 0; i < 21; ++i) script.push_back(i % 2 == 0 ? 0.9f : 0.2f);
  meter.Queue(script);
  SetSoundWaveMode(4);
  SetSoundEffectOn(true);
  StartSoundWorker();

  for (int i = 0; i < 21; ++i) SampleSoundTick(meter.TakePeak());
  ASSERT_GT(g_soundLevel, 0);
  SoundBeatTick(3);  // timer 3 beats for mode 2 only
  SoundBeatTick(2);
  ASSERT_TRUE(WaitFor([&] { return EffectFrames().size() == 1; }));
  EXPECT_EQ(EffectFrames()[0], FrameH(5, 1));  // the loudest sample is the newest: level 7 or more

  meter.Queue(std::vector<float>(21, 0.0f));
  for (int i = 0; i < 21; ++i) SampleSoundTick(meter.TakePeak());
  EXPECT_EQ(g_soundLevel, 0);
  SoundBeatTick(2);
  ASSERT_TRUE(WaitFor([&] { return EffectFrames().size() == 2; }));
  EXPECT_EQ(EffectFrames()[1], kFrameG);
}

TEST_F(SoundWorker, RestoreIsTheLastFrameAndOnAgainResumes) {
  mouse->SetMemory(0x18, {0x07});  // DPI level 7: not one of the six, so the last one known
  g_lastDpiLevel = 4;
  g_dpiColorLevel[4] = {15, 0, 15};
  g_cycColorEnable = {1, 0, 1, 0, 0, 0, 0};
  g_ledType = 3;
  g_ledSpeed = 2;

  // Mode 2 in the middle of a long fall (from 11, one frame every 39 ms).
  SetSoundWaveMode(2);
  g_prevSoundLevel = 11;
  g_soundLevel = 11;
  g_peakHistory[0] = 90;
  SetSoundEffectOn(true);
  StartSoundWorker();
  SoundBeatTick(3);
  ASSERT_TRUE(WaitFor([&] { return EffectFrames().size() >= 3; }));

  // Switched off and restored at once: no 250 ms of grace is needed.
  SetSoundEffectOn(false);
  ASSERT_TRUE(RestoreNormalLighting());
  std::this_thread::sleep_for(300ms);  // long enough for several more fall frames

  const std::vector<Bytes> sent = Sent();
  std::size_t restoreAt = 0;  // the first report of the restore: the DPI level read
  while (restoreAt < sent.size() && sent[restoreAt][1] != 0x18) ++restoreAt;
  ASSERT_LT(restoreAt, sent.size());
  std::vector<Bytes> after(sent.begin() + static_cast<long>(restoreAt), sent.end());
  std::vector<Bytes> restoreEffect;
  for (const Bytes& f : after)
    if (f[1] != 0x18) restoreEffect.push_back(f);
  // Only the restore's own colour (slot 4 from the user's table) and lighting mode.
  ASSERT_EQ(restoreEffect.size(), 2u);
  EXPECT_EQ(restoreEffect[0][1], 0x14);
  EXPECT_EQ(restoreEffect[0][2], 4 * 32 + 0);
  EXPECT_EQ(restoreEffect[0][3], 0xFF);
  EXPECT_EQ(restoreEffect[1][2], 0x80 + 0x05);  // user colour enable + cycle colours 0 and 2
  EXPECT_EQ(restoreEffect[1][3], 0x80 + 3 * 16 + 2);
  EXPECT_EQ(after.back(), (Bytes{7, 0x18, 0, 0, 0, 0, 0, 0}));  // the control pulse ends it
  EXPECT_EQ(mouse->ControlPulseCount(), 1);
  EXPECT_EQ(g_dpiLevel, 2);  // DPI_LEVEL read back from config.ini
  // Frame B closed the fall before the restore, unless the restore came first.
  const std::vector<Bytes> before(sent.begin(), sent.begin() + static_cast<long>(restoreAt));
  EXPECT_TRUE(before.back() == kFrameB || before.back()[1] == 0x13);

  // Switching on again lets the effect's frames out again.
  mouse->ClearFrames();
  SetSoundWaveMode(4);
  SetSoundEffectOn(true);
  SoundBeatTick(2);
  ASSERT_TRUE(WaitFor([&] { return EffectFrames().size() == 1; }));
  // The restore of an effect that is on again does nothing.
  EXPECT_FALSE(RestoreNormalLighting());
  EXPECT_EQ(Sent().size(), 1u);
}

TEST_F(SoundWorker, IdleWorkerUsesNoCpu) {
  StartSoundWorker();
  auto cpu = [] { return SoundWorkerCpuTime().value_or(std::chrono::nanoseconds::max()); };
  const auto measure = [&](std::chrono::milliseconds span, const std::function<void()>& during) {
    const auto start = cpu();
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
      during();
      std::this_thread::sleep_for(20ms);
    }
    return std::chrono::duration_cast<std::chrono::microseconds>(cpu() - start);
  };

  // Off, with the beat timers running as they do while the window is open.
  SetSoundWaveMode(4);
  const auto off = measure(1000ms, [] { SoundBeatTick(2); });
  // On in mode 2 between beats: waiting for the next beat.
  SetSoundWaveMode(2);
  SetSoundEffectOn(true);
  const auto between = measure(1000ms, [] {});
  // On in mode 3 in silence: one frame every 480 ms.
  SetSoundWaveMode(3);
  const auto mode3 = measure(1000ms, [] {});
  std::printf("worker CPU per second: off %lld us, mode 2 between beats %lld us, mode 3 quiet %lld us\n",
              static_cast<long long>(off.count()), static_cast<long long>(between.count()),
              static_cast<long long>(mode3.count()));
  // A spinning worker would use the whole second; a waiting one a few wake-ups.
  EXPECT_LT(off, 20ms);
  EXPECT_LT(between, 20ms);
}

}  // namespace
