// Key combinations of the mouse buttons (assignment code 33): the combination captured
// by the key-combination dialog, the text stored per profile and button in
// m_shortcutTexts (and config.ini), and the macros built from the stored texts.
//
// The capture text joins tokens with "&split&": any of "Ctrl", "Shift", "Alt", "Win",
// and last the main key's display name. The stored text has ten tokens, five pairs of
// name and virtual-key code: Ctrl/162, Shift/160, Alt/164, Win/91 (the code empty when
// the modifier is not part of the combination), then the key's name and code (both
// empty without a key). Left Ctrl with A is "Ctrl&split&162&split&Shift&split&&split&
// Alt&split&&split&Win&split&&split&A&split&65".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "keys/key_codes.h"

constexpr int kShortcutAssignment = 33;
constexpr std::string_view kShortcutSeparator = "&split&";
constexpr std::uint8_t kNoShortcutKey = 255;
// Virtual-key codes of left Ctrl, left Shift, left Alt and left Windows, in that order.
constexpr std::array<std::uint8_t, 4> kShortcutModifierVk{162, 160, 164, 91};
// The main window's message that carries a captured combination.
constexpr unsigned kWmShortcutCaptured = 0x7F8;

// A captured key combination: the four modifiers (their virtual-key code, or 255 when
// not part of it) and the main key (255 for none).
struct ShortcutRecord {
  std::array<std::uint8_t, 4> modifiers{kNoShortcutKey, kNoShortcutKey, kNoShortcutKey, kNoShortcutKey};
  std::uint8_t key = kNoShortcutKey;
  std::array<const char*, 4> names{"Ctrl", "Shift", "Alt", "Win"};  // token of each modifier
};
extern ShortcutRecord g_shortcut;

// The tokens of a text joined by "&split&" (a text without separator is one token).
std::vector<std::string> SplitShortcutText(std::string_view text);

// The capture text: the names of the modifiers that are on, joined by "&split&" in the
// order Ctrl, Shift, Alt, Win, and the key's name after them; empty when nothing is on
// and the key name is empty.
std::string MakeShortcutCaptureText(const std::array<bool, 4>& modifiersOn, std::string_view keyName);

// The stored ten-token text of a record; keyName is the main key's display name (used
// only when the record has a key).
std::string MakeStoredShortcutText(const ShortcutRecord& record, std::string_view keyName);

// Handler of the captured-combination message: wParam = button index * 256 + the main
// key's virtual-key code (255 for none), text = the capture text. Sets g_shortcut,
// stores the stored text for the button of the current profile (buttons 0 to 11 only)
// and rebuilds the key-combination macros under WorkerTablesLock, which the caller must
// not hold. Returns 1.
int OnShortcutCaptured(unsigned wParam, std::string_view text);

// Rebuilds the key-combination macros (g_profileMacros) of every button of the four
// profiles whose assignment is 33 from its stored text. Other buttons' records and the
// fields not set here stay as they are. The macro executor reads the records and the
// assignments under WorkerTablesLock, so a caller on a thread of its own holds it (the
// loads and OnShortcutCaptured do).
void BuildShortcutMacros();

// The display name of a device key code in the current language.
std::string GetKeyDisplayName(DeviceKeyCode code);
