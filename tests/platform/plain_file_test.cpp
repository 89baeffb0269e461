// Whole-file reads that must never stall on, or take, what is not a plain file.
#include "platform/plain_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using platform::PlainFileRead;

namespace {

class PlainFileTest : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("plain_file_" + std::to_string(::getpid()));
  void SetUp() override { fs::create_directories(dir); }
  void TearDown() override { fs::remove_all(dir); }
  fs::path Write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return dir / name;
  }
};

TEST_F(PlainFileTest, APlainFileIsReadWholeWithinItsBoundAndNothingElseIsTaken) {
  std::string bytes = "left over";
  EXPECT_EQ(platform::ReadPlainFile(Write("a", "12345").string(), 5, bytes), PlainFileRead::Read);
  EXPECT_EQ(bytes, "12345");
  EXPECT_EQ(platform::ReadPlainFile(Write("b", "123456").string(), 5, bytes), PlainFileRead::TooLarge);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(platform::ReadPlainFile((dir / "none").string(), 5, bytes), PlainFileRead::Missing);
  EXPECT_EQ(platform::ReadPlainFile((dir / "a" / "x").string(), 5, bytes), PlainFileRead::Missing);
  EXPECT_EQ(platform::ReadPlainFile(dir.string(), 5, bytes), PlainFileRead::NotPlain);
  EXPECT_EQ(platform::ReadPlainFile("/dev/zero", 5, bytes), PlainFileRead::NotPlain);
  EXPECT_TRUE(bytes.empty());
}

TEST_F(PlainFileTest, AFifoWithNoWriterIsRefusedAtOnce) {
  const fs::path fifo = dir / "image.jpg";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string bytes;
  // A blocking open would wait here for a writer that never comes.
  EXPECT_EQ(platform::ReadPlainFile(fifo.string(), 1 << 20, bytes), PlainFileRead::NotPlain);
  EXPECT_EQ(platform::ProbePlainFile(fifo.string(), 1 << 20), PlainFileRead::NotPlain);
  EXPECT_STREQ(platform::PlainFileReadText(PlainFileRead::NotPlain), "is not a plain file");
}

TEST_F(PlainFileTest, ALinkIsFollowedUnlessLinksAreRefused) {
  fs::create_symlink(Write("target", "abc"), dir / "link");
  std::string bytes;
  EXPECT_EQ(platform::ReadPlainFile((dir / "link").string(), 5, bytes), PlainFileRead::Read);
  EXPECT_EQ(bytes, "abc");
  EXPECT_EQ(platform::ReadPlainFile((dir / "link").string(), 5, bytes, platform::LinkUse::Refuse),
            PlainFileRead::NotPlain);
}

}  // namespace
