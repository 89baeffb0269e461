// The worker of the sound-reactive lighting: while the effect is on it turns the sound
// level into effect and colour frames for the mouse, paced by its pauses and by the
// 480 ms beat. While the effect is off, and between beats, it sleeps on a condition
// and uses no CPU. Started once, with the sound window; it ends with the program.
#pragma once

#include <chrono>
#include <optional>

class SoundLights;

// One pass of the worker: what the current mode sends for the current level (modes 2
// and 4 only when a beat is pending). Returns early, after mode 2's closing frame B,
// when the effect is switched off during a pause.
void SendSoundFrame(SoundLights& lights);

// Waits `ms` milliseconds unless the effect is switched off or the worker is ending
// meanwhile; true when the whole pause went by.
bool SoundPause(int ms);

// Wakes the worker after a change of the mode, the on state or the beat.
void WakeSoundWorker();

// Starts the worker (later calls do nothing while it runs).
void StartSoundWorker();
// Ends the worker and waits for it (end of the program, tests).
void StopSoundWorker();
bool SoundWorkerRunning();
// CPU time the worker's thread has used; nothing when it does not run.
std::optional<std::chrono::nanoseconds> SoundWorkerCpuTime();
