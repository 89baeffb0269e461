#include "profile/macro_editing.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

#include "keys/language.h"
#include "profile/core_hooks.h"
#include "profile/macro_library.h"
#include "profile/shortcut.h"

std::atomic<int> g_recordKeyDowns{0};
std::atomic<int> g_recordKeyUps{0};

namespace {

constexpr int kTipKindFull = 6;
constexpr int kTipTooMany = 21;
constexpr int kTextDpiReset = 11;
constexpr int kTextDelaySuffix = 12;
constexpr int kTextLightingStep = 13;
constexpr int kTextLightingUnknown = 14;
constexpr int kTextPureDelay = 17;
constexpr const char* kDpiChoices = "CPI(:200/400/600/800/1000/1200/1600/2000/2400/3200/4000/4800)";

namespace Code = MacroEventCode;

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The number of an all-digit text, saturated so that long texts cannot overflow.
int DigitsValue(std::string_view text) {
  long long value = 0;
  for (char c : text) value = std::min<long long>(value * 10 + (c - '0'), 1'000'000'000);
  return static_cast<int>(value);
}

// The leading number of a text (blanks skipped; 0 when none), saturated.
int LeadingNumber(std::string_view text) {
  std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return 0;
  std::size_t end = start;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  return DigitsValue(text.substr(start, end - start));
}

bool ValidBlock(int index) { return index >= 0 && index < kMacroBlockCount; }

void MoveEvent(MacroRecord& r, int to, int from) {
  r.action[to] = r.action[from];
  r.code[to] = r.code[from];
  r.param[to] = r.param[from];
  r.delay[to] = r.delay[from];
}

void ClearEvent(MacroRecord& r, int i) {
  r.action[i] = 0;
  r.code[i] = 0;
  r.param[i] = {};
  r.delay[i] = 0;
}

void Decrement(std::uint16_t& counter) {
  if (counter > 0) --counter;
}

// A block-carrying event was deleted: the later events of the same code take the block
// below theirs, and the block freed at the end is cleared. Indices read from files are
// used only when they name a block.
void CloseBlockGap(MacroRecord& r, int deleted, int eventCount, std::uint8_t code,
                   std::array<std::array<std::uint8_t, kMacroBlockSize>, kMacroBlockCount>& blocks,
                   std::uint8_t& blockCount) {
  if (blockCount > 0) --blockCount;
  for (int j = deleted + 1; j < eventCount; ++j) {
    if (r.code[j] != code) continue;
    const int index = r.param[j].a;
    if (!ValidBlock(index) || index == 0) continue;
    blocks[index - 1] = blocks[index];
    r.param[j].a = static_cast<std::uint16_t>(index - 1);
  }
  if (ValidBlock(blockCount)) blocks[blockCount] = {};
}

}  // namespace

// ---- Rows -------------------------------------------------------------------------------

std::string DpiStepText(int step) {
  static constexpr std::array<const char*, 15> kValues = {"200",  "400",  "600",  "800",  "1000",
                                                          "1200", "1600", "1600", "2000", "2000",
                                                          "2400", "2400", "3200", "4000", "4800"};
  const char* value = step >= 1 && step <= 15 ? kValues[static_cast<std::size_t>(step - 1)] : "800";
  return std::string("[DPI]:") + value + " ";
}

EventRow EventRowOf(const MacroRecord& r, int i) {
  if (i < 0 || i >= kMacroMaxEvents) return {};
  const std::uint8_t code = r.code[i];
  const std::uint8_t action = r.action[i];
  const MacroParam p = r.param[i];
  char buffer[64];
  switch (code) {
    case Code::PointerMove: {
      static constexpr std::array<const char*, 4> kForms = {"[X-]:%d,[Y-]:%d", "[X-]:%d,[Y+]:%d", "[X+]:%d,[Y-]:%d",
                                                            "[X+]:%d,[Y+]:%d"};
      if (action < 3 || action > 6) return {"[X]:eeror,[Y]:eeror", kEventIconMove};
      std::snprintf(buffer, sizeof buffer, kForms[static_cast<std::size_t>(action - 3)], p.a, p.b);
      return {buffer, kEventIconMove};
    }
    case Code::DpiStep:
      if (action == 9) return {DpiStepText(p.a), kEventIconDpi};
      if (action == 10) return {g_textOther[kTextDpiReset], kEventIconDpi};
      return {"[DPI]:Error", kEventIconDpi};
    case Code::LightingStep:
      if (action >= 13 && action <= 15) {
        return {g_textOther[kTextLightingStep] + std::to_string(p.a + 1), kEventIconLighting};
      }
      return {g_textOther[kTextLightingStep] + g_textOther[kTextLightingUnknown], kEventIconLighting};
    case Code::Delay:
      return {g_textOther[kTextPureDelay], kEventIconPlain};
    default: {
      const int icon = action == 1 ? kEventIconDown : action == 2 ? kEventIconUp : kEventIconPlain;
      return {GetKeyDisplayName(code), icon};
    }
  }
}

namespace {
EventRow DelayRow(const MacroRecord& r, int i) {
  return {std::to_string(r.delay[i]) + g_textOther[kTextDelaySuffix], kEventIconPlain};
}
}  // namespace

std::vector<EventRow> FormatMacroEvent(const MacroRecord& r, int i) {
  const int count = std::min<int>(r.eventCount, kMacroMaxEvents);
  std::vector<EventRow> rows;
  if (i < 0 || i >= count) return rows;
  if (i > 0) rows.push_back(DelayRow(r, i - 1));
  rows.push_back(EventRowOf(r, i));
  if (r.code[i] != Code::Delay && r.code[i] != Code::PointerMove && r.code[i] != Code::DpiStep &&
      r.code[i] != Code::LightingStep) {
    if (r.action[i] == 1) ++g_recordKeyDowns;
    if (r.action[i] == 2) ++g_recordKeyUps;
  }
  if (i == count - 1) rows.push_back(DelayRow(r, i));
  return rows;
}

std::vector<EventRow> MacroEventRows(const MacroRecord& r) {
  std::vector<EventRow> rows;
  const int count = std::min<int>(r.eventCount, kMacroMaxEvents);
  rows.reserve(static_cast<std::size_t>(2 * count));
  for (int i = 0; i < count; ++i) {
    std::vector<EventRow> part = FormatMacroEvent(r, i);
    rows.insert(rows.end(), part.begin(), part.end());
  }
  return rows;
}

// ---- Insertion and deletion -------------------------------------------------------------

bool InsertMacroEvent(MacroRecord& r, int position, std::uint8_t code, std::uint8_t action) {
  const int n = std::min<int>(r.eventCount, kMacroMaxEvents);
  if (n + 1 > kMacroMaxEvents) {
    ShowTipWarning(kTipTooMany);
    return false;
  }
  if ((code == Code::PointerMove && r.moveCount >= kMaxMoveEvents) ||
      (code == Code::DpiStep && r.cpiCount >= kMaxDpiSteps) ||
      (code == Code::LightingStep && r.ledBlockCount >= kMacroBlockCount)) {
    ShowTipWarning(kTipKindFull);
    return false;
  }
  const int p = std::clamp(position, 0, n);
  r.eventCount = static_cast<std::uint16_t>(n + 1);
  for (int j = n; j > p; --j) MoveEvent(r, j, j - 1);
  r.code[p] = code;
  r.action[p] = action;
  r.delay[p] = kNewEventDelay;

  switch (code) {
    case Code::PointerMove:
      r.param[p] = {0, 10};  // no horizontal step until one is typed
      ++r.moveCount;
      break;
    case Code::DpiStep:
      r.param[p] = {4, 0};
      ++r.cpiCount;
      break;
    case Code::LightingStep: {
      // The later steps' blocks move up one place, from the last one down, so that each
      // keeps its data; a block that would leave the table stays where it is.
      for (int j = n; j > p; --j) {
        if (r.code[j] != Code::LightingStep) continue;
        const int index = r.param[j].a;
        if (!ValidBlock(index + 1)) continue;
        r.ledBlocks[index + 1] = r.ledBlocks[index];
        r.param[j].a = static_cast<std::uint16_t>(index + 1);
      }
      int index = 0;
      for (int j = p - 1; j >= 0; --j) {
        if (r.code[j] == Code::LightingStep) {
          index = std::min(r.param[j].a + 1, kMacroBlockCount - 1);
          break;
        }
      }
      r.param[p] = {static_cast<std::uint16_t>(index), 0};
      r.ledBlocks[index] = {};
      r.ledBlocks[index][0] = 1;
      r.ledBlocks[index][6] = 10;
      ++r.ledBlockCount;
      break;
    }
    default:
      break;
  }
  return true;
}

bool DeleteMacroEvent(MacroRecord& r, int e) {
  const int n = std::min<int>(r.eventCount, kMacroMaxEvents);
  if (n == 0 || e < 0 || e >= n) return false;
  r.eventCount = static_cast<std::uint16_t>(n - 1);
  switch (r.code[e]) {
    case Code::PointerMove: Decrement(r.moveCount); break;
    case Code::Kind247: Decrement(r.kind247Count); break;
    case Code::DpiStep: Decrement(r.cpiCount); break;
    case Code::Kind250: Decrement(r.kind250Count); break;
    case Code::LightingStep: CloseBlockGap(r, e, n, Code::LightingStep, r.ledBlocks, r.ledBlockCount); break;
    case Code::Kind251: CloseBlockGap(r, e, n, Code::Kind251, r.blocks251, r.kind251BlockCount); break;
    default: break;
  }
  for (int j = e; j + 1 < n; ++j) MoveEvent(r, j, j + 1);
  ClearEvent(r, n - 1);
  return true;
}

std::optional<InsertCommand> InsertCommandForItem(int item) {
  if (item == 145) return InsertCommand{Code::LightingStep, 13, false};
  if (item == 146) return InsertCommand{Code::Delay, 0, false};
  if (item >= 241 && item <= 252) {
    const int k = item - 241;  // 0..5 before, 6..11 after
    const std::uint8_t button = static_cast<std::uint8_t>(Code::LeftButton + (k % 6) / 2);
    return InsertCommand{button, static_cast<std::uint8_t>(k % 2 + 1), k < 6};
  }
  if (item >= 253 && item <= 256) return InsertCommand{Code::PointerMove, static_cast<std::uint8_t>(item - 250), false};
  if (item == 257 || item == 258) return InsertCommand{Code::DpiStep, static_cast<std::uint8_t>(item - 248), false};
  return std::nullopt;
}

int InsertPosition(bool before, int eventIndex, int eventCount) {
  if (eventCount <= 0) return 0;
  return std::clamp(before ? eventIndex : eventIndex + 1, 0, eventCount);
}

bool InsertFromMenu(MacroRecord& r, int item, int eventIndex) {
  const std::optional<InsertCommand> command = InsertCommandForItem(item);
  if (!command) return false;
  if (item == 145 && r.ledBlockCount >= kMacroBlockCount) {
    ShowTipWarning(kTipTooMany);
    return false;
  }
  const int position = InsertPosition(command->before, eventIndex, std::min<int>(r.eventCount, kMacroMaxEvents));
  return InsertMacroEvent(r, position, command->code, command->action);
}

// ---- Values typed into the lists --------------------------------------------------------

std::optional<int> ParseDelayEdit(std::string_view text, std::string_view suffix) {
  std::string_view digits = text;
  if (!AllDigits(digits)) {
    const std::size_t at = suffix.empty() ? std::string_view::npos : text.find(suffix);
    if (at == std::string_view::npos) return std::nullopt;
    digits = text.substr(0, at);
    if (!AllDigits(digits)) return std::nullopt;
  }
  int value = DigitsValue(digits);
  if (value > kMaxEventDelay) {
    ShowTipWarning(kTipTooMany);
    value = kMaxEventDelay;
  }
  return value;
}

int ParseDpiEdit(std::string_view text) {
  static constexpr std::array<std::pair<int, int>, 12> kSteps = {
      {{200, 1}, {400, 2}, {600, 3}, {800, 4}, {1000, 5}, {1200, 6}, {1600, 7}, {2000, 9}, {2400, 11},
       {3200, 13}, {4000, 14}, {4800, 15}}};
  const std::size_t colon = text.find(':');
  const int value = colon == std::string_view::npos ? -1 : LeadingNumber(text.substr(colon + 1));
  for (const auto& [dpi, step] : kSteps) {
    if (dpi == value) return step;
  }
  ShowMessageWarning(kDpiChoices);
  return 4;
}

std::optional<MacroParam> ParseMoveEdit(std::string_view text) {
  const std::size_t colon = text.find(':');
  const std::size_t comma = colon == std::string_view::npos ? colon : text.find(',', colon + 1);
  if (comma == std::string_view::npos) return std::nullopt;
  const std::size_t colonY = text.find(':', comma + 1);
  if (colonY == std::string_view::npos) return std::nullopt;
  const std::string_view x = text.substr(colon + 1, comma - colon - 1);
  const std::string_view y = text.substr(colonY + 1);
  if (!AllDigits(x) || !AllDigits(y)) return std::nullopt;
  int magnitudes[2] = {DigitsValue(x), DigitsValue(y)};
  const char* names[2] = {"[X]; ", "[Y]; "};
  for (int k = 0; k < 2; ++k) {
    if (magnitudes[k] > kMaxMoveMagnitude) {
      ShowTipWarning(kTipKindFull, names[k]);
      magnitudes[k] = kMaxMoveMagnitude;
    }
  }
  return MacroParam{static_cast<std::uint16_t>(magnitudes[0]), static_cast<std::uint16_t>(magnitudes[1])};
}

bool ApplyEventRowEdit(MacroRecord& r, int row, std::string_view text, std::string_view delaySuffix) {
  const int e = row / 2;
  if (row < 0 || e >= std::min<int>(r.eventCount, kMacroMaxEvents) || text.empty()) return false;
  if (row % 2 == 1) {
    std::optional<int> delay = ParseDelayEdit(text, delaySuffix);
    if (!delay) return false;
    r.delay[e] = static_cast<std::uint16_t>(*delay);
    return true;
  }
  if (r.code[e] == Code::DpiStep && r.action[e] == 9) {
    r.param[e].a = static_cast<std::uint16_t>(ParseDpiEdit(text));
    return true;
  }
  if (r.code[e] == Code::PointerMove) {
    std::optional<MacroParam> move = ParseMoveEdit(text);
    if (!move) return false;
    r.param[e] = *move;
    return true;
  }
  return false;
}

std::optional<int> ParseLedStepValueEdit(std::string_view text) {
  std::string_view digits = text;
  if (!AllDigits(digits)) {
    // The row reads "<label>:<value>*122<unit>": the value ends six characters before
    // the end. A text too short for that holds no value.
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || text.size() < 6 || colon + 1 > text.size() - 6) return std::nullopt;
    digits = text.substr(colon + 1, text.size() - 6 - (colon + 1));
    if (!AllDigits(digits)) return std::nullopt;
  }
  int value = DigitsValue(digits);
  if (value > kMaxLedStepValue) {
    ShowTipWarning(kTipTooMany);
    value = kMaxLedStepValue;
  }
  return std::max(value, 1);
}

bool ApplyLedStepEdit(MacroRecord& r, int block, int row, std::string_view text) {
  if (!ValidBlock(block) || row < 0 || row + 4 >= kMacroBlockSize) return false;
  std::optional<int> value = ParseLedStepValueEdit(text);
  if (!value) return false;
  r.ledBlocks[block][row + 4] = static_cast<std::uint8_t>(*value);
  return true;
}

// ---- Play modes and count ---------------------------------------------------------------

int ClampPlayCount(std::string_view text) {
  const int value = AllDigits(text) ? DigitsValue(text) : 0;
  return std::clamp(value, 1, kMaxPlayCount);
}

std::optional<PlayCountView> PlayCountViewOf(const MacroRecord& r) {
  switch (r.mode & 3) {
    case 0: return PlayCountView{std::to_string(std::clamp<int>(r.repeatCount, 1, kMaxPlayCount)), true};
    case 3: return std::nullopt;
    default: return PlayCountView{"1", false};
  }
}

std::optional<PlayCountView> SetPlayMode(MacroRecord& r, int entry) {
  switch (entry) {
    case 6:
    case 7:
      r.mode = static_cast<std::uint8_t>((r.mode & 0xF8) + (entry == 6 ? 2 : 1));
      r.repeatCount = 1;
      return PlayCountView{"1", false};
    case 8:
      r.mode = static_cast<std::uint8_t>(r.mode & 0xF4);
      return PlayCountView{std::to_string(std::clamp<int>(r.repeatCount, 1, kMaxPlayCount)), true};
    default:
      return std::nullopt;
  }
}

// ---- A recording that does not end by its stop ---------------------------------------

namespace {
struct KeptMacro {
  bool kept = false;
  int group = -1;
  int macro = -1;
  MacroRecord record;
};
KeptMacro g_keptMacro;
}  // namespace

void KeepMacroBeforeRecording(int macro) {
  if (macro < 0 || macro >= kMacroTableSize) return;
  g_keptMacro.kept = true;
  g_keptMacro.group = g_curGroup.load();
  g_keptMacro.macro = macro;
  g_keptMacro.record = g_groupMacros[static_cast<std::size_t>(macro)];
}

bool RestoreMacroAfterAbandonedRecording() {
  const bool restore = g_keptMacro.kept && g_keptMacro.group == g_curGroup.load();
  if (restore) g_groupMacros[static_cast<std::size_t>(g_keptMacro.macro)] = g_keptMacro.record;
  g_keptMacro.kept = false;
  return restore;
}

void ForgetMacroBeforeRecording() { g_keptMacro.kept = false; }
