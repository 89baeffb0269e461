// The settings image in the mouse's memory: the header, the thirteen settings blocks,
// the colour index block and the lighting area table, built from the settings tables;
// and the device function that the mouse stores per button.
//
// Memory map (addresses of the mouse's memory, multi-byte values little-endian):
//   0x000  8    header
//   0x008  13x8 settings blocks (0x06E..0x06F: start of the lighting data area)
//   0x070  8    lighting area table
//   0x078  3    end of the lighting data area
//   0x07F  1    0
//   0x098  8    colour index block
//   0x0A0  560  macro directory, 4 profiles x 14 slots x 10 bytes (macro_area.h)
//   0x400 ..0xF1F macro data (macro_area.h)
//
// Device slots: the mouse addresses its buttons by device key number 1 to 14 (slot k
// is key number k); button i of the settings has the key number g_keyMap[i].
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "profile/settings.h"

constexpr int kDeviceSlotCount = kDeviceKeyCount;

constexpr int kHeaderAddress = 0x000;
constexpr int kHeaderProfileByteAddress = 0x001;
constexpr std::array<int, 13> kSettingsBlockAddresses{0x008, 0x010, 0x018, 0x020, 0x028, 0x030, 0x038,
                                                      0x040, 0x048, 0x050, 0x058, 0x060, 0x068};
constexpr int kLightingStartAddress = 0x06E;
constexpr int kLightingTableAddress = 0x070;
constexpr int kLightingEndAddress = 0x078;
constexpr int kLightingZeroAddress = 0x07F;
constexpr int kColourIndexAddress = 0x098;
constexpr int kMacroDirectoryAddress = 0x0A0;
constexpr int kMacroDirectorySize = kProfileCount * kDeviceSlotCount * 10;  // 560
constexpr int kMacroDataStart = 0x400;
constexpr int kMacroDataLimit = 0xF20;  // the first address past the macro data area

using MemBlock8 = std::array<std::uint8_t, 8>;

// ---- Constant tables -------------------------------------------------------------------

// DPI code of each DPI step 0..22: steps 0..9 give 1..10, steps 10..22 give 12..24.
extern const std::array<std::uint8_t, 23> g_dpiCodeTable;
// The code of a DPI step; a step beyond the table is taken as the highest step.
std::uint8_t DpiCode(int step);

// The lighting effects that the lighting menu offers, in menu order (filled at
// start-up from kOfferedLedEffectMask); g_ledModeCount entries are valid.
constexpr int kLedEffectCount = 14;
constexpr std::uint32_t kOfferedLedEffectMask = 0x3BC7;  // effects 0, 1, 2, 6, 7, 8, 9, 11, 12, 13
extern std::array<std::uint8_t, kLedEffectCount> g_ledModeList;
extern std::atomic<int> g_ledModeCount;
// Fills g_ledModeList with the effects 0..13 whose bit is set in mask, in order.
void SetLedModeList(std::uint32_t mask);
// The sum of 2^e over the effects e of g_ledModeList.
std::uint16_t LedEffectMask();

// The lighting effect level sent with every lighting command (start-up sets 11).
extern std::atomic<int> g_ledEffectLevel;

// Four lighting rows of 68 bytes. Nothing fills them; the lighting area table lays
// them out after the macro data.
constexpr int kLedConfigRowCount = 4;
constexpr int kLedConfigRowSize = 68;
extern std::array<std::array<std::uint8_t, kLedConfigRowSize>, kLedConfigRowCount> g_ledConfigRows;

// ---- Device functions -------------------------------------------------------------------

namespace DeviceFunction {
constexpr int None = 0;
constexpr int LeftClick = 1;  // what assignment code 1 gives
constexpr int MediaKey = 15;
constexpr int StartStop = 20;
constexpr int Macro = 13;              // played by the mouse once per press
constexpr int MacroHeld = 14;          // macro whose mode repeats it while held
constexpr int SoftwareMacro = 30;      // handed to the computer
constexpr int SoftwareMacroHeld = 31;
}  // namespace DeviceFunction

// The device function's bits of a button entry byte (SlotTable::Entry).
constexpr std::uint8_t kEntryFunctionMask = 0x1F;

// The byte that the mouse stores for a button with assignment code `code`. For codes
// 33..29999, macroMode is the mode of the macro that the code names and leftMac the
// button's g_leftMac value.
int DeviceFunctionCode(int code, int macroMode, int leftMac);

// True for the device functions that take an entry in the macro directory.
bool HasDirectoryEntry(int function);
// Functions that make a button a DPI button (its release carries the new DPI level).
bool IsDpiFunction(int function);

// ---- Slot tables --------------------------------------------------------------------------

// One profile's buttons ordered by device slot; index k = 1..14 is slot k, index 0 is
// unused. A slot that no button maps to holds zeros and button -1.
struct SlotTable {
  std::array<int, kDeviceSlotCount + 1> button{};    // button index, -1 for none
  std::array<int, kDeviceSlotCount + 1> function{};  // DeviceFunctionCode
  std::array<int, kDeviceSlotCount + 1> reactEnable{};
  std::array<int, kDeviceSlotCount + 1> reactType{};
  std::array<int, kDeviceSlotCount + 1> code{};      // assignment code
  std::array<int, kDeviceSlotCount + 1> macCor{};    // colour index

  // Button entry byte: reaction type x 64 + reaction enable x 32 + device function
  // (added, not masked, as the mouse has always received it).
  std::uint8_t Entry(int slot) const;
};
using SlotTables = std::array<SlotTable, kProfileCount>;

// Builds the slot tables of the four profiles from the button tables: deviceFunc and
// codes are per profile and button (the download's results), the reaction settings
// and colour indices come from the settings tables. Buttons whose key number is not a
// slot 1..14 are left out.
SlotTables BuildSlotTables(const std::array<std::array<int, kButtonCount>, kProfileCount>& deviceFunc,
                           const std::array<std::array<int, kButtonCount>, kProfileCount>& codes);

// ---- Lighting effect ----------------------------------------------------------------------

struct LedEffect {
  int effect = 0;  // effect number written into block 0x018 (bits 0..2) and 0x030 (bit 3)
  int flag = 0;
  int speed = 0;
};
// The effect, flag and speed that lighting type `type` gives. Types 0..11 give their
// own effect, 12 effect 1 with the flag; 13 keeps the previous effect with flag 0 and
// speed 7; any other type keeps the previous effect and flag.
LedEffect ComputeLedEffect(int type, int speed, const LedEffect& previous);

// ---- The image ----------------------------------------------------------------------------

// The lighting area table after the macro data ends at dataEnd.
struct LightingArea {
  std::array<std::uint8_t, 2> start{};  // 0x06E: start of row 0
  MemBlock8 table{};                    // 0x070: starts of rows 1..3, mode byte, 0x71
  std::array<std::uint8_t, 3> end{};    // 0x078: 0, end of row 3
};

struct DeviceMemoryImage {
  MemBlock8 header{};
  std::array<MemBlock8, 13> settings{};  // at kSettingsBlockAddresses
  MemBlock8 colourIndex{};
};

// Inputs of the image that are not settings tables.
struct ImageInputs {
  int profile = 0;                 // current profile
  LedEffect effect;                // from ComputeLedEffect
  std::uint8_t cycleColours = 0;   // g_cyc7ColEn as recomputed from g_cycColorEnable
  int previousLightingStart = 0;   // lighting data start after the previous download
};

// Header, settings blocks and colour index block from the slot tables and the
// current settings tables.
DeviceMemoryImage BuildMemoryImage(const SlotTables& slots, const ImageInputs& inputs);

// g_cyc7ColEn as the sum of g_cycColorEnable[k] x 2^k.
std::uint8_t CycleColourBits();

// The lighting area table for macro data ending at dataEnd and the current profile.
LightingArea BuildLightingArea(int dataEnd, int profile);
