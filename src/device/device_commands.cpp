#include "device/device_commands.h"

#include <mutex>

#include "device/device_connection.h"
#include "device/feature_report.h"
#include "profile/settings.h"

namespace {

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

void SetHeader(DeviceCommand command) {
  g_reportBuffer[0] = kFeatureReportId;
  g_reportBuffer[1] = static_cast<std::uint8_t>(command);
}

bool WriteHandleInvalid() { return g_writeHandle.load() == hid::kInvalidHandle; }

}  // namespace

bool SendLedMode(int a1, int a2, int a3, int a4, int /*a5*/, int /*a6*/, int /*a7*/, int a8, int /*a9*/,
                 int a10, int a11) {
  std::lock_guard lock(g_reportMutex);
  SetHeader(DeviceCommand::LedMode);
  // The fields are added, not masked: an out-of-range value spills into its neighbours
  // exactly as the mouse has always received it.
  g_reportBuffer[2] = Byte(g_ledUserColerEn * 128 + a1);
  g_reportBuffer[3] = Byte(a2 * 128 + a3 * 16 + a10 * 8 + (a4 & 7));
  g_reportBuffer[4] =
      Byte(g_ledFeatureScolor * 128 + g_ledSymmetry * 64 + ((g_ledDirection * 16) & 0x30) + a8);
  g_reportBuffer[5] = Byte(g_ledBright & 7);
  g_reportBuffer[6] = Byte((a11 / 256) & 3);
  g_reportBuffer[7] = Byte(a11);
  return SendReportBuffer();
}

bool SendDpiColor(int j) {
  if (j < 0 || j >= kDpiLevelCount) return false;
  std::lock_guard lock(g_reportMutex);
  const auto& level = g_dpiColorLevel[j];  // R, G, B
  // The levels are 4-bit; a larger stored value must not change the slot number.
  const int r = level[0] & 0x0F, g = level[1] & 0x0F, b = level[2] & 0x0F;
  SetHeader(DeviceCommand::ColorSlot);
  g_reportBuffer[2] = Byte(j * 32 + g);
  g_reportBuffer[3] = Byte(r * 16 + b);
  return SendReportBuffer();
}

int SendCmd11(int start) {
  std::lock_guard lock(g_reportMutex);
  SetHeader(DeviceCommand::StartStop);
  g_reportBuffer[2] = start ? 2 : 0;
  for (int k = 3; k <= 7; ++k) g_reportBuffer[k] = 0;
  if (WriteHandleInvalid()) return 7;
  return SendReportBuffer() ? 1 : 0;
}

void SendKeyCmd10(int p, int i) {
  if (p < 0 || p >= kProfileCount || i < 0 || i >= kButtonCount) return;
  SendKeyCmd10ForCode(i, ProfileAssignments(p)[static_cast<std::size_t>(i)]);
}

void SendKeyCmd10ForCode(int i, int code) {
  if (i < 0 || i >= kButtonCount) return;
  std::lock_guard lock(g_reportMutex);
  SetHeader(DeviceCommand::KeySetting);
  g_reportBuffer[2] = g_keyMap[i];
  if (code != 18 && code < 41) return;
  g_reportBuffer[3] = 0;
  if (!WriteHandleInvalid()) SendReportBuffer();
}

int SendKeyCmd10Clear() {
  std::lock_guard lock(g_reportMutex);
  SetHeader(DeviceCommand::KeySetting);
  g_reportBuffer[2] = 1;
  g_reportBuffer[3] = 0;
  if (WriteHandleInvalid()) return 3;
  return SendReportBuffer() ? 1 : 0;
}

int SendKeyCmd10Value(int v) {
  std::lock_guard lock(g_reportMutex);
  SetHeader(DeviceCommand::KeySetting);
  g_reportBuffer[2] = 1;
  g_reportBuffer[3] = Byte(v);
  if (WriteHandleInvalid()) return v & 0xFF;
  return SendReportBuffer() ? 1 : 0;
}
