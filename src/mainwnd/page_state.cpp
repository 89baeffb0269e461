#include "mainwnd/page_state.h"

#include <QWidget>

int g_hoverFrame = kNoHover;
int g_hoverAdvanced = kNoHover;
int g_hoverMacro = kNoHover;
int g_hoverLed = kNoHover;
int g_skinButtonDown = 0;
std::atomic<std::uint8_t> g_recording{0};
int g_useMacroNames = 1;
int g_languageDropDown = 0;
