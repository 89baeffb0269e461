// Pointer and page state of the main window that painting reads: the hovered entry of
// each skin table, the pressed flag, the open popup menu and the macro page's recording
// flag (the page's lists are in controls/list_box_xi.h). Input handling and the popups set these; UI thread only unless noted.
#pragma once

#include <QPointer>

#include <atomic>
#include <cstdint>

#include "popups/popup_state.h"

class QWidget;

// The entry of each table under the pointer, kNoHover for none: the frame and main
// page table, the advanced, macro and lighting tables.
inline constexpr int kNoHover = 255;
extern int g_hoverFrame;
extern int g_hoverAdvanced;
extern int g_hoverMacro;
extern int g_hoverLed;

// 1 while the left button is held after a press on a control.
extern int g_skinButtonDown;

// 1 while a macro is recorded (the record button shows pressed and red).
extern std::atomic<std::uint8_t> g_recording;

// Library macros are labelled by their names (always 1).
extern int g_useMacroNames;
// 1 while the language button shows the current language's name instead of its caption.
extern int g_languageDropDown;

