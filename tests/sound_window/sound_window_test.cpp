// The sound window opened from the main page of the running program: the scripted
// loudness moves its bars and reaches the simulated mouse as effect frames; switching
// off puts the normal lighting back as the last frames; saving; and no sound server.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <memory>

#include "../app/app_fixture.h"
#include "mainwnd/main_input.h"
#include "mainwnd/main_skins.h"
#include "mainwnd/page_state.h"
#include "platform/ini_file.h"
#include "popups/sound_wave.h"
#include "profile/settings.h"
#include "sim/scripted_meter.h"
#include "sound/sound_level.h"
#include "sound/sound_state.h"

namespace {

using apptest::FrameBytes;
using apptest::IsCommand;
using apptest::Centre;
using apptest::ClickMain;
using apptest::ProgramTest;
using apptest::SpinFor;
using apptest::SpinUntil;

constexpr int kSoundEntryOnMainPage = 46;


class SoundWindowTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    StartWithMouse();
  }
  void TearDown() override {
    DestroySoundWaveWindow();
    SetSoundMeter(nullptr);
    ClearSoundState();
    ProgramTest::TearDown();
  }
  sim::ScriptedMeter* UseScriptedMeter(bool hasDevice) {
    auto meter = std::make_unique<sim::ScriptedMeter>(hasDevice);
    auto* raw = meter.get();
    SetSoundMeter(std::move(meter));
    return raw;
  }
  void OpenFromMainPage() {
    const QPoint p = Centre(g_mainRects[kSoundEntryOnMainPage]);
    MouseMoveAt(p);
    LButtonDownAt(p);
    LButtonUpAt(p);
  }
  void Press(SoundWave& window, int entry) {
    const QPoint p = Centre(window.Rects()[static_cast<std::size_t>(entry)]);
    window.MoveAt(p);
    window.PressAt(p);
    window.ReleaseAt(p);
  }
  std::vector<FrameBytes> EffectFrames(std::size_t from) const {
    std::vector<FrameBytes> out;
    const auto all = SentFrames();
    for (std::size_t i = from; i < all.size(); ++i)
      if (IsCommand(all[i], 0x13) || IsCommand(all[i], 0x14)) out.push_back(all[i]);
    return out;
  }
};

TEST_F(SoundWindowTest, LoudnessMovesTheBarsAndReachesTheMouseUntilSwitchedOff) {
  sim::ScriptedMeter* meter = UseScriptedMeter(true);
  std::vector<float> loud;
  for (int i = 0; i < 400; ++i) loud.push_back(i % 3 == 0 ? 0.9f : 0.35f);
  meter->Queue(loud);
  g_ledType = 3;
  g_ledSpeed = 2;

  OpenFromMainPage();
  SoundWave* window = SoundWaveWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->Sampling());  // off as stored: nothing is sampled
  const QImage quiet = window->Compose();

  Press(*window, 4);
  EXPECT_EQ(g_soundWaveMode, 4);
  const std::size_t before = SentFrames().size();
  Press(*window, 9);
  EXPECT_TRUE(SoundEffectOn());
  EXPECT_TRUE(window->Sampling());
  EXPECT_TRUE(meter->Metering());
  ASSERT_TRUE(SpinUntil([&] { return EffectFrames(before).size() >= 2; }));
  EXPECT_GT(g_soundLevel, 0);

  // The bars show the samples: taller than the flat line of the quiet window.
  const QImage live = window->Compose();
  const SkinRect bar = window->Rects()[kSoundFirstBar + 2];
  int changed = 0;
  for (int y = bar.y; y < bar.y + bar.height; ++y)
    if (live.pixel(bar.x + bar.width / 2, y) != quiet.pixel(bar.x + bar.width / 2, y)) ++changed;
  EXPECT_GT(changed, 20);

  // Off: no more sampling; a moment later the main window restores the lighting, and
  // nothing of the effect follows it. The press itself does not wait for the restore.
  const int pulses = mouse_->ControlPulseCount();
  Press(*window, 9);
  EXPECT_EQ(mouse_->ControlPulseCount(), pulses);
  EXPECT_FALSE(SoundEffectOn());
  EXPECT_FALSE(window->Sampling());
  EXPECT_FALSE(meter->Metering());
  ASSERT_TRUE(SpinUntil([&] { return mouse_->ControlPulseCount() > pulses && !EffectFrames(before).empty() &&
                                     EffectFrames(before).back()[3] == 0x80 + 3 * 16 + 2; }));
  const std::size_t settled = EffectFrames(before).size();
  SpinFor(700);
  EXPECT_EQ(EffectFrames(before).size(), settled);
}

TEST_F(SoundWindowTest, SaveStoresTheModeAsOnAndHides) {
  UseScriptedMeter(true);
  OpenFromMainPage();
  SoundWave* window = SoundWaveWindow();
  ASSERT_NE(window, nullptr);
  Press(*window, 3);
  Press(*window, 10);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(ini::ReadString(ConfigIni(), "ShareData", "SoundWaveMode", 5), "3");
  EXPECT_EQ(ini::ReadString(ConfigIni(), "ShareData", "WaveShowStatu", 5), "1");
  // Opened again: the same window, shown.
  OpenFromMainPage();
  EXPECT_EQ(SoundWaveWindow(), window);
  EXPECT_TRUE(window->isVisible());
}

TEST_F(SoundWindowTest, WithoutASoundServerTheWarningShowsAndNoWindowOpens) {
  setenv("PULSE_SERVER", "unix:/nonexistent/pulse/native", 1);
  SetSoundMeter(nullptr);  // the PulseAudio meter
  OpenFromMainPage();
  unsetenv("PULSE_SERVER");
  EXPECT_EQ(SoundWaveWindow(), nullptr);
  EXPECT_EQ(WarningTips(), std::vector<int>{6});
}

}  // namespace
