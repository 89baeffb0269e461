#include "popups/dialog_get_key.h"

#include <QPainter>

#include "keys/key_codes.h"
#include "popups/popup_state.h"
#include "skin/warning_dlg.h"

namespace {

constexpr int kKeysetEntries = 4;
constexpr int kWidth = 360;
constexpr int kHeight = 200;

}  // namespace

CDialogGetKey::CDialogGetKey(QWidget* owner, PopupMessageSink sink) : KeyCapturePopup(owner), sink_(std::move(sink)) {
  ready_ = LoadLayout("skin_keyset.ini", kKeysetEntries);
  SetShapeFromMask("keyset_mask.jpg");
  SetImages("keyset_normal.jpg", "keyset_over.jpg", "keyset_down.jpg");
  resize(kWidth, kHeight);
}

void CDialogGetKey::OnCapturedKey(HostKeyCode vk, bool /*down*/) {
  // A release gives the same key as its press: the last one wins.
  g_capturedKeyCode = VkToDeviceKey(vk);
  g_capturedKeyName = DeviceKeyName(g_capturedKeyCode);
}

void CDialogGetKey::OnPress(int hit) {
  if (hit == kOk) {
    PostPopupMessage(sink_, kWmKeycaptureDone);
    ClosePopup(0);
  } else if (hit == kClose) {
    ClosePopup(0);
  } else {
    KeyCapturePopup::OnPress(hit);
  }
}

void CDialogGetKey::PaintCaptions(QPainter& painter) {
  SelectCaptionFont(painter);
  const auto& rects = Rects();
  const auto& captions = Captions();
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (static_cast<int>(i) == kNameRect) {
      DrawCentredText(painter, QString::fromStdString(g_capturedKeyName), rects[i], KeyColour());
    } else if (i < captions.size()) {
      DrawCentredText(painter, QString::fromStdString(captions[i]), rects[i]);
    }
  }
}

void RunKeyCaptureDialog(QWidget* owner, PopupMessageSink sink) {
  CDialogGetKey dialog(owner, std::move(sink));
  if (!dialog.Ready()) return;
  dialog.PlaceAt(QPoint(g_popupX, g_popupY));
  g_keyCaptureDialog = &dialog;  // the tray's exit ends it first
  dialog.exec();
}
