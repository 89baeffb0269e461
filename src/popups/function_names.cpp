#include "popups/function_names.h"

std::array<std::string, kFunStringCount> g_funStrings;
std::map<std::string, std::pair<std::string, int>> g_funNameMap;
