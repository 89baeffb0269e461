// CDialogGun: the modal skinned dialog in which the user tunes the gun presets
// (g_gunMacros, stored in PUBG.dat). It shows one preset at a time, with its name and
// picture and three edits: the repeat count, the vertical step of its pointer moves and
// the delay. Rectangles of skin_gun.ini: 0, 1 and 3 close, 2 is OK, 4 is the picture,
// 5 (the name) and 6 open the preset menu, 8 chooses a fixed number of repeats, 9
// repeating while the button is held. UI thread only.
#pragma once

#include <QPointer>

#include <array>
#include <cstdint>

#include "popups/skinned_popup.h"

class QLineEdit;
class CMenuDlg;

class CDialogGun : public SkinnedPopup {
  Q_OBJECT

 public:
  static constexpr int kRects = 14;

  explicit CDialogGun(QWidget* owner);
  ~CDialogGun() override;

  // Whether the layout file was found (without it the dialog ends at once).
  bool LayoutFound() const { return layoutFound_; }
  // Fills the three edits from preset n.
  void ShowMacroRepeat(int preset);
  // The preset menu chose another preset; `previous` is the one shown before. Returns
  // 0, or -1 (after a message) for an index outside the presets.
  int OnGunMacroSelected(std::intptr_t previous);

  QLineEdit* RepeatEdit() const { return repeat_; }
  QLineEdit* StepEdit() const { return step_; }
  QLineEdit* DelayEdit() const { return delay_; }
  CMenuDlg* PresetMenu() const { return presetMenu_; }

  int exec() override;

 protected:
  void PaintExtra(QPainter& painter) override;
  void PaintCaptions(QPainter& painter) override;
  void OnPress(int hit) override;

 private:
  QLineEdit* MakeEdit(int editKey, int maxLength);
  void OpenPresetMenu();
  void CheckPicture();

  bool layoutFound_ = true;
  QLineEdit* repeat_ = nullptr;
  QLineEdit* step_ = nullptr;
  QLineEdit* delay_ = nullptr;
  QPointer<CMenuDlg> presetMenu_;
  int pictureChecked_ = -1;  // the preset whose missing picture was reported
};

// Runs the gun dialog modally over `owner` (the main window's macro page); g_gunDialog
// (popups/popup_state.h) holds it while it runs.
void RunGunDialog(QWidget* owner);
