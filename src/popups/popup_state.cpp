#include "popups/popup_state.h"

#include "popups/skinned_popup.h"

int g_menuKind = 0;
int g_popupShown = 0;
int g_selectedButtonItem = 0;

std::atomic<int> g_closePopupRequest{0};
QPointer<QWidget> g_keyMenu;

void CloseKeyMenu() {
  QWidget* menu = g_keyMenu;
  g_keyMenu = nullptr;
  if (menu == nullptr) return;
  if (auto* popup = qobject_cast<SkinnedPopup*>(menu)) {
    popup->ClosePopup();
  } else {
    menu->hide();
    menu->deleteLater();
  }
}

QPointer<QDialog> g_gunDialog;
QPointer<QDialog> g_keyCaptureDialog;

std::uint8_t g_capturedKeyCode = 0;
std::string g_capturedKeyName;
