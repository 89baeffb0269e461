// The state of the sound-reactive lighting that the window (UI thread) and its worker
// share, and its settings in section ShareData of config.ini. Every change that the
// worker waits for goes through a setter here, which wakes the worker.
#pragma once

#include <atomic>
#include <string>

// SoundWaveMode: the effect, 2, 3 or 4 (any other value sends nothing).
extern std::atomic<int> g_soundWaveMode;
// WaveShowStatu: non-zero while the effect is on.
extern std::atomic<int> g_waveShowStatu;
// SoundSpeaker, SoundMicroph, SoundBright2: read with the others and saved back unchanged.
extern std::atomic<int> g_soundSpeaker;
extern std::atomic<int> g_soundMicroph;
extern std::atomic<int> g_soundBright2;
// 1 while a 480 ms beat waits for the worker (modes 2 and 4).
extern std::atomic<int> g_soundBeat;
// Mode 3: its alternating phase (initial 1) and its place in the four colours.
extern std::atomic<int> g_soundPhase;
extern std::atomic<int> g_soundColorStep;
// Mode 2: the level of its previous beat.
extern std::atomic<int> g_prevSoundLevel;

void SetSoundWaveMode(int mode);
// Switching on also lets the worker's frames reach the mouse again after a restore.
void SetSoundEffectOn(bool on);
bool SoundEffectOn();

// The beat timers: timer 2 beats for modes 3 and 4, timer 3 for mode 2.
void SoundBeatTick(int timer);

// Reads the five values of ShareData (5 characters each, decimal, missing = 0). A
// stored on state switches the effect on.
void LoadSoundSettings(const std::string& configIni);
// Writes the five values in one replacement of the file; WaveShowStatu is always
// written as 1. False when the file could not be written.
bool SaveSoundSettings(const std::string& configIni);

// Puts every value above back to its process-start value (tests).
void ClearSoundState();
