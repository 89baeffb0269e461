// The warning box's layout: LBWarning.ini of the language folder, read by
// LoadWarningSkin at start-up and at every change of language. UI thread only.
#pragma once

#include "skin/skin_layout.h"

inline constexpr int kWarningEntries = 5;
extern SkinRectTable<kWarningEntries> g_warningRects;
extern SkinCaptionTable<kWarningEntries> g_warningCaptions;
void LoadWarningSkin();
