// The mouse's macro area: the macro directory at 0x0A0 (one 10-byte entry per profile
// and slot) and the macro data from 0x400, where every macro that a button plays is
// stored once, 8-byte aligned.
//
// Directory entry (p, k) at 0x0A0 + p * 140 + (k - 1) * 10, filled for slots whose
// device function is a macro (13, 14, 30, 31) or a media key (15):
//   0  delay divisor - 1
//   1  repeat-while-held x 128 + (event count AND 0x7F)
//   2  KeyIndexToDeviceKey(assignment code - 70, modulo 256)
//   3  consumer usage of a media key, little-endian (0 for other codes)
//   5  data address low byte
//   6  repeat-until-pressed x 128 + mode-bit-2 x 64 + (data address / 256 AND 0x3F)
//   7  mode-bit-3 x 64 + (event count / 128 AND 0x3F)
//   8  yOffsetOn x 128 + yOffset of group and preset macros, else 0
//   9  0
//
// Data of one macro: the events part (2 bytes of repeat count, then each event with
// its delay extension entries, padded to 8), the lighting part (the lighting block of
// every lighting step, each padded to 8) and a zero part reserved for the second block
// set.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "device/feature_report.h"
#include "device/memory_image.h"
#include "profile/macro_record.h"

// Longest delay of one event that the mouse is given, in milliseconds.
inline constexpr int g_maxEventDelay = 10000;

constexpr int kDirectoryEntrySize = 10;
constexpr int kDirectoryBlockCount = kMacroDirectorySize / 8;  // 70
// Lighting block addresses are 14-bit; a block must end at or below this address.
constexpr int kLightingAddressLimit = 0x4000;
// The TipText entries of the macro area's failures.
constexpr int kTipMacroAreaFull = 29;
constexpr int kTipMacroDataError = 6;

// Address of the directory entry of profile p (0..3), slot k (1..14).
int DirectoryEntryAddress(int profile, int slot);

// ---- Event encoding ------------------------------------------------------------------------

// A delay as the mouse takes it: its own 7-bit byte and the extension entries that
// follow the event. The delay is limited to g_maxEventDelay and divided by divisor
// (taken as 1 below 1). Each 127 ms above the first 127 ms gives an entry 0x7F 0x00;
// an entry produced once no more than 127 ms remain is 0x00 0x00; a delay below 1 ms
// becomes 1.
struct DelayEncoding {
  std::uint8_t own = 1;
  std::vector<std::array<std::uint8_t, 2>> extensions;
};
DelayEncoding EncodeDelay(int delayMs, int divisor);

// One macro encoded for its data address.
struct MacroEncoding {
  std::vector<std::uint8_t> bytes;  // the whole data area, a multiple of 8 bytes long
  int eventsPartLength = 0;
  int lightingPartLength = 0;
  int reservedPartLength = 0;
  // TipText entries for events that could not be encoded whole (the download shows
  // them and goes on).
  std::vector<int> warnings;
  // A lighting block would end past kLightingAddressLimit: the download stops with
  // TipText 6 (warnings holds the events before it).
  bool lightingOverflow = false;
};
MacroEncoding EncodeMacroData(const MacroRecord& record, int dataAddress, int divisor);

// The space the planning pass reserves for a macro by its header counts: events part
// 2 + 2 x (events + extension entries) + 4 x moves + 2 x (the other counts), rounded to
// 8, plus the lighting and reserved parts. A library macro (group or preset) without
// events is sized as if it had 3.
int PlannedMacroSize(const MacroRecord& record, bool libraryMacro, int divisor);

// A group or preset macro as the mouse stores it: a macro whose mode is exactly 2 is
// unrolled into 40 / (1 + the sum of its delays) rounds when that is at least 2, never
// beyond the record's 275 events. Other records are returned as they are.
MacroRecord UnrollForDevice(const MacroRecord& record);

// ---- Which macro a slot plays -----------------------------------------------------------------

// The macros of one download, each library macro read once: for code >= 256 the group
// macro (code / 256 - 1, code AND 0xFF), for 50..255 the preset g_gunMacros[code - 50],
// for 33..49 the key-combination record of the button in g_profileMacros.
class SlotMacroSource {
 public:
  // The record as stored (not unrolled). Codes outside 33..29999 give an empty record.
  const MacroRecord& Get(int code, int profile, int button);
  static bool IsLibraryCode(int code) { return code >= 50 && code < 30000; }

 private:
  std::map<int, MacroRecord> library_;
  MacroRecord scratch_;
};

// ---- The two passes ---------------------------------------------------------------------------

struct StoredMacro {
  int profile = 0;
  int slot = 0;
  int address = 0;
  MacroEncoding encoding;
};

struct MacroAreaPlan {
  std::array<std::uint8_t, kMacroDirectorySize> directory{};
  // Data address of every slot with a directory entry, by profile and slot (index k).
  std::array<std::array<int, kDeviceSlotCount + 1>, kProfileCount> dataAddress{};
  // The macros to write, in slot order; a slot that shares an earlier slot's macro
  // has none of its own.
  std::vector<StoredMacro> stored;
  int dataEnd = kMacroDataStart;  // the first address after the macro data
  bool overflow = false;          // the data reached kMacroDataLimit; nothing may be written
};

// Planning pass over profiles 0..3 and slots 1..14: directory entries, data addresses
// (slots with the same assignment code other than 33 share one macro) and encodings.
MacroAreaPlan PlanMacroArea(const SlotTables& slots, SlotMacroSource& macros, int divisor);

// Writes one block into the mouse; false when the mouse did not take it, which ends
// the pass.
using BlockWrite = std::function<bool(int address, const std::uint8_t* data, int length)>;

// The 70 directory blocks of the plan, one write each; false when one failed.
bool WriteMacroDirectory(const MacroAreaPlan& plan, const BlockWrite& write = WriteMemBlock);

enum class MacroAreaResult { Written, AreaFull, LightingOverflow, WriteFailed };

// Data pass: writes the data of each stored macro from its address in blocks of 8
// bytes and appends the TipText entries to show to tips (the macro's encoding
// warnings; 29 when a block would lie at kMacroDataLimit or beyond, which stops the
// pass; a lighting overflow stops it after its warnings; so does a failed write).
MacroAreaResult WriteMacroData(const MacroAreaPlan& plan, std::vector<int>& tips,
                               const BlockWrite& write = WriteMemBlock);
