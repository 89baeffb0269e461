// Reading the mouse's DPI level when the sound-reactive lighting starts and ends, and
// putting the normal lighting back when the effect has been switched off.
#pragma once

// The mouse's current DPI level: bits 0..2 of the byte at memory address 0x18. The
// mouse has six levels; a value of 6 or 7 (or no answer to read) gives `fallback`
// (itself bounded to 0..5).
int ReadMouseDpiLevel(int fallback);

// The main window's handler of the effect's end: the DPI colour of the mouse's level
// from the user's colour table, the configured lighting effect, DPI_LEVEL read back
// from config.ini into g_dpiLevel, and the control pulse. It holds the sound send
// gate throughout and keeps the effect's frames back afterwards, so no effect frame
// reaches the mouse after it. Does nothing (false) when the effect has been switched
// on again since.
bool RestoreNormalLighting();
