#include "device/memory_image.h"

#include <algorithm>

#include "device/device_identity.h"
#include "profile/dpi_levels.h"

const std::array<std::uint8_t, 23> g_dpiCodeTable{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 12, 13,
                                                  14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};

std::array<std::uint8_t, kLedEffectCount> g_ledModeList{};
std::atomic<int> g_ledModeCount{0};
std::atomic<int> g_ledEffectLevel{0};
std::array<std::array<std::uint8_t, kLedConfigRowSize>, kLedConfigRowCount> g_ledConfigRows{};

namespace {

std::uint8_t Byte(long long value) { return static_cast<std::uint8_t>(value & 0xFF); }

void PutLe16(std::uint8_t* out, int value) {
  out[0] = Byte(value);
  out[1] = Byte(value >> 8);
}

int RoundUp8(int n) { return (n + 7) & ~7; }

// Component k of the 18 DPI colour levels (level 0 R, G, B, level 1 R, ...) and of the
// 21 user colour levels. The levels are 4-bit; a larger stored value must not spill
// into the neighbouring nibble.
int DpiComponent(int k) { return g_dpiColorLevel[k / 3][k % 3] & 0x0F; }
int UserComponent(int k) { return g_userLedColorLevel[k / 3][k % 3] & 0x0F; }
std::uint8_t ColourPair(int k) { return Byte(UserComponent(k) * 16 + DpiComponent(k)); }

}  // namespace

std::uint8_t DpiCode(int step) {
  // The stored step is a byte of config.ini; beyond the table means the highest step.
  step = std::clamp(step, 0, static_cast<int>(g_dpiCodeTable.size()) - 1);
  return g_dpiCodeTable[static_cast<std::size_t>(step)];
}

void SetLedModeList(std::uint32_t mask) {
  int count = 0;
  for (int e = 0; e < kLedEffectCount; ++e)
    if (mask & (1u << e)) g_ledModeList[static_cast<std::size_t>(count++)] = static_cast<std::uint8_t>(e);
  g_ledModeCount.store(count, std::memory_order_release);
}

std::uint16_t LedEffectMask() {
  const int count = std::clamp(g_ledModeCount.load(std::memory_order_acquire), 0, kLedEffectCount);
  unsigned mask = 0;
  for (int i = 0; i < count; ++i) {
    const int e = g_ledModeList[static_cast<std::size_t>(i)];
    if (e < kLedEffectCount) mask |= 1u << e;
  }
  return static_cast<std::uint16_t>(mask);
}

int DeviceFunctionCode(int code, int macroMode, int leftMac) {
  if (code >= 0 && code <= 6) return code;
  if ((code >= 7 && code <= 14) || code == 16 || code == 17) return code - 5;
  if (code == 15) return 21;
  if (code == 18) return DeviceFunction::StartStop;
  if (code >= 19 && code <= 22) return code + 4;  // profile functions 23..26
  if (code >= 23 && code <= 32) return DeviceFunction::MediaKey;
  if (code >= 33 && code <= 29999) {
    // Presets and buttons marked for the computer are played in software.
    const bool software = (code >= 50 && code <= 255) || leftMac != 0;
    if ((macroMode & 3) == 2) return software ? DeviceFunction::SoftwareMacroHeld : DeviceFunction::MacroHeld;
    return software ? DeviceFunction::SoftwareMacro : DeviceFunction::Macro;
  }
  if (code == 40000) return 22;
  return DeviceFunction::None;
}

bool HasDirectoryEntry(int function) {
  return function == DeviceFunction::Macro || function == DeviceFunction::MacroHeld ||
         function == DeviceFunction::MediaKey || function == DeviceFunction::SoftwareMacro ||
         function == DeviceFunction::SoftwareMacroHeld;
}

bool IsDpiFunction(int function) { return function == 6 || function == 11 || function == 12; }

std::uint8_t SlotTable::Entry(int slot) const {
  const auto k = static_cast<std::size_t>(slot);
  return Byte(reactType[k] * 64LL + reactEnable[k] * 32LL + function[k]);
}

SlotTables BuildSlotTables(const std::array<std::array<int, kButtonCount>, kProfileCount>& deviceFunc,
                           const std::array<std::array<int, kButtonCount>, kProfileCount>& codes) {
  SlotTables tables{};
  const int keyCount = std::clamp(g_keyCount.load(), 0, kButtonCount);
  for (int p = 0; p < kProfileCount; ++p) {
    SlotTable& t = tables[static_cast<std::size_t>(p)];
    t.button.fill(-1);
    for (int i = 0; i < keyCount; ++i) {
      const int slot = g_keyMap[static_cast<std::size_t>(i)];
      // A key number outside 1..14 names no slot of the mouse.
      if (slot < 1 || slot > kDeviceSlotCount) continue;
      const auto k = static_cast<std::size_t>(slot);
      const auto pi = static_cast<std::size_t>(p);
      const auto bi = static_cast<std::size_t>(i);
      t.button[k] = i;
      t.function[k] = deviceFunc[pi][bi];
      t.reactEnable[k] = g_ledReactEnable[pi][bi];
      t.reactType[k] = g_ledReactType[pi][bi];
      t.code[k] = codes[pi][bi];
      t.macCor[k] = g_macCor[bi];
    }
  }
  return tables;
}

LedEffect ComputeLedEffect(int type, int speed, const LedEffect& previous) {
  LedEffect out = previous;
  if (type >= 0 && type <= 11) {
    out.effect = type;
    out.flag = 0;
  } else if (type == 12) {
    out.effect = 1;
    out.flag = 1;
  } else if (type == 13) {
    out.flag = 0;
  }
  out.speed = type == 13 ? 7 : speed;
  return out;
}

std::uint8_t CycleColourBits() {
  unsigned bits = 0;
  for (int k = 0; k < kCycleColorCount; ++k) bits += static_cast<unsigned>(g_cycColorEnable[static_cast<std::size_t>(k)]) << k;
  return Byte(bits);
}

DeviceMemoryImage BuildMemoryImage(const SlotTables& slots, const ImageInputs& in) {
  DeviceMemoryImage image;
  const SlotTable& p0 = slots[0];
  const SlotTable& p1 = slots[1];
  const SlotTable& p2 = slots[2];
  const SlotTable& p3 = slots[3];

  // Header: both product identities carry the first product id.
  MemBlock8& h = image.header;
  h[0] = 0x5A;
  h[1] = Byte(((in.profile * 32LL) & 0x60) + 3);
  h[2] = 0xA5;
  PutLe16(&h[3], static_cast<int>(kDeviceProductId1));
  PutLe16(&h[5], static_cast<int>(kDeviceVendorId));
  h[7] = 0;

  std::array<std::uint8_t, kDpiLevelCount> dpi{};
  for (int j = 0; j < kDpiLevelCount; ++j) dpi[static_cast<std::size_t>(j)] = DpiCode(g_dpiSetValue[static_cast<std::size_t>(j)]);
  auto nibbles = [&](int j) { return Byte(((dpi[static_cast<std::size_t>(j)] & 0x0F) << 4) | (dpi[static_cast<std::size_t>(j + 1)] & 0x0F)); };

  auto& b = image.settings;
  for (int k = 0; k < 8; ++k) b[0][static_cast<std::size_t>(k)] = p0.Entry(k + 1);

  b[1][0] = p0.Entry(9);
  int dpiHigh = 0;
  for (int j = 0; j < kDpiLevelCount; ++j) dpiHigh |= ((dpi[static_cast<std::size_t>(j)] >> 4) & 1) << j;
  b[1][3] = Byte(dpiHigh);
  b[1][4] = 8;
  b[1][5] = nibbles(0);
  b[1][6] = nibbles(2);
  b[1][7] = nibbles(4);

  // Whatever the tables hold, the mouse gets a current level that it can step to.
  const DpiLevels levels = BoundDpiLevels(g_dpiLevel.load(), g_dpiSetEnable);
  b[2][0] = Byte(levels.current + 8);
  int enables = 0;
  for (int j = 0; j < kDpiLevelCount; ++j) enables |= levels.enabled[static_cast<std::size_t>(j)] << j;
  b[2][1] = Byte(enables);
  PutLe16(&b[2][2], g_fireTime.load() / 8);
  b[2][4] = Byte(0x80 + (in.effect.effect & 7) * 16 + in.effect.flag * 8 + (in.effect.speed & 7));
  b[2][5] = Byte(g_ledUserColerEn.load() * 128LL + (in.cycleColours & 0x7F));
  b[2][6] = g_usbRateCode.load();
  b[2][7] = 0;

  for (int k = 0; k < 8; ++k) {
    b[3][static_cast<std::size_t>(k)] = ColourPair(k);
    b[4][static_cast<std::size_t>(k)] = ColourPair(k + 8);
  }

  const std::uint16_t mask = LedEffectMask();
  b[5][0] = ColourPair(16);
  b[5][1] = ColourPair(17);
  b[5][2] = Byte(mask);
  b[5][3] = Byte(((mask >> 8) & 0x3F) + ((in.effect.effect >> 3) & 1) * 128);

  b[6][2] = Byte(((g_ledSymmetry.load() * 64LL) & 0x40) + ((g_ledDirection.load() * 16LL) & 0x30) +
                 (g_ledEffectLevel.load() & 0x0F));
  b[6][3] = p0.Entry(10);
  b[6][4] = p0.Entry(11);
  b[6][5] = p0.Entry(12);
  b[6][6] = Byte(UserComponent(18) * 16 + UserComponent(19));
  b[6][7] = Byte(((g_ledBright.load() * 16LL) & 0x70) + UserComponent(20));

  b[7][3] = 0xEE;
  for (int k = 0; k < 4; ++k) b[7][static_cast<std::size_t>(4 + k)] = p1.Entry(1 + k);
  for (int k = 0; k < 8; ++k) b[8][static_cast<std::size_t>(k)] = p1.Entry(5 + k);
  for (int k = 0; k < 8; ++k) b[9][static_cast<std::size_t>(k)] = p2.Entry(1 + k);
  for (int k = 0; k < 4; ++k) b[10][static_cast<std::size_t>(k)] = p2.Entry(9 + k);
  for (int k = 0; k < 8; ++k) b[11][static_cast<std::size_t>(k)] = p3.Entry(1 + k);
  for (int k = 0; k < 4; ++k) b[12][static_cast<std::size_t>(k)] = p3.Entry(9 + k);
  PutLe16(&b[12][6], in.previousLightingStart);

  // Colour index block: the colour index of the buttons at key numbers 2..12, in
  // pairs of 3-bit fields; key number 1 has none. The indices are shared by all profiles.
  auto c = [&](int n) { return p0.button[static_cast<std::size_t>(n)] >= 0 ? p0.macCor[static_cast<std::size_t>(n)] : 0; };
  MemBlock8& ci = image.colourIndex;
  for (int k = 0; k < 5; ++k) ci[static_cast<std::size_t>(k)] = Byte(c(2 + 2 * k) + c(3 + 2 * k) * 8LL);
  ci[5] = Byte(c(12));
  return image;
}

LightingArea BuildLightingArea(int dataEnd, int profile) {
  std::array<int, kLedConfigRowCount + 1> start{};
  start[0] = dataEnd;
  for (int r = 0; r < kLedConfigRowCount; ++r) {
    const int length = RoundUp8(g_ledConfigRows[static_cast<std::size_t>(r)][0] * 4 + 4);
    start[static_cast<std::size_t>(r + 1)] = start[static_cast<std::size_t>(r)] + length;
  }
  LightingArea area;
  PutLe16(area.start.data(), start[0]);
  PutLe16(&area.table[0], start[1]);
  PutLe16(&area.table[2], start[2]);
  PutLe16(&area.table[4], start[3]);
  area.table[6] = Byte(g_modeLight.load() * 128LL + 0x40 + (profile & 3));
  area.table[7] = 0x71;
  const int end = start[kLedConfigRowCount];
  area.end[0] = 0;
  area.end[1] = Byte(end);
  area.end[2] = Byte((end >> 8) & 0x3F);
  return area;
}
