// The rules that keep the six DPI levels usable, shared by the advanced page, the
// loading of config.ini and the settings image: the current level is one of the six
// and enabled, and at least one level is enabled. The mouse steps only through enabled
// levels, so a set that breaks these rules would leave it on a level it cannot reach.
#pragma once

#include <array>
#include <cstdint>

#include "profile/settings.h"

using DpiEnables = std::array<std::uint8_t, kDpiLevelCount>;

struct DpiLevels {
  int current = 0;
  DpiEnables enabled{};
};

// The next enabled level after `from`, upward and round from 5 to 0, ending with `from`
// itself; -1 when no level is enabled. Any `from` is taken round the six (-1 is 5,
// 6 is 0).
int NextEnabledDpiLevel(int from, const DpiEnables& enabled);

// The levels bounded as the page keeps them: a current level outside 0..5 is taken as
// the nearest level; with none enabled the current one is enabled; a disabled current
// level moves to the next enabled one.
DpiLevels BoundDpiLevels(int current, const DpiEnables& enabled);

// g_dpiLevel and g_dpiSetEnable bounded in place; the caller holds WorkerTablesLock
// (LoadProfile does).
void BoundDpiLevelTables();

// The page's enable toggle of level k (0..5): a disabled level becomes enabled; an
// enabled one becomes disabled, and when it was the current level the current level
// moves to the next enabled one. The last enabled level stays enabled and current.
// Takes WorkerTablesLock.
void ToggleDpiLevelEnable(int level);
