// What the two key-capture dialogs share: the keyboard capture of their window, started
// when the dialog is shown and stopped however it ends, with a keyboard that cannot be
// had reported by the warning box. UI thread only.
#pragma once

#include <functional>
#include <optional>

#include "keys/key_codes.h"
#include "platform/qt/keyboard_capture.h"
#include "popups/skinned_popup.h"

// Tells the user, from the event loop, that the keyboard could not be had (another
// program holds it): keys then come only while the program's window has the focus.
void WarnKeyboardNotGrabbed();

class KeyCapturePopup : public SkinnedPopup {
  Q_OBJECT

 public:
  explicit KeyCapturePopup(QWidget* owner);
  ~KeyCapturePopup() override;

  bool Capturing() const { return capture_.Running(); }
  bool KeyboardGrabbed() const { return capture_.Grabbed(); }
  // A key as the capture delivers it (tests give keys this way too).
  void TakeKey(const platform::CapturedKey& key);
  // Starts the dialog's capture now (done when it is shown).
  void StartCapture();
  void StopCapture();

  void done(int result) override;

 protected:
  // A key of the keyboard, as the host key code of the current language (keys the key
  // tables cannot carry are not passed on). `down` for a press.
  virtual void OnCapturedKey(HostKeyCode vk, bool down) = 0;
  // A press on no control moves the window.
  void OnPress(int hit) override;

  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  platform::KeyboardCapture capture_;
};
