// The PulseAudio peak meter. Without MC_TONE_FILE (set by run_with_pulse.sh, which
// also starts the private server) only the tests without a server run.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../support/deadline.h"
#include "platform/peak_meter.h"
#include "sound/sound_level.h"

extern char** environ;

using namespace std::chrono_literals;

namespace {

constexpr auto kTick = 96ms;

// Runs a program with the test's environment (its output dropped when quiet); its
// process id, or -1.
pid_t Spawn(std::vector<std::string> args, bool quiet = false) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid = -1;
  const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return result == 0 ? pid : -1;
}

int RunToEnd(std::vector<std::string> args) {
  const pid_t pid = Spawn(std::move(args), true);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Samples the meter every 96 ms, as the sound window does, until `done` or timeout.
bool SampleUntil(platform::PeakMeter& meter, const std::function<bool(float peak)>& done,
                 std::chrono::milliseconds timeout = 20000ms) {
  const auto end = std::chrono::steady_clock::now() + testdeadline::Stretched(timeout);
  while (std::chrono::steady_clock::now() < end) {
    const float peak = meter.TakePeak();
    SampleSoundTick(peak);
    if (done(peak)) return true;
    std::this_thread::sleep_for(kTick);
  }
  return false;
}

class ServerVariable {
 public:
  explicit ServerVariable(const std::string& value) {
    if (const char* old = std::getenv("PULSE_SERVER")) old_ = old;
    setenv("PULSE_SERVER", value.c_str(), 1);
  }
  ~ServerVariable() {
    if (old_.empty())
      unsetenv("PULSE_SERVER");
    else
      setenv("PULSE_SERVER", old_.c_str(), 1);
  }

 private:
  std::string old_;
};

TEST(PulseMeter, WithoutAServerThereIsNoDeviceAndNoLevel) {
  {
    ServerVariable none("unix:/nonexistent/pulse/native");
    auto meter = platform::MakePulsePeakMeter();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(meter->HasAudioDevice());
    // Standard error names the server tried and what failed.
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("unix:/nonexistent/pulse/native"), std::string::npos) << said;
    EXPECT_NE(said.find("failed"), std::string::npos) << said;
    meter->SetMetering(true);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(meter->TakePeak(), 0.0f);
  }
  // A server that takes the connection and never answers: the answer is waited for a
  // bounded time only.
  const auto dir = std::filesystem::temp_directory_path() / ("mute_server_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "native").string();
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof(address.sun_path) - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(listen(fd, 4), 0);
  {
    ServerVariable mute("unix:" + path);
    auto meter = platform::MakePulsePeakMeter();
    const auto start = std::chrono::steady_clock::now();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(meter->HasAudioDevice());
    EXPECT_LT(std::chrono::steady_clock::now() - start, testdeadline::Stretched(10s));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("did not answer"), std::string::npos) << said;
  }
  close(fd);
  std::filesystem::remove_all(dir);
}

class PulseServer : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tone = std::getenv("MC_TONE_FILE");
    if (!tone) GTEST_SKIP() << "needs the private server of run_with_pulse.sh";
    tone_ = tone;
    ClearPeakHistory();
  }

  // Plays the tone to the default output and waits until it has ended.
  void PlayToneAndWatch(platform::PeakMeter& meter) {
    const pid_t player = Spawn({"paplay", tone_});
    ASSERT_GT(player, 0);
    float loudest = 0.0f;
    int highestLevel = 0;
    const bool rose = SampleUntil(meter, [&](float peak) {
      loudest = std::max(loudest, peak);
      highestLevel = std::max(highestLevel, g_soundLevel.load());
      return loudest > 0.3f && highestLevel > 0;
    });
    int status = 0;
    waitpid(player, &status, 0);
    EXPECT_TRUE(rose) << "loudest peak " << loudest << ", highest level " << highestLevel;
    EXPECT_LT(loudest, 0.7f);  // the tone is at half scale

    // Silence: the peak goes to 0, and the level with it once the window is quiet.
    EXPECT_TRUE(SampleUntil(meter, [](float peak) { return peak == 0.0f && g_soundLevel.load() == 0; }))
        << "level " << g_soundLevel.load();
  }

  std::string tone_;
  std::unique_ptr<platform::PeakMeter> meter_;
};

TEST_F(PulseServer, LevelRisesWithTheToneAndFallsInSilence) {
  auto meter = platform::MakePulsePeakMeter();
  ASSERT_TRUE(meter->HasAudioDevice());
  meter->SetMetering(true);
  // Before anything plays the output is silent.
  EXPECT_FALSE(SampleUntil(*meter, [](float peak) { return peak > 0.0f; }, 500ms));
  PlayToneAndWatch(*meter);

  // Metering off: nothing is read any more.
  meter->SetMetering(false);
  EXPECT_EQ(meter->TakePeak(), 0.0f);
}

TEST_F(PulseServer, FollowsTheDefaultOutput) {
  auto meter = platform::MakePulsePeakMeter();
  ASSERT_TRUE(meter->HasAudioDevice());
  meter->SetMetering(true);
  ASSERT_EQ(RunToEnd({"pactl", "load-module", "module-null-sink", "sink_name=meter_second"}), 0);
  ASSERT_EQ(RunToEnd({"pactl", "set-default-sink", "meter_second"}), 0);
  PlayToneAndWatch(*meter);

  // Without any output left there is no audio device.
  ASSERT_EQ(RunToEnd({"pactl", "unload-module", "module-null-sink"}), 0);
  EXPECT_FALSE(meter->HasAudioDevice());
}

TEST_F(PulseServer, ComesBackWhenTheServerIsStartedOrRestarted) {
  const auto dir = std::filesystem::temp_directory_path() / ("late_server_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "run");
  std::filesystem::create_directories(dir / "home");
  const std::string socket = (dir / "native").string();
  ServerVariable late("unix:" + socket);
  auto startServer = [&] {
    // Ready once it answers (a socket left from the last one may still be there).
    auto ready = [] { return testdeadline::WaitFor([] { return RunToEnd({"pactl", "info"}) == 0; }, 30s); };
    const pid_t pid = Spawn({"env", "XDG_RUNTIME_DIR=" + (dir / "run").string(), "HOME=" + (dir / "home").string(),
                  "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                  "--disable-shm=yes", "--log-level=error", "-L", "module-native-protocol-unix socket=" + socket,
                  "-L", "module-null-sink sink_name=meter_late"});
    return pid > 0 && ready() ? pid : -1;
  };
  auto stop = [](pid_t pid) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  };
  // The tone over and over until the meter hears it: the meter looks for the server
  // only every two seconds, longer than a start of the server on a busy machine.
  auto hearsTone = [&] {
    pid_t player = Spawn({"paplay", tone_});
    const bool heard = SampleUntil(*meter_, [&](float peak) {
      if (waitpid(player, nullptr, WNOHANG) == player) player = Spawn({"paplay", tone_});
      return peak > 0.3f;
    }, 15000ms);
    stop(player);
    return heard;
  };

  meter_ = platform::MakePulsePeakMeter();
  meter_->SetMetering(true);  // no server yet
  pid_t server = startServer();
  ASSERT_GT(server, 0);
  EXPECT_TRUE(hearsTone());

  stop(server);
  server = startServer();
  ASSERT_GT(server, 0);
  EXPECT_TRUE(hearsTone()) << "after the restart";
  meter_.reset();
  stop(server);
  std::filesystem::remove_all(dir);
}

}  // namespace
