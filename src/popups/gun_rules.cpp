#include "popups/gun_rules.h"

#include <algorithm>
#include <cstdint>

#include "profile/macro_files.h"
#include "profile/macro_record.h"

int g_currentGunPreset = 0;

namespace {

MacroRecord* Preset(int n) {
  if (n < 0 || n >= std::min<int>(g_gunMacroCount, kMacroTableSize)) return nullptr;
  return &g_gunMacros[static_cast<std::size_t>(n)];
}

}  // namespace

std::optional<int> GunVerticalStep(int preset) {
  const MacroRecord* record = Preset(preset);
  if (record == nullptr || record->moveCount == 0) return std::nullopt;
  for (const MacroParam& p : record->param)
    if (p.b != 0) return p.b;
  return std::nullopt;
}

std::optional<GunEditValues> GunPresetEditValues(int preset) {
  const MacroRecord* record = Preset(preset);
  if (record == nullptr) return std::nullopt;
  GunEditValues v;
  if (record->eventCount != 0) {
    const int mode = record->mode & 3;
    if (mode == 0) {
      v.repeat = std::to_string(record->repeatCount);
    } else {
      v.repeat = "1";
      v.repeatEnabled = false;
    }
    v.delay = std::to_string(record->delay[0]);
  }
  if (const std::optional<int> step = GunVerticalStep(preset)) {
    v.step = std::to_string(*step);
  } else {
    v.stepEnabled = false;
  }
  return v;
}

int GunEditNumber(std::string_view text) {
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = std::min(value * 10 + (c - '0'), 0x7FFFFFFFL);
  }
  return static_cast<int>(value);
}

int ClampGunStep(int step) { return std::clamp(step, 1, 99); }

bool StoreGunOk(int preset, std::string_view repeat, std::string_view step, std::string_view delay) {
  MacroRecord* record = Preset(preset);
  if (record == nullptr) return false;
  const bool hasStep = GunVerticalStep(preset).has_value();
  record->repeatCount = static_cast<std::uint16_t>(GunEditNumber(repeat));
  const auto pause = static_cast<std::uint16_t>(GunEditNumber(delay));
  record->delay[0] = pause;
  record->delay[1] = pause;
  const int y = ClampGunStep(GunEditNumber(step));
  if (hasStep) {
    record->yOffsetOn = 1;
    record->yOffset = static_cast<std::uint8_t>(y);
  }
  ExportGunMacro(preset, y);  // without a vertical step no move is changed
  return true;
}

bool StoreGunPresetChange(int previous, std::string_view repeat, std::string_view step) {
  MacroRecord* record = Preset(previous);
  if (record == nullptr) return false;
  record->repeatCount = static_cast<std::uint16_t>(GunEditNumber(repeat));
  ExportGunMacro(previous, ClampGunStep(GunEditNumber(step)));
  return true;
}

int SetGunRepeatWhileHeld(int preset) {
  MacroRecord* record = Preset(preset);
  if (record == nullptr) return 1;
  record->mode = static_cast<std::uint8_t>((record->mode & 0xF8) + 2);
  record->repeatCount = 1;
  return 1;
}

int SetGunFixedCount(int preset) {
  MacroRecord* record = Preset(preset);
  if (record == nullptr) return 1;
  record->mode = static_cast<std::uint8_t>(record->mode & 0xF4);
  if (record->repeatCount == 0) record->repeatCount = 1;
  return record->repeatCount;
}

int GunModeMarker(int preset) {
  const MacroRecord* record = Preset(preset);
  if (record == nullptr) return -1;
  switch (record->mode & 3) {
    case 2: return 9;
    case 0: return 8;
    default: return -1;
  }
}
