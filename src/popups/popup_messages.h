// The private messages by which a popup tells the window that opened it what happened
// (a menu's choice, a captured key, a gun preset written, the sound window switched
// off, ...), and the sink they go through: the opener hands its handler to the popup.
// UI thread only.
#pragma once

#include <cstdint>
#include <functional>

// 0x401 is the tray icon's own message, which no popup sends.
inline constexpr unsigned kWmSoundwaveStopped = 0x40C;
inline constexpr unsigned kWmPopupMenuDone = 0x7E9;
inline constexpr unsigned kWmPopupMenuCommand = 0x7EA;
inline constexpr unsigned kWmKeycaptureDone = 0x7F5;
inline constexpr unsigned kWmDisplayReload = 0x7F7;
// 0x7F8 is kWmShortcutCaptured of profile/shortcut.h.
inline constexpr unsigned kWmLedStepsReloadMode = 0x83ED;
inline constexpr unsigned kWmLedStepsReloadValue = 0x83EE;
inline constexpr unsigned kWmGunMacroSelected = 0x83F3;
inline constexpr unsigned kWmShortcutRequest = 0x83F4;
inline constexpr unsigned kWmItemEditDone = 0x2B11;
inline constexpr unsigned kWmInplaceEditEnd = 0x8841;

// Where a popup's messages go: (message, wParam, lParam) -> the handler's answer. An
// empty sink drops them.
using PopupMessageSink = std::function<std::intptr_t(unsigned message, std::intptr_t wParam, std::intptr_t lParam)>;

// Delivers a message at once (sent) and gives the answer (0 without a sink).
std::intptr_t DeliverPopupMessage(const PopupMessageSink& sink, unsigned message, std::intptr_t wParam = 0,
                                  std::intptr_t lParam = 0);
// Queues it to the event loop (posted).
void PostPopupMessage(const PopupMessageSink& sink, unsigned message, std::intptr_t wParam = 0,
                      std::intptr_t lParam = 0);
