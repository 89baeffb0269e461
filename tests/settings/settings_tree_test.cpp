// Where the settings live: in place beside the executable, or per user seeded from the
// installed factory tree; upgrades add what the user lacks and keep what the user has;
// leftovers of a killed save and a broken config.ini are dealt with at start-up.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "settings_fixture.h"
#include "profile/settings_check.h"
#include "profile/settings_tree.h"

namespace fs = std::filesystem;

namespace {

class SettingsTreeTest : public SettingsTest {
 protected:
  fs::path Factory() const { return root / "share" / "skins"; }
  fs::path User() const { return root / "home" / ".config" / "ovk-dovaru" / "skins"; }
  void Lay(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    WriteFile(path.string(), text);
  }
  void LayFactory() {
    Lay(Factory() / "config/config.ini", "[Init]\nVER_SEL=1\n[Config0]\nK0=1\n[ShareData]\nDPI_LEVEL=2\n");
    Lay(Factory() / "config/configReset.ini", "[Init]\nVER_SEL=1\n[Config0]\nK0=1\n[ShareData]\nDPI_LEVEL=2\n");
    Lay(Factory() / "config/constMacro.dat", "[Init]\nDAT_VER=3\n");
    Lay(Factory() / "1_INI_EN/PUBG.dat", "pubg");
    Lay(Factory() / "1_INI_EN/LanguageText.ini", "texts");
    Lay(Factory() / "1_INI_EN/macro/macroGrp.ini", "list");
    Lay(Factory() / "1_INI_EN/macro/A.dat", "group A");
    Lay(Factory() / "1_INI_EN/macroReset/macroGrp.ini", "list");
    Lay(Factory() / "main_normal.jpg", "image");
  }
};

}  // namespace

TEST_F(SettingsTreeTest, InstalledTreeIsReadAndEachUserGetsTheWritableCopy) {
  LayFactory();
  const fs::path bin = root / "bin";
  fs::create_directories(bin);
  // No skins tree beside the executable: the factory tree from the installed data
  // folder, the settings in the user's configuration folder.
  const SettingsTreeLocation where = LocateSettingsTree(bin.string(), "../share/skins", (root / "home/.config").string());
  EXPECT_EQ(where.skinsDir, Factory().string());
  EXPECT_EQ(where.settingsDir, User().string());
  // A writable tree beside the executable is used in place.
  const SettingsTreeLocation inPlace = LocateSettingsTree((root / "share").string(), "../x", "/nowhere");
  EXPECT_EQ(inPlace.skinsDir, Factory().string());
  EXPECT_EQ(inPlace.settingsDir, Factory().string());

  ASSERT_TRUE(SeedSettingsTree(where.skinsDir, where.settingsDir));
  for (const char* f : {"config/config.ini", "config/constMacro.dat", "1_INI_EN/PUBG.dat", "1_INI_EN/macro/A.dat"}) {
    EXPECT_EQ(ReadFile((User() / f).string()), ReadFile((Factory() / f).string())) << f;
    EXPECT_TRUE((fs::status(User() / f).permissions() & fs::perms::owner_write) != fs::perms::none) << f;
  }
  // Read-only data and the factory copies are not copied.
  for (const char* f : {"config/configReset.ini", "1_INI_EN/LanguageText.ini", "1_INI_EN/macroReset", "main_normal.jpg"})
    EXPECT_FALSE(fs::exists(User() / f)) << f;

  // The paths: written files in the user's tree, factory data in the installed one.
  SetSkinsPaths(where.skinsDir, where.settingsDir);
  g_language = 1;
  SetLanguagePaths();
  EXPECT_EQ(g_configIniPath, (User() / "config/config.ini").string());
  EXPECT_EQ(g_macroDir, (User() / "1_INI_EN/macro/").string());
  EXPECT_EQ(g_macroResetDir, (Factory() / "1_INI_EN/macroReset/").string());
  EXPECT_EQ(FactoryConfigDir() + "configReset.ini", (Factory() / "config/configReset.ini").string());
  // The settings file dialogs open in the home folder, not in the program's.
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("HOME", (root / "home").c_str(), 1);
  EXPECT_EQ(UserFilesFolder(), (root / "home").string());
  ::setenv("HOME", home.c_str(), 1);

  // The user works; an upgrade brings a new language and new factory settings.
  Lay(User() / "config/config.ini", "[Init]\nVER_SEL=1\n[Config0]\nK0=1\n[ShareData]\nDPI_LEVEL=5\n");
  fs::remove(User() / "1_INI_EN/macro/A.dat");
  Lay(User() / "1_INI_EN/macro/Mine.dat", "mine");
  Lay(Factory() / "config/config.ini", "[Init]\nVER_SEL=1\n[Config0]\nK0=1\n[ShareData]\nDPI_LEVEL=9\n");
  Lay(Factory() / "2_INI_FR/macro/macroGrp.ini", "liste");
  Lay(Factory() / "2_INI_FR/PUBG.dat", "pubg fr");
  ASSERT_TRUE(SeedSettingsTree(where.skinsDir, where.settingsDir));
  EXPECT_EQ(ReadFile((User() / "config/config.ini").string()).find("DPI_LEVEL=5") != std::string::npos, true);
  EXPECT_FALSE(fs::exists(User() / "1_INI_EN/macro/A.dat")) << "the user's library stays as the user left it";
  EXPECT_EQ(ReadFile((User() / "1_INI_EN/macro/Mine.dat").string()), "mine");
  EXPECT_EQ(ReadFile((User() / "2_INI_FR/macro/macroGrp.ini").string()), "liste");
  EXPECT_EQ(ReadFile((User() / "2_INI_FR/PUBG.dat").string()), "pubg fr");
}

TEST_F(SettingsTreeTest, UnreadableSettingsAreReplacedByTheFactoryFileAndKept) {
  LayFactory();
  SetSkinsPaths(Factory().string(), User().string());
  fs::create_directories(User() / "config");
  std::vector<WarningRequest> told;
  SetWarningHandler([&](const WarningRequest& r) { told.push_back(r); });

  WriteFile(g_configIniPath, "K0=1 but no sections\n");
  ASSERT_TRUE(RecoverSettingsFile());
  EXPECT_EQ(ReadFile(g_configIniPath), ReadFile(FactoryConfigDir() + "configReset.ini"));
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].text.find(g_configIniPath), std::string::npos);
  int kept = 0;
  for (const auto& e : fs::directory_iterator(User() / "config"))
    if (e.path().filename().string().starts_with("config.ini.broken-")) {
      ++kept;
      EXPECT_EQ(ReadFile(e.path().string()), "K0=1 but no sections\n");
    }
  EXPECT_EQ(kept, 1);

  // A file with settings is left alone; without a factory file the set counts as unread.
  told.clear();
  EXPECT_TRUE(RecoverSettingsFile());
  EXPECT_TRUE(told.empty());
  fs::remove(g_configIniPath);
  fs::remove(FactoryConfigDir() + "configReset.ini");
  ini::ClearCache();
  EXPECT_FALSE(RecoverSettingsFile());
  EXPECT_TRUE(g_settingsUnreadable.load());
  EXPECT_EQ(CheckSettingsForMouse(), SettingsVerdict::NotRead);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].tipEntry, 6);
  EXPECT_NE(told[0].text.find(g_configIniPath), std::string::npos);
  g_settingsUnreadable = false;
}

TEST_F(SettingsTreeTest, LanguageIndexWithoutFolderFallsBackToEnglish) {
  fs::create_directories(root / "skins" / "0_INI_CN");
  fs::create_directories(root / "skins" / "1_INI_EN");
  EXPECT_EQ(LanguageWithFolder(0), 0);
  for (int index : {-5 & 0xFF, 999 & 0xFF, 25, 2, -1}) EXPECT_EQ(LanguageWithFolder(index), 1) << index;
}

TEST_F(SettingsTreeTest, ProfileZeroWithoutLeftClickNeverPassesTheCheck) {
  g_keyFunc[0] = {2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  g_keyFunc[1][0] = 1;  // another profile's left click does not make up for it
  EXPECT_EQ(CheckSettingsForMouse(), SettingsVerdict::NoLeftClick);
  EXPECT_TRUE(SettingsMayReachMouse()) << "unarmed (tests, before start-up) every set passes";
  ArmSettingsCheck(true);
  EXPECT_FALSE(SettingsMayReachMouse());
  EXPECT_EQ(events, std::vector<std::string>{"tip 7"});
  g_keyFunc[0][11] = 1;
  EXPECT_TRUE(SettingsMayReachMouse());
  ArmSettingsCheck(false);
}
