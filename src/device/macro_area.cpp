#include "device/macro_area.h"

#include <algorithm>

#include "device/feature_report.h"
#include "device/macro_executor.h"
#include "keys/key_codes.h"
#include "profile/macro_files.h"

namespace {

std::uint8_t Byte(long long value) { return static_cast<std::uint8_t>(value & 0xFF); }
int RoundUp8(int n) { return (n + 7) & ~7; }

// Events in use, never beyond the record's arrays.
int EventCount(const MacroRecord& r) { return std::min<int>(r.eventCount, kMacroMaxEvents); }

// Length of a block of the lighting or reserved part: (byte 0 x 4 + 4), padded to 8.
int BlockLength(const std::array<std::uint8_t, kMacroBlockSize>& block) { return RoundUp8(block[0] * 4 + 4); }

int ReservedPartLength(const MacroRecord& r) {
  int length = 0;
  const int count = std::min<int>(r.kind251BlockCount, kMacroBlockCount);
  for (int b = 0; b < count; ++b) length += BlockLength(r.blocks251[static_cast<std::size_t>(b)]);
  return length;
}

// The lighting block that a lighting step names, or nullptr when the macro has none
// (or the index lies beyond the record's five blocks).
const std::array<std::uint8_t, kMacroBlockSize>* LightingBlock(const MacroRecord& r, int event) {
  if (r.ledBlockCount == 0) return nullptr;
  const int index = r.param[static_cast<std::size_t>(event)].a & 0xFF;
  if (index >= kMacroBlockCount) return nullptr;
  return &r.ledBlocks[static_cast<std::size_t>(index)];
}

bool IsMoveWithSigns(std::uint8_t action) { return action >= 3 && action <= 6; }

// Bytes of an event itself, without its extension entries.
int OwnEventLength(const MacroRecord& r, int i) {
  const std::uint8_t c = r.code[static_cast<std::size_t>(i)];
  const std::uint8_t action = r.action[static_cast<std::size_t>(i)];
  switch (c) {
    case MacroEventCode::PointerMove:
      return IsMoveWithSigns(action) ? 6 : 2;
    case MacroEventCode::DpiStep:
      return 4;
    case MacroEventCode::LightingStep:
      return LightingBlock(r, i) ? 4 : 0;
    default:
      if (c == MacroEventCode::Delay || action == 2 || action == 1) return 2;
      return 0;
  }
}

}  // namespace

int DirectoryEntryAddress(int profile, int slot) {
  return kMacroDirectoryAddress + profile * kDeviceSlotCount * kDirectoryEntrySize + (slot - 1) * kDirectoryEntrySize;
}

DelayEncoding EncodeDelay(int delayMs, int divisor) {
  if (divisor < 1) divisor = 1;
  int d = std::clamp(delayMs, 0, g_maxEventDelay) / divisor;
  DelayEncoding out;
  const int entries = d > 127 ? d / 127 : 0;
  out.extensions.reserve(static_cast<std::size_t>(entries));
  for (int e = 0; e < entries; ++e) {
    if (d > 127) {
      out.extensions.push_back({0x7F, 0x00});
      d -= 127;
    } else {
      out.extensions.push_back({0x00, 0x00});
    }
  }
  out.own = Byte(std::max(d, 1));
  return out;
}

MacroEncoding EncodeMacroData(const MacroRecord& r, int dataAddress, int divisor) {
  MacroEncoding out;
  const int count = EventCount(r);

  // The events part comes first, so its length fixes where the lighting blocks go.
  int eventsLength = 2;
  for (int i = 0; i < count; ++i) {
    eventsLength += OwnEventLength(r, i);
    eventsLength += 2 * static_cast<int>(EncodeDelay(r.delay[static_cast<std::size_t>(i)], divisor).extensions.size());
  }
  out.eventsPartLength = RoundUp8(eventsLength);

  std::vector<std::uint8_t>& bytes = out.bytes;
  bytes.reserve(static_cast<std::size_t>(out.eventsPartLength));
  const int plays = ((r.mode & 3) == 1 || (r.mode & 3) == 2) ? 1 : r.repeatCount;
  bytes.push_back(Byte(plays));
  bytes.push_back(Byte(plays >> 8));

  std::vector<std::uint8_t> lighting;
  int lightingAddress = dataAddress + out.eventsPartLength;
  for (int i = 0; i < count; ++i) {
    const auto e = static_cast<std::size_t>(i);
    const std::uint8_t c = r.code[e];
    const std::uint8_t action = r.action[e];
    const DelayEncoding delay = EncodeDelay(r.delay[e], divisor);
    const std::uint8_t d = delay.own;
    const std::uint16_t a = r.param[e].a;
    const std::uint16_t b = r.param[e].b;

    if (c == MacroEventCode::PointerMove) {
      bytes.push_back(d);
      bytes.push_back(c);
      if (IsMoveWithSigns(action)) {
        const int x = (action == 3 || action == 4) ? -a : a;
        const int y = (action == 3 || action == 5) ? -b : b;
        bytes.push_back(Byte(x));
        bytes.push_back(Byte(x >> 8));
        bytes.push_back(Byte(y));
        bytes.push_back(Byte(y >> 8));
      }
    } else if (c == MacroEventCode::DpiStep) {
      bytes.push_back(action == 9 ? Byte(d + 128) : action == 10 ? d : 0);
      bytes.push_back(c);
      bytes.push_back(Byte(a));
      bytes.push_back(0);
    } else if (c == MacroEventCode::LightingStep) {
      const auto* block = LightingBlock(r, i);
      if (!block) {
        out.warnings.push_back(kTipMacroDataError);
      } else {
        int kind = 0;
        if (action >= 13 && action <= 15) {
          kind = action - 13;
        } else {
          out.warnings.push_back(kTipMacroDataError);
        }
        bytes.push_back(d);
        bytes.push_back(c);
        bytes.push_back(Byte(lightingAddress));
        bytes.push_back(Byte(kind * 64 + ((lightingAddress >> 8) & 0x3F)));

        const int length = BlockLength(*block);
        if (lightingAddress + length - 1 > kLightingAddressLimit) {
          out.warnings.push_back(kTipMacroDataError);
          out.lightingOverflow = true;
          return out;
        }
        // The block holds 68 bytes; a length byte asking for more gets zeros after them.
        const std::size_t start = lighting.size();
        lighting.resize(start + static_cast<std::size_t>(length), 0);
        std::copy_n(block->begin(), std::min<std::size_t>(block->size(), static_cast<std::size_t>(length)),
                    lighting.begin() + static_cast<std::ptrdiff_t>(start));
        lighting[start] = Byte((*block)[0] - 1);
        lightingAddress += length;
      }
    } else if (c == MacroEventCode::Delay || action == 2) {
      bytes.push_back(d);
      bytes.push_back(c);
    } else if (action == 1) {
      bytes.push_back(Byte(d + 128));
      bytes.push_back(c);
    }
    for (const auto& entry : delay.extensions) bytes.insert(bytes.end(), entry.begin(), entry.end());
  }
  bytes.resize(static_cast<std::size_t>(out.eventsPartLength), 0);

  out.lightingPartLength = static_cast<int>(lighting.size());
  bytes.insert(bytes.end(), lighting.begin(), lighting.end());
  out.reservedPartLength = ReservedPartLength(r);
  bytes.resize(bytes.size() + static_cast<std::size_t>(out.reservedPartLength), 0);
  return out;
}

int PlannedMacroSize(const MacroRecord& r, bool libraryMacro, int divisor) {
  int count = EventCount(r);
  int extensions = 0;
  for (int i = 0; i < count; ++i)
    extensions += static_cast<int>(EncodeDelay(r.delay[static_cast<std::size_t>(i)], divisor).extensions.size());
  if (libraryMacro && count == 0) count = 3;
  const int events = 2 + 2 * (count + extensions) + 4 * r.moveCount +
                     2 * (r.kind247Count + r.cpiCount + r.kind250Count + r.ledBlockCount + r.kind251BlockCount);
  int lighting = 0;
  for (int i = 0; i < EventCount(r); ++i) {
    if (r.code[static_cast<std::size_t>(i)] != MacroEventCode::LightingStep) continue;
    if (const auto* block = LightingBlock(r, i)) lighting += BlockLength(*block);
  }
  return RoundUp8(events) + lighting + ReservedPartLength(r);
}

MacroRecord UnrollForDevice(const MacroRecord& record) {
  if (record.mode != 2) return record;
  const int count = EventCount(record);
  long long s = 1;
  for (int i = 0; i < count; ++i) s += record.delay[static_cast<std::size_t>(i)];
  int rounds = static_cast<int>(40 / s);
  // The record holds 275 events: only as many whole rounds as fit.
  if (count > 0) rounds = std::min(rounds, kMacroMaxEvents / count);
  if (rounds < 2) return record;
  return UnrollMacroRepeats(record, count, rounds);
}

const MacroRecord& SlotMacroSource::Get(int code, int profile, int button) {
  if (code >= 33 && code <= 49) {
    if (profile < 0 || profile >= kProfileCount || button < 0 || button >= kProfileMacroSlots) {
      scratch_ = MacroRecord{};
      return scratch_;
    }
    return g_profileMacros[static_cast<std::size_t>(profile)][static_cast<std::size_t>(button)];
  }
  if (!IsLibraryCode(code)) {
    scratch_ = MacroRecord{};
    return scratch_;
  }
  auto found = library_.find(code);
  if (found != library_.end()) return found->second;
  MacroRecord record;
  if (code >= 256) {
    record = LoadGroupMacro(code / 256 - 1, code & 0xFF);
  } else if (code - 50 < kMacroTableSize) {
    record = g_gunMacros[static_cast<std::size_t>(code - 50)];
  }
  return library_.emplace(code, record).first->second;
}

MacroAreaPlan PlanMacroArea(const SlotTables& slots, SlotMacroSource& macros, int divisor) {
  MacroAreaPlan plan;
  int address = kMacroDataStart;
  std::map<int, int> firstAddressOfCode;  // shared macros: code -> data address

  for (int p = 0; p < kProfileCount; ++p) {
    const SlotTable& t = slots[static_cast<std::size_t>(p)];
    for (int k = 1; k <= kDeviceSlotCount; ++k) {
      const auto ki = static_cast<std::size_t>(k);
      const int function = t.function[ki];
      if (!HasDirectoryEntry(function)) continue;
      const int code = t.code[ki];

      int slotAddress = address;
      bool shared = false;
      if (code != 33) {
        auto earlier = firstAddressOfCode.find(code);
        if (earlier != firstAddressOfCode.end()) {
          slotAddress = earlier->second;
          shared = true;
        } else {
          firstAddressOfCode.emplace(code, address);
        }
      }

      int events = 0;
      bool held = false, untilPressed = false, bit2 = false, bit3 = false;
      std::uint8_t yByte = 0;
      int reserve = 0;
      MacroEncoding encoding;
      const bool isMacro = code >= 33 && code <= 29999;
      if (isMacro) {
        const bool library = SlotMacroSource::IsLibraryCode(code);
        const MacroRecord& stored = macros.Get(code, p, t.button[ki]);
        const MacroRecord record = library ? UnrollForDevice(stored) : stored;
        events = EventCount(record);
        if (k <= 12) {
          held = (record.mode & 3) == 2;
          untilPressed = (record.mode & 3) == 1;
          bit2 = !held && !untilPressed && (record.mode & 4);
          bit3 = (held || untilPressed) && (record.mode & 8);
        }
        if (library) yByte = Byte(record.yOffsetOn * 128 + record.yOffset);
        if (!shared) {
          encoding = EncodeMacroData(record, slotAddress, divisor);
          // Counts that understate the events must not let the data run into the next macro.
          reserve = std::max(PlannedMacroSize(record, library, divisor), static_cast<int>(encoding.bytes.size()));
        }
      }

      std::uint8_t* entry = &plan.directory[static_cast<std::size_t>(DirectoryEntryAddress(p, k) - kMacroDirectoryAddress)];
      const std::uint16_t usage = (code >= 23 && code <= 32) ? MediaIndexToUsage(code - 23) : 0;
      entry[0] = Byte(divisor - 1);
      entry[1] = Byte((held ? 128 : 0) + (events & 0x7F));
      entry[2] = KeyIndexToDeviceKey(Byte(code - 70));
      entry[3] = Byte(usage);
      entry[4] = Byte(usage >> 8);
      entry[5] = Byte(slotAddress);
      entry[6] = Byte((untilPressed ? 128 : 0) + (bit2 ? 64 : 0) + ((slotAddress >> 8) & 0x3F));
      entry[7] = Byte((bit3 ? 64 : 0) + ((events >> 7) & 0x3F));
      entry[8] = yByte;
      entry[9] = 0;
      plan.dataAddress[static_cast<std::size_t>(p)][ki] = slotAddress;

      if (isMacro && !shared) {
        plan.stored.push_back(StoredMacro{p, k, slotAddress, std::move(encoding)});
        address += RoundUp8(reserve);
        if (address >= kMacroDataLimit) {
          plan.overflow = true;
          plan.dataEnd = address;
          return plan;
        }
      }
    }
  }
  plan.dataEnd = address;
  return plan;
}

bool WriteMacroDirectory(const MacroAreaPlan& plan, const BlockWrite& write) {
  for (int b = 0; b < kDirectoryBlockCount; ++b)
    if (!write(kMacroDirectoryAddress + b * 8, &plan.directory[static_cast<std::size_t>(b * 8)], 8)) return false;
  return true;
}

MacroAreaResult WriteMacroData(const MacroAreaPlan& plan, std::vector<int>& tips, const BlockWrite& write) {
  for (const StoredMacro& macro : plan.stored) {
    tips.insert(tips.end(), macro.encoding.warnings.begin(), macro.encoding.warnings.end());
    if (macro.encoding.lightingOverflow) return MacroAreaResult::LightingOverflow;
    const auto& bytes = macro.encoding.bytes;
    const int length = static_cast<int>(bytes.size());
    for (int offset = 0; offset < length; offset += 8) {
      const int blockAddress = macro.address + offset;
      if (blockAddress >= kMacroDataLimit) {
        tips.push_back(kTipMacroAreaFull);
        return MacroAreaResult::AreaFull;
      }
      if (!write(blockAddress, bytes.data() + offset, std::min(8, length - offset)))
        return MacroAreaResult::WriteFailed;
    }
  }
  return MacroAreaResult::Written;
}
