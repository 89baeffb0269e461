// The device input listener: the worker that follows input report 6 of the mouse for
// the whole run. It follows the mouse's own profile changes, keeps the macro of the
// last macro button as the current macro (with its extra vertical step), switches the
// left-button light reaction, sends the start/stop commands and hands every press and
// release over to the macro executor through the flags below. It plays nothing itself.
//
// Hand-over (all atomic; written here unless noted):
//   g_buttonPressed   0 -> 1 with g_lastButtonCode and g_pressHandOverCode on a press,
//                     only while it is 0; the executor clears it when it has played
//                     the press (a profile function of the mouse clears it too).
//   g_buttonReleased  1 on a release, 0 on a press; the executor clears it.
//   g_lastButtonCode  240 + device key number of the button; written before the flag
//                     it goes with, so a reader that sees the flag sees its code.
//   g_buttonHeld      1 from a press to the next release.
//   g_buttonToggle    flipped on a press (forced to 0 for mouse functions and buttons
//                     with a left-button option); "repeat until pressed again" ends at 0.
//   g_ledReactButton  the button that armed the left-button light reaction (whose on/off
//                     state, g_ledReactActive, belongs to the settings download).
//   g_inputReport     the last input report read, whatever its event.
//   g_pressHandOverCode  the code of the press handed over with g_buttonPressed; it
//                     stays while the press is played, where g_lastButtonCode also
//                     takes every later release.
//   g_releaseDetail   byte 2 of the last release (the DPI level the executor takes
//                     over for a DPI button); g_inputReport may hold a later step or
//                     profile report by the time the executor looks.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>

#include "profile/macro_record.h"

inline constexpr std::uint8_t kInputReportId = 6;
inline constexpr std::size_t kInputReportBufferSize = 64;

// Event codes of byte 1.
inline constexpr std::uint8_t kInputStepUp = 1;
inline constexpr std::uint8_t kInputStepDown = 2;
inline constexpr std::uint8_t kInputProfileChanged = 3;
inline constexpr std::uint8_t kInputButtonBase = 240;  // 241..255: button 240 + device key number
// Byte 2 of a button event.
inline constexpr std::uint8_t kInputReleaseBit = 0x80;
inline constexpr std::uint8_t kInputDpiMask = 0x07;

// Device key numbers run 1..15 (button codes 241..255).
inline constexpr int kDeviceKeyNumbers = 16;

extern std::atomic<int> g_buttonPressed;
extern std::atomic<int> g_buttonReleased;
extern std::atomic<std::uint8_t> g_lastButtonCode;
extern std::atomic<int> g_buttonHeld;
extern std::atomic<int> g_buttonToggle;
extern std::atomic<int> g_ledReactButton;
extern std::array<std::atomic<std::uint8_t>, kInputReportBufferSize> g_inputReport;
extern std::atomic<std::uint8_t> g_pressHandOverCode;
extern std::atomic<std::uint8_t> g_releaseDetail;

// Button (0..11) of each device key number. Filled by BuildKeyNumToButton at start-up,
// before the worker gate opens; key numbers of no button stay 0.
extern std::array<std::uint8_t, kDeviceKeyNumbers> g_keyNumToButton;

// g_keyNumToButton from g_keyCount and g_keyMap: entry g_keyMap[i] = i for every
// button below g_keyCount. A key number outside 1..15 names no entry and is skipped.
void BuildKeyNumToButton();

// The worker: waits at the worker gate, loads the current macro (group 0, entry 0),
// then reads and handles input reports until `stop` is requested. The product never
// requests a stop; tests and an orderly exit do.
void DeviceInputThread(std::stop_token stop);

// Handles one input report as the worker does after a read (report id, button events,
// profile changes, step codes). `length` bytes of `report` are valid. Used by the
// worker and by tests that drive the listener without its thread.
void HandleInputReport(const std::uint8_t* report, std::size_t length);

// Where the current macro came from; only a macro read from a group entry is saved back.
enum class CurrentMacroSource {
  None,        // nothing loaded, or a code that names no record
  GroupEntry,  // an entry of a macro group file
  GunPreset,   // a copy of a gun preset: never written into a group file
};

struct CurrentMacroState {
  MacroRecord record;
  int group = 0;  // location in the macro library (0-based group, entry index)
  int index = 0;
  CurrentMacroSource source = CurrentMacroSource::None;
  std::string path;  // the group file the entry was read from (GroupEntry only)
};

// Input reports the listener has read and handled since the process started
// (diagnostics and tests: a report fed to the mouse has been acted on once this
// count has passed it).
std::uint64_t InputReportsHandled();

// A copy of the listener's current macro and its location.
CurrentMacroState CurrentMacroSnapshot();

// Puts the listener back to its start: location group 0, entry 0, that entry loaded,
// the hand-over flags cleared. The worker calls it once the gate is open; tests call it
// between cases.
void ResetInputListener();
