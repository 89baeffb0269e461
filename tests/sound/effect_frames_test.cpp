// The frames of each mode, one worker pass at a time on the test's thread, as the
// simulated mouse logs them.
#include "sound_fixture.h"

namespace {

class EffectFrames : public SoundTest {
 protected:
  void Pass(int soundLevel, int newestSample, bool beat = true) {
    g_soundLevel = soundLevel;
    g_peakHistory[0] = newestSample;
    if (beat) g_soundBeat = 1;
    SoundLights lights;
    SendSoundFrame(lights);
  }
};

TEST_F(EffectFrames, Mode4OneFramePerBeatByLevel) {
  SetSoundWaveMode(4);
  SetSoundEffectOn(true);
  Pass(5, 50, /*beat=*/false);
  EXPECT_TRUE(Sent().empty());  // no beat, no frame

  const std::vector<Bytes> expected = {kFrameG,        FrameH(0, 2), FrameH(1, 2), FrameH(1, 1), FrameH(2, 1),
                                       FrameH(3, 0), FrameH(4, 0), FrameH(5, 1), FrameH(5, 1), FrameH(5, 1)};
  for (int level = 0; level <= 9; ++level) Pass(level, 50);
  EXPECT_EQ(Sent(), expected);
  EXPECT_EQ(g_soundBeat, 0);
}

TEST_F(EffectFrames, Mode2FallsFromThePreviousLevelAndRisesToTheNew) {
  SetSoundWaveMode(2);
  SetSoundEffectOn(true);

  // Level 10 (at least L - 1): every rise step shows level 11.
  Pass(10, 60);
  EXPECT_EQ(Sent(), std::vector<Bytes>(10, FrameA(11)));

  // Then level 3: the fall from 10 to 0, the rise 0, 1, 2; loud, so nothing more.
  mouse->ClearFrames();
  Pass(3, 60);
  std::vector<Bytes> expected;
  for (int n = 10; n >= 0; --n) expected.push_back(FrameA(n));
  for (int i = 0; i < 3; ++i) expected.push_back(FrameA(i));
  EXPECT_EQ(Sent(), expected);

  // Then quiet: the fall from 3, no rise, and the quiet pair C, A(0).
  mouse->ClearFrames();
  Pass(0, 0);
  EXPECT_EQ(Sent(), (std::vector<Bytes>{FrameA(3), FrameA(2), FrameA(1), FrameA(0), kFrameC, FrameA(0)}));
  EXPECT_EQ(g_prevSoundLevel, 0);
}

TEST_F(EffectFrames, Mode3AlternatesAndCyclesColoursWithoutTouchingTheUserColours) {
  SetSoundWaveMode(3);
  SetSoundEffectOn(true);
  g_dpiColorLevel[2] = {1, 2, 3};
  const auto userColours = g_dpiColorLevel;
  g_lastDpiLevel = 2;

  Pass(0, 0, false);  // phase 1, quiet: D, then green in slot 2 (bytes 4..7 kept from D)
  Pass(0, 0, false);  // phase 0, quiet: E
  Pass(5, 40, false);  // phase 1, loud: C
  Pass(5, 40, false);  // phase 0, loud: F, then blue
  g_lastDpiLevel = 7;  // not a DPI level of the mouse: slot 0
  Pass(5, 40, false);  // C
  Pass(5, 40, false);  // F, then yellow
  const std::vector<Bytes> expected = {
      kFrameD, {7, 0x14, 2 * 32 + 15, 0x00, 0x0B, 0x04, 0x03, 0xFF},
      kFrameE, kFrameC,
      kFrameF, {7, 0x14, 2 * 32 + 0, 0x0F, 0x0B, 0x00, 0x03, 0xFF},
      kFrameC, kFrameF,
      {7, 0x14, 0 * 32 + 15, 0xF0, 0x0B, 0x00, 0x03, 0xFF}};
  EXPECT_EQ(Sent(), expected);
  // The effect's colours never reach the table that Apply saves and downloads.
  EXPECT_EQ(g_dpiColorLevel, userColours);
}

TEST_F(EffectFrames, OtherModesAndOffSendNothing) {
  SetSoundEffectOn(true);
  for (int mode : {0, 1, 5, 9}) {
    SetSoundWaveMode(mode);
    Pass(5, 50);
  }
  SetSoundWaveMode(4);
  SetSoundEffectOn(false);
  Pass(5, 50);
  EXPECT_TRUE(Sent().empty());
}

}  // namespace
