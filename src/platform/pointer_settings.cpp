#include "platform/pointer_settings.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <mutex>

extern char** environ;

namespace pointer {
namespace {

constexpr std::string_view kGnomeMouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr std::chrono::milliseconds kCommandTimeout{3000};

class UnavailablePointerSettings : public DesktopPointerSettings {
 public:
  std::string Name() const override { return "not available"; }
  std::optional<int> ReadPointerSpeed() override { return std::nullopt; }
  bool WritePointerSpeed(int) override { return false; }
  std::optional<int> ReadWheelScrollLines() override { return std::nullopt; }
  bool WriteWheelScrollLines(int) override { return false; }
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// gsettings prints a double as GVariant text ("0.0", "-0.25", "1.0").
std::optional<double> ParseDouble(std::string_view text) {
  text = Trim(text);
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// Locale-independent: the desktop may run with a decimal comma.
std::string FormatDouble(double value) {
  char buffer[32];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
  if (error != std::errc()) return "0.00";
  return std::string(buffer, end);
}

class GnomePointerSettings : public DesktopPointerSettings {
 public:
  explicit GnomePointerSettings(CommandRunner runner) : runner_(std::move(runner)) {}

  std::string Name() const override { return "GNOME"; }

  std::optional<int> ReadPointerSpeed() override {
    auto out = runner_({"gsettings", "get", std::string(kGnomeMouseSchema), "speed"});
    if (!out) return std::nullopt;
    auto value = ParseDouble(*out);
    if (!value) return std::nullopt;
    return ScaleFromGnomeSpeed(*value);
  }

  bool WritePointerSpeed(int speed) override {
    return runner_({"gsettings", "set", std::string(kGnomeMouseSchema), "speed",
                    FormatDouble(GnomeSpeedFromScale(speed))})
        .has_value();
  }

  // GNOME keeps no scroll-lines setting.
  std::optional<int> ReadWheelScrollLines() override { return std::nullopt; }
  bool WriteWheelScrollLines(int) override { return false; }

 private:
  CommandRunner runner_;
};

std::mutex g_currentLock;
std::shared_ptr<DesktopPointerSettings> g_current;

std::shared_ptr<DesktopPointerSettings> ChooseForDesktop() {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  if (desktop && IsGnomeDesktop(desktop)) return MakeGnomePointerSettings();
  return MakeUnavailablePointerSettings();
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

std::shared_ptr<DesktopPointerSettings> CurrentPointerSettings() {
  std::lock_guard lock(g_currentLock);
  if (!g_current) g_current = ChooseForDesktop();
  return g_current;
}

std::shared_ptr<DesktopPointerSettings> SetPointerSettings(std::shared_ptr<DesktopPointerSettings> settings) {
  std::lock_guard lock(g_currentLock);
  auto previous = std::move(g_current);
  g_current = std::move(settings);
  return previous;
}

std::shared_ptr<DesktopPointerSettings> MakeUnavailablePointerSettings() {
  return std::make_shared<UnavailablePointerSettings>();
}

std::shared_ptr<DesktopPointerSettings> MakeGnomePointerSettings(CommandRunner runner) {
  if (!runner) runner = [](const std::vector<std::string>& argv) { return RunCommand(argv, kCommandTimeout); };
  return std::make_shared<GnomePointerSettings>(std::move(runner));
}

bool IsGnomeDesktop(std::string_view currentDesktop) {
  while (!currentDesktop.empty()) {
    const std::size_t colon = currentDesktop.find(':');
    std::string_view entry = currentDesktop.substr(0, colon);
    std::string upper(entry);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    if (upper == "GNOME" || upper == "GNOME-CLASSIC" || upper == "GNOME-FLASHBACK") return true;
    if (colon == std::string_view::npos) break;
    currentDesktop.remove_prefix(colon + 1);
  }
  return false;
}

double GnomeSpeedFromScale(int speed) {
  speed = std::clamp(speed, kMinPointerSpeed, kMaxPointerSpeed);
  return (speed - kMiddlePointerSpeed) / 10.0;
}

int ScaleFromGnomeSpeed(double gnomeSpeed) {
  const double scaled = std::round(std::clamp(gnomeSpeed, -1.0, 1.0) * 10.0) + kMiddlePointerSpeed;
  return std::clamp(static_cast<int>(scaled), kMinPointerSpeed, kMaxPointerSpeed);
}

std::optional<std::string> RunCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
  if (argv.empty()) return std::nullopt;
  int pipeFds[2] = {-1, -1};
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
  int readFd = pipeFds[0];
  int writeFd = pipeFds[1];

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, writeFd, 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  CloseFd(writeFd);
  if (spawned != 0) {
    CloseFd(readFd);
    return std::nullopt;
  }

  std::string out;
  bool timedOut = false;
  bool exited = false;    // the program has ended (or was reaped elsewhere)
  bool outputDone = false;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // The program's end, not the end of its output, ends the wait: a helper it starts
  // may keep the pipe open long after, and a program may close its output and hang.
  for (;;) {
    if (!exited) {
      const pid_t reaped = ::waitpid(pid, &status, WNOHANG);
      if (reaped == pid || (reaped < 0 && errno != EINTR)) exited = true;
    }
    if (!exited && std::chrono::steady_clock::now() >= deadline) {
      timedOut = true;
      break;
    }
    if (outputDone) {
      if (exited) break;
      ::usleep(5000);
      continue;
    }
    // While it runs, wait for output in short slices; once it has ended, take only
    // what is already in the pipe.
    pollfd p{readFd, POLLIN, 0};
    const int ready = ::poll(&p, 1, exited ? 0 : 20);
    if (ready == 0) {
      if (exited) break;
      continue;
    }
    if (ready < 0) {
      if (errno != EINTR) outputDone = true;
      continue;
    }
    char buffer[512];
    const ssize_t n = ::read(readFd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      outputDone = true;
      continue;
    }
    out.append(buffer, static_cast<std::size_t>(n));
    if (out.size() > 64 * 1024) {  // no answer of interest is this long
      timedOut = true;
      break;
    }
  }
  CloseFd(readFd);
  if (!exited) {
    if (timedOut) ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return out;
}

}  // namespace pointer
