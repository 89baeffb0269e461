// The loudness of what the computer plays: the peak level of the default output.
// The sound-reactive lighting samples it; nothing is recorded or kept.
#pragma once

#include <memory>

namespace platform {

class PeakMeter {
 public:
  virtual ~PeakMeter() = default;

  // True when a sound server answered and it has a default output. May wait a short,
  // bounded time for the server; never hangs.
  virtual bool HasAudioDevice() = 0;

  // Starts or stops metering. While it is off the meter does no work at all. Never
  // blocks on the server.
  virtual void SetMetering(bool on) = 0;

  // The highest peak (0.0 = silence, 1.0 = full scale) since the last call; the last
  // one known when none came since; 0 without metering or without an output.
  virtual float TakePeak() = 0;
};

// The PulseAudio meter (also served by PipeWire's pulse server): a peak-detecting
// record stream on the monitor of the default output, moved along when the default
// output changes.
std::unique_ptr<PeakMeter> MakePulsePeakMeter();

}  // namespace platform
