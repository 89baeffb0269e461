// Stands in for the C library's open, fsync, fdatasync and renames within this test
// program: records each call (with what its descriptors are) and runs what a test
// arms at a chosen call, as another program acting at that moment would.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace spy {

struct Call {
  std::string what;  // "open", "fsync", "fdatasync", "rename"
  std::string path;  // the file opened or synced, or the rename's new name
  bool folder = false;
  dev_t device = 0;
  ino_t inode = 0;
};

// Starts recording afresh; drops what was armed.
void Reset();
std::vector<Call> Calls();

// Runs `action` once, just before the call `what` on a path that contains `part`
// (a rename: just after it).
void Arm(const std::string& what, const std::string& part, std::function<void()> action);

}  // namespace spy
