// The names of the button functions that the function menus list, from section
// FUN_STRING of the main window's layout file (the main window's layout loader fills
// them at start-up and at every change of language). UI thread only.
#pragma once

#include <array>
#include <map>
#include <string>
#include <utility>

inline constexpr int kFunStringCount = 48;

// Names of the button functions (field 0 of FUN_STRING keys 0-47; entry 0 is
// replaced by text 0 of g_textOther).
extern std::array<std::string, kFunStringCount> g_funStrings;
// Function sub-list: key text (an assignment code in decimal) -> (display name, row).
extern std::map<std::string, std::pair<std::string, int>> g_funNameMap;
