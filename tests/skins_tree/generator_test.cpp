// The data generator on a copy of the sources: a rebuild keeps what the program changed
// in the tree, a changed source refreshes it, and faulty sources stop the build.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tree_util.h"

namespace fs = std::filesystem;

namespace {

class DataGenerator : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("skins_gen_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root);
    fs::copy(fs::path(MC_SOURCE_DIR) / "skins", root / "src", fs::copy_options::recursive);
  }
  void TearDown() override { fs::remove_all(root); }

  int Run(bool fresh = false) {
    std::string cmd = std::string("\"") + SKINGEN_DATA + "\" --src \"" + (root / "src").string() + "\" --out \"" +
                      (root / "out").string() + "\"" + (fresh ? " --fresh" : "") + " > \"" +
                      (root / "log.txt").string() + "\" 2>&1";
    int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Log() const { return tree::ReadText((root / "log.txt").string()); }
  std::string Out(const std::string& rel) const { return (root / "out" / rel).string(); }
  void Write(const fs::path& path, const std::string& text, bool append = false) {
    std::ofstream(path, append ? std::ios::app : std::ios::trunc) << text;
  }
  // Moves a file's time stamp into the future, as an edit after the last build would.
  static void MakeNewer(const fs::path& path) {
    fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::seconds(5));
  }

  fs::path root;
};

TEST_F(DataGenerator, RebuildKeepsWhatTheProgramChanged) {
  ASSERT_EQ(Run(), 0) << Log();
  // The user adds a group, edits a preset and changes a setting.
  Write(Out("1_INI_EN/macro/Mine.dat"), "[Init]\nDAT_VER=3\n");
  Write(Out("1_INI_EN/macro/macroGrp.ini"), "[MACRO_GROUP_NUM]\nmacGrpNum=3\n");
  Write(Out("1_INI_EN/PUBG.dat"), "edited");
  Write(Out("config/config.ini"), "[Init]\nCurConfig=2\n", true);
  const std::string layout = tree::ReadText(Out("1_INI_EN/skin_main.ini"));
  Write(Out("1_INI_EN/skin_main.ini"), "broken");
  ASSERT_EQ(Run(), 0) << Log();
  EXPECT_TRUE(fs::exists(Out("1_INI_EN/macro/Mine.dat")));
  EXPECT_TRUE(tree::ReadText(Out("1_INI_EN/macro/macroGrp.ini")) == "[MACRO_GROUP_NUM]\nmacGrpNum=3\n");
  EXPECT_TRUE(tree::ReadText(Out("1_INI_EN/PUBG.dat")) == "edited");
  EXPECT_NE(tree::ReadText(Out("config/config.ini")).find("CurConfig=2"), std::string::npos);
  // Files the program only reads are always put back.
  EXPECT_TRUE(tree::ReadText(Out("1_INI_EN/skin_main.ini")) == layout);
}

TEST_F(DataGenerator, ChangedSourceRefreshesItsFilesOnly) {
  ASSERT_EQ(Run(), 0) << Log();
  Write(Out("1_INI_EN/macro/Mine.dat"), "x");
  Write(Out("1_INI_EN/PUBG.dat"), "edited");
  MakeNewer(root / "src/macros/library.txt");
  ASSERT_EQ(Run(), 0) << Log();
  // The library is the factory one again; the presets were not touched by that change.
  EXPECT_FALSE(fs::exists(Out("1_INI_EN/macro/Mine.dat")));
  EXPECT_TRUE(tree::ReadText(Out("1_INI_EN/macro/macroGrp.ini")) ==
              tree::ReadText(Out("1_INI_EN/macroReset/macroGrp.ini")));
  EXPECT_TRUE(tree::ReadText(Out("1_INI_EN/PUBG.dat")) == "edited");
  ASSERT_EQ(Run(true), 0) << Log();
  EXPECT_TRUE(tree::ReadText(Out("1_INI_EN/PUBG.dat")) != "edited");
}

TEST_F(DataGenerator, FaultySourcesStopTheBuild) {
  struct Fault {
    const char* file;
    const char* append;
    const char* expect;  // part of the message
  };
  const Fault faults[] = {
      {"text/CN/captions.ini", "\n[skin_main.ini]\n18=OVK,X\n", "comma"},
      {"text/CN/captions.ini", "\n[skin_mac.ini]\n99=多余\n", "names no entry"},
      {"macros/library.txt", "\nmacro Broken\n  down NoSuchKey 20\n", "unknown key"},
      {"macros/library.txt", "\ngroup Bad/Name\n", "file name"},
      {"macros/presets.txt", "\npreset Far\n  move 0 250 10\n", "at most 100"},
      {"layout/skin_keyset.ini", "\n[BUTTONPOS]\n4=button,1,2,3\n", "six fields"},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.file + std::string(": ") + f.append);
    fs::remove_all(root / "src");
    fs::copy(fs::path(MC_SOURCE_DIR) / "skins", root / "src", fs::copy_options::recursive);
    Write(root / "src" / f.file, f.append, true);
    EXPECT_EQ(Run(), 1);
    EXPECT_NE(Log().find(f.expect), std::string::npos) << Log();
  }
}

}  // namespace
