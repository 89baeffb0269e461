#include "popups/sound_wave.h"

#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <algorithm>

#include "device/download.h"
#include "platform/peak_meter.h"
#include "profile/core_hooks.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/skin_image.h"
#include "sound/sound_level.h"
#include "sound/sound_restore.h"
#include "sound/sound_state.h"
#include "sound/sound_worker.h"

namespace {

constexpr int kHitEntries = 12;  // rectangles 0 to 11 are hit-tested
constexpr int kEntryOnOff = 9;
constexpr int kEntrySave = 10;
constexpr int kTipNoAudioDevice = 6;
constexpr int kBarLineHeight = 2;
const char* const kDownImage = "sound_down.jpg";
const char* const kOverImage = "sound_over.jpg";

std::unique_ptr<platform::PeakMeter> g_meter;
QPointer<SoundWave> g_soundWave;

bool IsModeEntry(int entry) { return entry >= 2 && entry <= 4; }

}  // namespace

platform::PeakMeter& SoundMeter() {
  if (!g_meter) g_meter = platform::MakePulsePeakMeter();
  return *g_meter;
}

void SetSoundMeter(std::unique_ptr<platform::PeakMeter> meter) { g_meter = std::move(meter); }

bool HasAudioMixer() { return SoundMeter().HasAudioDevice(); }

SoundWave::SoundWave(QWidget* owner, PopupMessageSink sink)
    : SkinnedPopup(owner, PopupStyle::Dialog), sink_(std::move(sink)) {
  setWindowTitle(QStringLiteral("SoundWave"));
  SetShapeFromMask("sound_mask.jpg");
  SetImages("sound_normal.jpg", kOverImage, kDownImage);

  sampleTimer_.setInterval(kSoundSampleMs);
  beatTimer_.setInterval(kSoundBeatMs);
  stopTimer_.setInterval(kSoundStopDelayMs);
  stopTimer_.setSingleShot(true);
  connect(&sampleTimer_, &QTimer::timeout, this, &SoundWave::SampleTick);
  connect(&beatTimer_, &QTimer::timeout, this, &SoundWave::BeatTick);
  connect(&stopTimer_, &QTimer::timeout, this, [this] { PostPopupMessage(sink_, kWmSoundwaveStopped, 1, 0); });

  StartSoundWorker();
  // A stored on state starts the effect as soon as the window exists.
  LoadSoundSettings(g_configIniPath);
  FollowEffectState();
}

SoundWave::~SoundWave() {
  sampleTimer_.stop();
  beatTimer_.stop();
  StopSoundWorker();
  if (g_meter) g_meter->SetMetering(false);
}

bool SoundWave::LoadSoundLayout() { return LoadLayout("skin_sound.ini", kSoundEntries); }

void SoundWave::FollowEffectState() {
  const bool on = SoundEffectOn();
  if (on == sampleTimer_.isActive()) return;
  // Samples of an earlier run of the effect would show as if they were new.
  ClearPeakHistory();
  SoundMeter().SetMetering(on);
  if (on) {
    sampleTimer_.start();
    beatTimer_.start();
  } else {
    sampleTimer_.stop();
    beatTimer_.stop();
  }
  update();
}

void SoundWave::SampleTick() {
  SampleSoundTick(SoundMeter().TakePeak());
  update();
}

void SoundWave::BeatTick() {
  SoundBeatTick(2);
  SoundBeatTick(3);
}

int SoundWave::HitTest(QPoint point) const {
  const auto& rects = Rects();
  return HitTestRects(point, rects.data(), std::min(kHitEntries, static_cast<int>(rects.size())));
}

void SoundWave::PaintHover(QPainter& painter) {
  const int hover = Hover();
  if (hover == kNoHit || Pressed() || !(IsModeEntry(hover) || hover == kEntrySave)) return;
  if (static_cast<std::size_t>(hover) < Rects().size())
    BlitHover(painter, ControlsImage(kOverImage), Rects()[static_cast<std::size_t>(hover)]);
}

void SoundWave::PaintExtra(QPainter& painter) {
  const auto& rects = Rects();
  if (rects.size() < static_cast<std::size_t>(kSoundEntries)) return;
  const SkinSource down = ControlsImage(kDownImage);
  const int mode = g_soundWaveMode.load();
  if (mode >= 0 && mode < kSoundEntries) BlitHover(painter, down, rects[static_cast<std::size_t>(mode)]);
  if (!SoundEffectOn() || g_modeLight.load() != 0) {
    BlitHover(painter, ControlsImage(kOverImage), rects[kEntryOnOff]);
  } else if (g_waveShowStatu.load() == 1) {
    BlitHover(painter, down, rects[kEntryOnOff]);
  }
  PaintBars(painter, down);
}

void SoundWave::PaintBars(QPainter& painter, const SkinSource& down) {
  const bool samples = SoundBarsShowSamples(SoundEffectOn());
  for (int k = 0; k < kSoundBarCount; ++k) {
    const SkinRect& r = Rects()[static_cast<std::size_t>(kSoundFirstBar + k)];
    SkinRect bar{r.x, r.y + r.height / 2 - kBarLineHeight, r.width, kBarLineHeight};
    if (samples) {
      const int height = r.height * SoundBarSample(k) / 100;
      bar = SkinRect{r.x, CentredStart(r.y, r.height, height), r.width, height};
    }
    BlitHover(painter, down, bar);
  }
}

void SoundWave::PaintCaptions(QPainter& painter) {
  SelectCaptionFont(painter);
  painter.setPen(Qt::white);
  const QFontMetrics metrics(painter.font());
  for (int i = 2; i <= 4 && static_cast<std::size_t>(i) < Rects().size(); ++i) {
    const SkinRect& r = Rects()[static_cast<std::size_t>(i)];
    const QString text = QString::fromStdString(Captions()[static_cast<std::size_t>(i)]);
    // Below the square button: its top plus its width.
    const int x = CentredStart(r.x, r.width, metrics.horizontalAdvance(text));
    painter.drawText(x, r.y + r.width + metrics.ascent(), text);
  }
}

void SoundWave::OnPress(int hit) {
  if (IsModeEntry(hit)) {
    SetSoundWaveMode(hit);
    update();
  } else if (hit == kEntryOnOff) {
    SwitchOnOff();
  } else if (hit == kEntrySave) {
    SaveAndHide();
  } else if (hit == kNoHit || hit >= kHitEntries - 1) {
    drag_.Arm(this, QCursor::pos());
  }
}

void SoundWave::SwitchOnOff() {
  if (!SoundEffectOn()) {
    stopTimer_.stop();  // switched on again before the restore: nothing to restore
    SetSoundEffectOn(true);
  } else {
    SetSoundEffectOn(false);
    // The restore comes from the main window a little later, without holding up this
    // thread; the worker's hand-over keeps it the last frame whatever the worker does.
    stopTimer_.start();
  }
  FollowEffectState();
}

void SoundWave::SaveAndHide() {
  SaveSoundSettings(g_configIniPath);
  hide();  // the effect goes on
}

void SoundWave::mouseMoveEvent(QMouseEvent* event) {
  if (drag_.Move(this, event)) return;
  SkinnedPopup::mouseMoveEvent(event);
}

void SoundWave::mouseReleaseEvent(QMouseEvent* event) {
  drag_.Release(event);
  SkinnedPopup::mouseReleaseEvent(event);
}

void OpenSoundWaveWindow(QWidget* owner, PopupMessageSink sink) {
  // 250 right of and 100 below the main window's top-left corner, wherever the window
  // system put the window (the desktop's centre stands in for a missing main window).
  QPoint corner;
  if (owner) {
    corner = owner->frameGeometry().topLeft();
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    corner = screen->geometry().center();
  }
  const QPoint at = corner + QPoint(250, 100);

  g_lastDpiLevel = ReadMouseDpiLevel(g_lastDpiLevel.load());
  if (!HasAudioMixer()) {
    ShowTipWarning(kTipNoAudioDevice);
    return;
  }
  if (!g_soundWave) {
    g_soundWave = new SoundWave(owner, std::move(sink));
  }
  // The layout at every opening: the language may have changed. Without its file the
  // window does not open (the message has been shown).
  if (!g_soundWave->LoadSoundLayout()) {
    g_soundWave->hide();
    return;
  }
  g_soundWave->ShowAt(at);
}

SoundWave* SoundWaveWindow() { return g_soundWave.data(); }

void DestroySoundWaveWindow() { delete g_soundWave.data(); }
