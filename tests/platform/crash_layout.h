// The file that the crash test and its writer agree on: kSections sections of kKeys
// keys, every value of one generation, then [Meta] G = the last finished generation.
// Few long values, so that a writer spends most of its time writing the file.
#pragma once

#include <string>

namespace crash_layout {

constexpr int kSections = 4;
constexpr int kKeys = 5;

inline std::string Numbered(char letter, long long n) {
  std::string out(1, letter);
  out += std::to_string(n);
  return out;
}
inline std::string Section(int s) { return Numbered('S', s); }
inline std::string Key(int k) { return Numbered('K', k); }
inline std::string Value(long long gen) { return std::to_string(gen) + "_" + std::string(20000, 'x'); }

// The whole file for key generation gen and meta generation meta.
inline std::string Render(long long gen, long long meta) {
  std::string out;
  for (int s = 0; s < kSections; ++s) {
    out += '[';
    out += Section(s);
    out += "]\n";
    for (int k = 0; k < kKeys; ++k) out += Key(k) + "=" + Value(gen) + "\n";
  }
  return out + "[Meta]\nG=" + std::to_string(meta) + "\n";
}

}  // namespace crash_layout
