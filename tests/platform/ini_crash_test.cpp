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

// True when the stopped process has a temporary file of the INI layer open: it is
// between creating its new file and renaming it over the old one.
bool InsideWrite(pid_t pid) {
  std::error_code error;
  for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    std::error_code linkError;
    if (fs::read_symlink(fd.path(), linkError).filename().string().find(".tmp.") != std::string::npos) return true;
  }
  return false;
}

// Stops and resumes the process at random moments until it is caught inside a write.
bool StopInsideWrite(pid_t pid, std::mt19937& rng) {
  for (int tries = 0; tries < 3000; ++tries) {
    int status = 0;
    ::kill(pid, SIGSTOP);
    ::waitpid(pid, &status, WUNTRACED);
    if (InsideWrite(pid)) return true;
    ::kill(pid, SIGCONT);
    ::usleep(std::uniform_int_distribution<unsigned>(0, 300)(rng));
  }
  return false;
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
  int aimed = 0;  // kills that caught the writer inside a write
  // Four seconds of kills, but on a slow build (ThreadSanitizer, a loaded machine)
  // at least ten of them, within half a minute.
  const auto start = std::chrono::steady_clock::now();
  auto goOn = [&] {
    const auto spent = std::chrono::steady_clock::now() - start;
    return kills < 120 && spent < std::chrono::seconds(30) && (spent < std::chrono::seconds(4) || kills < 10);
  };
  while (goOn()) {
    int out = -1;
    pid_t pid = StartWriter(file, gen + 1, out);
    ASSERT_GT(pid, 0);
    // Two finished generations give the length of one; the kill then falls anywhere
    // in the next two, however fast this build runs.
    auto nextGeneration = [&] {
      pollfd ready{out, POLLIN, 0};
      char byte;
      return ::poll(&ready, 1, 10000) == 1 && ::read(out, &byte, 1) == 1;
    };
    ASSERT_TRUE(nextGeneration()) << "the writer did not get going";
    auto first = std::chrono::steady_clock::now();
    ASSERT_TRUE(nextGeneration());
    auto cycle = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - first);
    // Every other kill is aimed at the middle of a write.
    if (kills % 2 == 0)
      ::usleep(std::uniform_int_distribution<unsigned>(0, 2 * static_cast<unsigned>(cycle.count()))(rng));
    else
      aimed += StopInsideWrite(pid, rng);
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
    ASSERT_EQ(ini::ReadString(file, "S3", "K4", 30000), crash_layout::Value(seen));
    gen = seen;
  }
  EXPECT_GE(kills, 10);
  // A kill inside a write leaves its temporary file behind.
  int interrupted = 0;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().filename().string().rfind("config.ini.tmp.", 0) == 0) ++interrupted;
  RecordProperty("kills", kills);
  RecordProperty("aimed_kills", aimed);
  RecordProperty("interrupted_writes", interrupted);
  EXPECT_GT(aimed, 0) << "no kill landed inside a write in " << kills << " kills";
  EXPECT_GE(interrupted, aimed);
  fs::remove_all(dir);
}

}  // namespace
