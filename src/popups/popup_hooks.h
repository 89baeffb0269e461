// Wires the popup menus and the gun dialog into the main window's entry points
// (MainPopupHooks of mainwnd/main_input.h): the menus opened from the pages, the height
// of the button-function menu, the gun dialog, and the gun dialog's preset message when
// it reaches the main window. Other hooks (and a forward handler set before) are kept.
#pragma once

void InstallPopupMenuHooks();
