// A peak meter that plays back a script of peaks, for tests and for runs without a
// sound server: each TakePeak gives the next peak of the script, then the last one
// again once the script is used up.
#pragma once

#include <deque>
#include <mutex>
#include <vector>

#include "platform/peak_meter.h"

namespace sim {

class ScriptedMeter : public platform::PeakMeter {
 public:
  explicit ScriptedMeter(bool hasDevice = true) : hasDevice_(hasDevice) {}

  // Peaks given from the next TakePeak on, after those still waiting.
  void Queue(const std::vector<float>& peaks);
  void SetHasDevice(bool hasDevice);
  int TakeCount() const;
  bool Metering() const;

  bool HasAudioDevice() override;
  void SetMetering(bool on) override;
  float TakePeak() override;

 private:
  mutable std::mutex mutex_;
  bool hasDevice_;
  bool metering_ = false;
  std::deque<float> script_;
  float last_ = 0.0f;
  int takes_ = 0;
};

}  // namespace sim
