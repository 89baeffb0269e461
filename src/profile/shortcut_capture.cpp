#include "profile/shortcut_capture.h"

#include "keys/key_capture.h"
#include "platform/ini_file.h"

void ShortcutCapture::Load(std::string_view storedText, int assignment) {
  Clear();
  if (assignment != kShortcutAssignment) return;
  const std::vector<std::string> tokens = SplitShortcutText(storedText);
  for (std::size_t k = 0; k + 1 < tokens.size(); k += 2) {
    for (std::size_t m = 0; m < modifiers.size(); ++m) {
      if (tokens[k] == g_shortcut.names[m]) modifiers[m] = !tokens[k + 1].empty();
    }
    if (k + 2 == tokens.size()) {  // the last pair is the key
      vk = tokens[k].empty() ? kNoShortcutKey : static_cast<std::uint8_t>(ini::ToInt(tokens[k + 1]) & 0xFF);
      keyName = tokens[k];
    }
  }
}

void ShortcutCapture::OnKey(HostKeyCode key) {
  if (IsModifierHostKey(key)) return;
  vk = key;
  keyName = ShortcutKeyName(key);
}

void ShortcutCapture::Clear() {
  modifiers.fill(false);
  vk = kNoShortcutKey;
  keyName.clear();
}

void ShortcutCapture::Toggle(int modifier) {
  if (modifier >= 0 && modifier < static_cast<int>(modifiers.size())) modifiers[modifier] = !modifiers[modifier];
}

std::string ShortcutCapture::ModifierDisplay() const {
  std::string text;
  for (std::size_t m = 0; m < modifiers.size(); ++m) {
    if (!modifiers[m]) continue;
    if (!text.empty()) text += "+";
    text += g_shortcut.names[m];
  }
  return text;
}

std::string ShortcutKeyName(HostKeyCode key) {
  std::string name = DeviceKeyName(VkToDeviceKey(key));
  if (name.empty() || name == "NULL") return "未知";
  return name;
}
