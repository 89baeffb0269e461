#include "profile/dpi_levels.h"

#include <algorithm>
#include <mutex>

int NextEnabledDpiLevel(int from, const DpiEnables& enabled) {
  // Taken round the six first: from + step must neither overflow nor give a negative
  // index.
  const int start = (from % kDpiLevelCount + kDpiLevelCount) % kDpiLevelCount;
  for (int step = 1; step <= kDpiLevelCount; ++step) {
    const int level = (start + step) % kDpiLevelCount;
    if (enabled[static_cast<std::size_t>(level)] != 0) return level;
  }
  return -1;
}

DpiLevels BoundDpiLevels(int current, const DpiEnables& enabled) {
  DpiLevels out;
  out.current = std::clamp(current, 0, kDpiLevelCount - 1);
  for (std::size_t j = 0; j < enabled.size(); ++j) out.enabled[j] = enabled[j] != 0 ? 1 : 0;
  const int next = NextEnabledDpiLevel(out.current, out.enabled);
  if (next < 0) {
    out.enabled[static_cast<std::size_t>(out.current)] = 1;
  } else if (out.enabled[static_cast<std::size_t>(out.current)] == 0) {
    out.current = next;
  }
  return out;
}

void BoundDpiLevelTables() {
  const DpiLevels bounded = BoundDpiLevels(g_dpiLevel.load(), g_dpiSetEnable);
  g_dpiSetEnable = bounded.enabled;
  g_dpiLevel = bounded.current;
}

void ToggleDpiLevelEnable(int level) {
  if (level < 0 || level >= kDpiLevelCount) return;
  std::lock_guard tables(WorkerTablesLock());
  auto& enable = g_dpiSetEnable[static_cast<std::size_t>(level)];
  if (enable == 0) {
    enable = 1;
    return;
  }
  enable = 0;
  if (g_dpiLevel.load() != level) return;
  const int next = NextEnabledDpiLevel(level, g_dpiSetEnable);
  if (next < 0) {
    enable = 1;  // the last enabled level stays
    return;
  }
  g_dpiLevel = next;
}
