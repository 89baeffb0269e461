// What a benchmark that writes files needs: a private folder of its own (mkdtemp: mode
// 0700, a name no one can know beforehand; the program rightly refuses to write into
// a folder that others can write, such as /tmp itself, when run as root), removed when
// the benchmark ends, and a loud end at the first save that fails, since a benchmark
// whose saves fail measures nothing.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "profile/core_hooks.h"

namespace benchsupport {

// Ends the benchmark with status 1 and a message.
[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, "benchmark failed: %s; its figures would measure nothing\n", what.c_str());
  std::fflush(stderr);
  std::_Exit(1);
}

class PrivateFolder {
 public:
  explicit PrivateFolder(const std::string& name) {
    std::string pattern = (std::filesystem::temp_directory_path() / (name + ".XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) Fail("no private folder could be made in " + pattern);
    path_ = pattern;
    // The program reports a failed save as a warning (TipText 6, "operation failed").
    SetWarningHandler([](const WarningRequest& request) {
      if (request.tipEntry == 6) Fail("a save failed: " + request.text);
    });
  }
  ~PrivateFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A save the benchmark does itself and checks.
inline void MustSave(bool saved, const std::string& file) {
  if (!saved) Fail("could not save " + file);
}

}  // namespace benchsupport
