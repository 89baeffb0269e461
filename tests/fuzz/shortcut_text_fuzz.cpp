// Feeds arbitrary text to the readers of key combinations: as the value of K<n> in a
// settings file (the code, then the stored text after the first comma) loaded as a
// profile, and as the text the capture dialog hands over. Checks that the macro built
// from a stored text has one key press per pair with a code (at most five), and that
// a captured combination is stored as ten tokens that build the same presses again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "keys/language.h"
#include "profile/macro_record.h"
#include "profile/settings.h"
#include "profile/shortcut.h"
#include "tests/fuzz/fuzz_files.h"

namespace {

using fuzzfiles::Check;

// The presses a stored text asks for: pairs of name and code whose code is not empty.
int ExpectedPresses(const std::string& stored) {
  const std::vector<std::string> tokens = SplitShortcutText(stored);
  int presses = 0;
  for (std::size_t i = 0; i + 1 < tokens.size(); i += 2) presses += tokens[i + 1].empty() ? 0 : 1;
  return std::min(presses, 5);
}

void CheckMacro(const MacroRecord& record, int presses) {
  Check(record.eventCount == presses);
  Check(record.mode == 2 && record.repeatCount == 1);
  for (int k = 0; k < presses; ++k) Check(record.action[k] == 1 && record.delay[k] == 4);
  Check(MacroName(record).size() <= 4 * kMacroNameUnits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static const std::string folder = fuzzfiles::PrivateFolder("shortcut_text_fuzz") + "/";
  g_language = size % 2 == 0 ? 1 : 0;
  g_currentProfile = 0;

  // K3 of profile 1 as a settings file holds it, read as the start-up reads it.
  const std::string settings = "[Config1]\nK3=" + std::string(text) + "\n[ShareData]\nDPI_LEVEL=1\n";
  fuzzfiles::WriteBytes(folder + "config.ini", reinterpret_cast<const std::uint8_t*>(settings.data()), settings.size());
  Check(LoadProfile(folder, 1, false));
  if (g_keyFunc[1][3] == kShortcutAssignment) CheckMacro(g_profileMacros[1][3], ExpectedPresses(m_shortcutTexts[1][3]));

  // The same text as a capture, for a key code taken from the input.
  const unsigned key = size > 0 ? data[0] : kNoShortcutKey;
  g_keyFunc[0][5] = kShortcutAssignment;
  Check(OnShortcutCaptured(5 * 256 + key, text) == 1);
  const std::string stored = m_shortcutTexts[0][5];
  const std::vector<std::string> captured = SplitShortcutText(text);
  if (captured.back().find('&') == std::string::npos) Check(SplitShortcutText(stored).size() == 10);
  int modifiers = 0;
  for (std::uint8_t m : g_shortcut.modifiers) modifiers += m == kNoShortcutKey ? 0 : 1;
  CheckMacro(g_profileMacros[0][5], ExpectedPresses(stored));
  if (captured.back().find('&') == std::string::npos)
    Check(ExpectedPresses(stored) == modifiers + (key == kNoShortcutKey ? 0 : 1));
  return 0;
}
