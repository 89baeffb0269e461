#include "sound/sound_state.h"

#include "platform/ini_file.h"
#include "sound/sound_frames.h"
#include "sound/sound_worker.h"

std::atomic<int> g_soundWaveMode{0};
std::atomic<int> g_waveShowStatu{0};
std::atomic<int> g_soundSpeaker{0};
std::atomic<int> g_soundMicroph{0};
std::atomic<int> g_soundBright2{0};
std::atomic<int> g_soundBeat{0};
std::atomic<int> g_soundPhase{1};
std::atomic<int> g_soundColorStep{0};
std::atomic<int> g_prevSoundLevel{0};

namespace {

constexpr const char* kSection = "ShareData";
constexpr std::size_t kValueChars = 5;

}  // namespace

void SetSoundWaveMode(int mode) {
  g_soundWaveMode = mode;
  WakeSoundWorker();
}

void SetSoundEffectOn(bool on) {
  if (on) AllowSoundFrames();
  g_waveShowStatu = on ? 1 : 0;
  WakeSoundWorker();
}

bool SoundEffectOn() { return g_waveShowStatu.load() != 0; }

void SoundBeatTick(int timer) {
  const int mode = g_soundWaveMode.load();
  const bool beats = timer == 2 ? (mode == 3 || mode == 4) : (timer == 3 && mode == 2);
  if (!beats) return;
  g_soundBeat = 1;
  if (SoundEffectOn()) WakeSoundWorker();  // switching on wakes it anyway
}

void LoadSoundSettings(const std::string& configIni) {
  auto read = [&](const char* key) { return ini::ReadInt(configIni, kSection, key, kValueChars); };
  g_soundWaveMode = read("SoundWaveMode");
  g_soundSpeaker = read("SoundSpeaker");
  g_soundMicroph = read("SoundMicroph");
  g_soundBright2 = read("SoundBright2");
  SetSoundEffectOn(read("WaveShowStatu") != 0);
}

bool SaveSoundSettings(const std::string& configIni) {
  ini::Batch batch(configIni);
  batch.WriteInt(kSection, "SoundWaveMode", g_soundWaveMode.load());
  batch.WriteInt(kSection, "SoundSpeaker", g_soundSpeaker.load());
  batch.WriteInt(kSection, "SoundMicroph", g_soundMicroph.load());
  batch.WriteInt(kSection, "SoundBright2", g_soundBright2.load());
  batch.WriteInt(kSection, "WaveShowStatu", 1);
  return batch.Commit();
}

void ClearSoundState() {
  g_soundWaveMode = 0;
  g_waveShowStatu = 0;
  g_soundSpeaker = g_soundMicroph = g_soundBright2 = 0;
  g_soundBeat = 0;
  g_soundPhase = 1;
  g_soundColorStep = 0;
  g_prevSoundLevel = 0;
  AllowSoundFrames();
  WakeSoundWorker();
}
