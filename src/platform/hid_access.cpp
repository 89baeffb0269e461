#include "platform/hid_access.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <set>

namespace hid {

bool ReportNodeAccessDenied(const std::string& node) {
  if (::access(node.c_str(), F_OK) != 0 || ::access(node.c_str(), R_OK | W_OK) == 0) return false;
  if (errno != EACCES && errno != EPERM) return false;
  static std::mutex lock;
  static std::set<std::string> told;
  std::lock_guard guard(lock);
  if (told.insert(node).second) {
    std::fprintf(stderr,
                 "ovk-dovaru: the mouse is at %s, but this user may not open it (permission denied).\n"
                 "ovk-dovaru: install the udev rule 70-ovk-dovaru-mouse.rules into /etc/udev/rules.d or\n"
                 "ovk-dovaru: /usr/lib/udev/rules.d, run 'udevadm control --reload' and plug the mouse in again.\n",
                 node.c_str());
  }
  return true;
}

}  // namespace hid
