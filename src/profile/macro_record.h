// The macro record every part of the program shares, its event codes and the
// process-wide record tables.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

constexpr int kMacroMaxEvents = 275;
constexpr int kMacroBlockCount = 5;
constexpr int kMacroBlockSize = 68;
constexpr int kMacroNameBytes = 60;     // the name field: 30 UTF-16LE units
constexpr int kMacroNameUnits = kMacroNameBytes / 2;
constexpr int kMacroTableSize = 13;    // records of a group, built-in or preset table
constexpr int kProfileMacroSlots = 14;  // records per profile in g_profileMacros (12 used)

// One parameter pair of an event.
struct MacroParam {
  std::uint16_t a = 0;
  std::uint16_t b = 0;
  bool operator==(const MacroParam&) const = default;
};

// One macro: name, header, up to 275 events as parallel arrays, two block sets.
struct MacroRecord {
  std::array<std::uint8_t, kMacroNameBytes> name{};  // up to 30 UTF-16LE units, the rest zero
  std::uint8_t mode = 0;            // repeat mode; key-combination macros use 2
  std::uint16_t repeatCount = 0;    // plays, 1 to 1000 as the editor sets it
  std::uint16_t eventCount = 0;     // events in use, at most 275
  std::uint16_t moveCount = 0;      // events with code 246
  std::uint16_t kind247Count = 0;   // events with code 247
  std::uint16_t cpiCount = 0;       // events with code 248
  std::uint16_t kind250Count = 0;   // events with code 250
  std::uint8_t ledBlockCount = 0;   // lighting blocks in use (code 249), at most 5
  std::uint8_t kind251BlockCount = 0;  // blocks of blocks251 in use (code 251), at most 5
  std::uint8_t yOffsetOn = 0;       // 1: yOffset is added to the vertical step of pointer moves
  std::uint8_t yOffset = 0;         // vertical step added to pointer moves
  std::array<std::uint8_t, 4> headerTail{};  // kept in memory; written to files as zeros
  std::array<std::uint8_t, kMacroMaxEvents> action{};  // 1 press, 2 release, 3..6 move signs, ...
  std::array<std::uint8_t, kMacroMaxEvents> code{};    // MacroEventCode
  std::array<MacroParam, kMacroMaxEvents> param{};
  std::array<std::uint16_t, kMacroMaxEvents> delay{};  // pause after the event, milliseconds
  std::array<std::array<std::uint8_t, kMacroBlockSize>, kMacroBlockCount> ledBlocks{};
  std::array<std::array<std::uint8_t, kMacroBlockSize>, kMacroBlockCount> blocks251{};  // never in files

  bool operator==(const MacroRecord&) const = default;
};

// Fields in this order and of these types make one record of 2962 bytes.
static_assert(sizeof(MacroRecord) == 2962);

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

// Clears record n of a record table in place: name, header counters and mode, all
// events and both block sets. yOffsetOn, yOffset and headerTail stay as they are.
// An n outside the table does nothing.
void ClearMacroRecord(std::span<MacroRecord> table, int n);
// The same for a single record.
void ClearMacroRecord(MacroRecord& record);

// A copy of the record whose first n events follow one another `repeats` times. In the
// added passes a code above 246 becomes 0 (a pure delay with the same action and delay)
// and every pointer move counts in moveCount. The copy never holds more than 275 events:
// when the passes asked for do not fit, only as many whole passes as fit are made (a
// partial pass would leave keys pressed). n or repeats below 1 give the plain copy.
MacroRecord UnrollMacroRepeats(const MacroRecord& record, int n, int repeats);

// The name field as UTF-8 (up to the first zero unit).
std::string MacroName(const MacroRecord& record);
std::string MacroNameFromBytes(const std::array<std::uint8_t, kMacroNameBytes>& bytes);
// Stores a UTF-8 name into the name field: at most 30 UTF-16 units, cut at a character
// boundary, the rest of the field zero.
void SetMacroName(MacroRecord& record, std::string_view name);
// The part of a UTF-8 name that fits into the name field.
std::string FitMacroName(std::string_view name);
