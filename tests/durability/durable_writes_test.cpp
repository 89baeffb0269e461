// What survives a power cut, two starts at once, and a file changed behind the
// program's back, seen through the file calls the writes make (file_call_spy.h).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "../download/download_fixture.h"
#include "device/settings_import.h"
#include "file_call_spy.h"
#include "platform/checked_folder.h"
#include "profile/settings_tree.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

struct stat StatOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st;
}

// Index of the first call after `from` that matches, or -1.
template <typename Match>
int Find(const std::vector<spy::Call>& calls, int from, Match match) {
  for (int i = std::max(from, 0); i < static_cast<int>(calls.size()); ++i)
    if (match(calls[static_cast<std::size_t>(i)])) return i;
  return -1;
}

// Whether each new name in `folder` is followed by a sync of the folder itself: only
// then does the rename reach the disk with the file.
void ExpectFolderSyncedAfterRenameOf(const fs::path& file) {
  const std::vector<spy::Call> calls = spy::Calls();
  const struct stat folder = StatOf(file.parent_path());
  const int renamed = Find(calls, 0, [&](const spy::Call& c) { return c.what == "rename" && c.path == file.string(); });
  ASSERT_GE(renamed, 0) << file << " was not renamed into place";
  const int synced = Find(calls, renamed + 1, [&](const spy::Call& c) {
    return c.what == "fsync" && c.folder && c.device == folder.st_dev && c.inode == folder.st_ino;
  });
  EXPECT_GE(synced, 0) << "the folder of " << file << " is not synced after the rename";
}

class DurableWrites : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    spy::Reset();
  }
  void TearDown() override {
    spy::Reset();
    DownloadTest::TearDown();
  }
};

}  // namespace

TEST_F(DurableWrites, EveryReplaceAndNewFileSyncsItsFolderAfterTheRename) {
  const fs::path folder = root / "skins" / "config";
  const std::string ini = (folder / "config.ini").string();
  ASSERT_TRUE(ini::WriteString(ini, "Init", "CurConfig", "1")) << ini::LastWriteError();
  ExpectFolderSyncedAfterRenameOf(ini);

  spy::Reset();
  const platform::CheckedFolder checked = platform::CheckedFolder::Open(folder.string());
  ASSERT_TRUE(checked) << checked.Refusal();
  ASSERT_EQ(checked.CreateFile("new.dat", [](int fd) { return ::write(fd, "x", 1) == 1; }), "");
  ExpectFolderSyncedAfterRenameOf(folder / "new.dat");
}

// Two starts seed the user's folder at once: the one that comes second keeps the
// first one's file, which may already hold the user's first change.
TEST_F(DurableWrites, ASeedThatComesSecondKeepsTheFileTheFirstMade) {
  const fs::path factory = root / "factory";
  const fs::path mine = root / "mine";
  fs::create_directories(factory / "config");
  WriteAll(factory / "config/config.ini", "[Init]\nCurConfig=0\n");
  WriteAll(factory / "config/constMacro.dat", "factory macros");
  fs::create_directories(mine / "config");
  // While this start writes its copy, the other one puts its own in place.
  spy::Arm("fdatasync", "config.ini.tmp.", [&] { WriteAll(mine / "config/config.ini", "[Init]\nCurConfig=3\n"); });

  EXPECT_TRUE(SeedSettingsTree(factory.string(), mine.string()));
  EXPECT_EQ(ReadAll(mine / "config/config.ini"), "[Init]\nCurConfig=3\n");
  EXPECT_EQ(ReadAll(mine / "config/constMacro.dat"), "factory macros");
  for (const fs::directory_entry& entry : fs::directory_iterator(mine / "config"))
    EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
}

// The file chosen for an import is changed after it was checked (by another program,
// or swapped on purpose): what reaches config.ini is what was checked.
TEST_F(DurableWrites, AnImportTakesTheSettingsItCheckedNotWhatTheFileHoldsLater) {
  const std::string factory = ReadAll(MC_SOURCE_DIR "/skins/config/config.ini");
  WriteAll(g_configIniPath, factory);
  ini::ClearCache();
  LoadDeviceDescription();
  LoadSettingsProfiles(g_configIniPath);
  std::string chosen = factory;
  const std::string bright = "LED_BRIGHT=0";
  chosen.replace(chosen.find(bright), bright.size(), "LED_BRIGHT=5");
  std::string unfit = factory;
  unfit.replace(unfit.find("[Config0]\nK0=1"), 14, "[Config0]\nK0=2");  // no left click
  const fs::path path = root / "chosen.ini";
  WriteAll(path, chosen);
  // Any second look at the file finds the set the mouse could not take.
  spy::Arm("open", path.string(), [] {});
  spy::Arm("open", path.string(), [&] { WriteAll(path, unfit); });

  EXPECT_TRUE(ImportSettingsFile(path.string()));
  EXPECT_TRUE(ReadAll(g_configIniPath) == chosen) << "config.ini holds what was checked";
  EXPECT_EQ(g_keyFunc[0][0], 1) << "the tables hold what was checked";
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(g_configIniPath).parent_path()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
}
