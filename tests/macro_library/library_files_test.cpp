#include "profile/library_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "library_fixture.h"

namespace {

class LibraryFilesTest : public LibraryTest {
 protected:
  std::string Dir(const std::string& name) {
    fs::path p = root / name;
    fs::create_directories(p);
    return p.string();
  }
};

TEST_F(LibraryFilesTest, CreateEmptyFileTruncatesAndReplacesLinksWithoutFollowingThem) {
  const std::string dir = Dir("d");
  const std::string outside = Dir("outside") + "/keep.txt";
  WriteText(outside, "precious");
  WriteText(dir + "/old.dat", "old content");

  EXPECT_TRUE(CreateEmptyFile(dir + "/old.dat"));
  EXPECT_EQ(fs::file_size(dir + "/old.dat"), 0u);

  fs::create_symlink(outside, dir + "/link.dat");
  EXPECT_TRUE(CreateEmptyFile(dir + "/link.dat"));
  EXPECT_FALSE(fs::is_symlink(dir + "/link.dat"));
  EXPECT_EQ(ReadText(outside), "precious");
  EXPECT_TRUE(tips.empty());

  EXPECT_FALSE(CreateEmptyFile(dir + "/no/such/folder.dat"));
  EXPECT_EQ(tips, std::vector<int>{6});
}

TEST_F(LibraryFilesTest, CopyFolderCopiesTreesAndOverwrites) {
  const std::string src = Dir("src");
  fs::create_directories(src + "/sub/deeper");
  WriteText(src + "/a.dat", "A");
  WriteText(src + "/sub/b.dat", "B");
  WriteText(src + "/sub/deeper/c.dat", "C");
  const std::string dst = (root / "dst").string();
  fs::create_directories(dst);
  WriteText(dst + "/a.dat", "stale and longer");
  WriteText(dst + "/extra.dat", "kept");

  EXPECT_TRUE(CopyFolder(src, dst));
  EXPECT_EQ(ReadText(dst + "/a.dat"), "A");
  EXPECT_EQ(ReadText(dst + "/sub/b.dat"), "B");
  EXPECT_EQ(ReadText(dst + "/sub/deeper/c.dat"), "C");
  EXPECT_EQ(ReadText(dst + "/extra.dat"), "kept");
  // No temporary files are left behind.
  int entries = 0;
  for (auto& e : fs::directory_iterator(dst)) entries += e.path().filename().string()[0] == '.' ? 100 : 1;
  EXPECT_EQ(entries, 3);
}

TEST_F(LibraryFilesTest, CopyFolderNeverFollowsLinksOutOfTheSource) {
  const std::string src = Dir("src");
  const std::string secret = Dir("secret");
  WriteText(secret + "/key.txt", "secret");
  WriteText(src + "/real.dat", "R");
  fs::create_symlink(secret + "/key.txt", src + "/leak.dat");
  fs::create_symlink(secret, src + "/leakdir");
  fs::create_symlink(src + "/real.dat", src + "/alias.dat");
  fs::create_symlink(src, src + "/loop");

  const std::string dst = (root / "dst").string();
  CopyFolder(src, dst);
  EXPECT_EQ(ReadText(dst + "/real.dat"), "R");
  EXPECT_EQ(ReadText(dst + "/alias.dat"), "R");  // a link inside the source is copied as its file
  EXPECT_FALSE(fs::exists(fs::symlink_status(dst + "/leak.dat")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dst + "/leakdir")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dst + "/loop")));
}

TEST_F(LibraryFilesTest, CopyFolderWritesOverALinkInTheTargetInsteadOfThroughIt) {
  const std::string src = Dir("src");
  const std::string dst = Dir("dst");
  const std::string outside = Dir("outside");
  WriteText(src + "/a.dat", "new");
  WriteText(outside + "/victim.txt", "victim");
  fs::create_symlink(outside + "/victim.txt", dst + "/a.dat");
  fs::create_directories(src + "/sub");
  WriteText(src + "/sub/b.dat", "B");
  fs::create_symlink(outside, dst + "/sub");

  EXPECT_TRUE(CopyFolder(src, dst));
  EXPECT_EQ(ReadText(outside + "/victim.txt"), "victim");
  EXPECT_FALSE(fs::exists(outside + "/b.dat"));
  EXPECT_FALSE(fs::is_symlink(dst + "/a.dat"));
  EXPECT_EQ(ReadText(dst + "/a.dat"), "new");
  EXPECT_EQ(ReadText(dst + "/sub/b.dat"), "B");
}

TEST_F(LibraryFilesTest, DeleteFolderTreeEmptiesTheFolderAndLeavesLinkTargetsAlone) {
  const std::string dir = Dir("lib");
  const std::string outside = Dir("outside");
  WriteText(outside + "/keep.txt", "keep");
  fs::create_directories(dir + "/sub/deeper");
  WriteText(dir + "/a.dat", "A");
  WriteText(dir + "/sub/deeper/b.dat", "B");
  fs::create_symlink(outside, dir + "/linkdir");
  fs::create_symlink(outside + "/keep.txt", dir + "/link.txt");

  EXPECT_TRUE(DeleteFolderTree(dir));
  EXPECT_TRUE(fs::is_directory(dir));
  EXPECT_TRUE(fs::is_empty(dir));
  EXPECT_EQ(ReadText(outside + "/keep.txt"), "keep");
  EXPECT_TRUE(DeleteFolderTree((root / "missing").string()));
}

TEST_F(LibraryFilesTest, CopyFileReplacingOntoItselfKeepsTheFile) {
  const std::string dir = Dir("d");
  WriteText(dir + "/a.dat", "content");
  EXPECT_TRUE(CopyFileReplacing(dir + "/a.dat", dir + "/../d/a.dat"));
  EXPECT_EQ(ReadText(dir + "/a.dat"), "content");
  EXPECT_FALSE(CopyFileReplacing(dir + "/missing.dat", dir + "/b.dat"));
  EXPECT_FALSE(fs::exists(dir + "/b.dat"));
  EXPECT_FALSE(CopyFileReplacing(dir, dir + "/c.dat"));  // a folder is no file
  ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0600), 0);
  EXPECT_FALSE(CopyFileReplacing(dir + "/pipe", dir + "/d.dat"));  // returns instead of blocking
}

struct NameCase {
  const char* name;
  bool plain;
};

class PlainFileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(PlainFileNameTest, Classifies) { EXPECT_EQ(IsPlainFileName(GetParam().name), GetParam().plain); }

INSTANTIATE_TEST_SUITE_P(Names, PlainFileNameTest,
                         ::testing::Values(NameCase{"Group.dat", true}, NameCase{"宏组 1", true},
                                           NameCase{"..dat", true}, NameCase{"", false}, NameCase{".", false},
                                           NameCase{"..", false}, NameCase{"../evil", false},
                                           NameCase{"a/b", false}, NameCase{"a\\b", false},
                                           NameCase{"tab\there", false}, NameCase{"line\nbreak", false},
                                           NameCase{"\xff\xfe", false}, NameCase{"\xc0\xaf", false}));

TEST(PlainFileNameLength, LimitIs255Bytes) {
  EXPECT_TRUE(IsPlainFileName(std::string(255, 'a')));
  EXPECT_FALSE(IsPlainFileName(std::string(256, 'a')));
}

TEST(FileNamePartTest, TakesTheLastComponent) {
  EXPECT_EQ(FileNamePart("/a/b/c.dat"), "c.dat");
  EXPECT_EQ(FileNamePart("c.dat"), "c.dat");
  EXPECT_EQ(FileNamePart("/a/b/"), "");
  EXPECT_EQ(FileNamePart("../../x.dat"), "x.dat");
}

}  // namespace
