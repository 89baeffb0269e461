// The factory tree that is read in place of an unusable settings folder takes no
// write, whatever writes (the INI files, the private folders), and only that tree.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/ini_file.h"
#include "platform/write_guard.h"

namespace fs = std::filesystem;

TEST(UnusableSettingsFolder, TheTreeReadInItsPlaceTakesNoWrite) {
  const std::string tree = (fs::temp_directory_path() / ("factory_" + std::to_string(::getpid()))).string();
  fs::create_directories(tree + "-mine");
  platform::RefuseWritesUnder(tree, "the settings folder cannot be used");
  EXPECT_FALSE(ini::WriteString(tree + "/config/configReset.ini", "Init", "CurConfig", "2"));
  EXPECT_EQ(ini::LastWriteError(), "the settings folder cannot be used");
  EXPECT_EQ(platform::MakePrivateFolders(tree + "/1_INI_EN/macro"), "the settings folder cannot be used");
  EXPECT_FALSE(fs::exists(tree));
  // A folder whose name only starts with the tree's is another folder.
  EXPECT_TRUE(ini::WriteString(tree + "-mine/config.ini", "Init", "CurConfig", "2"));
  fs::remove_all(tree + "-mine");
}
