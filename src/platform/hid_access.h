// The diagnosis on standard error for a mouse whose hidraw node exists but may not be
// opened by the running user: the window can only say "not found", so whoever runs
// the program from a terminal or reads the journal learns the cause and the cure.
#pragma once

#include <string>

namespace hid {

// After an open of `node` failed: when the node exists and the user lacks read or
// write permission on it, says so once per node on standard error, naming the udev
// rule. Returns true when that was the cause.
bool ReportNodeAccessDenied(const std::string& node);

}  // namespace hid
