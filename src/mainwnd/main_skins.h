// The main window's layouts: the control tables of its frame and four pages and of the
// button light colours, read from the current language folder at start-up and at every
// change of language (with the warning box's table and the function names the menus
// list). UI thread only.
#pragma once

#include <array>
#include <string>

#include "skin/skin_layout.h"

// Table sizes (entries are the keys "0" upwards of section BUTTONPOS).
inline constexpr int kMainEntries = 75;      // skin_main.ini: frame buttons 0-19, main page 20-74
inline constexpr int kLedEntries = 103;      // skin_color.ini: lighting page
inline constexpr int kAdvancedEntries = 138; // skin_advance.ini: advanced page
inline constexpr int kMacroEntries = 20;     // skin_mac.ini: macro page
inline constexpr int kMacColorEntries = 11;  // mac_color.ini: button light colours

// The main window's tables, filled by the loaders below and read by painting and
// input handling.
extern SkinRectTable<kMainEntries> g_mainRects;
extern SkinCaptionTable<kMainEntries> g_mainCaptions;
extern SkinRectTable<kLedEntries> g_ledRects;
extern SkinCaptionTable<kLedEntries> g_ledCaptions;
extern SkinRectTable<kAdvancedEntries> g_advancedRects;
extern SkinCaptionTable<kAdvancedEntries> g_advancedCaptions;
extern SkinRectTable<kMacroEntries> g_macroRects;
extern SkinCaptionTable<kMacroEntries> g_macroCaptions;
extern SkinRectTable<kMacColorEntries> g_macColorRects;
extern SkinCaptionTable<kMacColorEntries> g_macColorCaptions;

// Entry 19 of skin_main.ini: what the frame's link button opens (its caption).
extern std::string g_linkTarget;
// The macro page's list boxes and play-count edit: EDIT 2, 1, 0, MACRODISPLAY 1, 2, 3.
extern std::array<ControlRect, 6> g_macroControlRects;
// Width of one DPI step on the 303-pixel DPI slider of the advanced page.
extern float g_sliderStep;

// The loaders: each reads its file from the current language folder and overwrites its
// table in place.
void LoadMainSkin();
void LoadColorSkin();
void LoadAdvanceSkin();
void LoadMacSkin();
void LoadMacColorSkin();

// All of them and the warning box's (LoadWarningSkin), in the order of start-up and of
// a change of language.
void LoadAllSkinLayouts();

