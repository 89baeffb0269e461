// The check that keeps a broken settings set out of the mouse: a set that could not be
// read, or whose profile 0 has no button with the left-click function, would leave the
// mouse without a way to click.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// True while the tables do not hold a settings set read from a file (a load of
// config.ini failed and nothing was read since).
extern std::atomic<bool> g_settingsUnreadable;

enum class SettingsVerdict { Fit, NotRead, NoLeftClick };

// The verdict on the tables as they are now.
SettingsVerdict CheckSettingsForMouse();

// The program's start-up arms the check; until then (and in tests that never arm it)
// every set may be written.
void ArmSettingsCheck(bool armed);
bool SettingsCheckArmed();

// Whether the download may write the tables into the mouse. When the armed check
// refuses, the user is told why and false is returned.
bool SettingsMayReachMouse();

// The largest settings file read (the program writes about 5 KB).
inline constexpr std::uintmax_t kMaxSettingsFileBytes = std::uintmax_t{1} << 20;

// Whether `file` holds a settings set: it can be read, is no larger than
// kMaxSettingsFileBytes, and has the sections of profile 0 and of the shared settings.
bool IsUsableSettingsFile(const std::string& file);
