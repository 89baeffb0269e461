// Fills every settings table that goes into the mouse's settings image with arbitrary
// values and runs the check before a download. The image must either be refused, or
// carry every value as the tables hold it: each field read back from the image gives
// the table's value (nothing cut to its field or spilled into a neighbour), the DPI
// level is one of the six and enabled, and profile 0 keeps a left click.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "device/memory_image.h"
#include "device/settings_image_check.h"
#include "profile/settings.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// Values mostly within 0..hi, so that a mutated passing set often passes again, and now
// and then just outside it or any int at all.
class Values {
 public:
  Values(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int Next(int hi) {
    const int b = Byte();
    if (b < 0xF0) return b % (hi + 1);
    if (b < 0xF4) return -1 - (b & 3);
    if (b < 0xF8) return hi + 1 + (b & 3);
    int value = 0;
    for (int i = 0; i < 4; ++i) value = static_cast<int>(static_cast<unsigned>(value) << 8 | static_cast<unsigned>(Byte()));
    return value;
  }
  std::uint8_t NextByte(int hi) { return static_cast<std::uint8_t>(Next(hi)); }
  // Key number of button i: mostly i + 1, else anything near the range.
  std::uint8_t NextKey(int i) {
    const int b = Byte();
    return static_cast<std::uint8_t>(b < 0xE0 ? i + 1 : b < 0xF0 ? b % 16 : Next(255));
  }
  // An assignment code: mostly the mouse's own functions, else any macro reference.
  int NextCode() {
    const int b = Byte();
    return b < 0x80 ? b % 9 : b < 0xF0 ? Next(300) : Next(40000);
  }

 private:
  int Byte() { return at_ < size_ ? data_[at_++] : 0; }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void FillTables(Values& v) {
  ClearSettingsTables();
  g_keyCount = v.Next(kButtonCount);
  for (int i = 0; i < kButtonCount; ++i) g_keyMap[static_cast<std::size_t>(i)] = v.NextKey(i);
  g_currentProfile = v.Next(kProfileCount - 1);
  for (std::size_t p = 0; p < kProfileCount; ++p)
    for (std::size_t i = 0; i < kButtonCount; ++i) {
      g_keyFunc[p][i] = v.NextCode();
      g_leftMac[p][i] = v.Next(1);
      g_ledReactEnable[p][i] = v.Next(1);
      g_ledReactType[p][i] = v.Next(3);
    }
  for (int& colour : g_macCor) colour = v.Next(6);
  g_dpiLevel = v.Next(7);  // 6 and 7 as well: the image bounds the level itself
  for (auto& step : g_dpiSetValue) step = v.NextByte(22);
  for (auto& enable : g_dpiSetEnable) enable = v.NextByte(1);
  for (auto& levels : g_dpiColorLevel)
    for (int& level : levels) level = v.Next(15);
  for (auto& levels : g_userLedColorLevel)
    for (int& level : levels) level = v.Next(15);
  g_ledType = v.NextByte(13);
  g_ledSpeed = v.NextByte(7);
  g_ledUserColerEn = v.Next(1);
  for (int& enable : g_cycColorEnable) enable = v.Next(1);
  g_fireTime = v.Next(600);
  g_ledSymmetry = v.Next(1);
  g_ledDirection = v.Next(3);
  g_ledEffectLevel = v.Next(15);
  g_ledBright = v.Next(7);
  g_modeLight = v.Next(1);
}

// The image byte of profile p's entry for key number k (1..12).
std::uint8_t EntryAt(const DeviceMemoryImage& image, int p, int k) {
  const auto& b = image.settings;
  const auto at = [](int n) { return static_cast<std::size_t>(n); };
  switch (p) {
    case 0: return k <= 8 ? b[0][at(k - 1)] : k == 9 ? b[1][0] : b[6][at(k - 7)];
    case 1: return k <= 4 ? b[7][at(k + 3)] : b[8][at(k - 5)];
    case 2: return k <= 8 ? b[9][at(k - 1)] : b[10][at(k - 9)];
    default: return k <= 8 ? b[11][at(k - 1)] : b[12][at(k - 9)];
  }
}

int DpiComponent(int k) { return g_dpiColorLevel[static_cast<std::size_t>(k / 3)][static_cast<std::size_t>(k % 3)]; }
int UserComponent(int k) { return g_userLedColorLevel[static_cast<std::size_t>(k / 3)][static_cast<std::size_t>(k % 3)]; }

void CheckButtons(const DeviceMemoryImage& image) {
  const int keys = g_keyCount.load();
  Check(keys >= 0 && keys <= kButtonCount);
  std::array<int, kDeviceSlotCount + 1> buttonOfKey{};
  buttonOfKey.fill(-1);
  for (int i = 0; i < keys; ++i) {
    const int key = g_keyMap[static_cast<std::size_t>(i)];
    Check(key >= 1 && key <= kDeviceSlotCount && buttonOfKey[static_cast<std::size_t>(key)] < 0);
    buttonOfKey[static_cast<std::size_t>(key)] = i;
  }
  bool leftClick = false;
  for (int p = 0; p < kProfileCount; ++p)
    for (int k = 1; k <= kButtonCount; ++k) {
      const std::uint8_t entry = EntryAt(image, p, k);
      const int i = buttonOfKey[static_cast<std::size_t>(k)];
      if (i < 0) {
        Check(entry == 0);
        continue;
      }
      const auto pi = static_cast<std::size_t>(p);
      const auto bi = static_cast<std::size_t>(i);
      Check(entry >> 6 == g_ledReactType[pi][bi]);
      Check((entry >> 5 & 1) == g_ledReactEnable[pi][bi]);
      Check((entry & 0x1F) == DeviceFunctionCode(g_keyFunc[pi][bi], 0, g_leftMac[pi][bi]));
      if (p == 0 && (entry & 0x1F) == 1) leftClick = true;
    }
  Check(leftClick);
  // Colour indices of key numbers 2..12, in 3-bit fields.
  const auto& ci = image.colourIndex;
  for (int k = 2; k <= 12; ++k) {
    const int field = k == 12 ? ci[5] : (ci[static_cast<std::size_t>((k - 2) / 2)] >> ((k % 2) * 3)) & 7;
    const int i = buttonOfKey[static_cast<std::size_t>(k)];
    Check(field == (i < 0 ? 0 : g_macCor[static_cast<std::size_t>(i)]));
  }
}

void CheckShared(const DeviceMemoryImage& image) {
  const auto& b = image.settings;
  Check(((image.header[1] - 3) >> 5) == g_currentProfile.load());
  for (int j = 0; j < kDpiLevelCount; ++j) {
    const int nibble = j % 2 == 0 ? b[1][static_cast<std::size_t>(5 + j / 2)] >> 4 : b[1][static_cast<std::size_t>(5 + j / 2)] & 0x0F;
    const int code = ((b[1][3] >> j) & 1) << 4 | nibble;
    const std::size_t step = g_dpiSetValue[static_cast<std::size_t>(j)];
    Check(step < g_dpiCodeTable.size() && code == g_dpiCodeTable[step]);
  }
  // The level: one of the six, enabled; the tables' own when that was so already.
  const int level = b[2][0] - 8;
  const int enables = b[2][1];
  Check(level >= 0 && level < kDpiLevelCount && enables < 64 && (enables >> level & 1) == 1);
  const int tableLevel = g_dpiLevel.load();
  if (tableLevel >= 0 && tableLevel < kDpiLevelCount && g_dpiSetEnable[static_cast<std::size_t>(tableLevel)] != 0)
    Check(level == tableLevel);
  Check((b[2][2] | b[2][3] << 8) == g_fireTime.load() / 8 && g_fireTime.load() >= 0);
  Check((b[2][4] & 7) == (g_ledType.load() == 13 ? 7 : g_ledSpeed.load()));
  if (g_ledType.load() <= 11) Check(((b[2][4] >> 4 & 7) | (b[5][3] >> 7) << 3) == g_ledType.load());
  Check(b[2][5] >> 7 == g_ledUserColerEn.load());
  for (int k = 0; k < kCycleColorCount; ++k) Check((b[2][5] >> k & 1) == g_cycColorEnable[static_cast<std::size_t>(k)]);
  for (int k = 0; k < 18; ++k) {
    const std::uint8_t pair = k < 8 ? b[3][static_cast<std::size_t>(k)] : k < 16 ? b[4][static_cast<std::size_t>(k - 8)]
                                                                                  : b[5][static_cast<std::size_t>(k - 16)];
    Check(pair >> 4 == UserComponent(k) && (pair & 0x0F) == DpiComponent(k));
  }
  Check(b[6][2] >> 7 == 0 && (b[6][2] >> 6 & 1) == g_ledSymmetry.load() && (b[6][2] >> 4 & 3) == g_ledDirection.load());
  Check((b[6][2] & 0x0F) == g_ledEffectLevel.load());
  Check(b[6][6] >> 4 == UserComponent(18) && (b[6][6] & 0x0F) == UserComponent(19));
  Check(b[6][7] >> 7 == 0 && (b[6][7] >> 4 & 7) == g_ledBright.load() && (b[6][7] & 0x0F) == UserComponent(20));
  Check(BuildLightingArea(kMacroDataStart, g_currentProfile.load()).table[6] >> 7 == g_modeLight.load());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Values values(data, size);
  FillTables(values);
  const DeviceMemoryImage image = ImageOfTables();
  const ImageVerdict verdict = CheckSettingsImage(image);
  Check(verdict.Fit() == verdict.fault.empty());
  if (!verdict.Fit()) return 0;
  CheckButtons(image);
  CheckShared(image);
  return 0;
}
