// Input handling of the main window: every control of a page is a rectangle of a skin
// table, so the window's mouse events are turned into actions here. A move hit-tests
// all four tables and drives the sliders; a press acts on the hit entry of the current
// page, opens popups and starts window drags; a release carries out the frame buttons
// (minimise, close, Apply, profiles, import, export and reset of the configuration,
// the link). Also the private messages that popups send to the main window.
//
// Clicks change only the settings tables in memory; nothing reaches config.ini or the
// mouse before Apply. UI thread only.
#pragma once

#include <QRect>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "popups/popup_messages.h"
#include "popups/popup_state.h"
#include "profile/macro_group_commands.h"
#include "profile/shortcut.h"
#include "skin/skin_layout.h"

class COVK_DOvaruDlg;
class QMouseEvent;
class QWidget;

// ---- Interaction state ------------------------------------------------------------------

// What a move drags: 0 none, 1 DPI value of the current level, 2 pointer speed, 3 wheel
// speed, 4 fire time, 5 LED speed, 6 LED brightness.
enum SliderDragMode : int {
  kDragNone = 0,
  kDragDpiValue = 1,
  kDragPointerSpeed = 2,
  kDragWheelSpeed = 3,
  kDragFireTime = 4,
  kDragLedSpeed = 5,
  kDragLedBright = 6,
};
extern int g_sliderDragMode;
// The language drop-down of frame button 4 is open.
extern int g_languageMenuOpen;

inline constexpr int kMenuKindButtonFunction = 1;
inline constexpr int kMenuKindLedEffect = 4;
inline constexpr int kMenuKindKeyReaction = 5;
inline constexpr int kMenuKindLanguage = 10;

// ---- Rules ------------------------------------------------------------------------------

// The step 1..n of a slider for the pointer's x against the slider's rectangle.
int SliderValueFromOffset(int x, int y, const SkinRect& slider, int n);
// Stores a slider value as the drag mode says (mode 0 or unknown: nothing).
void StoreSliderValue(int mode, int value);
// The slider rectangle and step count of a drag mode (count 0 for none).
struct SliderSpec {
  const SkinRect* rect = nullptr;
  int count = 0;
};
SliderSpec SliderOf(int mode);

// Not empty, and every character '0' to '9'.
bool IsAllDigits(std::string_view text);

// Enable toggle of colour k (0..6) of the colour cycle; never disables the last one.
void ToggleCycleColor(int colour);

// Where the button function menu goes on a screen `screenHeight` high: below the entry,
// or above it when it would leave the screen below; one wider than the entry.
QRect PlaceButtonMenu(const QRect& entryOnScreen, int menuHeight, int screenHeight);

// Whether the function menu of `button` may open: a button that alone holds the left
// click (assignment code 1) in the current profile keeps it.
bool ButtonMenuAllowed(int button);

// Switches to page 0..3 (the tabs): starts the page's animation worker, makes and drops
// the macro page's controls. The page already shown does nothing.
void SwitchPage(int page);

// ---- The handlers -----------------------------------------------------------------------

// Each returns true when it used the event; a left press on no entry of both the frame
// and the page's table returns false so that the window moves.
bool OnMouseMove(QMouseEvent* event);
bool OnLButtonDown(QMouseEvent* event);
bool OnLButtonUp(QMouseEvent* event);
// The pointer left the window: nothing is hovered or shows pressed any more
// (ForgetHover). When it went to a menu (one the hovered control opened), the control
// keeps its look until that menu closes.
void OnMouseLeave();
// Nothing is hovered or shows pressed any more; what changes is repainted while the
// window is on the screen. Also when the window goes off the screen (minimised, hidden).
void ForgetHover();
// Also as plain calls at a window point, for the handlers above and for tests.
void MouseMoveAt(QPoint point);
bool LButtonDownAt(QPoint point);
void LButtonUpAt(QPoint point);

// Apply: while no download runs, the save worker and the download into the mouse.
void ApplySettings();
// The open-file dialog and the copy of the chosen file over config.ini, then the four
// profiles loaded again.
void ImportConfig();

// Opens the popup menu of `kind` at `geometry` (screen) and keeps it in g_keyMenu;
// closes the open one (g_menuOpen and the language drop-down flag become 0). `items`
// go to the language menu, `reactionButton` to the key-reaction menu.
void OpenMainPopupMenu(int kind, const QRect& geometry, const std::vector<int>* items, int reactionButton = -1);
void CloseOpenMenu();

// The window the handlers act on (its pages, its popups' owner); it starts with
// nothing hovered or pressed.
void InstallMainInput(COVK_DOvaruDlg* window);

// The file dialog of the main window (QFileDialog by default): the configuration import
// and export and the macro page's imports and exports.
void SetConfigFileChooser(FileChooser chooser);
FileChooser ConfigFileChooser();
// What frame button 19 does with g_linkTarget (the desktop's opener by default).
void SetLinkOpener(std::function<void(const std::string& target)> opener);

// ---- Private messages of the main window -------------------------------------------
// The numbers are the popups' (popups/popup_messages.h).

// wParam 1: language row lParam - 1 of g_languageList chosen. Every wParam closes the
// menu state and repaints. Returns 0.
int OnPopupMenuDone(std::intptr_t wParam, std::intptr_t lParam);
// wParam 1: the fonts are made again for the display and the window repainted.
int OnDisplayReload(std::intptr_t wParam);
// Runs the key-combination capture dialog. Returns 1.
int OnShortcutKeyRequest();
// The sound-reactive lighting was switched off: the mouse's normal lighting is put
// back (unless it was switched on again meanwhile). Returns 0.
int OnSoundWaveStopped();
// Handles one private message now: the main window's own, the gun dialog's preset
// message (to the open gun dialog), the rest the macro page's.
std::intptr_t SendMainMessage(unsigned message, std::intptr_t wParam = 0, std::intptr_t lParam = 0);
// Queues one to the UI thread (any thread).
void PostMainMessage(unsigned message, std::intptr_t wParam = 0, std::intptr_t lParam = 0);
// What the main window hands the popups it opens: their messages come to SendMainMessage.
PopupMessageSink MainWindowMessages();
