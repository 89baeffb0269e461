// Saves into a folder the user may not write: each one tells the user with TipText 6
// and the file's name, returns failure, and leaves the file as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "settings_fixture.h"
#include "profile/macro_library.h"
#include "tests/support/run_as_nobody.h"

namespace {

// Runs `check` (which returns a description of what went wrong, empty for nothing) as
// a user who may not write `folder`: as root in a child process that drops to nobody,
// otherwise in place with the folder made read-only.
std::string RunWithoutWriteAccess(const std::string& folder, const std::function<std::string()>& check) {
  if (::geteuid() == 0) return testsupport::RunAsNobody(check);
  ::chmod(folder.c_str(), 0555);
  std::string result = check();
  ::chmod(folder.c_str(), 0755);
  return result;
}

}  // namespace

TEST_F(SettingsTest, SavesIntoAReadOnlyFolderTellTheUserWhichFile) {
  const std::string original = "[Init]\nCurConfig=0\n[Config0]\nK0=1\n[ShareData]\nDPI_LEVEL=1\n";
  WriteFile(ConfigPath(), original);
  WriteFile(ResetPath(), "[Config0]\nK0=1\n[ShareData]\nDPI_LEVEL=3\n");
  std::filesystem::create_directories(g_macroDir);
  ::chmod(root.c_str(), 0755);
  std::vector<WarningRequest> told;
  SetWarningHandler([&](const WarningRequest& r) { told.push_back(r); });

  const std::string problems = RunWithoutWriteAccess(g_configDir, [&]() -> std::string {
    std::string wrong;
    auto expectTold = [&](const char* what, bool result, const std::string& file) {
      if (result) wrong += std::string(what) + " claimed success; ";
      if (told.size() != 1 || told[0].tipEntry != 6 || told[0].text.find(file) == std::string::npos)
        wrong += std::string(what) + ": the user was not told of " + file + "; ";
      told.clear();
    };
    g_dpiLevel = 4;
    expectTold("Apply", SaveAll(), g_configIniPath);
    expectTold("reset", ResetAllProfiles(), g_configIniPath);
    if (ReadFile(g_configIniPath) != original) wrong += "config.ini changed; ";
    expectTold("DPI level", SaveDpiLevel(), g_configIniPath);
    if (SaveDpiLevel() || !told.empty()) wrong += "the DPI level's failure was told twice; ";
    return wrong;
  });
  EXPECT_EQ(problems, "");

  // The macro library's folder the same way.
  const std::string library = RunWithoutWriteAccess(g_macroDir, [&]() -> std::string {
    g_groupCount = 1;
    g_groupNames[0] = "G";
    SaveMacroGroups();
    if (told.size() != 1 || told[0].tipEntry != 6 || told[0].text.find("macroGrp.ini") == std::string::npos)
      return "the user was not told of macroGrp.ini";
    return {};
  });
  EXPECT_EQ(library, "");
}
