// One HID device of the kernel's uhid driver: created from a report descriptor and an
// identity, it becomes a /dev/hidrawN node whose feature requests come back to us as
// events and whose input reports we send.
#pragma once

#include <linux/input.h>
#include <linux/uhid.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vm {

struct UhidIdentity {
  std::string name;  // the product string hidapi reports for a uhid device
  std::string phys;  // unique per device: finds its hidraw node in sysfs
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
};

class UhidNode {
 public:
  UhidNode() = default;
  ~UhidNode();
  UhidNode(const UhidNode&) = delete;
  UhidNode& operator=(const UhidNode&) = delete;

  bool OpenDriver();  // /dev/uhid
  int Fd() const { return fd_; }

  // Creates the device and waits for its hidraw node; the node path, empty on failure.
  std::string Create(const UhidIdentity& identity, const std::vector<std::uint8_t>& descriptor);
  // Removes the device and waits for its node to vanish.
  bool Destroy();
  bool Created() const { return !node_.empty(); }

  bool ReadEvent(uhid_event& event);
  bool ReplyGetReport(std::uint32_t id, std::uint16_t err, const std::uint8_t* data, std::size_t size);
  bool ReplySetReport(std::uint32_t id, std::uint16_t err);
  bool SendInput(const std::uint8_t* data, std::size_t size);

 private:
  bool Write(const uhid_event& event);
  int fd_ = -1;
  std::string phys_;
  std::string node_;
};

}  // namespace vm
