#include "profile/macro_record.h"

#include <algorithm>

#include "platform/text_codec.h"

MacroTable g_groupMacros{};
std::int16_t g_groupMacroCount = 0;
MacroTable g_constMacros{};
std::int16_t g_constMacroCount = 0;
MacroTable g_gunMacros{};
std::int16_t g_gunMacroCount = 0;
std::array<std::array<MacroRecord, kProfileMacroSlots>, 4> g_profileMacros{};
MacroRecord g_currentMacro{};

void ClearMacroRecord(MacroRecord& record) {
  const std::uint8_t yOffsetOn = record.yOffsetOn;
  const std::uint8_t yOffset = record.yOffset;
  const std::array<std::uint8_t, 4> headerTail = record.headerTail;
  record = MacroRecord{};
  record.yOffsetOn = yOffsetOn;
  record.yOffset = yOffset;
  record.headerTail = headerTail;
}

void ClearMacroRecord(std::span<MacroRecord> table, int n) {
  if (n < 0 || static_cast<std::size_t>(n) >= table.size()) return;
  ClearMacroRecord(table[static_cast<std::size_t>(n)]);
}

MacroRecord UnrollMacroRepeats(const MacroRecord& record, int n, int repeats) {
  MacroRecord copy = record;
  if (n < 1 || repeats < 2) return copy;
  n = std::min(n, kMacroMaxEvents);
  // Whole passes only: every slot index r * n + s stays below 275, and so does the
  // event count, which grows by n per added pass from what the record already holds.
  const int startCount = std::min<int>(copy.eventCount, kMacroMaxEvents);
  const int bySlots = kMacroMaxEvents / n;
  const int byCount = (kMacroMaxEvents - startCount) / n + 1;
  const int passes = std::min({repeats, bySlots, byCount});
  for (int r = 1; r < passes; ++r) {
    for (int s = 0; s < n; ++s) {
      const std::size_t src = static_cast<std::size_t>(s);
      const std::size_t dst = static_cast<std::size_t>(r * n + s);
      std::uint8_t code = record.code[src];
      if (code == MacroEventCode::PointerMove) ++copy.moveCount;
      if (code > MacroEventCode::PointerMove) code = MacroEventCode::Delay;
      ++copy.eventCount;
      copy.code[dst] = code;
      copy.action[dst] = record.action[src];
      copy.delay[dst] = record.delay[src];
      copy.param[dst] = record.param[src];
    }
  }
  return copy;
}

std::string MacroNameFromBytes(const std::array<std::uint8_t, kMacroNameBytes>& bytes) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return Utf16ToUtf8(units);
}

std::string MacroName(const MacroRecord& record) { return MacroNameFromBytes(record.name); }

namespace {
// The UTF-16 units the name field keeps of a name: up to a zero unit (which would end
// the name when read back), at most 30, never half a surrogate pair.
std::u16string NameUnits(std::string_view name) {
  std::u16string units = Utf8ToUtf16(name);
  const std::size_t zero = units.find(u'\0');
  if (zero != std::u16string::npos) units.resize(zero);
  return CutUtf16(units, kMacroNameUnits);
}
}  // namespace

void SetMacroName(MacroRecord& record, std::string_view name) {
  const std::u16string units = NameUnits(name);
  record.name.fill(0);
  for (std::size_t i = 0; i < units.size(); ++i) {
    record.name[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
    record.name[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
  }
}

std::string FitMacroName(std::string_view name) {
  return Utf16ToUtf8(NameUnits(name));
}
