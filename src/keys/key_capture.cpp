#include "keys/key_capture.h"

namespace {

constexpr DeviceKeyCode kUsageNone = 0;
constexpr DeviceKeyCode kUsageKeypadEnter = 0x58;

}  // namespace

std::optional<HostKeyCode> HostKeyOfUsage(DeviceKeyCode usage) {
  if (usage == kUsageNone) return std::nullopt;
  if (usage == kUsageKeypadEnter) return VK_RETURN;
  const HostKeyCode vk = DeviceKeyToVk(usage);
  if (VkToDeviceKey(vk) != usage) return std::nullopt;
  return vk;
}

bool IsModifierHostKey(HostKeyCode vk) {
  return (vk >= VK_SHIFT && vk <= VK_MENU) || vk == VK_LWIN || vk == VK_RWIN || (vk >= VK_LSHIFT && vk <= VK_RMENU);
}
