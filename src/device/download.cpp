#include "device/download.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "device/device_commands.h"
#include "device/device_connection.h"
#include "device/feature_report.h"
#include "device/macro_area.h"
#include "device/settings_image_check.h"
#include "device/worker_gate.h"
#include "platform/pointer_settings.h"
#include "profile/core_hooks.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "profile/settings_check.h"

std::atomic<int> g_downloadBusy{0};
std::array<std::array<std::atomic<int>, kDeviceSlotCount>, kProfileCount> g_deviceFunc{};
std::array<std::array<std::atomic<int>, kButtonCount>, kProfileCount> g_startStopButton{};
std::array<std::array<std::atomic<int>, kButtonCount>, kProfileCount> g_dpiButton{};
std::array<std::array<std::atomic<int>, kDeviceSlotCount>, kProfileCount> g_macroDeviceAddr{};
std::atomic<int> g_delayDivisor{1};
std::atomic<int> g_lastDpiLevel{0};
std::atomic<int> g_ledReactActive{0};
std::atomic<int> g_blinkStop{0};

namespace {

// One download at a time: two images written into each other would leave the mouse
// with a mix, and the carry-over below would be taken from the wrong one.
std::mutex g_downloadLock;
// What a download leaves for the next one; guarded by g_downloadLock.
LedEffect g_previousEffect;
int g_previousLightingStart = 0;

// g_downloadBusy stays 1 while any download runs or waits for the one before it.
std::mutex g_busyLock;
int g_downloadsActive = 0;

class BusyScope {
 public:
  BusyScope() {
    std::lock_guard lock(g_busyLock);
    ++g_downloadsActive;
    g_downloadBusy.store(1);
  }
  ~BusyScope() {
    std::lock_guard lock(g_busyLock);
    if (--g_downloadsActive == 0) g_downloadBusy.store(0);
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
};

constexpr int kTipOperationFailed = 6;

// What a download has to tell the user once it has ended.
struct DownloadNotes {
  std::vector<int> tips;
  std::string message;
};

bool MouseOpen() {
  const hid::Handle handle = g_writeHandle.load();
  return handle != 0 && handle != hid::kInvalidHandle;
}

// The image's writes, ended at the first report that an open mouse did not take: the
// mouse is gone (or no longer listens), and going on would only write into nothing.
// With no mouse open at all every send fails quietly, as any sender's does.
class ImageWriter {
 public:
  bool Write(int address, const std::uint8_t* data, int length) {
    return Sent(WriteMemBlock(address, data, length), address);
  }
  bool Pulse() { return Sent(PulseMemControl(), kPulseAddress); }
  int CutAddress() const { return cutAddress_; }

 private:
  static constexpr int kPulseAddress = -1;
  bool Sent(bool sent, int address) {
    if (sent || !MouseOpen()) return true;
    cutAddress_ = address;
    return false;
  }
  int cutAddress_ = 0;
};

DownloadOutcome CutShort(const ImageWriter& writer, DownloadNotes& notes) {
  const int address = writer.CutAddress();
  if (address >= 0) {
    std::fprintf(stderr,
                 "ovk-dovaru: settings download stopped: the mouse did not take the block at 0x%03X (unplugged?); "
                 "it keeps part of the new settings until the next download\n",
                 static_cast<unsigned>(address));
  } else {
    std::fprintf(stderr, "ovk-dovaru: settings download stopped: the mouse did not take its closing report (unplugged?)\n");
  }
  notes.tips.push_back(kTipOperationFailed);
  return DownloadOutcome::Cut;
}

constexpr std::array<int, 12> kPointerSpeedOfStep{0, 1, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20};
constexpr int kDefaultPointerSpeed = 6;

// A macro reference that names nothing in the library or the presets is dropped.
bool MacroReferenceValid(int code) {
  if (code >= 256 && code < 30000) {
    const int groups = std::clamp(g_groupCount.load(), 0, kMaxMacroGroups);
    const int group = (code / 256 - 1) & 0xFF;
    const int macro = code & 0xFF;
    if (groups == 0 || group >= groups) return false;
    const int count = g_groupMacroCounts[static_cast<std::size_t>(group)];
    return count > 0 && macro < count;
  }
  if (code >= 50 && code <= 255) {
    const int presets = std::clamp<int>(g_gunMacroCount, 0, kMacroTableSize);
    return presets > 0 && code - 50 < presets;
  }
  return true;
}

// The mode of the macro that decides a button's device function.
int MacroModeOf(int code, int profile, int button, SlotMacroSource& macros) {
  if (code == 33 || SlotMacroSource::IsLibraryCode(code)) return macros.Get(code, profile, button).mode;
  return 0;
}

void ApplyDesktopPointerSettings() {
  auto desktop = pointer::CurrentPointerSettings();
  if (!desktop) return;
  // Only settings that could be read are written: a desktop without them keeps its own.
  if (desktop->ReadPointerSpeed()) desktop->WritePointerSpeed(PointerSpeedForStep(g_dpiSpeed.load()));
  if (desktop->ReadWheelScrollLines()) desktop->WriteWheelScrollLines(g_wheelSpeed.load());
}

// One-shot workers, counted so that tests and an orderly exit can wait for them.
std::mutex g_workerLock;
std::condition_variable g_workerDone;
int g_workersRunning = 0;

void WorkerEnded() {
  std::lock_guard lock(g_workerLock);
  --g_workersRunning;
  g_workerDone.notify_all();
}

template <typename Work>
void StartWorker(Work work) {
  {
    std::lock_guard lock(g_workerLock);
    ++g_workersRunning;
  }
  try {
    std::thread([work] {
      struct Done {
        ~Done() { WorkerEnded(); }
      } done;
      work();
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the work is done here rather than lost, and the count
    // does not keep waiting for a worker that never ran.
    WorkerEnded();
    work();
  }
}

}  // namespace

int PointerSpeedForStep(int step) {
  if (step < 0 || step >= static_cast<int>(kPointerSpeedOfStep.size())) return kDefaultPointerSpeed;
  return kPointerSpeedOfStep[static_cast<std::size_t>(step)];
}

void ResetDownloadCarryOver() {
  std::lock_guard lock(g_downloadLock);
  g_previousEffect = LedEffect{};
  g_previousLightingStart = 0;
}

namespace {

// The download proper, under g_downloadLock. Warnings for the user are collected in
// notes and shown once the lock is released: a warning box may run a nested event loop
// on the calling thread, and a download started from there must not wait on this one.
DownloadOutcome RunDownload(DownloadNotes& notes) {

  g_ledReactActive.store(0);
  g_lastDpiLevel.store(g_dpiLevel.load());

  // Status read; the mouse answers with its capacity class, which nothing uses.
  {
    std::lock_guard report(g_reportMutex);
    g_reportBuffer[0] = kFeatureReportId;
    GetReportBuffer();
  }
  g_blinkStop.store(1);

  // Device functions, with invalid macro references dropped for good.
  const int keyCount = std::clamp(g_keyCount.load(), 0, kButtonCount);
  const int profile = g_currentProfile.load();
  SlotMacroSource macros;
  std::array<std::array<int, kButtonCount>, kProfileCount> functions{};
  std::array<std::array<int, kButtonCount>, kProfileCount> codes{};
  // The listener reloads a profile's tables when the mouse switches profile: keep it
  // out while the assignments and their macros are read.
  std::unique_lock tables(WorkerTablesLock());
  for (int p = 0; p < kProfileCount; ++p) {
    const auto pi = static_cast<std::size_t>(p);
    for (int i = 0; i < kDeviceSlotCount; ++i) g_deviceFunc[pi][static_cast<std::size_t>(i)].store(0);
    for (int i = 0; i < kButtonCount; ++i) {
      g_startStopButton[pi][static_cast<std::size_t>(i)].store(0);
      g_dpiButton[pi][static_cast<std::size_t>(i)].store(0);
    }
    for (int i = 0; i < keyCount; ++i) {
      const auto bi = static_cast<std::size_t>(i);
      int code = g_keyFunc[pi][bi];
      if (!MacroReferenceValid(code)) {
        g_keyFunc[pi][bi] = 0;
        code = 0;
      }
      const int function = DeviceFunctionCode(code, MacroModeOf(code, p, i, macros), g_leftMac[pi][bi]);
      codes[pi][bi] = code;
      functions[pi][bi] = function;
      g_deviceFunc[pi][bi].store(function);
      if (function == DeviceFunction::StartStop) g_startStopButton[pi][bi].store(1);
      if (IsDpiFunction(function)) g_dpiButton[pi][bi].store(1);
    }
  }

  // The slot tables and the image read the reaction settings, the colour indices and
  // the shared settings, which a profile reload rewrites too: they are built before
  // the listener may go on. Only the writes to the mouse run without the lock.
  const SlotTables slots = BuildSlotTables(functions, codes);
  const LedEffect effect = ComputeLedEffect(g_ledType.load(), g_ledSpeed.load(), g_previousEffect);
  g_previousEffect = effect;
  const std::uint8_t cycleColours = CycleColourBits();
  g_cyc7ColEn.store(cycleColours);
  g_usbRateCode.store(7);
  g_delayDivisor.store(1);
  const int divisor = g_delayDivisor.load();

  ImageInputs inputs;
  inputs.profile = profile;
  inputs.effect = effect;
  inputs.cycleColours = cycleColours;
  inputs.previousLightingStart = g_previousLightingStart;
  const DeviceMemoryImage image = BuildMemoryImage(slots, inputs);
  if (SettingsCheckArmed()) {
    const ImageVerdict verdict = CheckSettingsImage(image);
    if (!verdict.Fit()) {
      notes.message = "Settings not written into the mouse: " + g_configIniPath + ": " + verdict.fault;
      return DownloadOutcome::SettingsRefused;
    }
  }
  tables.unlock();

  // The mouse with the second product id takes the whole header; the other keeps its
  // own and takes only the profile byte.
  ImageWriter writer;
  const bool headerSent = g_deviceVariant.load() == 0 ? writer.Write(kHeaderAddress, image.header.data(), 8)
                                                      : writer.Write(kHeaderProfileByteAddress, &image.header[1], 1);
  if (!headerSent) return CutShort(writer, notes);

  for (std::size_t b = 0; b < kSettingsBlockAddresses.size(); ++b)
    if (!writer.Write(kSettingsBlockAddresses[b], image.settings[b].data(), 8)) return CutShort(writer, notes);
  if (!writer.Write(kColourIndexAddress, image.colourIndex.data(), 8)) return CutShort(writer, notes);

  tables.lock();
  const MacroAreaPlan plan = PlanMacroArea(slots, macros, divisor);
  tables.unlock();
  for (int p = 0; p < kProfileCount; ++p)
    for (int k = 1; k <= kDeviceSlotCount; ++k)
      g_macroDeviceAddr[static_cast<std::size_t>(p)][static_cast<std::size_t>(k - 1)].store(
          plan.dataAddress[static_cast<std::size_t>(p)][static_cast<std::size_t>(k)]);
  if (plan.overflow) {
    notes.tips.push_back(kTipMacroAreaFull);
    return DownloadOutcome::MacroAreaFull;
  }
  const BlockWrite write = [&writer](int address, const std::uint8_t* data, int length) {
    return writer.Write(address, data, length);
  };
  if (!WriteMacroDirectory(plan, write)) return CutShort(writer, notes);

  const LightingArea area = BuildLightingArea(plan.dataEnd, profile);
  const std::uint8_t zero = 0;
  if (!writer.Write(kLightingStartAddress, area.start.data(), 2) ||
      !writer.Write(kLightingTableAddress, area.table.data(), 8) ||
      !writer.Write(kLightingEndAddress, area.end.data(), 3) || !writer.Write(kLightingZeroAddress, &zero, 1))
    return CutShort(writer, notes);
  g_previousLightingStart = plan.dataEnd;

  switch (WriteMacroData(plan, notes.tips, write)) {
    case MacroAreaResult::AreaFull:
      return DownloadOutcome::MacroAreaFull;
    case MacroAreaResult::LightingOverflow:
      return DownloadOutcome::MacroDataError;
    case MacroAreaResult::WriteFailed:
      return CutShort(writer, notes);
    case MacroAreaResult::Written:
      break;
  }

  if (!writer.Pulse()) return CutShort(writer, notes);
  ApplyDesktopPointerSettings();
  // The key settings go by the assignments read under the lock: a reload of the
  // listener may be rewriting the tables by now.
  if (g_softHardMac.load() == 1 && profile >= 0 && profile < kProfileCount)
    for (int i = 0; i < keyCount; ++i)
      SendKeyCmd10ForCode(i, codes[static_cast<std::size_t>(profile)][static_cast<std::size_t>(i)]);
  return DownloadOutcome::Completed;
}

}  // namespace

DownloadOutcome DownloadSettings() {
  if (!SettingsMayReachMouse()) return DownloadOutcome::SettingsRefused;
  BusyScope busy;
  DownloadNotes notes;
  DownloadOutcome outcome;
  {
    std::lock_guard lock(g_downloadLock);
    outcome = RunDownload(notes);
  }
  for (int tip : notes.tips) ShowTipWarning(tip);
  if (!notes.message.empty()) ShowMessageWarning(notes.message);
  return outcome;
}

unsigned DownloadThreadProc(void* /*param*/) {
  DownloadSettings();
  return 0;
}

unsigned SaveAllThreadProc(void* /*param*/) {
  SaveAll();  // reports a failure itself
  return 0;
}

void StartDownloadWorker() {
  StartWorker([] { DownloadThreadProc(nullptr); });
}

void StartSaveAllWorker() {
  StartWorker([] { SaveAllThreadProc(nullptr); });
}

bool WaitForDownloadWorkers(std::chrono::milliseconds timeout) {
  std::unique_lock lock(g_workerLock);
  return g_workerDone.wait_for(lock, timeout, [] { return g_workersRunning == 0; });
}

void InstallDownloadWorker() { SetStartDownloadHandler([] { StartDownloadWorker(); }); }
