// The macro executor: the worker that carries out, in software, what the mouse hands to
// the computer. It takes over the DPI level the mouse reports on the release of a DPI
// button, sends media keys, presses key combinations and plays library macros, gun
// presets and built-in macros with their repeat modes and delays. Nothing is injected
// through the desktop: every key, button and pointer move is a feature report to the
// mouse, which emits it as its own input.
//
// It acts on the listener's hand-over flags (input_listener.h): the listener wakes it
// as soon as it raises one (WakeMacroExecutor), and otherwise it sleeps; only a release
// that could not be sent brings it back on the clock, once a second, until the release
// reaches the mouse.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <random>
#include <stop_token>

// Keyboard usages now held (0 = free slot): the payload of command 0x15.
extern std::array<std::atomic<std::uint8_t>, 6> g_pressedKeys;
// Mouse buttons, active low: bit 0 left (241), bit 1 right (243), bit 2 middle (242).
// Initially 0xFF; byte 3 of command 0x16.
extern std::atomic<std::uint8_t> g_mouseButtonBits;

// Random extra of short mouse-button delays.
inline constexpr int g_randomDelayEnable = 1;
inline constexpr int g_randomDelayLimit = 120;       // ms: delays below get the extra
inline constexpr double g_randomDelayFactor = 0.5;   // the extra is below delay x factor
inline constexpr int kMinMouseButtonDelayMs = 60;    // least delay after a mouse-button event
inline constexpr int kMaxMacroRounds = 10000;        // rounds of a repeating macro

// Media keys: assignment codes 23..32 give the indices 0..9.
inline constexpr int kFirstMediaCode = 23;
inline constexpr int kLastMediaCode = 32;

// HID consumer-page usage of media index 0..10; any other index gives 0.
std::uint16_t MediaIndexToUsage(int index);

// Command 0x17 with the usage (high byte, then low byte). No release report follows.
bool SendConsumerUsage(std::uint16_t usage);

// One event as a report: code 246 a pointer move (command 0x0B; y + extra when
// addExtra, signs by action 3..6), a code below 240 a key (command 0x15 with the held
// set after action 1 adds or action 2 removes the key), any other code a mouse button
// (command 0x16 after action 1 presses or action 2 releases 241, 242, 243). True when
// the report reached the mouse.
bool SendInputEvent(std::uint8_t code, std::uint8_t action, std::uint16_t x, std::uint16_t y,
                    std::uint8_t extra, bool addExtra);

// The held-key set: add into the first free slot (a full set drops the key; a key
// already held is added again); remove the first slot holding the key and close the gap
// (a key not held clears only the sixth slot).
void AddPressedKey(std::uint8_t usage);
void RemovePressedKey(std::uint8_t usage);

// Lets go of everything: 10 ms, the three buttons up (0x16), 10 ms, no key held (0x15).
// When one of the two reports does not reach the mouse, the release is sent again by
// the executor once the mouse can be written to.
void ReleaseAllInputs();
// True while a release could not be sent (see ReleaseAllInputs).
bool ReleasePending();

// The pause after an event, in milliseconds: the event's delay; for a mouse-button
// event (code 240 or above, action 1 or 2) at least 60 ms, plus, below 120 ms, a random
// extra from 0 to (delay x 0.5) - 1.
int EventDelayMs(std::uint8_t code, std::uint8_t action, std::uint16_t delay, std::mt19937& random);

// The worker: waits at the worker gate, then acts on the hand-over flags whenever it
// is woken (or a pending release is due again), until `stop` is requested.
void MacroExecutorThread(std::stop_token stop);

// Tells the executor that a hand-over flag was raised (the listener calls it).
void WakeMacroExecutor();

// One poll of the worker (release hand-over, then press hand-over, played to its end).
// Tests drive the executor with it without its thread.
void RunExecutorPoll(std::stop_token stop);

// Puts g_pressedKeys and g_mouseButtonBits back to nothing held without sending
// anything, and clears a pending release (tests).
void ResetInputEmission();
