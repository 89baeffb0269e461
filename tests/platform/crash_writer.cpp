// Helper of the crash test: rewrites one INI file generation after generation until
// it is killed. Usage: ini_crash_writer <file> <first generation>. Writes one byte to
// standard output each time a generation is on disk.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "crash_layout.h"
#include "platform/ini_file.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string file = argv[1];
  for (long long gen = std::atoll(argv[2]);; ++gen) {
    ini::Batch batch(file);
    for (int s = 0; s < crash_layout::kSections; ++s)
      for (int k = 0; k < crash_layout::kKeys; ++k)
        batch.WriteString(crash_layout::Section(s), crash_layout::Key(k), crash_layout::Value(gen));
    if (!batch.Commit()) return 3;
    if (!ini::WriteInt(file, "Meta", "G", gen)) return 4;
    if (::write(1, "r", 1) != 1) return 5;
  }
}
