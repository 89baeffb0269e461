// The macro record every part of the program shares, its event codes and the
// process-wide record tables.
#pragma once

#include <array>
#include <cstdint>

constexpr int kMacroMaxEvents = 275;
constexpr int kMacroBlockCount = 5;
constexpr int kMacroBlockSize = 68;
constexpr int kMacroTableSize = 13;    // records of a group, built-in or preset table
constexpr int kProfileMacroSlots = 14;  // records per profile in g_profileMacros (12 used)

// One parameter pair of an event.
struct MacroParam {
  std::uint16_t a = 0;
  std::uint16_t b = 0;
};

// One macro: name, header, up to 275 events as parallel arrays, two block sets.
struct MacroRecord {
  std::array<std::uint8_t, 60> name{};  // up to 30 UTF-16LE units, the rest zero
  std::uint8_t mode = 0;
  std::uint16_t repeatCount = 0;
  std::uint16_t eventCount = 0;
  std::uint16_t moveCount = 0;
  std::uint16_t kind247Count = 0;
  std::uint16_t cpiCount = 0;
  std::uint16_t kind250Count = 0;
  std::uint8_t ledBlockCount = 0;
  std::uint8_t kind251BlockCount = 0;
  std::uint8_t yOffsetOn = 0;
  std::uint8_t yOffset = 0;
  std::array<std::uint8_t, 4> headerTail{};
  std::array<std::uint8_t, kMacroMaxEvents> action{};
  std::array<std::uint8_t, kMacroMaxEvents> code{};
  std::array<MacroParam, kMacroMaxEvents> param{};
  std::array<std::uint16_t, kMacroMaxEvents> delay{};
  std::array<std::array<std::uint8_t, kMacroBlockSize>, kMacroBlockCount> ledBlocks{};
  std::array<std::array<std::uint8_t, kMacroBlockSize>, kMacroBlockCount> blocks251{};
};

// MacroEventCode: the code byte of an event.
namespace MacroEventCode {
constexpr std::uint8_t Delay = 0;         // a pure delay
constexpr std::uint8_t LastKey = 239;     // 1..239: a key (DeviceKeyCode in memory)
constexpr std::uint8_t LeftButton = 241;
constexpr std::uint8_t MiddleButton = 242;
constexpr std::uint8_t RightButton = 243;
constexpr std::uint8_t PointerMove = 246;
constexpr std::uint8_t Kind247 = 247;
constexpr std::uint8_t DpiStep = 248;
constexpr std::uint8_t LightingStep = 249;
constexpr std::uint8_t Kind250 = 250;
constexpr std::uint8_t Kind251 = 251;
}  // namespace MacroEventCode

using MacroTable = std::array<MacroRecord, kMacroTableSize>;

extern MacroTable g_groupMacros;
extern std::int16_t g_groupMacroCount;
extern MacroTable g_constMacros;
extern std::int16_t g_constMacroCount;
extern MacroTable g_gunMacros;
extern std::int16_t g_gunMacroCount;
extern std::array<std::array<MacroRecord, kProfileMacroSlots>, 4> g_profileMacros;
extern MacroRecord g_currentMacro;
