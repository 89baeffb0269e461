#include "sound/sound_frames.h"

#include <algorithm>
#include <atomic>

#include "sound/sound_state.h"

namespace {

std::mutex g_sendGate;
std::atomic<bool> g_framesHeld{false};

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

LedEffectArgs Effect(int effect, int cycle, int direction, int level, int brightness, int value = 0x3FFF,
                     int symmetry = 0) {
  LedEffectArgs args;
  args.effect = effect;
  args.cycle = cycle;
  args.direction = direction;
  args.level = level;
  args.brightness = brightness;
  args.value = value;
  args.symmetry = symmetry;
  return args;
}

// Mode 4: cycle and brightness for sound levels 1 to 7 (7 also for higher levels).
constexpr std::array<std::array<int, 2>, 7> kMode4Steps = {{{0, 2}, {1, 2}, {1, 1}, {2, 1}, {3, 0}, {4, 0}, {5, 1}}};

constexpr std::array<SoundColor, 4> kMode3Colors = {{{0, 15, 15}, {0, 15, 0}, {0, 0, 15}, {15, 15, 0}}};

}  // namespace

LedEffectArgs SoundFrameA(int n) { return Effect(6, 1, 1, n, 0); }
LedEffectArgs SoundFrameB() { return Effect(9, 1, 1, 11, 3); }
LedEffectArgs SoundFrameC(int level) { return Effect(13, 2, 0, level, 0, 0x3FEB); }
LedEffectArgs SoundFrameD(int level) { return Effect(2, 2, 0, level, 4); }
LedEffectArgs SoundFrameE(int level) { return Effect(13, 2, 0, level, 3); }
LedEffectArgs SoundFrameF(int level) { return Effect(2, 2, 0, level, 0); }
LedEffectArgs SoundFrameG(int level) { return Effect(4, 0, 0, level, 3, 0x3FFF, 1); }

LedEffectArgs SoundFrameH(int soundLevel, int level) {
  const auto& step = kMode4Steps[static_cast<std::size_t>(std::clamp(soundLevel, 1, 7) - 1)];
  return Effect(8, step[0], 0, level, step[1]);
}

SoundColor NextSoundColor(int mode) {
  if (mode != 3) return {0, 15, 15};
  const int step = (g_soundColorStep.load() + 1) % 4;
  g_soundColorStep = step;
  return kMode3Colors[static_cast<std::size_t>(step)];
}

void SoundLights::SendLedEffectReport(const LedEffectArgs& a) {
  m_frame[0] = kFeatureReportId;
  m_frame[1] = static_cast<std::uint8_t>(DeviceCommand::LedMode);
  m_frame[2] = Byte(a.mask + 0x80);
  m_frame[3] = Byte(a.flag * 128 + a.effect * 16 + a.bit3 * 8 + (a.cycle & 7));
  m_frame[4] = Byte(a.symmetry * 64 + ((a.direction * 16) & 0x30) + a.level);
  m_frame[5] = Byte(a.brightness & 7);
  m_frame[6] = Byte((a.effect / 8) * 128 + ((a.value / 256) & 3));
  m_frame[7] = Byte(a.value);
  Send();
}

void SoundLights::SendLedColorReport(int slot, int mode) {
  const SoundColor color = NextSoundColor(mode);
  m_frame[0] = kFeatureReportId;
  m_frame[1] = static_cast<std::uint8_t>(DeviceCommand::ColorSlot);
  m_frame[2] = Byte(slot * 32 + color.g);
  m_frame[3] = Byte(color.r * 16 + color.b);
  Send();
}

void SoundLights::Send() {
  std::lock_guard gate(g_sendGate);
  if (g_framesHeld.load()) return;
  SendOwnFrame(m_frame);
}

std::mutex& SoundSendGate() { return g_sendGate; }
void HoldSoundFramesLocked() { g_framesHeld = true; }
void AllowSoundFrames() { g_framesHeld = false; }
