// Direct commands that change the mouse's behaviour at once: lighting mode (0x13), one
// DPI colour (0x14), start/stop (0x11) and the key setting (0x10). Each builds its
// frame in g_reportBuffer under g_reportMutex and sends it on g_writeHandle.
#pragma once

#include <cstdint>

// Command 0x13 from the lighting settings and a1..a11 (a5, a6, a7, a9 unused).
// Sends whatever the handle; result of the send.
bool SendLedMode(int a1, int a2, int a3, int a4, int a5, int a6, int a7, int a8, int a9, int a10,
                 int a11);

// Command 0x14: the colour of DPI level j (0..5) from g_dpiColorLevel. Result of the
// send; a j outside 0..5 sends nothing and gives false.
bool SendDpiColor(int j);

// Command 0x11: start (byte 2 = 2) or stop (0). 7 without sending when the write
// handle is invalid, else the result of the send (1 or 0).
int SendCmd11(int start);

// Command 0x10 form 1 for profile p, button i: byte 2 = g_keyMap[i]; sent with byte
// 3 = 0 only when g_keyFunc[p][i] is 18 or at least 41 and the handle is valid.
void SendKeyCmd10(int p, int i);
// The same for button i with the assignment `code` as the caller read it.
void SendKeyCmd10ForCode(int i, int code);

// Command 0x10 form 2 (1, 0). 3 without sending when the handle is invalid.
int SendKeyCmd10Clear();

// Command 0x10 form 3 (1, v). The low byte of v without sending when the handle is
// invalid, else the result of the send.
int SendKeyCmd10Value(int v);
