#include "device/input_listener.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>

#include "device/device_commands.h"
#include "device/device_connection.h"
#include "device/download.h"
#include "device/feature_report.h"
#include "device/macro_executor.h"
#include "device/memory_image.h"
#include "device/worker_gate.h"
#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/paths.h"
#include "profile/save_failures.h"
#include "profile/settings.h"
#include "profile/unusable_settings_folder.h"

std::atomic<int> g_buttonPressed{0};
std::atomic<int> g_buttonReleased{0};
std::atomic<std::uint8_t> g_lastButtonCode{0};
std::atomic<int> g_buttonHeld{0};
std::atomic<int> g_buttonToggle{0};
std::atomic<int> g_ledReactButton{0};
std::array<std::atomic<std::uint8_t>, kInputReportBufferSize> g_inputReport{};
std::atomic<std::uint8_t> g_pressHandOverCode{0};
std::atomic<std::uint8_t> g_releaseDetail{0};
std::array<std::uint8_t, kDeviceKeyNumbers> g_keyNumToButton{};

namespace {

// Assignment codes as the listener tells them apart.
constexpr int kFirstMacroCode = 41;   // below: functions of the mouse, media keys, key combinations
constexpr int kFirstPresetCode = 50;  // 50..255: gun presets
constexpr int kFirstGroupCode = 256;  // from here: (group + 1) * 256 + entry
constexpr int kLeftClickCode = 1;

// Device functions of the mouse's profile keys.
constexpr int kFirstProfileFunction = 23;
constexpr int kLastProfileFunction = 26;

std::atomic<std::uint64_t> g_reportsHandled{0};

std::mutex g_currentLock;
CurrentMacroState g_current;  // guarded by g_currentLock

bool LiveHandle(hid::Handle handle) { return handle != 0 && handle != hid::kInvalidHandle; }

int Profile(int p) { return std::clamp(p, 0, kProfileCount - 1); }

// The macro that a button event names becomes the current macro. Codes below 50 name
// no record, and neither does a preset beyond the loaded ones: 41..49 load nothing, a
// missing preset leaves an empty current macro that is never saved.
void LoadButtonMacro(int code) {
  if (code >= kFirstGroupCode) {
    const int group = code / 256 - 1;
    const int index = code % 256;
    MacroRecord record = LoadGroupMacro(group, index);
    std::string path = GroupFilePath(group);
    std::lock_guard lock(g_currentLock);
    g_current.record = record;
    g_current.group = group;
    g_current.index = index;
    g_current.source = CurrentMacroSource::GroupEntry;
    g_current.path = std::move(path);
    return;
  }
  if (code >= kFirstPresetCode) {
    const int preset = code - kFirstPresetCode;
    MacroRecord record;
    bool found = false;
    if (preset < std::clamp<int>(g_gunMacroCount, 0, kMacroTableSize)) {
      record = g_gunMacros[static_cast<std::size_t>(preset)];
      found = true;
    }
    // The location stays: a later save must not write the preset into that entry.
    std::lock_guard lock(g_currentLock);
    g_current.record = record;
    g_current.source = found ? CurrentMacroSource::GunPreset : CurrentMacroSource::None;
  }
}

// Reads the profile the mouse now uses (status byte 6, bits 2..3). False when the
// mouse gave no reply: the buffer then holds an older frame, not the status.
bool ReadMouseProfile(int& profile) {
  std::lock_guard lock(g_reportMutex);
  if (!GetReportBuffer()) return false;
  profile = (g_reportBuffer[6] >> 2) & 3;
  return true;
}

// Adopts the mouse's profile: CurConfig, the profile's tables, a repaint, and in
// software mode the key setting of every button for the new profile.
void AdoptMouseProfile(bool keySettingPass) {
  int profile = 0;
  if (!ReadMouseProfile(profile)) return;
  g_currentProfile = profile;
  const bool saved = ini::WriteString(g_configIniPath, "Init", "CurConfig", std::to_string(profile));
  // A start without a settings folder has said once that nothing is saved.
  if (!SettingsReadOnly()) ReportUnlessSaved(saved, g_configIniPath);
  LoadProfileFile(g_configIniPath, profile, true);  // under the tables lock, out of a download's way
  RequestMainRepaint();
  if (keySettingPass && g_softHardMac.load() == 1) {
    const int count = std::clamp(g_keyCount.load(), 0, kButtonCount);
    for (int i = 0; i < count; ++i) SendKeyCmd10(profile, i);
  }
}

void ReactionLighting(int colour) {
  const int mask = (1 << std::clamp(colour, 0, 7)) & 0xFF;
  SendLedMode(mask, 0, 1, 4, 1, 1, g_ledDirection.load(), g_ledEffectLevel.load(), g_ledBright.load(), 0,
              0x4002);
}

void NormalLighting() {
  SendLedMode(g_cyc7ColEn.load(), 1, g_ledType.load(), g_ledSpeed.load(), 1, 1, g_ledDirection.load(),
              g_ledEffectLevel.load(), g_ledBright.load(), 0, 0x4002);
}

void HandlePress(int p, int b, int code, std::uint8_t eventCode) {
  if (g_startStopButton[p][b] != 0) {
    SendCmd11(1);
    std::lock_guard lock(g_currentLock);
    g_current.record.yOffsetOn = 1;
  }
  g_buttonToggle.fetch_xor(1);
  g_buttonHeld = 1;
  if (code < kFirstMacroCode && !(code == kLeftClickCode && g_ledReactActive.load() == 1)) g_buttonToggle = 0;
  int leftMac = 0;
  int firstButtonCode = 0;
  int colour = 0;
  {
    std::lock_guard tables(WorkerTablesLock());  // the UI chooses functions meanwhile
    leftMac = g_leftMac[p][b];
    firstButtonCode = g_keyFunc[p][0];
    colour = g_macCor[static_cast<std::size_t>(b)];
  }
  if (leftMac != 0) g_buttonToggle = 0;

  if (g_softHardMac.load() == 1 && leftMac % 2 != 0) {
    if (g_ledReactActive.load() == 0) {
      g_ledReactActive = 1;
      g_ledReactButton = b;
      SendKeyCmd10Clear();
      ReactionLighting(colour);
    } else if (b == g_ledReactButton.load()) {
      g_ledReactActive = 0;
      SendKeyCmd10Value(firstButtonCode & 0xFF);
      NormalLighting();
    } else {
      g_ledReactButton = b;
      ReactionLighting(colour);
    }
  }

  // Only the listener raises the flag and only the executor clears it, so the code
  // written here belongs to the press the executor takes.
  if (g_buttonPressed.load() == 0) {
    g_pressHandOverCode = eventCode;
    g_lastButtonCode = eventCode;
    g_buttonPressed = 1;
    WakeMacroExecutor();
  }
}

// Writes the extra vertical step that the step codes changed back into the current
// macro's group entry. The entry is taken as the file holds it now: the macro page may
// have re-recorded or edited it since the button loaded it, and the copy loaded then
// must not undo that. Nothing is written for presets and codes that named no record,
// for an entry the group file does not hold (that would add a macro to it), when the
// location now names another file (groups deleted or renamed since) or when the entry
// now holds another macro (macros deleted since).
void SaveCurrentMacro() {
  CurrentMacroState current = CurrentMacroSnapshot();
  if (current.source != CurrentMacroSource::GroupEntry) return;
  const std::string path = GroupFilePath(current.group);
  if (path.empty() || path != current.path || !ini::FileExists(path)) return;
  if (current.index < 0 || current.index >= ini::ReadInt(path, "Macros", "macroNum", 3)) return;
  MacroRecord entry = LoadGroupMacro(current.group, current.index);
  if (entry.name != current.record.name) return;
  entry.yOffset = current.record.yOffset;
  entry.yOffsetOn = current.record.yOffsetOn;
  SaveMacroEntryIndirect(entry, path, current.index);
}

void HandleRelease(int p, int b) {
  g_buttonHeld = 0;
  if (g_softHardMac.load() == 1 && g_startStopButton[p][b] == 1) {
    SendCmd11(0);
    SaveCurrentMacro();
  }
}

void HandleButtonEvent(std::uint8_t eventCode, std::uint8_t detail) {
  const int key = eventCode - kInputButtonBase;
  const int b = std::min<int>(g_keyNumToButton[static_cast<std::size_t>(key)], kButtonCount - 1);
  int p = Profile(g_currentProfile.load());
  const int code = ProfileAssignments(p)[static_cast<std::size_t>(b)];

  LoadButtonMacro(code);

  const int function = g_deviceFunc[p][b];
  if (function >= kFirstProfileFunction && function <= kLastProfileFunction) {
    AdoptMouseProfile(true);
    g_ledReactActive = 0;
    g_buttonPressed = 0;
    p = Profile(g_currentProfile.load());  // the new profile's tables; the code stays
  }

  const bool release = (detail & kInputReleaseBit) != 0;
  if (release) {
    g_releaseDetail = detail;
    g_lastButtonCode = eventCode;
    g_buttonReleased = 1;
    WakeMacroExecutor();
    HandleRelease(p, b);
  } else {
    g_buttonReleased = 0;
    HandlePress(p, b, code, eventCode);
  }
}

void HandleStepCode(std::uint8_t eventCode) {
  if (g_softHardMac.load() != 1) return;
  switch (eventCode) {
    case kInputProfileChanged:
      AdoptMouseProfile(false);
      break;
    case kInputStepUp: {
      std::lock_guard lock(g_currentLock);
      g_current.record.yOffset = static_cast<std::uint8_t>(g_current.record.yOffset + 1);
      break;
    }
    case kInputStepDown: {
      std::lock_guard lock(g_currentLock);
      if (g_current.record.yOffset > 0) --g_current.record.yOffset;
      break;
    }
    default:
      break;
  }
}

// After a report the listener looks again 2 ms later, as the mouse's reports have
// always been taken.
constexpr auto kPauseAfterReport = std::chrono::milliseconds(2);

// The handle the listener is blocked reading from (0 while it is not reading), so
// that a stop request can wake that read.
std::atomic<hid::Handle> g_readingHandle{0};

}  // namespace

void BuildKeyNumToButton() {
  g_keyNumToButton.fill(0);
  const int count = std::clamp(g_keyCount.load(), 0, kButtonCount);
  for (int i = 0; i < count; ++i) {
    const int key = g_keyMap[static_cast<std::size_t>(i)];
    if (key >= 1 && key < kDeviceKeyNumbers) g_keyNumToButton[static_cast<std::size_t>(key)] = static_cast<std::uint8_t>(i);
  }
}

std::uint64_t InputReportsHandled() { return g_reportsHandled.load(); }

CurrentMacroState CurrentMacroSnapshot() {
  std::lock_guard lock(g_currentLock);
  return g_current;
}

void ResetInputListener() {
  MacroRecord first = LoadGroupMacro(0, 0);
  std::string path = GroupFilePath(0);
  {
    std::lock_guard lock(g_currentLock);
    g_current = CurrentMacroState{};
    g_current.record = first;
    g_current.source = CurrentMacroSource::GroupEntry;
    g_current.path = std::move(path);
  }
  g_buttonPressed = 0;
  g_buttonReleased = 0;
  g_lastButtonCode = 0;
  g_pressHandOverCode = 0;
  g_releaseDetail = 0;
  g_buttonHeld = 0;
  g_buttonToggle = 0;
  g_ledReactButton = 0;
  for (auto& byte : g_inputReport) byte = 0;
}

void HandleInputReport(const std::uint8_t* report, std::size_t length) {
  if (!report || length < 2 || report[0] != kInputReportId) return;
  const std::uint8_t eventCode = report[1];
  const std::uint8_t detail = length > 2 ? report[2] : 0;
  if (eventCode > kInputButtonBase)
    HandleButtonEvent(eventCode, detail);
  else if (eventCode < kInputButtonBase)
    HandleStepCode(eventCode);
}

void DeviceInputThread(std::stop_token stop) {
  if (!WaitForWorkerGate(stop)) return;
  ResetInputListener();

  // A stop wakes a read in progress; reads wait without a time-out otherwise.
  std::stop_callback wakeOnStop(stop, [] {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    const hid::Handle reading = g_readingHandle.load();
    if (reading != 0) DeviceTransport()->WakeReader(reading);
  });

  hid::Handle lastHandle = 0;
  std::size_t readLength = kInputReportBufferSize;
  std::array<std::uint8_t, kInputReportBufferSize> buffer{};
  while (!stop.stop_requested()) {
    const hid::Handle handle = g_readHandle.load();
    if (!LiveHandle(handle)) {
      // No mouse yet: discovery's next handle (or the stop) ends the wait.
      WaitForReadHandleChange(handle, stop);
      continue;
    }
    if (handle != lastHandle) {
      // Discovery sets the capabilities before it stores the handle.
      lastHandle = handle;
      const std::size_t length = g_inputCaps.inputReportByteLength;
      readLength = length == 0 ? kInputReportBufferSize : std::min(length, kInputReportBufferSize);
    }
    buffer.fill(0);
    g_readingHandle = handle;
    std::atomic_thread_fence(std::memory_order_seq_cst);
    const int n = stop.stop_requested() ? hid::kReadTimeout
                                        : DeviceTransport()->ReadInput(handle, buffer.data(), readLength, -1);
    g_readingHandle = 0;
    if (n == hid::kReadTimeout) continue;  // woken: look at the stop request again
    if (n < 0) {
      // The mouse went away or the handle was closed: nothing to read until discovery
      // opens another handle.
      WaitForReadHandleChange(handle, stop);
      continue;
    }
    for (std::size_t i = 0; i < buffer.size(); ++i) g_inputReport[i] = buffer[i];
    HandleInputReport(buffer.data(), static_cast<std::size_t>(n));
    g_reportsHandled.fetch_add(1);
    WorkerSleepUntil(std::chrono::steady_clock::now() + kPauseAfterReport, stop, false);
  }
}
