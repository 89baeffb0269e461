// One running instance per user: the lock, the restore channel, and what happens when
// the runtime folder or the socket are not what they should be.
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "platform/single_instance.h"

namespace {

using platform::SingleInstance;
using State = platform::SingleInstance::State;

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  std::string Dir() const { return dir_.path().toStdString(); }
  QTemporaryDir dir_;
};

TEST_F(SingleInstanceTest, SecondInstanceAsksTheFirstToRestore) {
  SingleInstance first("TestApp", Dir());
  ASSERT_EQ(first.Acquire(), State::First);
  ASSERT_GE(first.ListenFd(), 0);
  EXPECT_EQ(first.TakeRestoreRequests(), 0);

  SingleInstance second("TestApp", Dir());
  EXPECT_EQ(second.Acquire(), State::Second);
  EXPECT_EQ(second.ListenFd(), -1);
  EXPECT_TRUE(second.RequestRestore(500));
  EXPECT_TRUE(second.RequestRestore(500));
  EXPECT_EQ(first.TakeRestoreRequests(), 2);
  EXPECT_EQ(first.TakeRestoreRequests(), 0);
  EXPECT_EQ(second.Acquire(), State::Second) << "the state of the first call stays";
}

TEST_F(SingleInstanceTest, TheLockGoesWithTheFirstInstance) {
  std::optional<SingleInstance> first;
  first.emplace("TestApp", Dir());
  ASSERT_EQ(first->Acquire(), State::First);
  const std::string socketPath = first->SocketPath();
  first.reset();
  EXPECT_FALSE(std::filesystem::exists(socketPath)) << "the socket is removed at the end";

  SingleInstance next("TestApp", Dir());
  EXPECT_EQ(next.Acquire(), State::First);
}

TEST_F(SingleInstanceTest, SecondInstanceDoesNotRemoveTheFirstOnesSocket) {
  SingleInstance first("TestApp", Dir());
  ASSERT_EQ(first.Acquire(), State::First);
  { SingleInstance second("TestApp", Dir()); second.Acquire(); }
  SingleInstance third("TestApp", Dir());
  EXPECT_EQ(third.Acquire(), State::Second);
  EXPECT_TRUE(third.RequestRestore(500));
  EXPECT_EQ(first.TakeRestoreRequests(), 1);
}

TEST_F(SingleInstanceTest, StaleSocketOfACrashedInstanceIsReplaced) {
  // A socket file nobody listens on, as a killed instance leaves it.
  const std::string path = Dir() + "/TestApp";
  {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
  }
  SingleInstance first("TestApp", Dir());
  ASSERT_EQ(first.Acquire(), State::First);
  SingleInstance second("TestApp", Dir());
  ASSERT_EQ(second.Acquire(), State::Second);
  EXPECT_TRUE(second.RequestRestore(500));
  EXPECT_EQ(first.TakeRestoreRequests(), 1);
}

TEST_F(SingleInstanceTest, RestoreGivesUpWhenNobodyListens) {
  // The lock is held but the holder has no socket (it could not make one).
  SingleInstance holder("TestApp", Dir());
  ASSERT_EQ(holder.Acquire(), State::First);
  std::filesystem::remove(holder.SocketPath());
  SingleInstance second("TestApp", Dir());
  ASSERT_EQ(second.Acquire(), State::Second);
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_FALSE(second.RequestRestore(100));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));
}

TEST_F(SingleInstanceTest, RestoreWaitsForAFirstInstanceStillOpeningItsSocket) {
  SingleInstance holder("TestApp", Dir());
  ASSERT_EQ(holder.Acquire(), State::First);
  const std::string socketPath = holder.SocketPath();
  std::filesystem::remove(socketPath);  // as if not bound yet
  std::thread opener([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ::close(fd);
  });
  SingleInstance second("TestApp", Dir());
  ASSERT_EQ(second.Acquire(), State::Second);
  EXPECT_TRUE(second.RequestRestore(1000));
  opener.join();
}

TEST_F(SingleInstanceTest, UnusableRuntimeFolderRunsUnguarded) {
  SingleInstance missing("TestApp", Dir() + "/does/not/exist");
  EXPECT_EQ(missing.Acquire(), State::Unguarded);
  EXPECT_EQ(missing.ListenFd(), -1);
  EXPECT_FALSE(missing.RequestRestore(50));

  // A link where the lock file belongs is not followed.
  std::ofstream(Dir() + "/target") << "x";
  std::filesystem::create_symlink(Dir() + "/target", Dir() + "/Linked.lock");
  SingleInstance linked("Linked", Dir());
  EXPECT_EQ(linked.Acquire(), State::Unguarded);
}

TEST_F(SingleInstanceTest, SocketPathTooLongStillLocks) {
  std::string deep = Dir();
  while (deep.size() < 120) deep += "/deeper_folder";
  std::filesystem::create_directories(deep);
  SingleInstance first("TestApp", deep);
  EXPECT_EQ(first.Acquire(), State::First);
  EXPECT_EQ(first.ListenFd(), -1);
  SingleInstance second("TestApp", deep);
  EXPECT_EQ(second.Acquire(), State::Second);
  EXPECT_FALSE(second.RequestRestore(50));
}

class RuntimeDirTest : public SingleInstanceTest {
 protected:
  void SetUp() override {
    SingleInstanceTest::SetUp();
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
  }
  void TearDown() override {
    if (saved_) {
      ::setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
    } else {
      ::unsetenv("XDG_RUNTIME_DIR");
    }
  }
  std::optional<std::string> saved_;
};

TEST_F(RuntimeDirTest, TakesXdgRuntimeDirWhenItIsAFolder) {
  ::setenv("XDG_RUNTIME_DIR", Dir().c_str(), 1);
  EXPECT_EQ(platform::UserRuntimeDir("TestApp"), Dir());
}

TEST_F(RuntimeDirTest, FallsBackToAPrivateFolderOfTheUser) {
  const std::string name = "TestAppFallback" + std::to_string(::getpid());
  const std::string expected = "/tmp/" + name + "-" + std::to_string(::getuid());
  for (const char* bad : {"relative/dir", "/no/such/folder"}) {
    ::setenv("XDG_RUNTIME_DIR", bad, 1);
    EXPECT_EQ(platform::UserRuntimeDir(name), expected) << bad;
  }
  ::unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(platform::UserRuntimeDir(name), expected);
  struct stat st{};
  ASSERT_EQ(::stat(expected.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // A folder of that name that others may enter is refused.
  ::chmod(expected.c_str(), 0755);
  EXPECT_EQ(platform::UserRuntimeDir(name), "");
  std::filesystem::remove_all(expected);
}

}  // namespace
