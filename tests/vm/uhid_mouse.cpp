// The simulated mouse's firmware behind a kernel HID device: the memory, status, read
// replies, direct commands and input report 6 of sim::SimulatedMouse, reached through
// /dev/uhid with the mouse's report descriptor, so that the program's real HID path
// (hidapi, hidraw, libudev) can be tested against it.
//
// Driven by one command per line on stdin, answered by one line on stdout ("ok ..."
// or "err ..."):
//   plug <product id, hex>   create the device; answers the hidraw node
//   unplug                   remove it
//   unplug-after <n>         remove it once n more feature reports have been taken
//   plugged                  1 while the device exists
//   input <code> <detail>    input report 6 with byte 1 = code, byte 2 = detail
//   motion <count> <us> [<code> <detail>]
//                            count pointer reports of the mouse collection, us apart,
//                            with input report 6 (as for input) amid them
//   memory                   the 4096 bytes of memory in hex
//   setmem <addr> <hex>      memory bytes from addr
//   profile <n>              the active profile the status byte reports
//   last <command>           the last frame of a command (decimal), in hex
//   started                  the start/stop state of command 0x11
//   emissions                what the mouse emitted: kind:code:dx:dy ...
//   fail <set|get|none>      answer set or get feature requests with an I/O error
//   reply-length <n>         answer feature reads with their first n bytes (0: whole)
//   quit
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "sim/simulated_mouse.h"
#include "hex.h"
#include "uhid_node.h"

namespace {

const char* EmissionName(sim::Emission::Kind kind) {
  switch (kind) {
    case sim::Emission::Kind::KeyDown: return "KeyDown";
    case sim::Emission::Kind::KeyUp: return "KeyUp";
    case sim::Emission::Kind::ButtonDown: return "ButtonDown";
    case sim::Emission::Kind::ButtonUp: return "ButtonUp";
    case sim::Emission::Kind::Move: return "Move";
    case sim::Emission::Kind::Consumer: return "Consumer";
  }
  return "?";
}

class UhidMouse {
 public:
  bool Start() { return node_.OpenDriver(); }
  int DriverFd() const { return node_.Fd(); }

  // One command line; the answer line.
  std::string Command(const std::string& line, bool& quit) {
    std::istringstream in(line);
    std::string word;
    in >> word;
    if (word == "plug") {
      std::string product;
      in >> product;
      return Plug(static_cast<std::uint16_t>(std::stoul(product.empty() ? "5201" : product, nullptr, 16)));
    }
    if (word == "unplug") return Unplug() ? "ok" : "err unplug";
    if (word == "unplug-after") {
      int n = 0;
      in >> n;
      firmware_.UnplugAfterFeatureReports(n);
      return "ok";
    }
    if (word == "plugged") return node_.Created() ? "ok 1" : "ok 0";
    if (word == "input") return Input(in);
    if (word == "motion") return Motion(in);
    if (word == "memory") {
      auto memory = firmware_.Memory();
      return "ok " + vm::ToHex(memory.data(), memory.size());
    }
    if (word == "setmem") {
      int address = 0;
      std::string bytes;
      in >> address >> bytes;
      firmware_.SetMemory(static_cast<std::size_t>(address), vm::FromHex(bytes));
      return "ok";
    }
    if (word == "profile") {
      int profile = 0;
      in >> profile;
      firmware_.SetActiveProfile(profile);
      return "ok";
    }
    if (word == "last") {
      int command = 0;
      in >> command;
      auto frame = firmware_.LastCommand(static_cast<std::uint8_t>(command));
      return "ok " + vm::ToHex(frame.data(), frame.size());
    }
    if (word == "started") return firmware_.Started() ? "ok 1" : "ok 0";
    if (word == "emissions") {
      std::string out = "ok";
      for (const auto& e : firmware_.Emissions())
        out += " " + std::string(EmissionName(e.kind)) + ":" + std::to_string(e.code) + ":" + std::to_string(e.dx) +
               ":" + std::to_string(e.dy);
      return out;
    }
    if (word == "fail") {
      std::string what;
      in >> what;
      failSet_ = what == "set";
      failGet_ = what == "get";
      return "ok";
    }
    if (word == "reply-length") {
      in >> replyLength_;
      return "ok";
    }
    if (word == "quit") {
      quit = true;
      return "ok";
    }
    return "err unknown command";
  }

  // One event of the kernel's side.
  void Event() {
    uhid_event event{};
    if (!node_.ReadEvent(event)) return;
    if (event.type == UHID_SET_REPORT) {
      const auto& req = event.u.set_report;
      const bool ok = !failSet_ && req.rtype == UHID_FEATURE_REPORT &&
                      firmware_.SetFeature(writeHandle_, req.data, req.size);
      node_.ReplySetReport(req.id, ok ? 0 : EIO);
      FollowFirmwareUnplug();
    } else if (event.type == UHID_GET_REPORT) {
      const auto& req = event.u.get_report;
      std::uint8_t reply[sim::kSimFeatureReportLength] = {req.rnum};
      const bool ok = !failGet_ && req.rtype == UHID_FEATURE_REPORT &&
                      firmware_.GetFeature(writeHandle_, reply, sizeof reply);
      const std::size_t length = replyLength_ > 0 ? std::min(replyLength_, sizeof reply) : sizeof reply;
      node_.ReplyGetReport(req.id, ok ? 0 : EIO, reply, length);
      FollowFirmwareUnplug();
    }
    // UHID_START, STOP, OPEN, CLOSE and OUTPUT need nothing of the mouse.
  }

 private:
  std::string Plug(std::uint16_t product) {
    if (node_.Created()) return "err already plugged";
    firmware_.PlugIn();
    // The firmware's own handles (taken as the kernel side of the two vendor collections).
    writeHandle_ = OpenCollection(0xFF01, hid::Access::Write);
    readHandle_ = OpenCollection(0xFF00, hid::Access::Read);
    vm::UhidIdentity identity{"Gaming Mouse", "uhid-mouse-" + std::to_string(getpid()) + "-" + std::to_string(++plugs_),
                              sim::kSimVendorId, product};
    std::string path = node_.Create(identity, sim::SimulatedMouse::ReportDescriptor(sim::SimOptions{}.collections));
    return path.empty() ? "err create" : "ok " + path;
  }

  bool Unplug() {
    firmware_.Unplug();
    return node_.Destroy();
  }

  // The firmware unplugged itself (unplug-after): the kernel device goes too.
  void FollowFirmwareUnplug() {
    if (!firmware_.Plugged() && node_.Created()) node_.Destroy();
  }

  hid::Handle OpenCollection(std::uint16_t usagePage, hid::Access access) {
    for (const auto& info : firmware_.Enumerate())
      if (info.caps.usagePage == usagePage && info.caps.usage == 1) return firmware_.Open(info, access);
    return hid::kInvalidHandle;
  }

  std::string Input(std::istringstream& in) {
    int code = 0, detail = 0;
    in >> code >> detail;
    return SendReport6(code, detail);
  }

  std::string SendReport6(int code, int detail) {
    firmware_.FeedInputReport6(static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(detail));
    std::uint8_t report[sim::kSimInputReportLength] = {};
    const int n = firmware_.ReadInput(readHandle_, report, sizeof report, 0);
    return n > 0 && node_.SendInput(report, static_cast<std::size_t>(n)) ? "ok" : "err input";
  }

  // The mouse collection's report 1 (buttons, X, Y, wheel): one step to the right. It
  // reaches the same hidraw node as input report 6, as the mouse's motion does.
  std::string Motion(std::istringstream& in) {
    int count = 0, intervalUs = 0, code = -1, detail = 0;
    in >> count >> intervalUs >> code >> detail;
    const std::uint8_t report[] = {1, 0, 1, 0, 0, 0, 0};
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
      if (!node_.SendInput(report, sizeof report)) return "err motion";
      if (i == count / 2 && code >= 0 && SendReport6(code, detail) != "ok") return "err input";
      next += std::chrono::microseconds(intervalUs);
      std::this_thread::sleep_until(next);
    }
    return "ok";
  }

  sim::SimulatedMouse firmware_;
  vm::UhidNode node_;
  hid::Handle writeHandle_ = hid::kInvalidHandle;
  hid::Handle readHandle_ = hid::kInvalidHandle;
  bool failSet_ = false;
  bool failGet_ = false;
  std::size_t replyLength_ = 0;
  int plugs_ = 0;
};

}  // namespace

int main() {
  UhidMouse mouse;
  if (!mouse.Start()) {
    std::perror("/dev/uhid");
    return 1;
  }
  std::string pending;
  bool quit = false;
  while (!quit) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {mouse.DriverFd(), POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return 1;
    }
    if (fds[1].revents & POLLIN) mouse.Event();
    if (fds[0].revents & (POLLIN | POLLHUP)) {
      char chunk[4096];
      const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
      if (n <= 0) break;  // the test has gone: the device goes with us
      pending.append(chunk, static_cast<std::size_t>(n));
      for (std::size_t end; !quit && (end = pending.find('\n')) != std::string::npos;) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        std::cout << mouse.Command(line, quit) << std::endl;
      }
    }
  }
  return 0;
}
