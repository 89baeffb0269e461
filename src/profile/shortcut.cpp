#include "profile/shortcut.h"

#include <algorithm>
#include <mutex>

#include "platform/ini_file.h"
#include "profile/macro_record.h"
#include "profile/settings.h"

ShortcutRecord g_shortcut;

namespace {

constexpr int kMaxShortcutEvents = 5;
constexpr std::uint16_t kShortcutEventDelay = 4;
constexpr std::uint8_t kActionPress = 1;
constexpr std::uint8_t kModeHeld = 2;

// The UI thread and the device input listener may rebuild at the same time.
std::mutex g_buildLock;

void AppendCode(std::string& text, std::uint8_t code) {
  if (code != kNoShortcutKey) text += std::to_string(code);
}

void BuildOne(MacroRecord& record, const std::string& stored) {
  std::vector<std::string> tokens = SplitShortcutText(stored);
  std::string name;
  int events = 0;
  for (std::size_t i = 0; i + 1 < tokens.size() && events < kMaxShortcutEvents; i += 2) {
    const std::string& code = tokens[i + 1];
    if (code.empty()) continue;
    if (!name.empty()) name += "+";
    name += tokens[i];
    record.code[events] = VkToDeviceKey(static_cast<HostKeyCode>(ini::ToInt(code) & 0xFF));
    ++events;
  }
  SetMacroName(record, name);
  record.mode = kModeHeld;
  record.repeatCount = 1;
  record.eventCount = static_cast<std::uint16_t>(events);
  for (int k = 0; k < events; ++k) {
    record.action[k] = kActionPress;
    record.delay[k] = kShortcutEventDelay;
  }
}

}  // namespace

std::vector<std::string> SplitShortcutText(std::string_view text) {
  std::vector<std::string> tokens;
  std::size_t start = 0;
  while (true) {
    std::size_t at = text.find(kShortcutSeparator, start);
    if (at == std::string_view::npos) {
      tokens.emplace_back(text.substr(start));
      return tokens;
    }
    tokens.emplace_back(text.substr(start, at - start));
    start = at + kShortcutSeparator.size();
  }
}

std::string MakeShortcutCaptureText(const std::array<bool, 4>& modifiersOn, std::string_view keyName) {
  std::string text;
  for (std::size_t i = 0; i < modifiersOn.size(); ++i) {
    if (!modifiersOn[i]) continue;
    if (!text.empty()) text += kShortcutSeparator;
    text += g_shortcut.names[i];
  }
  if (!keyName.empty()) {
    if (!text.empty()) text += kShortcutSeparator;
    text += keyName;
  }
  return text;
}

std::string MakeStoredShortcutText(const ShortcutRecord& record, std::string_view keyName) {
  std::string text;
  for (std::size_t i = 0; i < record.modifiers.size(); ++i) {
    text += record.names[i];
    text += kShortcutSeparator;
    AppendCode(text, record.modifiers[i]);
    text += kShortcutSeparator;
  }
  if (record.key != kNoShortcutKey) text += keyName;
  text += kShortcutSeparator;
  AppendCode(text, record.key);
  return text;
}

int OnShortcutCaptured(unsigned wParam, std::string_view text) {
  std::vector<std::string> tokens = SplitShortcutText(text);
  g_shortcut.key = static_cast<std::uint8_t>(wParam & 0xFF);
  g_shortcut.modifiers.fill(kNoShortcutKey);

  // With a key the last token is its name; without one every token may be a modifier.
  const std::size_t scanned = g_shortcut.key == kNoShortcutKey ? tokens.size() : tokens.size() - 1;
  for (std::size_t t = 0; t < scanned; ++t) {
    for (std::size_t i = 0; i < g_shortcut.names.size(); ++i) {
      if (tokens[t] == g_shortcut.names[i]) g_shortcut.modifiers[i] = kShortcutModifierVk[i];
    }
  }
  std::string stored = MakeStoredShortcutText(g_shortcut, tokens.back());

  const unsigned button = wParam / 256;
  const int profile = g_currentProfile.load();
  if (button < static_cast<unsigned>(kButtonCount) && profile >= 0 && profile < kProfileCount) {
    {
      std::lock_guard<std::mutex> guard(g_shortcutTextsLock);
      m_shortcutTexts[profile][button] = std::move(stored);
    }
    std::lock_guard tables(WorkerTablesLock());  // the executor reads the macros under it
    BuildShortcutMacros();
  }
  return 1;
}

void BuildShortcutMacros() {
  std::lock_guard<std::mutex> build(g_buildLock);
  for (int p = 0; p < kProfileCount; ++p) {
    for (int b = 0; b < kButtonCount; ++b) {
      if (g_keyFunc[p][b] != kShortcutAssignment) continue;
      std::string stored;
      {
        std::lock_guard<std::mutex> guard(g_shortcutTextsLock);
        stored = m_shortcutTexts[p][b];
      }
      BuildOne(g_profileMacros[p][b], stored);
    }
  }
}

std::string GetKeyDisplayName(DeviceKeyCode code) { return DeviceKeyName(code); }
