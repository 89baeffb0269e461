// The settings model: process-wide tables of the four profiles and of the settings
// that all profiles share, with their persistence in config.ini.
//
// The tables are filled at start-up (LoadDeviceDescription, then LoadProfile for the
// profiles 0 to 3), edited in memory by the pages and popups, and written back by
// SaveAll (Apply), ResetAllProfiles and SaveDpiLevel. Nothing is saved at exit.
//
// Threads: the UI thread, the settings download, the save worker, the device input
// listener (LoadProfile after the mouse's own profile switch), the macro executor
// (g_dpiLevel, SaveDpiLevel) and the sound-reactive lighting worker all use these
// tables. Scalars are atomic; arrays are plain. Whole-table rewrites (LoadProfile: the
// listener's reload after the mouse's own profile switch, the import, the reset) and
// every write of g_dpiSetEnable and of g_dpiLevel that depends on it (the DPI level
// rules, the page's pick of a level, the sound lighting's restore), the choice of a
// button's function and every access to the assignments (g_keyFunc) take
// WorkerTablesLock, which the download and the macro executor hold while they read the
// tables; the pages' other edits are made without it. The key-combination texts are
// std::string and therefore taken under g_shortcutTextsLock.
//
// Values read from the file are not range-checked unless noted (MAC_COR is clamped,
// the DPI level bounded, the key map replaced when out of range): code that uses a
// table value as an index must bound it itself. The settings image check
// (device/settings_image_check.h) keeps values out of range away from the mouse.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace ini {
class Batch;
}

constexpr int kProfileCount = 4;
constexpr int kButtonCount = 12;         // buttons of the settings model
constexpr int kDeviceKeyCount = 14;      // the mouse's key numbers 1..14 (K<i>_MAP)
constexpr int kShortcutTextSlots = 14;   // rows of m_shortcutTexts (0 to 11 used)
constexpr int kDpiLevelCount = 6;
constexpr int kUserLedColorCount = 7;
constexpr int kLedTypeSwCount = 10;
constexpr int kCycleColorCount = 7;

template <typename T>
using ProfileButtonTable = std::array<std::array<T, kButtonCount>, kProfileCount>;

// ---- Profile tables: section "Config" + profile ------------------------------------

// K<i>: AssignmentCode of button i. Every thread reads and writes it under
// WorkerTablesLock (ProfileAssignments and SetButtonAssignment take it): the UI sets
// it, the download clears references to macros that are gone, the listener's reload
// rewrites it, and the workers act on it.
extern ProfileButtonTable<int> g_keyFunc;
// K<i> after the first comma: the stored key-combination text ("&split&" form);
// empty when the value has no comma. Guard every access from a thread other than the
// UI thread with g_shortcutTextsLock (LoadProfile takes it while it writes).
extern std::array<std::array<std::string, kShortcutTextSlots>, kProfileCount> m_shortcutTexts;
extern std::mutex g_shortcutTextsLock;
extern ProfileButtonTable<int> g_leftMac;         // LEFT_MAC<n><i>
extern ProfileButtonTable<int> g_ledReactEnable;  // LED_REACT_EN<i>; always 1 after loading
extern ProfileButtonTable<int> g_ledReactType;    // LED_REACT_TYPE<i>
extern std::array<int, kButtonCount> g_macCor;    // MAC_COR<i>: colour index 0..6, one set for all profiles
extern std::atomic<int> g_wheelStatus;            // WHEEL_STATUS: always 0 after loading and saving

// ---- Shared tables: section ShareData ----------------------------------------------

extern std::atomic<int> g_dpiLevel;                             // DPI_LEVEL
extern std::array<std::uint8_t, kDpiLevelCount> g_dpiSetValue;   // DPI_SET<j>
extern std::array<std::uint8_t, kDpiLevelCount> g_dpiSetEnable;  // DPI_SET_EN<j>: 1 or 0
extern std::array<std::array<int, 3>, kDpiLevelCount> g_dpiColorLevel;  // DPI<j>_R/_G/_B: 4-bit levels
extern std::array<std::uint32_t, kDpiLevelCount> g_dpiColorRef;        // derived colours
extern std::array<std::array<int, 3>, kUserLedColorCount> g_userLedColorLevel;  // LED_USER<j>_R/_G/_B
extern std::array<std::uint32_t, kUserLedColorCount> g_userLedColorRef;        // derived colours
extern std::atomic<std::uint8_t> g_ledType;                     // LED_TYPE: lighting effect
extern std::array<int, kLedTypeSwCount> g_ledTypeSwEnable;       // LED_TYPE_SW_EN<k>: kept as loaded
extern std::atomic<std::uint8_t> g_ledSpeed;                    // LED_CYCTIME (also saved as LED_CYC_TIME)
extern std::atomic<int> g_ledUserColerEn;                       // LED_USER_COLER_EN: always 1
extern std::atomic<int> g_ledFeatureScolor;                     // LED_FEATURE_SCOLOR: never loaded, stays 0
extern std::atomic<int> g_ledDirection;                         // LED_FEATURE_DIREC
extern std::atomic<int> g_ledSymmetry;                          // LED_FEATURE_SYMMETRY
extern std::atomic<int> g_ledBright;                            // LED_BRIGHT
extern std::atomic<int> g_modeLight;                            // MODE_LIGHT
extern std::atomic<int> g_softHardMac;                          // SOFT_HARD_MAC: 1 = macros played in software
extern std::atomic<std::uint8_t> g_cyc7ColEn;                   // CYC_7COL_EN: bit k = cycle colour k on
extern std::array<int, kCycleColorCount> g_cycColorEnable;       // bit k of g_cyc7ColEn as 0 or 1
extern std::atomic<std::uint8_t> g_dpiSpeed;                    // DPI_SPEED: pointer speed step
extern std::atomic<std::uint8_t> g_wheelSpeed;                  // WHEEL_SPEED
extern std::atomic<std::uint8_t> g_usbSpeed;                    // USB_SPEED: always 0 after loading
extern std::atomic<std::uint8_t> g_usbRateCode;                 // report-rate code: always 7 after loading
extern std::atomic<int> g_fireTime;                             // FIRE_TIME, initial 50

// ---- Section Init --------------------------------------------------------------------

extern std::atomic<int> g_currentProfile;  // CurConfig, 0 to 3
// "Config" + profile: the section that SaveProfile and SaveDpiLevel last worked on.
// Take g_profileSectionLock to read or set it.
extern std::string g_profileSection;
extern std::mutex g_profileSectionLock;

// ---- Device description (sections PRODUCTNAME, KEYNUM, KEYMAP; never written) --------

extern std::string g_titleCn;    // PRODUCTNAME_CN: window and tray title for language 0
extern std::string g_titleEn;    // PRODUCTNAME_EN: the title for every other language
extern std::string g_devString;  // DevString: product-string filter of device discovery
// KeyNum and K<i>_MAP form the key map. A map out of range (KeyNum outside 0..12, a key
// number outside 1..14, one key number for two buttons) is read as the factory map.
extern std::atomic<int> g_keyCount;                  // KeyNum, 0..12
extern std::array<std::uint8_t, kButtonCount> g_keyMap;  // K<i>_MAP: device key number of button i-1

// ---- Helpers -------------------------------------------------------------------------

// "Config" followed by the profile number in decimal.
std::string ProfileSectionName(int profile);

// A colour channel shown for a 4-bit level: 255 - 16 * level, low 8 bits.
std::uint8_t ChannelFromLevel(int level);
// The level of a colour byte: (255 - c) / 16.
int LevelFromChannel(std::uint8_t channel);
// Red in the low byte, green in the next, blue in the third.
std::uint32_t ColorFromLevels(int red, int green, int blue);

// Puts every table of this header back to its process-start value: zero, except
// g_ledUserColerEn (1) and g_fireTime (50). Tests start from it.
void ClearSettingsTables();

// The lock of the tables as a whole (see Threads above). Short holds only, and nothing
// is shown while it is held: a warning box's event loop may start a download.
std::mutex& WorkerTablesLock();

// The assignments of a profile (g_keyFunc), read under WorkerTablesLock, which the
// caller must not hold; all zero for a profile outside 0..3.
std::array<int, kButtonCount> ProfileAssignments(int profile);
// Sets a button's assignment under WorkerTablesLock, which the caller must not hold;
// nothing for indices out of range.
void SetButtonAssignment(int profile, int button, int code);

// ---- Loading -------------------------------------------------------------------------

// Reads section "Config" + profile and ShareData of `file` into the tables. A missing
// file is reported by its name (missing_files.h) and changes nothing (result false); a
// profile outside 0..3 changes nothing either. A read marks the tables as read; a
// missing `file` that holds the settings set (`settingsSet`) marks them unread. The
// tables are written under WorkerTablesLock, which the caller must not hold.
bool LoadProfileFile(const std::string& file, int profile, bool settingsSet);
// The same for folder + "config.ini" (folder + "configReset.ini" when fromReset, which
// is not the settings set). folder ends in a separator.
bool LoadProfile(const std::string& folder, int profile, bool fromReset);
// The four profiles of `file`, the settings set (g_configIniPath when it is the file).
void LoadSettingsProfiles(const std::string& file);
// The same for a caller that holds WorkerTablesLock: a missing file changes nothing
// and shows nothing (result false).
bool LoadSettingsProfilesUnderLock(const std::string& file);

// Reads K<button> of section in file into g_keyFunc and m_shortcutTexts. When the
// value holds a comma, the key-combination macros (g_profileMacros) are cleared and
// rebuilt from all stored texts. Under WorkerTablesLock, which the caller must not hold.
void LoadButtonKey(const std::string& file, const std::string& section, int profile, int button);

// Reads the device description from g_configIniPath (or `file`); a key map out of
// range is read from the factory settings (configReset.ini) instead, and said on
// standard error.
void LoadDeviceDescription();
void LoadDeviceDescription(const std::string& file);

// CurConfig of section Init of file (5 characters, decimal); a value outside 0..3
// gives 0, since the profile number indexes the tables.
int ReadCurrentProfile(const std::string& file);

// ---- Saving --------------------------------------------------------------------------
// Every save returns false when a value could not be written; the rest is written
// nonetheless. Each file is replaced once per call, never left half-written.

// Adds the writes of SaveProfile for the profile to batch, in their order.
void AddProfileWrites(ini::Batch& batch, int profile);

// Writes section "Config" + profile and ShareData of file from the tables.
bool SaveProfile(const std::string& file, int profile);

// Writes DPI_LEVEL = g_dpiLevel into ShareData of g_configIniPath.
bool SaveDpiLevel();

// The Apply save: the selected macro of the macro page into its group file, then
// CurConfig and the four profiles into g_configIniPath.
bool SaveAll();

// Replaces the four profiles and the shared settings of config.ini by those of
// configReset.ini (profiles 3 down to 0), then asks for a repaint of the main window.
bool ResetAllProfiles();

// Start-up path of the second product identity: TipText 2, ResetAllProfiles,
// g_currentProfile = 0 (not saved), the settings download started, TipText 3.
void RestoreDefaultsAndSync();
