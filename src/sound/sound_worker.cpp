#include "sound/sound_worker.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "device/download.h"
#include "device/memory_image.h"
#include "platform/thread_cpu_time.h"
#include "sound/sound_frames.h"
#include "sound/sound_level.h"
#include "sound/sound_state.h"

namespace {

std::mutex g_wakeMutex;
std::condition_variable g_wake;
std::atomic<bool> g_workerEnding{false};

std::mutex g_threadMutex;  // guards g_thread

// The worker's thread; one still running when the program ends is ended with it, not
// left to terminate the program.
struct WorkerThread {
  std::thread thread;
  ~WorkerThread() {
    if (!thread.joinable()) return;
    g_workerEnding = true;
    { std::lock_guard lock(g_wakeMutex); }
    g_wake.notify_all();
    thread.join();
  }
};
WorkerThread g_worker;
std::thread& g_thread = g_worker.thread;

constexpr int kBeatMs = 480;
constexpr int kQuietPauseMs = 240;

bool Interrupted() { return g_waveShowStatu.load() == 0 || g_workerEnding.load(); }

bool HasWork() {
  if (g_waveShowStatu.load() == 0) return false;
  const int mode = g_soundWaveMode.load();
  return mode == 3 || ((mode == 2 || mode == 4) && g_soundBeat.load() == 1);
}

int EffectLevel() { return g_ledEffectLevel.load(); }

// The DPI colour slot that the effect recolours; the mouse has six.
int ColourSlot() {
  const int slot = g_lastDpiLevel.load();
  return slot >= 0 && slot < 6 ? slot : 0;
}

void Mode2(SoundLights& lights) {
  if (g_soundBeat.exchange(0) != 1) return;
  const int count = g_soundLevel.load();
  const int level = EffectLevel();
  const int previous = g_prevSoundLevel.exchange(count);
  auto stopWithB = [&] { lights.SendLedEffectReport(SoundFrameB()); };

  // Fall from the previous beat's level.
  if (previous >= 2) {
    const int pause = 392 / (previous - 1);
    for (int n = previous; n >= 0; --n) {
      lights.SendLedEffectReport(SoundFrameA(n));
      if (!SoundPause(pause)) return stopWithB();
    }
  }
  // Rise to this beat's level.
  if (count >= 1) {
    const int step = 87 / count;
    if (!SoundPause(step)) return stopWithB();
    for (int i = 0; i < count; ++i) {
      if (!SoundPause(step)) return stopWithB();
      lights.SendLedEffectReport(SoundFrameA(count >= level - 1 ? level : i));
    }
    if (count >= 7 && !SoundPause(step)) return stopWithB();
  }
  if (g_peakHistory[0].load() > 1 && g_soundLevel.load() > 0) return;
  // Quiet.
  if (!SoundPause(kQuietPauseMs)) return;
  lights.SendLedEffectReport(SoundFrameC(level));
  if (!SoundPause(kQuietPauseMs)) return;
  lights.SendLedEffectReport(SoundFrameA(0));
}

void Mode3(SoundLights& lights) {
  const int sound = g_soundLevel.load();
  const int level = EffectLevel();
  const bool firstPhase = g_soundPhase.load() == 1;
  if (sound == 0) {
    lights.SendLedEffectReport(firstPhase ? SoundFrameD(level) : SoundFrameE(level));
    if (!SoundPause(kBeatMs)) return;
    g_soundPhase = firstPhase ? 0 : 1;
    if (firstPhase) lights.SendLedColorReport(ColourSlot(), 3);
    return;
  }
  lights.SendLedEffectReport(firstPhase ? SoundFrameC(level) : SoundFrameF(level));
  if (!SoundPause(kBeatMs / (sound + 1))) return;
  if (!firstPhase) lights.SendLedColorReport(ColourSlot(), 3);
  g_soundPhase = firstPhase ? 0 : 1;
}

void Mode4(SoundLights& lights) {
  if (g_soundBeat.exchange(0) != 1) return;
  const int sound = g_soundLevel.load();
  const int level = EffectLevel();
  lights.SendLedEffectReport(sound <= 0 ? SoundFrameG(level) : SoundFrameH(sound, level));
}

void SoundWorkerLoop() {
  SoundLights lights;
  std::unique_lock lock(g_wakeMutex);
  for (;;) {
    g_wake.wait(lock, [] { return g_workerEnding.load() || HasWork(); });
    if (g_workerEnding.load()) return;
    lock.unlock();
    SendSoundFrame(lights);
    lock.lock();
  }
}

}  // namespace

void SendSoundFrame(SoundLights& lights) {
  if (g_waveShowStatu.load() == 0) return;
  switch (g_soundWaveMode.load()) {
    case 2: Mode2(lights); break;
    case 3: Mode3(lights); break;
    case 4: Mode4(lights); break;
    default: break;
  }
}

bool SoundPause(int ms) {
  std::unique_lock lock(g_wakeMutex);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(ms, 0));
  return !g_wake.wait_until(lock, deadline, Interrupted);
}

void WakeSoundWorker() {
  { std::lock_guard lock(g_wakeMutex); }  // a waiter between its check and its wait sees the change
  g_wake.notify_all();
}

void StartSoundWorker() {
  std::lock_guard lock(g_threadMutex);
  if (g_thread.joinable()) return;
  g_workerEnding = false;
  g_thread = std::thread(SoundWorkerLoop);
}

void StopSoundWorker() {
  std::lock_guard lock(g_threadMutex);
  if (!g_thread.joinable()) return;
  g_workerEnding = true;
  WakeSoundWorker();
  g_thread.join();
  g_workerEnding = false;
}

bool SoundWorkerRunning() {
  std::lock_guard lock(g_threadMutex);
  return g_thread.joinable();
}

std::optional<std::chrono::nanoseconds> SoundWorkerCpuTime() {
  std::lock_guard lock(g_threadMutex);
  if (!g_thread.joinable()) return std::nullopt;
  return platform::ThreadCpuTime(g_thread.native_handle());
}
