// CDialogGetKey: the small skinned dialog in which the user presses the key that a key
// event of a macro should carry. While it is open every key goes to it (see
// KeyCapturePopup); the last key pressed or released is converted to the mouse's key
// code of the current language and shown by name. OK tells the opener
// (WM_KEYCAPTURE_DONE, 0x7F5), which reads g_capturedKeyCode.
//
// Layout skin_keyset.ini: 0 the key's name, 1 OK, 2 close, 3 no action. UI thread only.
#pragma once

#include "popups/key_capture_popup.h"
#include "popups/popup_messages.h"

// The key of the last capture and its name are g_capturedKeyCode and g_capturedKeyName
// (popups/popup_state.h); kept between openings, so the dialog first shows the previous
// key.

class CDialogGetKey : public KeyCapturePopup {
  Q_OBJECT

 public:
  static constexpr int kNameRect = 0;
  static constexpr int kOk = 1;
  static constexpr int kClose = 2;
  static constexpr QColor KeyColour() { return QColor(7, 188, 255); }

  // OK tells `sink` (WM_KEYCAPTURE_DONE, posted).
  explicit CDialogGetKey(QWidget* owner, PopupMessageSink sink = {});
  // False when the layout file is missing: the dialog is not run.
  bool Ready() const { return ready_; }

 protected:
  void OnCapturedKey(HostKeyCode vk, bool down) override;
  void OnPress(int hit) override;
  void PaintCaptions(QPainter& painter) override;

 private:
  bool ready_ = false;
  PopupMessageSink sink_;
};

// Runs the dialog modally at g_popupX, g_popupY (the macro page sets them); OK has
// posted WM_KEYCAPTURE_DONE to `sink` when it returns.
void RunKeyCaptureDialog(QWidget* owner, PopupMessageSink sink);
