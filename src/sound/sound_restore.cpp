#include "sound/sound_restore.h"

#include <array>
#include <cstdint>
#include <mutex>

#include "device/device_commands.h"
#include "device/download.h"
#include "device/feature_report.h"
#include "device/memory_image.h"
#include "platform/hid_pause.h"
#include "platform/ini_file.h"
#include "profile/dpi_levels.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "sound/sound_frames.h"
#include "sound/sound_state.h"

namespace {

constexpr int kDpiLevelAddress = 0x18;
constexpr int kDpiLevelReadLength = 8;
constexpr int kNormalEffectLevel = 11;
constexpr int kLedModeValue = 0x4002;

bool IsDpiLevel(int level) { return level >= 0 && level < kDpiLevelCount; }

}  // namespace

int ReadMouseDpiLevel(int fallback) {
  std::array<std::uint8_t, kDpiLevelReadLength> bytes{};
  ReadMemBlock(kDpiLevelAddress, bytes.data(), kDpiLevelReadLength);
  const int level = bytes[0] & 7;
  if (IsDpiLevel(level)) return level;
  return IsDpiLevel(fallback) ? fallback : 0;
}

bool RestoreNormalLighting() {
  if (SoundEffectOn()) return false;
  std::lock_guard gate(SoundSendGate());
  HoldSoundFramesLocked();
  const int slot = ReadMouseDpiLevel(g_lastDpiLevel.load());
  g_ledEffectLevel = kNormalEffectLevel;
  SendDpiColor(slot);
  g_cyc7ColEn = CycleColourBits();
  SendLedMode(g_cyc7ColEn.load(), 1, g_ledType.load(), g_ledSpeed.load(), 1, 1, g_ledDirection.load(),
              g_ledEffectLevel.load(), g_ledBright.load(), 0, kLedModeValue);
  hid::PauseMs(2);
  const int saved = ini::ReadInt(g_configIniPath, "ShareData", "DPI_LEVEL", 5);
  {
    std::lock_guard tables(WorkerTablesLock());
    g_dpiLevel = BoundDpiLevels(saved, g_dpiSetEnable).current;
  }
  PulseMemControl();
  return true;
}
