// CShortcutGetKey: the skinned dialog in which the user puts together the key
// combination of a mouse button: the modifiers Ctrl, Shift, Alt and Win switched on and
// off with four image buttons, and one key captured from the keyboard (every key goes
// to the dialog while it is open, see KeyCapturePopup). OK hands the combination to the
// opener (the main window stores it for the button: OnShortcutCaptured).
//
// Layout skin_shortcut.ini: 0 the modifiers, 1 the key, 2 OK, 3 and 5 cancel, 4 clear,
// 6 to 9 the toggles Ctrl, Shift, Alt, Win, 10 to 13 captions. UI thread only.
#pragma once

#include <array>
#include <string>

#include "popups/key_capture_popup.h"
#include "popups/popup_messages.h"
#include "profile/shortcut_capture.h"

// The combination being put together; the captured key stays after the dialog until the
// next opening, clear or capture.
extern ShortcutCapture g_shortcutCapture;

class CShortcutGetKey : public KeyCapturePopup {
  Q_OBJECT

 public:
  static constexpr int kEntries = 14;
  static constexpr int kModifierField = 0;
  static constexpr int kKeyField = 1;
  static constexpr int kOk = 2;
  static constexpr int kCancel = 3;
  static constexpr int kClear = 4;
  static constexpr int kCancel2 = 5;
  static constexpr int kFirstToggle = 6;
  static constexpr int kResultOk = 0;
  static constexpr int kResultCancel = 8;

  // The dialog for mouse button `button` (0..11) of the current profile. With
  // `assignOnOk` OK also makes the button's function a key combination (33): the
  // opener says so when the button's function menu asked for the dialog. OK sends the
  // combination to `sink` (WM_SHORTCUT_CAPTURED, 0x7F8): wParam = button * 256 + key
  // code, lParam = the combination text (a std::string, for the time of the call).
  CShortcutGetKey(QWidget* owner, int button, bool assignOnOk, PopupMessageSink sink = {});
  bool Ready() const { return ready_; }

  void reject() override { ClosePopup(kResultCancel); }

 protected:
  void OnCapturedKey(HostKeyCode vk, bool down) override;
  void OnPress(int hit) override;
  void PaintHover(QPainter& painter) override;
  void PaintCaptions(QPainter& painter) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Ok();

  int button_;
  bool assignOnOk_;
  PopupMessageSink sink_;
  bool ready_ = false;
  std::array<std::string, 50> texts_;
};

// Opens the dialog for g_selectedButtonItem, as the button function menu asks
// (WM_SHORTCUT_REQUEST): modal, centred on `owner`, its result to `sink`.
void RunShortcutCaptureDialog(QWidget* owner, PopupMessageSink sink);
