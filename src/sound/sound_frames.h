// The frames of the sound-reactive lighting: LED effect (command 0x13) and LED colour
// (command 0x14), built in the worker's own frame, not in the shared report buffer,
// and sent on the shared write handle.
//
// Hand-over with the restore of the normal lighting: every frame goes out under the
// send gate, and once RestoreNormalLighting has taken the gate no frame goes out until
// the effect is switched on again, so the restore is the last thing the mouse gets.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "device/feature_report.h"

using SoundFrame = std::array<std::uint8_t, kReportBufferSize>;

struct LedEffectArgs {
  int mask = 0x7F;
  int flag = 1;
  int effect = 0;
  int cycle = 0;
  int direction = 0;
  int level = 0;
  int brightness = 0;
  int bit3 = 0;
  int value = 0x3FFF;
  int symmetry = 0;
};

// The effect frames of the three modes (level = the LED effect level L where the
// frame does not take n).
LedEffectArgs SoundFrameA(int n);
LedEffectArgs SoundFrameB();
LedEffectArgs SoundFrameC(int level);
LedEffectArgs SoundFrameD(int level);
LedEffectArgs SoundFrameE(int level);
LedEffectArgs SoundFrameF(int level);
LedEffectArgs SoundFrameG(int level);
// Mode 4 for a sound level of 1 or more.
LedEffectArgs SoundFrameH(int soundLevel, int level);

struct SoundColor {
  int r = 0;
  int g = 0;
  int b = 0;
};
// The colour of the next colour frame: in mode 3 the next of its four colours
// (advancing g_soundColorStep first), in any other mode cyan.
SoundColor NextSoundColor(int mode);

// The worker's frame and its two senders. Results of sends are not looked at.
class SoundLights {
 public:
  // Bytes 0..7 of an effect frame (sums modulo 256), then the frame is sent.
  void SendLedEffectReport(const LedEffectArgs& args);
  // The colour of the mode, as bytes 2 and 3 for DPI colour slot `slot`; bytes 4..7
  // keep what the last effect frame put there. The colour is not stored into the DPI
  // colour table: the user's colours stay as they are.
  void SendLedColorReport(int slot, int mode);
  const SoundFrame& Frame() const { return m_frame; }

 private:
  void Send();
  SoundFrame m_frame{};
};

// The send gate. RestoreNormalLighting holds it for the whole restore.
std::mutex& SoundSendGate();
// Caller holds the gate: the worker's frames are held back from now on.
void HoldSoundFramesLocked();
// The effect was switched on again: its frames may go out.
void AllowSoundFrames();
