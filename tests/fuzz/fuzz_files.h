// What the fuzz targets that read files share: a check that ends the run, a private
// folder for their files, and the writing of an input into a file.
#pragma once

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ini_file.h"

namespace fuzzfiles {

inline void Check(bool ok) {
  if (!ok) std::abort();
}

// A private folder, made once per process: run as root, writes into a folder that
// others can write (/tmp itself) are refused.
inline std::string PrivateFolder(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = std::string(dir && *dir ? dir : "/tmp") + "/" + name + "_XXXXXX";
  Check(::mkdtemp(folder.data()) != nullptr);
  return folder;
}

inline void WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  Check(f != nullptr);
  if (size > 0) Check(std::fwrite(data, 1, size, f) == size);
  std::fclose(f);
  ini::ClearCache();
}

}  // namespace fuzzfiles
