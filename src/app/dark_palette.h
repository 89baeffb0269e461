// The colours of the program's stock windows (file dialogs, the colour dialog, the
// system and tray menus, the about box): one dark palette for the whole application, so
// that they match the dark skin instead of opening as light default windows over it.
#pragma once

class QPalette;

QPalette DarkPalette();
// The Fusion style (it follows the palette whatever the desktop) with DarkPalette.
void InstallDarkPalette();
