#include "device/settings_image_check.h"

#include <algorithm>

#include "profile/settings.h"

namespace {

// The highest fire time whose eighth fits the image's 16-bit field.
constexpr int kMaxFireTime = 0xFFFF * 8 + 7;
constexpr int kMaxColourLevel = 15;
constexpr int kMaxReactionType = 3;  // two bits above the reaction enable
constexpr int kMaxLedType = 13;
constexpr int kMaxColourIndex = 6;

class RangeCheck {
 public:
  // Records the first value outside lo..hi; later ones are not looked at.
  void Expect(const std::string& name, long long value, long long lo, long long hi) {
    if (value < lo || value > hi)
      Fail(name + " = " + std::to_string(value) + ", not " + std::to_string(lo) + " to " + std::to_string(hi));
  }
  void Fail(const std::string& fault) {
    if (fault_.empty()) fault_ = fault;
  }
  const std::string& Fault() const { return fault_; }

 private:
  std::string fault_;
};

std::string Numbered(const char* name, int n, const char* tail = "") {
  return name + std::to_string(n) + tail;
}

void CheckKeyMap(RangeCheck& check) {
  const int keys = g_keyCount.load();
  check.Expect("KeyNum", keys, 0, kButtonCount);
  std::array<bool, kDeviceSlotCount + 1> taken{};
  for (int i = 0; i < std::clamp(keys, 0, kButtonCount); ++i) {
    const int key = g_keyMap[static_cast<std::size_t>(i)];
    check.Expect(Numbered("K", i + 1, "_MAP"), key, 1, kDeviceSlotCount);
    if (key < 1 || key > kDeviceSlotCount) continue;
    // Two buttons on one key number: the later one takes the other's place.
    if (taken[static_cast<std::size_t>(key)]) check.Fail(Numbered("K", i + 1, "_MAP") + " = " + std::to_string(key) + ", a key number used twice");
    taken[static_cast<std::size_t>(key)] = true;
  }
}

void CheckButtons(RangeCheck& check) {
  const int keys = std::clamp(g_keyCount.load(), 0, kButtonCount);
  for (int p = 0; p < kProfileCount; ++p) {
    const std::string of = " of " + ProfileSectionName(p);
    for (int i = 0; i < keys; ++i) {
      const auto pi = static_cast<std::size_t>(p);
      const auto bi = static_cast<std::size_t>(i);
      check.Expect(Numbered("LED_REACT_EN", i) + of, g_ledReactEnable[pi][bi], 0, 1);
      check.Expect(Numbered("LED_REACT_TYPE", i) + of, g_ledReactType[pi][bi], 0, kMaxReactionType);
    }
  }
  for (int i = 0; i < keys; ++i) check.Expect(Numbered("MAC_COR", i), g_macCor[static_cast<std::size_t>(i)], 0, kMaxColourIndex);
}

void CheckColours(RangeCheck& check, const char* prefix, const auto& levels) {
  static const char* const kChannels[3] = {"_R", "_G", "_B"};
  for (std::size_t j = 0; j < levels.size(); ++j)
    for (int c = 0; c < 3; ++c)
      check.Expect(Numbered(prefix, static_cast<int>(j), kChannels[c]), levels[j][static_cast<std::size_t>(c)], 0,
                   kMaxColourLevel);
}

void CheckSharedSettings(RangeCheck& check) {
  for (int j = 0; j < kDpiLevelCount; ++j)
    check.Expect(Numbered("DPI_SET", j), g_dpiSetValue[static_cast<std::size_t>(j)], 0,
                 static_cast<long long>(g_dpiCodeTable.size()) - 1);
  CheckColours(check, "DPI", g_dpiColorLevel);
  CheckColours(check, "LED_USER", g_userLedColorLevel);
  check.Expect("LED_TYPE", g_ledType.load(), 0, kMaxLedType);
  check.Expect("LED_CYCTIME", g_ledSpeed.load(), 0, 7);
  check.Expect("LED_USER_COLER_EN", g_ledUserColerEn.load(), 0, 1);
  for (int k = 0; k < kCycleColorCount; ++k)
    check.Expect(Numbered("CYC_7COL_EN bit ", k), g_cycColorEnable[static_cast<std::size_t>(k)], 0, 1);
  check.Expect("FIRE_TIME", g_fireTime.load(), 0, kMaxFireTime);
  check.Expect("LED_FEATURE_SYMMETRY", g_ledSymmetry.load(), 0, 1);
  check.Expect("LED_FEATURE_DIREC", g_ledDirection.load(), 0, 3);
  check.Expect("LED_BRIGHT", g_ledBright.load(), 0, 7);
  check.Expect("MODE_LIGHT", g_modeLight.load(), 0, 1);
  check.Expect("lighting effect level", g_ledEffectLevel.load(), 0, 15);
  check.Expect("CurConfig", g_currentProfile.load(), 0, kProfileCount - 1);
}

// Profile 0's entries in the image: slots 1..8, 9 and 10..12.
std::array<std::uint8_t, kButtonCount> ProfileZeroEntries(const DeviceMemoryImage& image) {
  const auto& b = image.settings;
  return {b[0][0], b[0][1], b[0][2], b[0][3], b[0][4], b[0][5], b[0][6], b[0][7], b[1][0], b[6][3], b[6][4], b[6][5]};
}

}  // namespace

std::string SettingOutOfRange() {
  RangeCheck check;
  CheckKeyMap(check);
  CheckButtons(check);
  CheckSharedSettings(check);
  return check.Fault();
}

bool ImageKeepsLeftClick(const DeviceMemoryImage& image) {
  const auto entries = ProfileZeroEntries(image);
  return std::any_of(entries.begin(), entries.end(),
                     [](std::uint8_t entry) { return (entry & kEntryFunctionMask) == DeviceFunction::LeftClick; });
}

ImageVerdict CheckSettingsImage(const DeviceMemoryImage& image) {
  if (std::string fault = SettingOutOfRange(); !fault.empty()) return {ImageVerdict::Kind::OutOfRange, fault};
  if (!ImageKeepsLeftClick(image)) return {ImageVerdict::Kind::NoLeftClick, "no button of profile 0 has the left click"};
  return {};
}

DeviceMemoryImage ImageOfTables() {
  std::array<std::array<int, kButtonCount>, kProfileCount> functions{};
  std::array<std::array<int, kButtonCount>, kProfileCount> codes{};
  const int keys = std::clamp(g_keyCount.load(), 0, kButtonCount);
  for (std::size_t p = 0; p < kProfileCount; ++p)
    for (std::size_t i = 0; i < static_cast<std::size_t>(keys); ++i) {
      codes[p][i] = g_keyFunc[p][i];
      functions[p][i] = DeviceFunctionCode(codes[p][i], 0, g_leftMac[p][i]);
    }
  ImageInputs inputs;
  inputs.profile = g_currentProfile.load();
  inputs.effect = ComputeLedEffect(g_ledType.load(), g_ledSpeed.load(), LedEffect{});
  inputs.cycleColours = CycleColourBits();
  return BuildMemoryImage(BuildSlotTables(functions, codes), inputs);
}
