// Files as hands and crashes leave them: quoted values, old Mac line ends, temporary
// files of a killed save; and the writes that must not reach a file through a planted
// link or a folder that other users can write.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/ini_file.h"

namespace fs = std::filesystem;

namespace {

struct Dir {
  fs::path path;
  Dir() {
    static int counter = 0;
    path = fs::temp_directory_path() / ("ini_hand_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    fs::create_directories(path);
  }
  ~Dir() { fs::remove_all(path); }
  std::string File(const std::string& name) const { return (path / name).string(); }
};

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  ini::ClearCache();
}

std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The pid of a process that has ended.
pid_t EndedPid() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

constexpr uid_t kOtherUser = 65534;

}  // namespace

TEST(IniHandEdited, QuotesAndLineEndsReadAsTheUserMeantThem) {
  Dir dir;
  const std::string f = dir.File("q.ini");
  Put(f, "[ShareData]\rDPI_LEVEL=\"4\"\rNAME='a b'\rHALF=\"4\rEMPTY=\"\"\rMIXED=\"x'\r[Next]\r\nK=1\n");
  EXPECT_EQ(ini::ReadInt(f, "ShareData", "DPI_LEVEL", 5), 4);
  EXPECT_EQ(ini::ReadString(f, "ShareData", "NAME", 10), "a b");
  EXPECT_EQ(ini::ReadString(f, "ShareData", "HALF", 10), "\"4");
  EXPECT_EQ(ini::ReadString(f, "ShareData", "EMPTY", 10), "");
  EXPECT_EQ(ini::ReadString(f, "ShareData", "MIXED", 10), "\"x'");
  EXPECT_EQ(ini::ReadString(f, "Next", "K", 10), "1");
  // The quotes do not take room of the buffer.
  Put(f, "[S]\rV=\"1234\"\r");
  EXPECT_EQ(ini::ReadInt(f, "S", "V", 5), 1234);

  // A write keeps the file's own line ends and every other line.
  EXPECT_TRUE(ini::WriteString(f, "S", "W", "2"));
  EXPECT_EQ(Get(f), "[S]\rV=\"1234\"\rW=2\r");
}

TEST(IniHandEdited, TemporaryFilesOfDeadWritersAreRemovedOthersKept) {
  Dir dir;
  fs::create_directories(dir.path / "1_INI_EN" / "macro");
  const std::string dead = std::to_string(EndedPid());
  const std::string mine = std::to_string(::getpid());
  const std::string stale1 = dir.File("config.ini.tmp." + dead + ".0");
  const std::string stale2 = dir.File("1_INI_EN/macro/G.dat.tmp." + dead + ".17");
  const std::string live = dir.File("config.ini.tmp." + mine + ".3");
  const std::string user1 = dir.File("notes.tmp.txt");
  const std::string user2 = dir.File("config.ini.tmp.x.1");
  for (const std::string& f : {stale1, stale2, live, user1, user2}) Put(f, "x");
  EXPECT_EQ(ini::RemoveStaleTempFiles(dir.path.string()), 2);
  EXPECT_FALSE(fs::exists(stale1));
  EXPECT_FALSE(fs::exists(stale2));
  for (const std::string& f : {live, user1, user2}) EXPECT_TRUE(fs::exists(f)) << f;
}

TEST(IniWriteSafety, LinksAndOpenFoldersNeverLeadAWriteElsewhere) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant files of another user";
  Dir dir;
  // A link whose target belongs to another user is not written through.
  const std::string foreign = dir.File("foreign.ini");
  Put(foreign, "[S]\nK=1\n");
  ASSERT_EQ(::chown(foreign.c_str(), kOtherUser, kOtherUser), 0);
  fs::create_symlink(foreign, dir.File("link.ini"));
  EXPECT_FALSE(ini::WriteString(dir.File("link.ini"), "S", "K", "2"));
  EXPECT_EQ(Get(foreign), "[S]\nK=1\n");
  EXPECT_NE(ini::LastWriteError().find("another user"), std::string::npos) << ini::LastWriteError();

  // Run as root in a folder that anyone can write, a planted config.ini link to a
  // system file changes nothing, and neither does a plain file there.
  const fs::path open = dir.path / "open";
  fs::create_directories(open);
  ASSERT_EQ(::chmod(open.c_str(), 01777), 0);
  const std::string victim = dir.File("victim");
  Put(victim, "system file\n");
  const std::string planted = (open / "config.ini").string();
  fs::create_symlink(victim, planted);
  ASSERT_EQ(::lchown(planted.c_str(), kOtherUser, kOtherUser), 0);
  EXPECT_FALSE(ini::WriteString(planted, "Init", "CurConfig", "0"));
  EXPECT_EQ(Get(victim), "system file\n");
  EXPECT_TRUE(fs::is_symlink(planted));
  const std::string plain = (open / "plain.ini").string();
  EXPECT_FALSE(ini::WriteString(plain, "S", "K", "1"));
  EXPECT_FALSE(fs::exists(plain));
  EXPECT_NE(ini::LastWriteError().find("other users can write"), std::string::npos) << ini::LastWriteError();

  // The same folder closed again takes the write.
  ASSERT_EQ(::chmod(open.c_str(), 0755), 0);
  EXPECT_TRUE(ini::WriteString(plain, "S", "K", "1"));
  EXPECT_TRUE(ini::LastWriteError().empty());
}
