#include "popups/gun_dlg.h"

#include <QLineEdit>
#include <QPainter>
#include <QTimer>

#include <cstdio>

#include "controls/digits_validator.h"
#include "popups/gun_rules.h"
#include "popups/menu_dlg.h"
#include "popups/popup_state.h"
#include "profile/macro_files.h"
#include "profile/macro_record.h"
#include "skin/image_file.h"
#include "skin/popup_skin.h"
#include "skin/skin_image.h"

namespace {

constexpr const char* kLayout = "skin_gun.ini";
// The rectangles marking the repeat modes.
constexpr int kMarkerFixedCount = 8;
constexpr int kMarkerWhileHeld = 9;
const QColor kNameColour(7, 188, 255);

std::string Text(const QLineEdit* edit) { return edit ? edit->text().toStdString() : std::string(); }

std::string PictureName(int preset) { return "Gun/" + std::to_string(preset + 1) + ".jpg"; }
std::string PicturePath(int preset) { return SkinImagePath(PictureName(preset)); }

}  // namespace

CDialogGun::CDialogGun(QWidget* owner) : SkinnedPopup(owner, PopupStyle::Dialog) {
  SetShapeFromMask("gun_mask.jpg");
  SetImages("gun_normal.jpg", "gun_over.jpg", "gun_down.jpg");
  layoutFound_ = LoadLayout(kLayout, kRects);

  repeat_ = MakeEdit(1, 3);
  step_ = MakeEdit(0, 2);
  delay_ = MakeEdit(2, 4);

  g_currentGunPreset = 0;
  ShowMacroRepeat(0);
}

CDialogGun::~CDialogGun() = default;

QLineEdit* CDialogGun::MakeEdit(int editKey, int maxLength) {
  SkinFields fields;
  SkinRect rect;
  if (layoutFound_ && ReadPopupList(PopupLayoutPath(kLayout), "EDIT", editKey, fields, this))
    rect = EntryFromFields(fields).rect;
  auto* edit = new QLineEdit(this);
  edit->setGeometry(rect.ToQRect());
  edit->setAlignment(Qt::AlignCenter);
  edit->setMaxLength(maxLength);
  edit->setValidator(new DigitsValidator(edit));
  edit->setFrame(false);
  // White on black, as the skinned edits of the program.
  edit->setStyleSheet("QLineEdit { color: white; background: black; }"
                      "QLineEdit:disabled { color: #9a9a9a; background: black; }");
  return edit;
}

void CDialogGun::ShowMacroRepeat(int preset) {
  const std::optional<GunEditValues> values = GunPresetEditValues(preset);
  if (!values) return;
  if (values->repeat) repeat_->setText(QString::fromStdString(*values->repeat));
  repeat_->setEnabled(values->repeatEnabled);
  step_->setText(QString::fromStdString(values->step));
  step_->setEnabled(values->stepEnabled);
  if (values->delay) delay_->setText(QString::fromStdString(*values->delay));
  update();
  CheckPicture();
}

void CDialogGun::CheckPicture() {
  // Said once for each preset shown, not at every repaint.
  const int preset = g_currentGunPreset;
  if (preset == pictureChecked_) return;
  const std::string why = WhyImageFileIsUnusable(PicturePath(preset));
  if (why.empty()) return;
  pictureChecked_ = preset;
  std::fprintf(stderr, "ovk-dovaru: gun picture %s\n", why.c_str());
  QTimer::singleShot(0, this, [this] { ShowPlainMessage(this, "枪械图片丢失，未能对应!"); });
}

int CDialogGun::OnGunMacroSelected(std::intptr_t previous) {
  update();
  if (previous < 0 || previous >= g_gunMacroCount) {
    ShowPlainMessage(this, "宏内容出错!");
    return -1;
  }
  StoreGunPresetChange(static_cast<int>(previous), Text(repeat_), Text(step_));
  ShowMacroRepeat(g_currentGunPreset);
  return 0;
}

void CDialogGun::OpenPresetMenu() {
  const SkinRect& name = Rects()[5];
  const QPoint at = mapToGlobal(QPoint(name.x, name.y + name.height));
  presetMenu_ = OpenPopupMenu(MenuKindGunPreset, this, at, nullptr,
                                 [this](unsigned message, std::intptr_t wParam, std::intptr_t) -> std::intptr_t {
                                   return message == kWmGunMacroSelected ? OnGunMacroSelected(wParam) : 0;
                                 });
}

void CDialogGun::OnPress(int hit) {
  if (presetMenu_) presetMenu_->ClosePopup();
  const int preset = g_currentGunPreset;
  switch (hit) {
    case 2:
      StoreGunOk(preset, Text(repeat_), Text(step_), Text(delay_));
      ClosePopup(0);
      break;
    case 0:
    case 1:
    case 3: ClosePopup(0); break;
    case 5:
    case 6: OpenPresetMenu(); break;
    case 9:
      repeat_->setText(QString::number(SetGunRepeatWhileHeld(preset)));
      repeat_->setEnabled(false);
      break;
    case 8:
      repeat_->setEnabled(true);
      repeat_->setText(QString::number(SetGunFixedCount(preset)));
      break;
    default: break;
  }
}

void CDialogGun::PaintExtra(QPainter& painter) {
  const int preset = g_currentGunPreset;
  const int marker = GunModeMarker(preset);
  if (marker >= 0) BlitSkinRect(painter, ControlsImage("gun_down.jpg"), Rects()[static_cast<std::size_t>(marker)]);
  // The count edit goes with the marker: a count is typed only for a fixed-count preset.
  if (marker == kMarkerWhileHeld && repeat_->isEnabled()) repeat_->setEnabled(false);
  if (marker == kMarkerFixedCount && !repeat_->isEnabled()) repeat_->setEnabled(true);
  const QImage picture = DrawnImage(PictureName(preset));
  if (picture.isNull()) return;
  const SkinRect& area = Rects()[4];
  painter.drawImage(QPoint(area.x, area.y), picture, QRect(0, 0, area.width, area.height));
}

void CDialogGun::PaintCaptions(QPainter& painter) {
  SelectCaptionFont(painter);
  for (int i = 0; i < kRects; ++i) {
    const SkinRect& r = Rects()[static_cast<std::size_t>(i)];
    if (i == 5) {
      const int preset = g_currentGunPreset;
      const std::string name = preset >= 0 && preset < g_gunMacroCount ? g_gunNames[static_cast<std::size_t>(preset)] : "";
      DrawCentredText(painter, QString::fromStdString(name), r, kNameColour);
    } else {
      DrawCentredText(painter, QString::fromStdString(Captions()[static_cast<std::size_t>(i)]), r);
    }
  }
}

int CDialogGun::exec() {
  if (!layoutFound_) return 0;  // the layout's message was shown
  return SkinnedPopup::exec();
}

void RunGunDialog(QWidget* owner) {
  CDialogGun dialog(owner);
  dialog.CenterOnOwner();
  g_gunDialog = &dialog;
  dialog.exec();
  g_gunDialog = nullptr;
}
