#include "device_process.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <sstream>

#include "hex.h"

namespace vm {
namespace {

// Creating or removing a device waits for the kernel; a download's worth of reports
// may be queued before a command under software emulation.
constexpr int kAnswerTimeoutMs = 30000;

}  // namespace

DeviceProcess::DeviceProcess(const std::string& program) {
  signal(SIGPIPE, SIG_IGN);  // a program that died shows as a failed write, not a killed test
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    std::perror(program.c_str());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  toChild_ = in[1];
  fromChild_ = out[0];
  if (pid_ < 0) {
    close(toChild_);
    close(fromChild_);
    toChild_ = fromChild_ = -1;
  }
}

DeviceProcess::~DeviceProcess() {
  if (pid_ <= 0) return;
  close(toChild_);  // end of input: the program removes its device and ends
  close(fromChild_);
  int status = 0;
  waitpid(pid_, &status, 0);
}

std::string DeviceProcess::Ask(const std::string& line) {
  const std::string sent = line + "\n";
  if (pid_ <= 0 || write(toChild_, sent.data(), sent.size()) != static_cast<ssize_t>(sent.size())) {
    ADD_FAILURE() << "device program not running for: " << line;
    return {};
  }
  for (;;) {
    const auto end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string answer = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (answer.rfind("ok", 0) != 0) {
        ADD_FAILURE() << "device program: " << line << " -> " << answer;
        return {};
      }
      return answer.size() > 3 ? answer.substr(3) : std::string();
    }
    pollfd fd{fromChild_, POLLIN, 0};
    const int ready = poll(&fd, 1, kAnswerTimeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    char chunk[16384];
    const ssize_t n = ready > 0 ? read(fromChild_, chunk, sizeof chunk) : -1;
    if (n <= 0) {
      ADD_FAILURE() << "device program gave no answer to: " << line;
      return {};
    }
    pending_.append(chunk, static_cast<std::size_t>(n));
  }
}

std::string DeviceProcess::Plug(std::uint16_t product) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04x", product);
  return Ask(std::string("plug ") + hex);
}

void DeviceProcess::Unplug() { Ask("unplug"); }

void DeviceProcess::Input(int code, int detail) { Ask("input " + std::to_string(code) + " " + std::to_string(detail)); }

std::vector<std::uint8_t> DeviceProcess::Memory() { return FromHex(Ask("memory")); }

std::vector<std::uint8_t> DeviceProcess::LastCommand(int command) {
  return FromHex(Ask("last " + std::to_string(command)));
}

std::vector<std::string> DeviceProcess::Emissions() {
  std::istringstream in(Ask("emissions"));
  std::vector<std::string> out;
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

}  // namespace vm
