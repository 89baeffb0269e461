#include "popups/key_capture_popup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QShowEvent>
#include <QWindow>

#include "keys/key_capture.h"
#include "profile/core_hooks.h"

namespace {

constexpr int kTipOperationFailed = 6;

}  // namespace

KeyCapturePopup::KeyCapturePopup(QWidget* owner) : SkinnedPopup(owner, PopupStyle::Dialog) {}

KeyCapturePopup::~KeyCapturePopup() { StopCapture(); }

void WarnKeyboardNotGrabbed() {
  // Not from inside the event that found out: the box runs its own event loop.
  QMetaObject::invokeMethod(qApp, [] { ShowTipWarning(kTipOperationFailed); }, Qt::QueuedConnection);
}

void KeyCapturePopup::StartCapture() {
  capture_.Start(this, [this](const platform::CapturedKey& key) { TakeKey(key); }, WarnKeyboardNotGrabbed);
}

void KeyCapturePopup::StopCapture() { capture_.Stop(); }

void KeyCapturePopup::TakeKey(const platform::CapturedKey& key) {
  if (const std::optional<HostKeyCode> vk = HostKeyOfUsage(key.usage)) {
    OnCapturedKey(*vk, key.down);
    update();
  }
}

void KeyCapturePopup::done(int result) {
  StopCapture();
  SkinnedPopup::done(result);
}

void KeyCapturePopup::OnPress(int hit) {
  if (hit == kNoHit && windowHandle()) windowHandle()->startSystemMove();
}

void KeyCapturePopup::showEvent(QShowEvent* event) {
  SkinnedPopup::showEvent(event);
  StartCapture();
}

void KeyCapturePopup::closeEvent(QCloseEvent* event) {
  StopCapture();
  SkinnedPopup::closeEvent(event);
}
