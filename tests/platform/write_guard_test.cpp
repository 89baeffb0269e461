// The way to a folder the program writes in, laid with real folders and links: every
// folder and link on it is judged from "/", and writes land in the folder that was
// judged, never through what replaced it afterwards.
#include "platform/write_guard.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/checked_folder.h"
#include "platform/ini_file.h"
#include "tests/support/run_as_nobody.h"

namespace fs = std::filesystem;

namespace {

using testsupport::kNobody;
constexpr uid_t kThirdUser = 4321;

class WriteGuardTest : public ::testing::Test {
 protected:
  fs::path root;

  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to lay folders and links of other users";
    static int counter = 0;
    root = fs::temp_directory_path() / ("write_guard_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    Folder(root);
  }
  void TearDown() override {
    if (!root.empty()) fs::remove_all(root);
  }

  static fs::path Folder(const fs::path& path, uid_t owner = 0, mode_t mode = 0755, gid_t group = 0) {
    fs::create_directories(path);
    EXPECT_EQ(::chown(path.c_str(), owner, group), 0);
    EXPECT_EQ(::chmod(path.c_str(), mode), 0);
    return path;
  }
  static fs::path Link(const fs::path& target, const fs::path& at, uid_t owner = 0) {
    fs::create_symlink(target, at);
    EXPECT_EQ(::lchown(at.c_str(), owner, owner), 0);
    return at;
  }
  static void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static bool Says(const std::string& refusal, const std::string& words) {
    return refusal.find(words) != std::string::npos;
  }
};

}  // namespace

TEST_F(WriteGuardTest, AsRootAWayThroughAnotherUsersFolderIsRefused) {
  // sudo -E keeps the user's XDG_CONFIG_HOME: root would write into the user's folders,
  // where the user can swap what root is about to write through.
  Folder(root / "home");
  const fs::path home = Folder(root / "home/user", kNobody);
  const fs::path config = Folder(home / ".config", kNobody);
  const fs::path rootsInside = Folder(home / "kept");
  const std::string theirs = home.string() + " is a folder of another user";
  EXPECT_PRED2(Says, platform::FolderWriteRefusal((config / "ovk-dovaru").string()), theirs);
  EXPECT_PRED2(Says, platform::FolderWriteRefusal(rootsInside.string()), theirs);
  EXPECT_FALSE(platform::MakePrivateFolders((config / "ovk-dovaru/skins").string()).empty());
  EXPECT_FALSE(fs::exists(config / "ovk-dovaru"));
  EXPECT_FALSE(ini::WriteString((rootsInside / "config.ini").string(), "Init", "CurConfig", "0"));
  EXPECT_FALSE(fs::exists(rootsInside / "config.ini"));

  // The user's own way, run as the user, is theirs to write.
  const auto asUser = [&] { return platform::FolderWriteRefusal((config / "ovk-dovaru").string()); };
  EXPECT_EQ(testsupport::RunAsNobody(asUser), "");
}

TEST_F(WriteGuardTest, EveryLinkOfAChainIsJudgedAndSoAreLinksInsideALinksTarget) {
  const fs::path system = Folder(root / "system");
  Folder(system / "sub");
  Write(system / "passwd", "system file\n");
  const fs::path shared = Folder(root / "shared");
  Link(system, shared / "theirs", kNobody);
  Link(system / "passwd", shared / "theirs.ini", kNobody);
  const fs::path mine = Folder(root / "mine");

  // root's link -> nobody's link -> a system folder.
  Link(shared / "theirs", mine / "settings");
  EXPECT_PRED2(Says, platform::FolderWriteRefusal((mine / "settings").string()),
               (shared / "theirs").string() + " is a symbolic link of another user");
  EXPECT_FALSE(ini::WriteString((mine / "settings/passwd").string(), "S", "K", "1"));
  // root's link whose text passes through nobody's link.
  Link(shared / "theirs/sub", mine / "deeper");
  EXPECT_FALSE(platform::FolderWriteRefusal((mine / "deeper").string()).empty());
  EXPECT_FALSE(ini::WriteString((mine / "deeper/x.ini").string(), "S", "K", "1"));
  // The same chain at the file: root's config.ini -> nobody's link -> a system file.
  Link(shared / "theirs.ini", mine / "config.ini");
  EXPECT_FALSE(ini::WriteString((mine / "config.ini").string(), "S", "K", "1"));
  EXPECT_PRED2(Says, ini::LastWriteError(), "another user");
  EXPECT_EQ(Read(system / "passwd"), "system file\n");
  EXPECT_FALSE(fs::exists(system / "sub/x.ini"));

  // A chain of root's own links is followed.
  Link(system, shared / "own");
  Link(shared / "own", mine / "own");
  EXPECT_TRUE(ini::WriteString((mine / "own/sub/x.ini").string(), "S", "K", "1")) << ini::LastWriteError();
  EXPECT_EQ(Read(system / "sub/x.ini"), "[S]\nK=1\n");
}

TEST_F(WriteGuardTest, ForEveryUserAFolderOthersCanWriteIsRefusedUnlessItIsSticky) {
  const fs::path open = Folder(root / "open", 0, 0777);
  const fs::path settings = Folder(open / "settings", kNobody, 0700);
  const fs::path home = Folder(root / "home", kNobody);
  Link(settings, home / ".config");  // root's link, into the open folder
  const fs::path sticky = Folder(root / "sticky", 0, 01777);
  const fs::path ownInSticky = Folder(sticky / "own", kNobody, 0700);
  const fs::path otherInSticky = Folder(sticky / "other", kThirdUser, 0777);
  const fs::path ownGroup = Folder(root / "team", kNobody, 0775, kNobody);
  const fs::path otherGroup = Folder(root / "crew", kNobody, 0775, kThirdUser);

  const std::string asNobody = testsupport::RunAsNobody([&] {
    std::string wrong;
    auto expect = [&](bool ok, const char* what) { wrong += ok ? "" : std::string(what) + "; "; };
    expect(Says(platform::FolderWriteRefusal(settings.string()), "other users can write"), "open folder taken");
    expect(!ini::WriteString((home / ".config/x.ini").string(), "S", "K", "1"), "written through root's link");
    expect(!fs::exists(settings / "x.ini"), "a file in the open folder");
    expect(ini::WriteString((ownInSticky / "x.ini").string(), "S", "K", "1"), "own folder in a sticky one refused");
    expect(Says(platform::FolderWriteRefusal(otherInSticky.string()), "another user"), "other's folder taken");
    expect(platform::FolderWriteRefusal(ownGroup.string()).empty(), "folder of the own group refused");
    expect(Says(platform::FolderWriteRefusal(otherGroup.string()), "other users can write"), "other group taken");
    return wrong;
  });
  EXPECT_EQ(asNobody, "");
}

TEST_F(WriteGuardTest, AFolderSwappedForALinkAfterItsCheckStillTakesTheWrites) {
  const fs::path checked = Folder(root / "settings");
  const fs::path elsewhere = Folder(root / "elsewhere");
  const platform::CheckedFolder folder = platform::CheckedFolder::Open(checked.string());
  ASSERT_TRUE(folder) << folder.Refusal();

  fs::rename(checked, root / "moved");
  Link(elsewhere, checked);  // even root's own link: the write stays where the check was
  EXPECT_EQ(folder.ReplaceFile("config.ini", std::string_view("new")), "");
  const platform::CheckedFolder macro = folder.Subfolder("macro", platform::MissingFolders::Make);
  ASSERT_TRUE(macro) << macro.Refusal();
  EXPECT_EQ(macro.ReplaceFile("A.dat", std::string_view("a")), "");
  EXPECT_EQ(folder.Rename("config.ini", "config.ini.old"), "");

  EXPECT_EQ(Read(root / "moved/config.ini.old"), "new");
  EXPECT_EQ(Read(root / "moved/macro/A.dat"), "a");
  EXPECT_TRUE(fs::is_empty(elsewhere));
  // A name that would lead out of the folder is no name in it.
  EXPECT_FALSE(folder.ReplaceFile("../x", std::string_view("x")).empty());
  EXPECT_FALSE(fs::exists(root / "x"));
}

TEST_F(WriteGuardTest, AReplacementNeverWritesIntoAFilePlantedUnderItsTemporaryName) {
  const fs::path dir = Folder(root / "d");
  const fs::path victim = Folder(root / "v") / "victim";
  Write(victim, "precious");
  Write(dir / "config.ini", "[S]\nK=1\n");
  // Every name a writer could guess from the pid is taken first: by a hard link to
  // another file, by another user's link, by plain files.
  const std::string temporary = (dir / "config.ini.tmp.").string() + std::to_string(::getpid()) + ".";
  fs::create_hard_link(victim, temporary + "0");
  Link(victim, temporary + "1", kNobody);
  for (int n = 2; n < 1000; ++n) Write(temporary + std::to_string(n), "taken");

  EXPECT_TRUE(ini::WriteString((dir / "config.ini").string(), "S", "K", "2")) << ini::LastWriteError();
  EXPECT_EQ(Read(dir / "config.ini"), "[S]\nK=2\n");
  EXPECT_EQ(Read(victim), "precious");
  EXPECT_EQ(fs::hard_link_count(victim), 2u);
  EXPECT_TRUE(fs::is_symlink(temporary + "1"));
  EXPECT_EQ(Read(temporary + "999"), "taken");
}

TEST_F(WriteGuardTest, ATreeRefusedForWritesIsRefusedByEveryWayToIt) {
  const fs::path tree = Folder(root / "factory");
  Folder(tree / "config");
  Folder(root / "other");
  const fs::path mine = Folder(root / "factory-mine");
  Link(tree, root / "alias");
  Link(tree / "config", root / "deep");
  platform::RefuseWritesUnder(tree.string(), "the factory tree is read in place");

  for (const fs::path& way : {root / "alias/config", root / "deep", root / "other/../alias/config",
                              root / "deep/../config"}) {
    EXPECT_EQ(platform::FolderWriteRefusal(way.string()), "the factory tree is read in place") << way;
    EXPECT_FALSE(ini::WriteString((way / "config.ini").string(), "S", "K", "1")) << way;
    EXPECT_EQ(platform::MakePrivateFolders((way / "macro").string()), "the factory tree is read in place") << way;
  }
  const platform::CheckedFolder above = platform::CheckedFolder::Open(root.string());
  ASSERT_TRUE(above) << above.Refusal();
  EXPECT_FALSE(above.Subfolder("alias", platform::MissingFolders::Refuse));
  EXPECT_FALSE(above.Subfolder("factory", platform::MissingFolders::Refuse));
  EXPECT_TRUE(fs::is_empty(tree / "config"));
  EXPECT_FALSE(fs::exists(tree / "macro"));
  // Folders beside the tree are not in it.
  EXPECT_TRUE(ini::WriteString((mine / "config.ini").string(), "S", "K", "1")) << ini::LastWriteError();
  EXPECT_TRUE(ini::WriteString((root / "other/config.ini").string(), "S", "K", "1")) << ini::LastWriteError();
}

// Without a working folder a relative path has no place: taking it from "/" would write
// into the root folder.
TEST(WriteGuard, ARelativePathWithoutAWorkingFolderIsRefused) {
  const fs::path gone = fs::temp_directory_path() / ("gone_" + std::to_string(::getpid()));
  fs::create_directories(gone);
  const fs::path before = fs::current_path();
  ASSERT_EQ(::chdir(gone.c_str()), 0);
  fs::remove(gone);
  const std::string refusal = platform::MakePrivateFolders("ovk-dovaru-relative/skins");
  const bool written = ini::WriteString("ovk-dovaru-relative.ini", "S", "K", "1");
  const std::string writeError = ini::LastWriteError();
  ASSERT_EQ(::chdir(before.c_str()), 0);
  std::error_code error;
  const bool leaked = fs::exists("/ovk-dovaru-relative.ini", error) || fs::exists("/ovk-dovaru-relative", error);
  fs::remove("/ovk-dovaru-relative.ini", error);
  fs::remove_all("/ovk-dovaru-relative", error);

  EXPECT_NE(refusal.find("the working folder cannot be found"), std::string::npos) << refusal;
  EXPECT_FALSE(written);
  EXPECT_NE(writeError.find("the working folder cannot be found"), std::string::npos) << writeError;
  EXPECT_FALSE(leaked) << "written from /";
}
