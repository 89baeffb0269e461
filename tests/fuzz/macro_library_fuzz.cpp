// Feeds arbitrary bytes to the loading of the macro library: the text before the first
// NUL byte is the list file macroGrp.ini, the rest the group file of "Alpha" (beside
// the sound group files "Bravo" and "Charlie"). Checks that the groups listed are
// distinct usable names with a file each, at most twelve, that the list file on disk
// then lists them, that a damaged list loses neither sound group, that the counts read
// stay inside the tables, and that a record a worker takes from the library stays
// inside its event arrays.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/macro_text.h"
#include "profile/paths.h"
#include "tests/fuzz/fuzz_files.h"

namespace {

using fuzzfiles::Check;

void WriteText(const std::string& path, std::string_view text) {
  fuzzfiles::WriteBytes(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// A sound group file of one macro named after the group.
void WriteGroup(const std::string& name) {
  MacroRecord record;
  SetMacroName(record, name);
  WriteText(g_macroDir + name + ".dat", "[Init]\nDAT_VER=3\n[Macros]\nmacroNum=1\n0=" + EncodeMacroRecord(record) + "\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  static const bool laid = [] {
    g_language = 1;
    SetProgramPaths(fuzzfiles::PrivateFolder("macro_library_fuzz"));
    std::filesystem::create_directories(g_macroDir);
    return true;
  }();
  (void)laid;
  // Leftovers of the last input: broken lists kept aside, group files it named.
  for (const auto& entry : std::filesystem::directory_iterator(g_macroDir)) std::filesystem::remove(entry.path());
  WriteGroup("Bravo");
  WriteGroup("Charlie");
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = bytes.find('\0');
  WriteText(g_macroDir + "macroGrp.ini", bytes.substr(0, cut));
  if (cut != std::string_view::npos) WriteText(g_macroDir + "Alpha.dat", bytes.substr(cut + 1));

  g_groupCount = 0;
  g_groupNames = {};
  g_groupExpanded.fill(1);
  ReloadMacroLibrary();
  FillMacroLists();

  const int groups = g_groupCount.load();
  Check(groups >= 0 && groups <= kMaxMacroGroups);
  const std::string list = g_macroDir + "macroGrp.ini";
  const bool rewritten = ini::ReadInt(list, "MACRO_GROUP_NUM", "macGrpNum", 3) == groups;
  for (int g = 0; g < groups; ++g) {
    const std::string& name = g_groupNames[static_cast<std::size_t>(g)];
    Check(IsUsableGroupName(name));
    Check(std::filesystem::is_regular_file(g_macroDir + name + ".dat"));
    for (int other = 0; other < g; ++other) Check(g_groupNames[static_cast<std::size_t>(other)] != name);
    if (rewritten) Check(ini::ReadString(list, "MACRO_GROUP_NAME", std::to_string(g), 60) == name);
    Check(g_groupMacroCounts[static_cast<std::size_t>(g)] >= 0 &&
          g_groupMacroCounts[static_cast<std::size_t>(g)] <= kMaxGroupMacros);
  }
  // A damaged list loses no group: it is kept aside and the group files are listed.
  bool keptAside = false;
  for (const auto& entry : std::filesystem::directory_iterator(g_macroDir))
    keptAside = keptAside || entry.path().filename().string().starts_with("macroGrp.ini.broken-");
  int sound = 0;
  for (int g = 0; g < groups; ++g) sound += g_groupNames[g] == "Bravo" || g_groupNames[g] == "Charlie";
  if (keptAside) Check(sound == 2 && rewritten);
  Check(g_groupMacroCount >= 0 && g_groupMacroCount <= kMacroTableSize);
  Check(g_macroListRowCount.load() >= 0 && g_macroListRowCount.load() <= kMacroListMaxRows);
  for (int row = 0; row < g_macroListRowCount.load(); ++row) (void)MacroListRowText(row);

  // As the listener and the executor take a macro of an assignment code.
  for (int g = 0; g < 13; ++g) {
    const MacroRecord record = LoadGroupMacro(g, g % 3);
    Check(record.eventCount <= kMacroMaxEvents);
  }
  return 0;
}
