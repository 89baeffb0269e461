#include "device/macro_executor.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "device/device_connection.h"
#include "device/download.h"
#include "device/feature_report.h"
#include "device/input_listener.h"
#include "device/worker_gate.h"
#include "platform/hid_pause.h"
#include "profile/core_hooks.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/settings.h"

std::array<std::atomic<std::uint8_t>, 6> g_pressedKeys{};
std::atomic<std::uint8_t> g_mouseButtonBits{0xFF};

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFirstComboCode = 33;
constexpr int kLastComboCode = 40;
constexpr int kFirstMacroCode = 41;
constexpr int kLastMacroCode = 3083;  // group 12, entry 11
constexpr int kFirstPresetCode = 50;
constexpr int kFirstGroupCode = 256;
constexpr int kLastGroup = 11;
constexpr std::uint8_t kLeftButtonEvent = 241;  // button code of the left button's report

constexpr std::uint8_t kButtonBitsAll = 0x07;
constexpr int kReleasePauseMs = 10;
// A release that did not reach the mouse is tried again when the write handle changed
// (the mouse was found again), else at this interval.
constexpr auto kReleaseRetryInterval = std::chrono::seconds(1);

constexpr std::array<std::uint16_t, 11> kMediaUsages{0x223, 0x183, 0x18A, 0xE9, 0xEA, 0xB6,
                                                      0xB5, 0xE2, 0xCD, 0x192, 0xB7};

std::mutex g_wakeMutex;
std::condition_variable_any g_wake;
std::uint64_t g_wakeCount = 0;  // guarded by g_wakeMutex

std::uint64_t WakeCount() {
  std::lock_guard lock(g_wakeMutex);
  return g_wakeCount;
}

std::atomic<bool> g_releasePending{false};
std::atomic<hid::Handle> g_releaseFailedHandle{0};
std::atomic<Clock::rep> g_releaseFailedAt{0};  // steady clock ticks

int Profile(int p) { return std::clamp(p, 0, kProfileCount - 1); }
int KeyCount() { return std::clamp(g_keyCount.load(), 0, kButtonCount); }

void SetHeader(DeviceCommand command) {
  g_reportBuffer[0] = kFeatureReportId;
  g_reportBuffer[1] = static_cast<std::uint8_t>(command);
}

bool SendKeyStateLocked() {
  SetHeader(DeviceCommand::KeyboardState);
  for (std::size_t i = 0; i < g_pressedKeys.size(); ++i) g_reportBuffer[2 + i] = g_pressedKeys[i].load();
  return SendReportBuffer();
}

bool SendButtonStateLocked() {
  SetHeader(DeviceCommand::MouseButtonState);
  g_reportBuffer[3] = g_mouseButtonBits.load();
  return SendReportBuffer();
}

std::uint8_t ButtonBit(std::uint8_t code) {
  switch (code) {
    case MacroEventCode::LeftButton:
      return 0x01;
    case MacroEventCode::RightButton:
      return 0x02;
    case MacroEventCode::MiddleButton:
      return 0x04;
    default:
      return 0;
  }
}

std::int16_t ToInt16(int value) { return static_cast<std::int16_t>(std::clamp(value, -32768, 32767)); }

std::mt19937& Random() {
  thread_local std::mt19937 random(
      static_cast<std::mt19937::result_type>(Clock::now().time_since_epoch().count()));
  return random;
}

// What a press of one button does.
enum class PressKind { Nothing, Macro, Combination, Media, LeftReplay };

PressKind ChoosePress(int code, int leftMac, std::uint8_t eventCode) {
  if (leftMac != 1 && code >= kFirstMacroCode && code <= kLastMacroCode) return PressKind::Macro;
  if (code >= kFirstComboCode && code <= kLastComboCode) return PressKind::Combination;
  if (code >= kFirstMediaCode && code <= kLastMediaCode) return PressKind::Media;
  if (eventCode == kLeftButtonEvent && g_ledReactActive.load() != 0) return PressKind::LeftReplay;
  return PressKind::Nothing;
}

// The record a macro code names. False for codes that name none: 41..49, presets
// beyond the loaded ones, groups past the last and entries past a group's count.
bool MacroForCode(int code, MacroRecord& out) {
  if (code >= kFirstGroupCode) {
    const int group = code / 256 - 1;
    const int index = code % 256;
    if (group > kLastGroup || group >= kMaxMacroGroups) return false;
    if (index >= g_groupMacroCounts[static_cast<std::size_t>(group)]) return false;
    out = LoadGroupMacro(group, index);
    return true;
  }
  if (code >= kFirstPresetCode) {
    const int preset = code - kFirstPresetCode;
    if (preset >= std::clamp<int>(g_gunMacroCount, 0, kMacroTableSize)) return false;
    out = g_gunMacros[static_cast<std::size_t>(preset)];
    return true;
  }
  return false;
}

// Plays a record: a key combination once and whole, a macro by its mode (bit 1 while
// the button is held, else bit 0 until a press flips the toggle back, each at most
// 10000 rounds; neither: repeatCount rounds). Each event waits its delay from the end
// of the report before it, the latest moment the mouse can have taken that one: a
// player that was held up (a busy machine, a paused process) makes the macro longer
// and never shortens a gap, since a key held for less than a frame is one a game does
// not see. The write time of each report adds to the macro's length for that.
// Everything is released at the end, also when the mouse stopped taking reports.
void PlayRecord(const MacroRecord& record, bool combination, std::stop_token stop) {
  const int events = std::min<int>(record.eventCount, kMacroMaxEvents);
  const bool whileHeld = !combination && (record.mode & 2) != 0;
  const bool untilPressed = !combination && !whileHeld && (record.mode & 1) != 0;
  const int rounds = combination ? 1 : ((record.mode & 3) != 0 ? kMaxMacroRounds : record.repeatCount);
  const bool addExtra = record.yOffsetOn != 0;

  auto keepGoing = [&] {
    if (stop.stop_requested()) return false;
    if (whileHeld) return g_buttonHeld.load() != 0;
    if (untilPressed) return g_buttonToggle.load() != 0;
    return true;
  };

  bool playing = true;
  for (int round = 0; playing && round < rounds; ++round) {
    if (!keepGoing()) break;
    for (int j = 0; j < events; ++j) {
      if (!keepGoing()) {
        playing = false;
        break;
      }
      const std::uint8_t code = record.code[static_cast<std::size_t>(j)];
      const std::uint8_t action = record.action[static_cast<std::size_t>(j)];
      const MacroParam param = record.param[static_cast<std::size_t>(j)];
      if (!SendInputEvent(code, action, param.a, param.b, record.yOffset, addExtra)) {
        playing = false;  // the mouse is gone or refuses reports: nothing more to play
        break;
      }
      const Clock::time_point next =
          Clock::now() +
          std::chrono::milliseconds(EventDelayMs(code, action, record.delay[static_cast<std::size_t>(j)], Random()));
      if (!WorkerSleepUntil(next, stop, true)) {
        playing = false;
        break;
      }
    }
  }
  ReleaseAllInputs();
}

void HandleReleaseHandOver() {
  if (g_buttonReleased.load() == 0) return;
  const std::uint8_t eventCode = g_lastButtonCode.load();
  const int p = Profile(g_currentProfile.load());
  for (int i = 0; i < KeyCount(); ++i) {
    if (g_keyMap[static_cast<std::size_t>(i)] + kInputButtonBase != eventCode) continue;
    if (g_dpiButton[p][i] == 0) continue;
    // The release's own byte 2: reports read since (steps, profile changes) carry none.
    const int level = g_releaseDetail.load() & kInputDpiMask;
    // The mouse has six levels; anything else is not a level to keep.
    if (level >= kDpiLevelCount) continue;
    g_dpiLevel = level;
    RequestMainRepaint();
    SaveDpiLevel();
    g_lastDpiLevel = level;
  }
  g_buttonReleased = 0;
}

void HandlePressHandOver(std::stop_token stop) {
  if (g_buttonPressed.load() == 0) return;
  // The press's own code: a release read since has put its code into g_lastButtonCode.
  const std::uint8_t eventCode = g_pressHandOverCode.load();
  const int p = Profile(g_currentProfile.load());
  for (int i = 0; i < KeyCount(); ++i) {
    if (stop.stop_requested()) break;
    if (g_keyMap[static_cast<std::size_t>(i)] + kInputButtonBase != eventCode) continue;

    MacroRecord record;
    bool play = false;
    PressKind kind = PressKind::Nothing;
    int code = 0;
    {
      std::lock_guard tables(WorkerTablesLock());
      code = g_keyFunc[p][i];
      kind = ChoosePress(code, g_leftMac[p][i], eventCode);
      switch (kind) {
        case PressKind::Macro:
          play = MacroForCode(code, record);
          break;
        case PressKind::LeftReplay: {
          const int armed = std::clamp(g_ledReactButton.load(), 0, kButtonCount - 1);
          play = MacroForCode(g_keyFunc[p][armed], record);
          break;
        }
        case PressKind::Combination:
          record = g_profileMacros[static_cast<std::size_t>(p)][static_cast<std::size_t>(i)];
          play = true;
          break;
        default:
          break;
      }
    }

    if (kind == PressKind::Media) {
      SendConsumerUsage(MediaIndexToUsage(code - kFirstMediaCode));
      continue;
    }
    if (!play || g_softHardMac.load() == 0) continue;
    PlayRecord(record, kind == PressKind::Combination, stop);
  }
  // A played press leaves nothing running: the next press of a macro that repeats
  // until pressed again starts it, whatever presses came before.
  g_buttonToggle = 0;
  g_buttonPressed = 0;
}

void RetryPendingRelease() {
  if (!g_releasePending.load()) return;
  const hid::Handle handle = g_writeHandle.load();
  if (handle == 0 || handle == hid::kInvalidHandle) return;
  const Clock::time_point failedAt{Clock::duration(g_releaseFailedAt.load())};
  if (handle == g_releaseFailedHandle.load() && Clock::now() - failedAt < kReleaseRetryInterval) return;
  ReleaseAllInputs();
}

}  // namespace

std::uint16_t MediaIndexToUsage(int index) {
  if (index < 0 || index >= static_cast<int>(kMediaUsages.size())) return 0;
  return kMediaUsages[static_cast<std::size_t>(index)];
}

bool SendConsumerUsage(std::uint16_t usage) {
  std::lock_guard lock(g_reportMutex);
  SetHeader(DeviceCommand::ConsumerKey);
  g_reportBuffer[2] = static_cast<std::uint8_t>(usage >> 8);
  g_reportBuffer[3] = static_cast<std::uint8_t>(usage & 0xFF);
  return SendReportBuffer();
}

void AddPressedKey(std::uint8_t usage) {
  for (auto& slot : g_pressedKeys) {
    if (slot.load() == 0) {
      slot = usage;
      return;
    }
  }
}

void RemovePressedKey(std::uint8_t usage) {
  const std::size_t last = g_pressedKeys.size() - 1;
  for (std::size_t i = 0; i < g_pressedKeys.size(); ++i) {
    if (g_pressedKeys[i].load() != usage) continue;
    for (std::size_t k = i; k < last; ++k) g_pressedKeys[k] = g_pressedKeys[k + 1].load();
    break;
  }
  g_pressedKeys[last] = 0;
}

bool SendInputEvent(std::uint8_t code, std::uint8_t action, std::uint16_t x, std::uint16_t y,
                    std::uint8_t extra, bool addExtra) {
  std::lock_guard lock(g_reportMutex);
  if (code == MacroEventCode::PointerMove) {
    const int dx = x;
    const int dy = addExtra ? y + extra : y;
    int sx = 0, sy = 0;
    switch (action) {
      case 3: sx = -dx; sy = -dy; break;
      case 4: sx = -dx; sy = dy; break;
      case 5: sx = dx; sy = -dy; break;
      case 6: sx = dx; sy = dy; break;
      default: break;
    }
    const auto mx = static_cast<std::uint16_t>(ToInt16(sx));
    const auto my = static_cast<std::uint16_t>(ToInt16(sy));
    SetHeader(DeviceCommand::PointerMove);
    g_reportBuffer[2] = static_cast<std::uint8_t>(mx >> 8);
    g_reportBuffer[3] = static_cast<std::uint8_t>(mx & 0xFF);
    g_reportBuffer[4] = static_cast<std::uint8_t>(my >> 8);
    g_reportBuffer[5] = static_cast<std::uint8_t>(my & 0xFF);
    g_reportBuffer[6] = 0;
    g_reportBuffer[7] = 0;
    return SendReportBuffer();
  }
  if (code < kInputButtonBase) {
    if (action == 1)
      AddPressedKey(code);
    else if (action == 2)
      RemovePressedKey(code);
    return SendKeyStateLocked();
  }
  const std::uint8_t bit = ButtonBit(code);
  if (action == 1)
    g_mouseButtonBits = static_cast<std::uint8_t>(g_mouseButtonBits.load() & ~bit);
  else if (action == 2)
    g_mouseButtonBits = static_cast<std::uint8_t>(g_mouseButtonBits.load() | bit);
  return SendButtonStateLocked();
}

void ReleaseAllInputs() {
  hid::PauseMs(kReleasePauseMs);
  bool sent = false;
  {
    std::lock_guard lock(g_reportMutex);
    g_mouseButtonBits = static_cast<std::uint8_t>(g_mouseButtonBits.load() | kButtonBitsAll);
    sent = SendButtonStateLocked();
  }
  hid::PauseMs(kReleasePauseMs);
  {
    std::lock_guard lock(g_reportMutex);
    for (auto& slot : g_pressedKeys) slot = 0;
    sent = SendKeyStateLocked() && sent;
  }
  g_releasePending = !sent;
  if (!sent) {
    g_releaseFailedHandle = g_writeHandle.load();
    g_releaseFailedAt = Clock::now().time_since_epoch().count();
  }
}

bool ReleasePending() { return g_releasePending.load(); }

int EventDelayMs(std::uint8_t code, std::uint8_t action, std::uint16_t delay, std::mt19937& random) {
  int ms = delay;
  if (code >= kInputButtonBase && (action == 1 || action == 2)) {
    ms = std::max(ms, kMinMouseButtonDelayMs);
    if (g_randomDelayEnable && ms < g_randomDelayLimit) {
      const int span = static_cast<int>(ms * g_randomDelayFactor);
      if (span > 0) ms += std::uniform_int_distribution<int>(0, span - 1)(random);
    }
  }
  return ms;
}

void RunExecutorPoll(std::stop_token stop) {
  HandleReleaseHandOver();
  HandlePressHandOver(stop);
  RetryPendingRelease();
}

void WakeMacroExecutor() {
  {
    std::lock_guard lock(g_wakeMutex);
    ++g_wakeCount;
  }
  g_wake.notify_one();
}

void MacroExecutorThread(std::stop_token stop) {
  if (!WaitForWorkerGate(stop)) return;
  while (!stop.stop_requested()) {
    // Taken before the poll: a flag raised while it runs brings the next poll at once.
    const std::uint64_t seen = WakeCount();
    RunExecutorPoll(stop);
    std::unique_lock lock(g_wakeMutex);
    const auto woken = [seen] { return g_wakeCount != seen; };
    // Only a release that could not be sent has to be tried again on the clock;
    // everything else arrives through WakeMacroExecutor.
    if (g_releasePending.load())
      g_wake.wait_until(lock, stop, Clock::now() + kReleaseRetryInterval, woken);
    else
      g_wake.wait(lock, stop, woken);
  }
}

void ResetInputEmission() {
  for (auto& slot : g_pressedKeys) slot = 0;
  g_mouseButtonBits = 0xFF;
  g_releasePending = false;
  g_releaseFailedHandle = 0;
}
