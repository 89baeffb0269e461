// Conversion between host key codes (virtual-key codes, 0xF0..0xF2 for the mouse
// buttons) and the mouse's key codes (USB HID keyboard usages, 0xF1..0xF3 for the
// mouse buttons), through the key table of the current UI language (g_language).
// Every call reads g_language itself, is constant-time and allocates nothing.
#pragma once

#include <cstdint>
#include <string>

#include "keys/vk_codes.h"

using HostKeyCode = std::uint8_t;
using DeviceKeyCode = std::uint8_t;
using KeyIndex = std::uint8_t;

// The mouse buttons on the device side (macro records, the mouse's memory).
inline constexpr DeviceKeyCode kDeviceMouseLeft = 0xF1;
inline constexpr DeviceKeyCode kDeviceMouseMiddle = 0xF2;
inline constexpr DeviceKeyCode kDeviceMouseRight = 0xF3;

// Key positions 0 to 78 exist; every other index names no key and gives 0xFF.
inline constexpr int kKeyIndexCount = 79;

DeviceKeyCode VkToDeviceKey(HostKeyCode vk);
HostKeyCode DeviceKeyToVk(DeviceKeyCode key);
// The key at a position of a full-size US keyboard (0 to 78), as a device key code.
DeviceKeyCode KeyIndexToDeviceKey(KeyIndex index);
// Display name of a device key code in the current language (UTF-8): the fixed name
// table of the language, texts 20, 21, 22 of g_textDevMac for the three mouse buttons,
// "NULL" for a code the table does not name and "未知" when g_language names no language.
std::string DeviceKeyName(DeviceKeyCode key);
