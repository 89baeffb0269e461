// Recording a macro from the keyboard: the rules that turn the key presses and releases
// that reach the program while recording runs into events of one macro record, with the
// time measured between them. Qt-free; the macro page feeds it and shows the events.
//
// - A repeat of a held key (auto-repeat, or the same press or release twice) is dropped.
// - A release is recorded only when its press was: a key held when recording began, a
//   press beyond the limits and a press while nine keys are held leave no release.
// - At most 110 events and 55 key presses; the first key after the 110th event ends the
//   recording.
// - The time between two events is measured on a monotonic clock (a change of the
//   system's clock gives no wrong delay), capped at 65535 ms; the last event keeps 20.
//
// UI thread only.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>

#include "keys/key_codes.h"
#include "profile/macro_record.h"

inline constexpr int kRecordMaxEvents = 110;
inline constexpr int kRecordMaxKeyDowns = 55;
inline constexpr int kRecordHeldSlots = 9;
inline constexpr std::uint16_t kRecordLastDelay = 20;
inline constexpr std::uint16_t kRecordMaxDelay = 65535;
inline constexpr std::uint8_t kRecordActionDown = 1;
inline constexpr std::uint8_t kRecordActionUp = 2;

class MacroRecorder {
 public:
  // Milliseconds on a clock that never jumps (a test may give one that does).
  using Clock = std::function<std::int64_t()>;
  static std::int64_t SteadyMilliseconds();

  explicit MacroRecorder(Clock clock = SteadyMilliseconds) : clock_(std::move(clock)) {}

  // Starts recording into `record`: it becomes an empty macro named `name` (at most 30
  // UTF-16 units) that keeps only its mode, played once, without vertical offset.
  void Start(MacroRecord& record, std::string_view name);
  // Ends the recording. The record's event count is the events recorded all along (so
  // that the event list can show them as they come). Returns that count (0 when nothing
  // was being recorded).
  int Stop();
  bool Recording() const { return record_ != nullptr; }

  enum class Result {
    Recorded,  // event EventCount() - 1 was added
    Dropped,   // a repeat: the key is swallowed, nothing is added
    Ignored,   // not recorded (limits, a release without its press); nothing added
    Full,      // 110 events are recorded: the caller ends the recording
  };
  // One key press (down) or release. Not recording: Ignored.
  Result OnKey(bool down, HostKeyCode vk, bool autoRepeat = false);

  int EventCount() const { return events_; }
  int KeyDowns() const { return keyDowns_; }
  int HeldCount() const { return heldCount_; }

 private:
  std::uint16_t ElapsedSinceLastEvent();
  bool TakeHeld(HostKeyCode vk);
  bool IsHeld(HostKeyCode vk) const;

  Clock clock_;
  MacroRecord* record_ = nullptr;
  int events_ = 0;
  int keyDowns_ = 0;
  std::array<HostKeyCode, kRecordHeldSlots> held_{};
  int heldCount_ = 0;
  bool hasLast_ = false;
  bool lastDown_ = false;
  HostKeyCode lastVk_ = 0;
  std::int64_t lastEventMs_ = 0;
};
