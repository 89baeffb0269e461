#include "profile/macro_recorder.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kRecordYOffset = 10;

}  // namespace

std::int64_t MacroRecorder::SteadyMilliseconds() {
  static_assert(std::chrono::steady_clock::is_steady);
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void MacroRecorder::Start(MacroRecord& record, std::string_view name) {
  const std::uint8_t mode = record.mode;
  record = MacroRecord{};
  record.mode = mode;
  SetMacroName(record, name);
  record.repeatCount = 1;
  record.yOffsetOn = 0;
  record.yOffset = kRecordYOffset;

  record_ = &record;
  events_ = 0;
  keyDowns_ = 0;
  held_.fill(0);
  heldCount_ = 0;
  hasLast_ = false;
  lastEventMs_ = clock_();
}

int MacroRecorder::Stop() {
  if (record_ == nullptr) return 0;
  record_->eventCount = static_cast<std::uint16_t>(events_);
  record_ = nullptr;
  return events_;
}

std::uint16_t MacroRecorder::ElapsedSinceLastEvent() {
  const std::int64_t now = clock_();
  const std::int64_t elapsed = std::clamp<std::int64_t>(now - lastEventMs_, 0, kRecordMaxDelay);
  lastEventMs_ = now;
  return static_cast<std::uint16_t>(elapsed);
}

bool MacroRecorder::IsHeld(HostKeyCode vk) const {
  return std::find(held_.begin(), held_.begin() + heldCount_, vk) != held_.begin() + heldCount_;
}

bool MacroRecorder::TakeHeld(HostKeyCode vk) {
  auto end = held_.begin() + heldCount_;
  auto at = std::find(held_.begin(), end, vk);
  if (at == end) return false;
  std::copy(at + 1, end, at);
  --heldCount_;
  held_[static_cast<std::size_t>(heldCount_)] = 0;
  return true;
}

MacroRecorder::Result MacroRecorder::OnKey(bool down, HostKeyCode vk, bool autoRepeat) {
  if (record_ == nullptr) return Result::Ignored;
  // A key pressed again while it is held is its auto-repeat as well.
  const bool sameAsLast = hasLast_ && lastDown_ == down && lastVk_ == vk;
  if (autoRepeat || sameAsLast || (down && IsHeld(vk))) return Result::Dropped;
  hasLast_ = true;
  lastDown_ = down;
  lastVk_ = vk;

  if (events_ >= kRecordMaxEvents) return Result::Full;
  if (down) {
    if (keyDowns_ >= kRecordMaxKeyDowns || heldCount_ >= kRecordHeldSlots) return Result::Ignored;
    held_[static_cast<std::size_t>(heldCount_++)] = vk;
    ++keyDowns_;
  } else if (!TakeHeld(vk)) {
    return Result::Ignored;
  }

  const int n = events_;
  const std::uint16_t elapsed = ElapsedSinceLastEvent();
  if (n > 0) record_->delay[static_cast<std::size_t>(n - 1)] = elapsed;
  const auto at = static_cast<std::size_t>(n);
  record_->action[at] = down ? kRecordActionDown : kRecordActionUp;
  record_->code[at] = VkToDeviceKey(vk);
  record_->param[at] = MacroParam{};
  record_->delay[at] = kRecordLastDelay;
  events_ = n + 1;
  record_->eventCount = static_cast<std::uint16_t>(events_);
  return Result::Recorded;
}
