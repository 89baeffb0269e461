#include "popups/popup_state.h"

int g_menuKind = 0;
int g_popupShown = 0;
int g_selectedButtonItem = 0;

std::atomic<int> g_closePopupRequest{0};
QPointer<QWidget> g_keyMenu;

QPointer<QDialog> g_gunDialog;
QPointer<QDialog> g_keyCaptureDialog;

std::uint8_t g_capturedKeyCode = 0;
std::string g_capturedKeyName;
