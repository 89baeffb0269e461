// The host key code of a physical key: the position's usage (see
// platform/evdev_keys.h) converted by the key tables of the current language, so that a
// captured or recorded key follows the program's language, whatever layout the desktop
// uses.
#pragma once

#include <optional>

#include "keys/key_codes.h"

// The host key code of the key with this usage in the current language, or none when
// the language's tables cannot carry the key (its code would not come back as the same
// usage). The keypad's Enter has no code of its own: it is taken as Enter.
std::optional<HostKeyCode> HostKeyOfUsage(DeviceKeyCode usage);

// Left and right Ctrl, Shift, Alt and Windows, and the side-less Ctrl, Shift and Alt.
bool IsModifierHostKey(HostKeyCode vk);
