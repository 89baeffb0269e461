#include "platform/evdev_keys.h"

#include <linux/input-event-codes.h>

#include <array>

namespace platform {
namespace {

struct KeyPosition {
  unsigned evdev;
  std::uint8_t usage;
};

// Every key of a full-size keyboard (ISO and ANSI), with F13 to F24.
constexpr KeyPosition kPositions[] = {
    {KEY_A, 0x04}, {KEY_B, 0x05}, {KEY_C, 0x06}, {KEY_D, 0x07}, {KEY_E, 0x08}, {KEY_F, 0x09},
    {KEY_G, 0x0A}, {KEY_H, 0x0B}, {KEY_I, 0x0C}, {KEY_J, 0x0D}, {KEY_K, 0x0E}, {KEY_L, 0x0F},
    {KEY_M, 0x10}, {KEY_N, 0x11}, {KEY_O, 0x12}, {KEY_P, 0x13}, {KEY_Q, 0x14}, {KEY_R, 0x15},
    {KEY_S, 0x16}, {KEY_T, 0x17}, {KEY_U, 0x18}, {KEY_V, 0x19}, {KEY_W, 0x1A}, {KEY_X, 0x1B},
    {KEY_Y, 0x1C}, {KEY_Z, 0x1D},
    {KEY_1, 0x1E}, {KEY_2, 0x1F}, {KEY_3, 0x20}, {KEY_4, 0x21}, {KEY_5, 0x22}, {KEY_6, 0x23},
    {KEY_7, 0x24}, {KEY_8, 0x25}, {KEY_9, 0x26}, {KEY_0, 0x27},
    {KEY_ENTER, 0x28}, {KEY_ESC, 0x29}, {KEY_BACKSPACE, 0x2A}, {KEY_TAB, 0x2B}, {KEY_SPACE, 0x2C},
    {KEY_MINUS, 0x2D}, {KEY_EQUAL, 0x2E}, {KEY_LEFTBRACE, 0x2F}, {KEY_RIGHTBRACE, 0x30},
    // The kernel reports both the ANSI backslash (0x31) and the ISO key left of Enter
    // (0x32) as KEY_BACKSLASH; the ANSI usage is the one every key table names.
    {KEY_BACKSLASH, 0x31}, {KEY_SEMICOLON, 0x33}, {KEY_APOSTROPHE, 0x34}, {KEY_GRAVE, 0x35},
    {KEY_COMMA, 0x36}, {KEY_DOT, 0x37}, {KEY_SLASH, 0x38}, {KEY_CAPSLOCK, 0x39},
    {KEY_F1, 0x3A}, {KEY_F2, 0x3B}, {KEY_F3, 0x3C}, {KEY_F4, 0x3D}, {KEY_F5, 0x3E}, {KEY_F6, 0x3F},
    {KEY_F7, 0x40}, {KEY_F8, 0x41}, {KEY_F9, 0x42}, {KEY_F10, 0x43}, {KEY_F11, 0x44}, {KEY_F12, 0x45},
    {KEY_SYSRQ, 0x46}, {KEY_SCROLLLOCK, 0x47}, {KEY_PAUSE, 0x48}, {KEY_INSERT, 0x49},
    {KEY_HOME, 0x4A}, {KEY_PAGEUP, 0x4B}, {KEY_DELETE, 0x4C}, {KEY_END, 0x4D}, {KEY_PAGEDOWN, 0x4E},
    {KEY_RIGHT, 0x4F}, {KEY_LEFT, 0x50}, {KEY_DOWN, 0x51}, {KEY_UP, 0x52},
    {KEY_NUMLOCK, 0x53}, {KEY_KPSLASH, 0x54}, {KEY_KPASTERISK, 0x55}, {KEY_KPMINUS, 0x56},
    {KEY_KPPLUS, 0x57}, {KEY_KPENTER, 0x58}, {KEY_KP1, 0x59}, {KEY_KP2, 0x5A}, {KEY_KP3, 0x5B},
    {KEY_KP4, 0x5C}, {KEY_KP5, 0x5D}, {KEY_KP6, 0x5E}, {KEY_KP7, 0x5F}, {KEY_KP8, 0x60},
    {KEY_KP9, 0x61}, {KEY_KP0, 0x62}, {KEY_KPDOT, 0x63}, {KEY_102ND, 0x64}, {KEY_COMPOSE, 0x65},
    {KEY_KPEQUAL, 0x67},
    {KEY_F13, 0x68}, {KEY_F14, 0x69}, {KEY_F15, 0x6A}, {KEY_F16, 0x6B}, {KEY_F17, 0x6C}, {KEY_F18, 0x6D},
    {KEY_F19, 0x6E}, {KEY_F20, 0x6F}, {KEY_F21, 0x70}, {KEY_F22, 0x71}, {KEY_F23, 0x72}, {KEY_F24, 0x73},
    {KEY_KPCOMMA, 0x85},
    {KEY_LEFTCTRL, 0xE0}, {KEY_LEFTSHIFT, 0xE1}, {KEY_LEFTALT, 0xE2}, {KEY_LEFTMETA, 0xE3},
    {KEY_RIGHTCTRL, 0xE4}, {KEY_RIGHTSHIFT, 0xE5}, {KEY_RIGHTALT, 0xE6}, {KEY_RIGHTMETA, 0xE7},
};

constexpr unsigned kTableSize = KEY_F24 + 1;

consteval std::array<std::uint8_t, kTableSize> BuildTable() {
  std::array<std::uint8_t, kTableSize> table{};
  for (const KeyPosition& key : kPositions) table[key.evdev] = key.usage;
  return table;
}
constexpr std::array<std::uint8_t, kTableSize> kUsageOfEvdev = BuildTable();

constexpr unsigned kNativeKeyOffset = 8;

}  // namespace

std::uint8_t EvdevKeyToUsage(unsigned evdevCode) {
  return evdevCode < kTableSize ? kUsageOfEvdev[evdevCode] : 0;
}

unsigned EvdevFromNativeScanCode(unsigned nativeScanCode) {
  return nativeScanCode >= kNativeKeyOffset ? nativeScanCode - kNativeKeyOffset : 0;
}

}  // namespace platform
