// What the popups keep between their openings and what the window that opens them sets
// for them: the kind of the menu about to open, the button whose function is chosen,
// the open menu and the modal dialogs. UI thread only (g_closePopupRequest: any thread).
#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <string>

// Kind of the popup menu about to be created (set by its opener).
extern int g_menuKind;
// A popup of the page (button menu, LED effect menu, macro-page menu) is shown.
extern int g_popupShown;
// Item id (20 + button index) of the button whose function menu was opened last: the
// button the function menus choose for.
extern int g_selectedButtonItem;

// Set by a popup that closed its chain: the next paint closes the open popup menu.
extern std::atomic<int> g_closePopupRequest;
// The popup menu opened from the main window, while it is open.
extern QPointer<QWidget> g_keyMenu;
// Closes g_keyMenu with the levels that cascade from it (each lets its images go as it
// hides) and forgets it.
void CloseKeyMenu();

// The modal popups that the tray menu's exit ends first: the gun dialog and the key
// capture dialog of the macro page; null while they are not open.
extern QPointer<QDialog> g_gunDialog;
extern QPointer<QDialog> g_keyCaptureDialog;

// The key chosen in the key capture dialog and its name (kept between openings, so the
// dialog first shows the previous key).
extern std::uint8_t g_capturedKeyCode;
extern std::string g_capturedKeyName;
