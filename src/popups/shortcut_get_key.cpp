#include "popups/shortcut_get_key.h"

#include <QCloseEvent>
#include <QPainter>

#include "keys/language.h"
#include "popups/popup_state.h"
#include "profile/settings.h"

ShortcutCapture g_shortcutCapture;

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 330;
constexpr int kKeyPlaceholder = 1;
constexpr int kModifierPlaceholder = 2;
const QColor kChosen(7, 188, 255);
const QColor kModifierHint(98, 98, 98);
const QColor kKeyHint(72, 72, 72);
constexpr const char* kNormal = "combinationKey_normal.jpg";

}  // namespace

CShortcutGetKey::CShortcutGetKey(QWidget* owner, int button, bool assignOnOk, PopupMessageSink sink)
    : KeyCapturePopup(owner), button_(button), assignOnOk_(assignOnOk), sink_(std::move(sink)), texts_(g_textShortcut) {
  ready_ = LoadLayout("skin_shortcut.ini", kEntries);
  const QImage normal = SkinImage(kNormal);
  SetShapeRect(normal.width(), normal.height());
  SetImages(kNormal, "combinationKey_over.jpg", "combinationKey_down.jpg");
  resize(kWidth, kHeight);

  const int profile = g_currentProfile.load();
  std::string stored;
  int assignment = 0;
  if (profile >= 0 && profile < kProfileCount && button >= 0 && button < kButtonCount) {
    assignment = ProfileAssignments(profile)[static_cast<std::size_t>(button)];
    std::lock_guard guard(g_shortcutTextsLock);
    stored = m_shortcutTexts[profile][button];
  }
  g_shortcutCapture.Load(stored, assignment);
}

void CShortcutGetKey::OnCapturedKey(HostKeyCode vk, bool /*down*/) { g_shortcutCapture.OnKey(vk); }

void CShortcutGetKey::Ok() {
  const std::string text = g_shortcutCapture.CaptureText();
  if (!text.empty()) {
    const int profile = g_currentProfile.load();
    if (assignOnOk_ && profile >= 0 && profile < kProfileCount && button_ >= 0 && button_ < kButtonCount)
      SetButtonAssignment(profile, button_, kShortcutAssignment);
    DeliverPopupMessage(sink_, kWmShortcutCaptured, g_shortcutCapture.WParam(button_),
                        reinterpret_cast<std::intptr_t>(&text));
  }
  ClosePopup(kResultOk);
}

void CShortcutGetKey::OnPress(int hit) {
  switch (hit) {
    case kOk: Ok(); break;
    case kClear: g_shortcutCapture.Clear(); break;
    case kCancel:
    case kCancel2: ClosePopup(kResultCancel); break;
    case kFirstToggle:
    case kFirstToggle + 1:
    case kFirstToggle + 2:
    case kFirstToggle + 3: g_shortcutCapture.Toggle(hit - kFirstToggle); break;
    default: KeyCapturePopup::OnPress(hit); break;
  }
  update();
}

void CShortcutGetKey::PaintHover(QPainter& painter) {
  KeyCapturePopup::PaintHover(painter);
  // The toggles always show their state: on from "_down", off from "_over".
  const SkinSource over = ControlsImage("combinationKey_over.jpg");
  const SkinSource down = ControlsImage("combinationKey_down.jpg");
  const auto& rects = Rects();
  for (int m = 0; m < 4; ++m) {
    const auto index = static_cast<std::size_t>(kFirstToggle + m);
    if (index >= rects.size()) break;
    BlitHover(painter, g_shortcutCapture.modifiers[static_cast<std::size_t>(m)] ? down : over, rects[index]);
  }
}

void CShortcutGetKey::PaintCaptions(QPainter& painter) {
  SelectCaptionFont(painter);
  const auto& rects = Rects();
  const auto& captions = Captions();
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (i == kModifierField) {
      const std::string shown = g_shortcutCapture.ModifierDisplay();
      if (shown.empty())
        DrawCentredText(painter, QString::fromStdString(texts_[kModifierPlaceholder]), rects[i], kModifierHint);
      else
        DrawCentredText(painter, QString::fromStdString(shown), rects[i], kChosen);
    } else if (i == kKeyField) {
      if (g_shortcutCapture.keyName.empty())
        DrawCentredText(painter, QString::fromStdString(texts_[kKeyPlaceholder]), rects[i], kKeyHint);
      else
        DrawCentredText(painter, QString::fromStdString(g_shortcutCapture.keyName), rects[i], kChosen);
    } else if (i < captions.size()) {
      DrawCentredText(painter, QString::fromStdString(captions[i]), rects[i]);
    }
  }
}

void CShortcutGetKey::closeEvent(QCloseEvent* event) {
  // Closed by the window manager: ends as cancelled.
  event->ignore();
  ClosePopup(kResultCancel);
}

void RunShortcutCaptureDialog(QWidget* owner, PopupMessageSink sink) {
  CShortcutGetKey dialog(owner, g_selectedButtonItem - 20, true, std::move(sink));
  if (!dialog.Ready()) return;
  dialog.CenterOnOwner();
  dialog.exec();
}
