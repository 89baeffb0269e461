// Feeds arbitrary bytes to the INI reader as a file on disk: reading any key of any
// section must stay in bounds, respect the buffer size, and a value written into the
// file must read back whatever the file held before.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ini_file.h"
#include "platform/text_codec.h"
#include "tests/fuzz/fuzz_files.h"

namespace {

using fuzzfiles::Check;

const std::string& FuzzFile() {
  static const std::string path = fuzzfiles::PrivateFolder("ini_reader_fuzz") + "/fuzz.ini";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)DecodeIniBytes(bytes);
  (void)ini::ToInt(bytes);
  (void)ini::CutToChars(bytes, size % 17);

  const std::string& file = FuzzFile();
  fuzzfiles::WriteBytes(file, data, size);
  const std::size_t buffer = 1 + size % 40;
  for (const char* section : {"Init", "Macros", "MACRO_GROUP_NAME", ""}) {
    for (const std::string& key : ini::SectionKeys(file, section)) {
      const std::string value = ini::ReadString(file, section, key, buffer);
      Check(ini::CutToChars(value, buffer - 1) == value);
      (void)ini::ReadInt(file, section, key, 3);
    }
    (void)ini::ReadString(file, section, "macroNum", 3);
  }

  // A write replaces or adds the key and keeps the file readable.
  Check(ini::WriteString(file, "Macros", "macroNum", "12"));
  Check(ini::ReadString(file, "Macros", "macroNum", 3) == "12");
  Check(ini::WriteString(file, "Fuzz Section", "Key", "value 1"));
  Check(ini::ReadString(file, "fuzz section", "KEY", 100) == "value 1");
  Check(ini::ReadString(file, "Macros", "macroNum", 3) == "12");

  // Several writes as one replacement read back like the single writes.
  ini::Batch batch(file);
  batch.WriteString("Init", "DAT_VER", "3");
  batch.WriteString("Macros", "0", "065000");
  batch.WriteInt("Macros", "macroNum", 1);
  Check(batch.Commit());
  Check(ini::ReadInt(file, "Init", "DAT_VER", 3) == 3);
  Check(ini::ReadString(file, "Macros", "0", 100) == "065000");
  Check(ini::ReadString(file, "Macros", "macroNum", 3) == "1");
  ::unlink(file.c_str());
  return 0;
}
