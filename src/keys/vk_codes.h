// Host key codes: the virtual-key numbers that macro files, key-combination texts and
// the key capture paths carry, plus the program's own codes for the mouse buttons.
#pragma once

#include <cstdint>

using HostKeyCode = std::uint8_t;

inline constexpr HostKeyCode VK_BACK = 0x08;
inline constexpr HostKeyCode VK_TAB = 0x09;
inline constexpr HostKeyCode VK_CLEAR = 0x0C;
inline constexpr HostKeyCode VK_RETURN = 0x0D;
inline constexpr HostKeyCode VK_SHIFT = 0x10;
inline constexpr HostKeyCode VK_CONTROL = 0x11;
inline constexpr HostKeyCode VK_MENU = 0x12;
inline constexpr HostKeyCode VK_PAUSE = 0x13;
inline constexpr HostKeyCode VK_CAPITAL = 0x14;
inline constexpr HostKeyCode VK_ESCAPE = 0x1B;
inline constexpr HostKeyCode VK_SPACE = 0x20;
inline constexpr HostKeyCode VK_PRIOR = 0x21;
inline constexpr HostKeyCode VK_NEXT = 0x22;
inline constexpr HostKeyCode VK_END = 0x23;
inline constexpr HostKeyCode VK_HOME = 0x24;
inline constexpr HostKeyCode VK_LEFT = 0x25;
inline constexpr HostKeyCode VK_UP = 0x26;
inline constexpr HostKeyCode VK_RIGHT = 0x27;
inline constexpr HostKeyCode VK_DOWN = 0x28;
inline constexpr HostKeyCode VK_SELECT = 0x29;
inline constexpr HostKeyCode VK_PRINT = 0x2A;
inline constexpr HostKeyCode VK_EXECUTE = 0x2B;
inline constexpr HostKeyCode VK_SNAPSHOT = 0x2C;
inline constexpr HostKeyCode VK_INSERT = 0x2D;
inline constexpr HostKeyCode VK_DELETE = 0x2E;
inline constexpr HostKeyCode VK_HELP = 0x2F;
// '0' to '9' are 0x30 to 0x39 and 'A' to 'Z' are 0x41 to 0x5A, as their characters.
inline constexpr HostKeyCode VK_LWIN = 0x5B;
inline constexpr HostKeyCode VK_RWIN = 0x5C;
inline constexpr HostKeyCode VK_APPS = 0x5D;
inline constexpr HostKeyCode VK_NUMPAD0 = 0x60;
inline constexpr HostKeyCode VK_NUMPAD1 = 0x61;
inline constexpr HostKeyCode VK_NUMPAD9 = 0x69;
inline constexpr HostKeyCode VK_MULTIPLY = 0x6A;
inline constexpr HostKeyCode VK_ADD = 0x6B;
inline constexpr HostKeyCode VK_SEPARATOR = 0x6C;
inline constexpr HostKeyCode VK_SUBTRACT = 0x6D;
inline constexpr HostKeyCode VK_DECIMAL = 0x6E;
inline constexpr HostKeyCode VK_DIVIDE = 0x6F;
inline constexpr HostKeyCode VK_F1 = 0x70;
inline constexpr HostKeyCode VK_F12 = 0x7B;
inline constexpr HostKeyCode VK_F13 = 0x7C;
inline constexpr HostKeyCode VK_F24 = 0x87;
inline constexpr HostKeyCode VK_NUMLOCK = 0x90;
inline constexpr HostKeyCode VK_SCROLL = 0x91;
inline constexpr HostKeyCode VK_LSHIFT = 0xA0;
inline constexpr HostKeyCode VK_RSHIFT = 0xA1;
inline constexpr HostKeyCode VK_LCONTROL = 0xA2;
inline constexpr HostKeyCode VK_RCONTROL = 0xA3;
inline constexpr HostKeyCode VK_LMENU = 0xA4;
inline constexpr HostKeyCode VK_RMENU = 0xA5;
inline constexpr HostKeyCode VK_OEM_1 = 0xBA;
inline constexpr HostKeyCode VK_OEM_PLUS = 0xBB;
inline constexpr HostKeyCode VK_OEM_COMMA = 0xBC;
inline constexpr HostKeyCode VK_OEM_MINUS = 0xBD;
inline constexpr HostKeyCode VK_OEM_PERIOD = 0xBE;
inline constexpr HostKeyCode VK_OEM_2 = 0xBF;
inline constexpr HostKeyCode VK_OEM_3 = 0xC0;
inline constexpr HostKeyCode VK_OEM_4 = 0xDB;
inline constexpr HostKeyCode VK_OEM_5 = 0xDC;
inline constexpr HostKeyCode VK_OEM_6 = 0xDD;
inline constexpr HostKeyCode VK_OEM_7 = 0xDE;
inline constexpr HostKeyCode VK_OEM_8 = 0xDF;
inline constexpr HostKeyCode VK_OEM_102 = 0xE2;

// The mouse buttons on the host side (macro files, captured keys).
inline constexpr HostKeyCode kHostMouseLeft = 0xF0;
inline constexpr HostKeyCode kHostMouseRight = 0xF1;
inline constexpr HostKeyCode kHostMouseMiddle = 0xF2;
