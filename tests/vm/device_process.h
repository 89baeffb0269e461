// The test's side of the uhid device program: starts it, sends it one command at a
// time and returns its answer line.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vm {

class DeviceProcess {
 public:
  explicit DeviceProcess(const std::string& program);
  ~DeviceProcess();  // ends the program, which removes its device
  DeviceProcess(const DeviceProcess&) = delete;
  DeviceProcess& operator=(const DeviceProcess&) = delete;

  bool Running() const { return pid_ > 0; }
  // The answer to `line` without its "ok" ("err ..." answers and a silent program
  // fail the calling test and give "").
  std::string Ask(const std::string& line);

  std::string Plug(std::uint16_t product);  // the hidraw node
  void Unplug();
  void Input(int code, int detail);
  std::vector<std::uint8_t> Memory();
  std::vector<std::uint8_t> LastCommand(int command);
  std::vector<std::string> Emissions();

 private:
  pid_t pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
  std::string pending_;
};

}  // namespace vm
