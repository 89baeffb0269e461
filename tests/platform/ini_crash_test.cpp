#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "crash_layout.h"
#include "platform/ini_file.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Starts the writer; returns its pid and the read end of its standard output.
pid_t StartWriter(const std::string& file, long long gen, int& out) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::string genText = std::to_string(gen);
  char* argv[] = {const_cast<char*>(INI_CRASH_WRITER), const_cast<char*>(file.c_str()), genText.data(), nullptr};
  pid_t pid = -1;
  int rc = posix_spawn(&pid, INI_CRASH_WRITER, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    return -1;
  }
  out = fds[0];
  return pid;
}

// A writer killed at random moments, over and over: after every kill the file is
// exactly one of the states the writer passes through, never a mix or a torn file.
TEST(IniCrashSafety, KilledWritersLeaveOldOrNewFile) {
  fs::path dir = fs::temp_directory_path() / ("ini_crash_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "config.ini").string();
  {
    ini::Batch batch(file);
    for (int s = 0; s < crash_layout::kSections; ++s)
      for (int k = 0; k < crash_layout::kKeys; ++k)
        batch.WriteString(crash_layout::Section(s), crash_layout::Key(k), crash_layout::Value(0));
    batch.WriteInt("Meta", "G", 0);
    ASSERT_TRUE(batch.Commit());
  }
  ASSERT_EQ(Get(file), crash_layout::Render(0, 0));

  std::mt19937 rng(std::random_device{}());
  long long gen = 0;
  int kills = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
  while (kills < 100 && std::chrono::steady_clock::now() < deadline) {
    int out = -1;
    pid_t pid = StartWriter(file, gen + 1, out);
    ASSERT_GT(pid, 0);
    pollfd ready{out, POLLIN, 0};
    ASSERT_EQ(::poll(&ready, 1, 10000), 1) << "the writer did not get going";
    ::usleep(std::uniform_int_distribution<unsigned>(0, 12000)(rng));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(out);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << status;
    ++kills;

    const std::string bytes = Get(file);
    long long seen = std::atoll(bytes.substr(bytes.find('=') + 1).c_str());
    long long meta = std::atoll(bytes.substr(bytes.rfind("G=") + 2).c_str());
    ASSERT_TRUE(meta == seen || meta == seen - 1) << "keys " << seen << ", meta " << meta;
    ASSERT_GT(seen, gen) << "the writer finished one generation before the kill";
    ASSERT_TRUE(bytes == crash_layout::Render(seen, meta)) << "torn file after kill " << kills;
    ini::ClearCache();
    ASSERT_EQ(ini::ReadString(file, "S7", "K49", 2000), crash_layout::Value(seen));
    gen = seen;
  }
  EXPECT_GE(kills, 20);
  // Kills that caught a write halfway leave its temporary file behind: the test did
  // interrupt writes, not only the pauses between them.
  int interrupted = 0;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().filename().string().rfind("config.ini.tmp.", 0) == 0) ++interrupted;
  RecordProperty("kills", kills);
  RecordProperty("interrupted_writes", interrupted);
  EXPECT_GT(interrupted, 0) << "no kill landed inside a write in " << kills << " kills";
  fs::remove_all(dir);
}

}  // namespace
