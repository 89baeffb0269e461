// Conversion between host key codes (virtual-key codes, 0xF0..0xF2 for the mouse
// buttons) and the mouse's key codes (USB HID keyboard usages, 0xF1..0xF3 for the
// mouse buttons), through the key table of the current UI language (g_language).
// Every call reads g_language itself, is constant-time and allocates nothing.
#pragma once

#include <cstdint>
#include <string>

using HostKeyCode = std::uint8_t;
using DeviceKeyCode = std::uint8_t;
using KeyIndex = std::uint8_t;

DeviceKeyCode VkToDeviceKey(HostKeyCode vk);
HostKeyCode DeviceKeyToVk(DeviceKeyCode key);
// The key at a position of a full-size US keyboard (0 to 78), as a device key code.
DeviceKeyCode KeyIndexToDeviceKey(KeyIndex index);
// Display name of a device key code in the current language (UTF-8).
std::string DeviceKeyName(DeviceKeyCode key);
