#include "uhid_node.h"

#include "../support/deadline.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace vm {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The kernel makes the node a little after UHID_CREATE2 returns (and removes it a
// little after UHID_DESTROY); this bounds the wait for either.
constexpr auto kNodeWait = 30s;  // bounds a hang only

// The hidraw node of the HID device whose uevent carries HID_PHYS=phys, or empty.
std::string FindHidrawNode(const std::string& phys) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/sys/class/hidraw", ec)) {
    std::ifstream uevent(entry.path() / "device" / "uevent");
    std::string line;
    while (std::getline(uevent, line))
      if (line == "HID_PHYS=" + phys) return "/dev/" + entry.path().filename().string();
  }
  return {};
}

template <typename Done>
bool WaitUntil(Done done) {
  return testdeadline::WaitFor(done, kNodeWait);
}

}  // namespace

UhidNode::~UhidNode() {
  if (Created()) Destroy();
  if (fd_ >= 0) close(fd_);
}

bool UhidNode::OpenDriver() {
  fd_ = open("/dev/uhid", O_RDWR | O_CLOEXEC);
  return fd_ >= 0;
}

bool UhidNode::Write(const uhid_event& event) {
  for (;;) {
    ssize_t n = write(fd_, &event, sizeof event);
    if (n == static_cast<ssize_t>(sizeof event)) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

std::string UhidNode::Create(const UhidIdentity& identity, const std::vector<std::uint8_t>& descriptor) {
  if (Created() || descriptor.size() > HID_MAX_DESCRIPTOR_SIZE) return {};
  uhid_event event{};
  event.type = UHID_CREATE2;
  auto& req = event.u.create2;
  std::strncpy(reinterpret_cast<char*>(req.name), identity.name.c_str(), sizeof req.name - 1);
  std::strncpy(reinterpret_cast<char*>(req.phys), identity.phys.c_str(), sizeof req.phys - 1);
  req.rd_size = static_cast<std::uint16_t>(descriptor.size());
  req.bus = BUS_USB;
  req.vendor = identity.vendor;
  req.product = identity.product;
  req.version = 0x0100;
  std::copy(descriptor.begin(), descriptor.end(), req.rd_data);
  if (!Write(event)) return {};
  phys_ = identity.phys;
  std::string node;
  if (!WaitUntil([&] {
        node = FindHidrawNode(phys_);
        return !node.empty() && fs::exists(node);
      }))
    return {};
  node_ = node;
  return node_;
}

bool UhidNode::Destroy() {
  if (!Created()) return false;
  uhid_event event{};
  event.type = UHID_DESTROY;
  const bool sent = Write(event);
  const std::string gone = node_;
  node_.clear();
  return sent && WaitUntil([&] { return FindHidrawNode(phys_).empty() && !fs::exists(gone); });
}

bool UhidNode::ReadEvent(uhid_event& event) {
  for (;;) {
    ssize_t n = read(fd_, &event, sizeof event);
    if (n > 0) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

bool UhidNode::ReplyGetReport(std::uint32_t id, std::uint16_t err, const std::uint8_t* data, std::size_t size) {
  uhid_event event{};
  event.type = UHID_GET_REPORT_REPLY;
  event.u.get_report_reply.id = id;
  event.u.get_report_reply.err = err;
  size = std::min<std::size_t>(size, UHID_DATA_MAX);
  event.u.get_report_reply.size = err ? 0 : static_cast<std::uint16_t>(size);
  if (!err && data) std::copy(data, data + size, event.u.get_report_reply.data);
  return Write(event);
}

bool UhidNode::ReplySetReport(std::uint32_t id, std::uint16_t err) {
  uhid_event event{};
  event.type = UHID_SET_REPORT_REPLY;
  event.u.set_report_reply.id = id;
  event.u.set_report_reply.err = err;
  return Write(event);
}

bool UhidNode::SendInput(const std::uint8_t* data, std::size_t size) {
  if (!Created()) return false;
  uhid_event event{};
  event.type = UHID_INPUT2;
  size = std::min<std::size_t>(size, UHID_DATA_MAX);
  event.u.input2.size = static_cast<std::uint16_t>(size);
  std::copy(data, data + size, event.u.input2.data);
  return Write(event);
}

}  // namespace vm
