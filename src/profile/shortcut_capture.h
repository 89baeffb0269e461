// What the key-combination dialog holds while the user puts a combination together:
// the four modifier toggles (Ctrl, Shift, Alt, Win) and the captured main key. Qt-free;
// the dialog shows it and sends its result to the main window (OnShortcutCaptured).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "keys/key_codes.h"
#include "profile/shortcut.h"

struct ShortcutCapture {
  std::array<bool, 4> modifiers{};  // Ctrl, Shift, Alt, Win switched on
  std::uint8_t vk = kNoShortcutKey;  // the main key's host key code, 255 for none
  std::string keyName;               // its display name, empty for none

  // Opens on a button: for a key combination (assignment 33) the combination of the
  // stored ten-token text; for any other assignment nothing.
  void Load(std::string_view storedText, int assignment);
  // A key pressed or released in the dialog: a modifier key changes nothing (the
  // modifiers are the toggles'); any other key becomes the main key.
  void OnKey(HostKeyCode key);
  void Clear();
  void Toggle(int modifier);

  // The modifiers that are on, joined by "+" ("Ctrl+Alt").
  std::string ModifierDisplay() const;
  // The text OnShortcutCaptured takes ("Ctrl&split&Alt&split&A"); empty when nothing is
  // chosen, and then nothing is sent.
  std::string CaptureText() const { return MakeShortcutCaptureText(modifiers, keyName); }
  // The message's wParam for button `button`: button * 256 + the key code.
  unsigned WParam(int button) const { return static_cast<unsigned>(button) * 256u + vk; }
};

// The name shown for a captured key: its display name in the current language, "未知"
// for a code the name table does not name.
std::string ShortcutKeyName(HostKeyCode key);
