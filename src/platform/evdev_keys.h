// Physical keys as Linux numbers them (evdev key codes, the scan codes that input
// events and the window system carry) and as the mouse numbers them (USB HID keyboard
// usages, page 0x07). Qt-free.
//
// A key is identified by its position on the keyboard, never by the character the
// desktop's layout puts on it: the position's usage then goes through the key tables of
// the program's language (keys/key_capture.h).
#pragma once

#include <cstdint>

namespace platform {

// The usage of the key with this evdev code; 0 for a code that is not a key of a
// full-size keyboard (media keys, buttons, codes beyond the table).
std::uint8_t EvdevKeyToUsage(unsigned evdevCode);

// The evdev code of a window system's native key code: X11 and Wayland both number
// keys as evdev + 8. Codes below 8 are no key (0 is returned).
unsigned EvdevFromNativeScanCode(unsigned nativeScanCode);

}  // namespace platform
