// What the gun dialog does with the gun presets (g_gunMacros, stored in PUBG.dat),
// without any window: the values its three edits show for a preset, the repeat modes,
// and the stores of OK and of a change of preset. UI thread only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Index of the preset the gun dialog shows (0 when it opens).
extern int g_currentGunPreset;

// The vertical step of the preset's pointer moves: the first non-zero one, or nothing
// when none of its events moves vertically.
std::optional<int> GunVerticalStep(int preset);

// What the three edits show for a preset. A field without value leaves its edit as it is.
struct GunEditValues {
  std::optional<std::string> repeat;
  bool repeatEnabled = true;  // only a fixed-count preset takes a count
  std::string step;           // empty for a preset without a vertical step
  bool stepEnabled = true;
  std::optional<std::string> delay;
};
// The values of preset n (or nothing for an index outside the presets). A preset
// without a vertical step shows an empty, disabled step edit rather than the previous
// preset's step, which OK would otherwise write into it.
std::optional<GunEditValues> GunPresetEditValues(int preset);

// The number an edit holds: its leading decimal digits, 0 when there are none.
int GunEditNumber(std::string_view text);
// The vertical step an edit asks for, kept within 1 to 99.
int ClampGunStep(int step);

// OK: the repeat count, the delay of the first two events and, for a preset with a
// vertical step, the step (clamped, also as the added step) are stored in the preset,
// which is then written to PUBG.dat. False for an index outside the presets.
bool StoreGunOk(int preset, std::string_view repeat, std::string_view step, std::string_view delay);
// Another preset was chosen: the repeat count and the step of the edits are stored in
// the preset shown before and written to PUBG.dat (not the delay). False for an index
// outside the presets.
bool StoreGunPresetChange(int previous, std::string_view repeat, std::string_view step);

// Repeat while held (mode 2, count 1) and a fixed number of times (mode 0; a count of 0
// becomes 1). Each gives the count the edit then shows.
int SetGunRepeatWhileHeld(int preset);
int SetGunFixedCount(int preset);
// The rectangle marking the preset's mode: 9 (repeat while held), 8 (fixed count), or
// -1 for other modes.
int GunModeMarker(int preset);
