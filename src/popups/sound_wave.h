// The sound-reactive lighting window SoundWave: level bars of the last 36 peak
// samples, three effect mode buttons, on/off and save. Created once, on first use,
// then only hidden and shown again; it owns the peak meter's sampling (every 96 ms)
// and the 480 ms beat while the effect is on, and starts the effect's worker. While
// the effect is off nothing is sampled and no timer runs.
#pragma once

#include <QPoint>
#include <QTimer>

#include <memory>

#include "popups/popup_messages.h"
#include "popups/skinned_popup.h"
#include "skin/window_drag.h"

namespace platform {
class PeakMeter;
}

inline constexpr int kSoundEntries = 50;
inline constexpr int kSoundFirstBar = 13;
inline constexpr int kSoundBarCount = 36;
inline constexpr int kSoundSampleMs = 96;
inline constexpr int kSoundBeatMs = 480;
// The pause between switching the effect off and the main window's restore.
inline constexpr int kSoundStopDelayMs = 250;

class SoundWave : public SkinnedPopup {
  Q_OBJECT

 public:
  // Its switch-off reaches `sink` (WM_SOUNDWAVE_STOPPED, posted 250 ms later).
  SoundWave(QWidget* owner, PopupMessageSink sink);
  ~SoundWave() override;

  // Reads the layout of the current language (again); false when its file is missing.
  bool LoadSoundLayout();
  // Starts or stops sampling and the beat after a change of the on state.
  void FollowEffectState();
  // One tick of each timer (the timers call them; tests too).
  void SampleTick();
  void BeatTick();
  bool Sampling() const { return sampleTimer_.isActive(); }

  int HitTest(QPoint point) const override;

 protected:
  void PaintHover(QPainter& painter) override;
  void PaintExtra(QPainter& painter) override;
  void PaintCaptions(QPainter& painter) override;
  void OnPress(int hit) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SwitchOnOff();
  void SaveAndHide();
  void PaintBars(QPainter& painter, const SkinSource& down);

  QTimer sampleTimer_;
  QTimer beatTimer_;
  QTimer stopTimer_;
  PopupMessageSink sink_;
  WindowDrag drag_;  // a press on no control moves the window
};

// The peak meter the window samples: the PulseAudio meter unless another was set.
platform::PeakMeter& SoundMeter();
// Replaces the meter (tests); null restores the PulseAudio meter.
void SetSoundMeter(std::unique_ptr<platform::PeakMeter> meter);

// There is an output whose loudness can be followed: a sound server answered and it
// has a default output.
bool HasAudioMixer();

// Opens the window (creating it the first time) or shows it again, beside the main
// window. The mouse's DPI level is read first; without an audio device the warning
// box shows TipText 6 and no window opens.
void OpenSoundWaveWindow(QWidget* owner, PopupMessageSink sink);
// The window once created (tests), else null.
SoundWave* SoundWaveWindow();
// Destroys the window (tests): its worker stops, sampling ends.
void DestroySoundWaveWindow();
