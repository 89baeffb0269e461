#include "sim/scripted_meter.h"

namespace sim {

void ScriptedMeter::Queue(const std::vector<float>& peaks) {
  std::lock_guard lock(mutex_);
  script_.insert(script_.end(), peaks.begin(), peaks.end());
}

void ScriptedMeter::SetHasDevice(bool hasDevice) {
  std::lock_guard lock(mutex_);
  hasDevice_ = hasDevice;
}

int ScriptedMeter::TakeCount() const {
  std::lock_guard lock(mutex_);
  return takes_;
}

bool ScriptedMeter::Metering() const {
  std::lock_guard lock(mutex_);
  return metering_;
}

bool ScriptedMeter::HasAudioDevice() {
  std::lock_guard lock(mutex_);
  return hasDevice_;
}

void ScriptedMeter::SetMetering(bool on) {
  std::lock_guard lock(mutex_);
  metering_ = on;
}

float ScriptedMeter::TakePeak() {
  std::lock_guard lock(mutex_);
  ++takes_;
  if (!script_.empty()) {
    last_ = script_.front();
    script_.pop_front();
  }
  return last_;
}

}  // namespace sim
