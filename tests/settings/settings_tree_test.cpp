// Where the settings live: in place beside the executable, or per user seeded from the
// installed factory tree; upgrades add what the user lacks and keep what the user has;
// leftovers of a killed save and a broken config.ini are dealt with at start-up.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "profile/library_files.h"
#include "profile/settings_check.h"
#include "profile/settings_tree.h"
#include "settings_fixture.h"

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

TEST_F(SettingsTreeTest, TheUsersFoldersAndFilesAreTheUsersAlone) {
  LayFactory();
  const mode_t umaskBefore = ::umask(022);
  auto mode = [](const fs::path& path) { return fs::status(path).permissions() & fs::perms::all; };
  const fs::perms privateFile = fs::perms::owner_read | fs::perms::owner_write;
  const fs::perms opened = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                           fs::perms::others_read | fs::perms::others_exec;

  ASSERT_TRUE(SeedSettingsTree(Factory().string(), User().string()));
  for (const fs::path& folder : {root / "home/.config", root / "home/.config/ovk-dovaru", User(), User() / "config",
                                 User() / "1_INI_EN/macro"})
    EXPECT_EQ(mode(folder), fs::perms::owner_all) << folder;
  // Seeded, saved, made empty or copied: every new file is private.
  SetSkinsPaths(Factory().string(), User().string());
  g_language = 1;
  SetLanguagePaths();
  ASSERT_TRUE(ini::WriteString(g_macroDir + "New.dat", "Macros", "macroNum", "0"));
  ASSERT_TRUE(CreateEmptyFile(g_macroDir + "Empty.dat"));
  ASSERT_TRUE(CopyFileReplacing(g_configIniPath, g_configIniPath + ".copy"));
  for (const std::string& f : {g_configIniPath, User().string() + "/1_INI_EN/macro/A.dat", g_macroDir + "New.dat",
                               g_macroDir + "Empty.dat", g_configIniPath + ".copy"})
    EXPECT_EQ(mode(f), privateFile) << f;

  // What the user opened up stays open.
  fs::permissions(User() / "config", opened);
  fs::permissions(g_configIniPath, privateFile | fs::perms::group_read);
  ASSERT_TRUE(ini::WriteString(g_configIniPath, "Init", "CurConfig", "1"));
  ASSERT_TRUE(SeedSettingsTree(Factory().string(), User().string()));
  EXPECT_EQ(mode(User() / "config"), opened);
  EXPECT_EQ(mode(g_configIniPath), privateFile | fs::perms::group_read);
  ::umask(umaskBefore);
}

TEST_F(SettingsTreeTest, AsRootNothingIsWrittenThroughAFolderAnotherUserLaid) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to lay folders and links of another user";
  constexpr uid_t kOther = 65534;
  LayFactory();
  std::vector<WarningRequest> told;
  SetWarningHandler([&](const WarningRequest& r) { told.push_back(r); });
  auto filesIn = [](const fs::path& folder) {
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder)) files += e.is_directory() ? 0 : 1;
    return files;
  };
  // Another user's folder, and a configuration folder that anyone can write (as /tmp).
  const fs::path victim = root / "victim";
  fs::create_directories(victim / "deeper");
  ASSERT_EQ(::chown(victim.c_str(), kOther, kOther), 0);
  ASSERT_EQ(::chown((victim / "deeper").c_str(), kOther, kOther), 0);
  const fs::path open = root / "open";
  fs::create_directories(open);
  ASSERT_EQ(::chmod(open.c_str(), 01777), 0);

  // Their link in place of the per-user folder: nothing is made, copied or written there.
  fs::create_symlink(victim, open / "ovk-dovaru");
  ASSERT_EQ(::lchown((open / "ovk-dovaru").c_str(), kOther, kOther), 0);
  const SettingsTreeLocation where = LocateSettingsTree((root / "bin").string(), "../share/skins", open.string());
  ASSERT_EQ(where.settingsDir, (open / "ovk-dovaru/skins").string());
  EXPECT_FALSE(SeedSettingsTree(where.skinsDir, where.settingsDir));
  SetSkinsPaths(where.skinsDir, where.settingsDir);
  g_language = 1;
  SetLanguagePaths();
  EXPECT_FALSE(ini::WriteString(g_configIniPath, "Init", "CurConfig", "0"));
  EXPECT_FALSE(CopyFolder(FactoryConfigDir(), g_configDir));
  EXPECT_FALSE(CreateEmptyFile(g_macroDir + "G.dat"));
  EXPECT_EQ(filesIn(victim), 0);
  ASSERT_FALSE(told.empty());
  EXPECT_NE(told.back().text.find(g_macroDir + "G.dat"), std::string::npos) << told.back().text;

  // Deeper down: a per-user tree of root's own, with their link for the macro folder.
  fs::remove(open / "ovk-dovaru");
  const fs::path own = root / "own";
  fs::create_directories(own / "ovk-dovaru/skins/1_INI_EN");
  fs::create_symlink(victim / "deeper", own / "ovk-dovaru/skins/1_INI_EN/macro");
  ASSERT_EQ(::lchown((own / "ovk-dovaru/skins/1_INI_EN/macro").c_str(), kOther, kOther), 0);
  const std::string ownTree = (own / "ovk-dovaru/skins").string();
  SeedSettingsTree(where.skinsDir, ownTree);
  EXPECT_FALSE(ini::WriteString(ownTree + "/1_INI_EN/macro/A.dat", "Macros", "macroNum", "0"));
  EXPECT_EQ(filesIn(victim), 0);
  EXPECT_TRUE(fs::exists(ownTree + "/config/config.ini")) << "the rest of root's own tree is written";

  // Root's own link to root's own folder is followed.
  fs::remove(own / "ovk-dovaru/skins/1_INI_EN/macro");
  fs::create_directories(own / "library");
  fs::create_symlink(own / "library", own / "ovk-dovaru/skins/1_INI_EN/macro");
  EXPECT_TRUE(ini::WriteString(ownTree + "/1_INI_EN/macro/A.dat", "Macros", "macroNum", "0"));
  EXPECT_TRUE(fs::exists(own / "library/A.dat"));
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
