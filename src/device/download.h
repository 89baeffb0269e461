// The settings download: writes the whole settings model into the mouse's memory
// (memory_image.h, macro_area.h), derives the per-button device functions that the
// input listener and the macro executor use, and at the end sets the desktop's pointer
// speed and wheel scroll lines.
//
// Runs on the UI thread (Apply, power broadcast) and on a one-shot worker (start-up,
// reset). Downloads never overlap: a second one waits for the first to end.
#pragma once

#include <array>
#include <atomic>
#include <chrono>

#include "device/memory_image.h"

// 1 from the start of a download until it has ended, whatever ended it; Apply starts a
// download only while it is 0.
extern std::atomic<int> g_downloadBusy;

// Results of the last download, read by the listener and the executor.
// Device function of each profile and button (rows 0..11 used).
extern std::array<std::array<std::atomic<int>, kDeviceSlotCount>, kProfileCount> g_deviceFunc;
// 1 for the buttons whose device function is the start/stop button.
extern std::array<std::array<std::atomic<int>, kButtonCount>, kProfileCount> g_startStopButton;
// 1 for the DPI buttons (device functions 6, 11, 12).
extern std::array<std::array<std::atomic<int>, kButtonCount>, kProfileCount> g_dpiButton;
// Data address of the macro of each profile and slot; slot k at index k - 1.
extern std::array<std::array<std::atomic<int>, kDeviceSlotCount>, kProfileCount> g_macroDeviceAddr;

extern std::atomic<int> g_delayDivisor;    // divisor of macro delays in the mouse: 1
extern std::atomic<int> g_lastDpiLevel;    // the DPI level as the last download found it
extern std::atomic<int> g_ledReactActive;  // left-button light reaction on; 0 after a download
extern std::atomic<int> g_blinkStop;       // 1: the main page's blink animation stops

enum class DownloadOutcome {
  Completed,
  MacroAreaFull,      // TipText 29: the macros do not fit; the download stopped
  MacroDataError,     // TipText 6: a lighting block beyond the mouse's addresses
  SettingsRefused,    // the settings check refused the tables or their image
                      // (settings_check.h, settings_image_check.h); nothing sent
  Cut,                // TipText 6: the mouse stopped taking reports (unplugged); the
                      // download ended at the first report it did not take
};

// The whole download, in order, once the settings check (settings_check.h) lets the
// tables and their image through: derived tables and dropping of invalid macro references in
// g_keyFunc, status read, header, settings blocks, colour index block, macro
// directory, lighting area table, macro data, control pulse, desktop pointer settings
// and, in software macro mode, command 0x10 per button.
DownloadOutcome DownloadSettings();

// Worker entry of the start-up and reset download: runs DownloadSettings, returns 0.
// param is the main window (unused).
unsigned DownloadThreadProc(void* param);

// Worker entry of the Apply save: runs SaveAll, returns 0.
unsigned SaveAllThreadProc(void* param);

// Starts DownloadThreadProc or SaveAllThreadProc on a one-shot worker without
// waiting for it.
void StartDownloadWorker();
void StartSaveAllWorker();
// Waits until every worker started above has ended; false on timeout.
bool WaitForDownloadWorkers(std::chrono::milliseconds timeout);

// Makes StartSettingsDownload (profile/core_hooks.h) start the download worker. The
// program's start-up calls it once.
void InstallDownloadWorker();

// The desktop pointer speed (scale 0..20) for a pointer speed step of the settings:
// steps 0..11 give 0, 1, 2, 4, 6, ..., 20; any other step gives 6.
int PointerSpeedForStep(int step);

// Forgets what earlier downloads left for the next one (the lighting effect and the
// lighting data start). Tests start from it.
void ResetDownloadCarryOver();
