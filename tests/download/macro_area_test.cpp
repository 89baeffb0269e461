// Encoding of macros for the mouse and the two passes over the macro area.
#include <gtest/gtest.h>

#include "device/macro_area.h"
#include "download_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- Delays -------------------------------------------------------------------------------

Bytes Repeated7F(int entries) {
  Bytes out;
  for (int i = 0; i < entries; ++i) out.insert(out.end(), {0x7F, 0x00});
  return out;
}

struct DelayCase {
  int delay;
  int own;
  Bytes extensions;  // the entries, flattened
};

class DelayEncodingTest : public ::testing::TestWithParam<DelayCase> {};

TEST_P(DelayEncodingTest, OwnByteAndExtensionEntries) {
  const DelayCase& c = GetParam();
  const DelayEncoding d = EncodeDelay(c.delay, 1);
  Bytes flat;
  for (const auto& e : d.extensions) flat.insert(flat.end(), e.begin(), e.end());
  EXPECT_EQ(d.own, c.own);
  EXPECT_EQ(flat, c.extensions);
}

INSTANTIATE_TEST_SUITE_P(
    Delays, DelayEncodingTest,
    ::testing::Values(DelayCase{0, 1, {}}, DelayCase{1, 1, {}}, DelayCase{127, 127, {}},
                      DelayCase{128, 1, {0x7F, 0x00}}, DelayCase{200, 73, {0x7F, 0x00}},
                      DelayCase{254, 127, {0x7F, 0x00, 0x00, 0x00}},
                      DelayCase{255, 1, {0x7F, 0x00, 0x7F, 0x00}},
                      DelayCase{381, 127, {0x7F, 0x00, 0x7F, 0x00, 0x00, 0x00}},
                      // Limited to 10000 ms: 78 entries of 127 and 94 left.
                      DelayCase{10000, 94, Repeated7F(78)}, DelayCase{65535, 94, Repeated7F(78)}));

TEST(DelayEncoding, LongDelaysAreCutTo10000AndFullEntriesAre7F) {
  for (int delay : {10000, 12000, 65535}) {
    const DelayEncoding d = EncodeDelay(delay, 1);
    ASSERT_EQ(d.extensions.size(), 78u);
    for (const auto& e : d.extensions) EXPECT_EQ(e, (std::array<std::uint8_t, 2>{0x7F, 0x00}));
    EXPECT_EQ(d.own, 94);
  }
  // A divisor below 1 is taken as 1.
  EXPECT_EQ(EncodeDelay(200, 0).own, 73);
}

// ---- Events ---------------------------------------------------------------------------------

Bytes EventsPart(const MacroRecord& r, int address = 0x400) {
  const MacroEncoding e = EncodeMacroData(r, address, 1);
  return Bytes(e.bytes.begin(), e.bytes.begin() + e.eventsPartLength);
}

struct EventCase {
  const char* name;
  std::uint8_t action, code;
  std::uint16_t delay, a, b;
  Bytes bytes;  // the event's bytes after the two header bytes, before padding
};

class EventEncodingTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(EventEncodingTest, Bytes) {
  const EventCase& c = GetParam();
  MacroRecord r = NamedMacro("e", 0, 1);
  AddEvent(r, c.action, c.code, c.delay, c.a, c.b);
  Bytes expected{0x01, 0x00};
  expected.insert(expected.end(), c.bytes.begin(), c.bytes.end());
  expected.resize((expected.size() + 7) / 8 * 8, 0);
  EXPECT_EQ(EventsPart(r), expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Events, EventEncodingTest,
    ::testing::Values(
        EventCase{"key press", 1, 0x04, 30, 0, 0, {0x80 + 30, 0x04}},
        EventCase{"key release", 2, 0x04, 30, 0, 0, {30, 0x04}},
        EventCase{"key with another action", 7, 0x04, 30, 0, 0, {}},
        EventCase{"key with another action keeps its extensions", 7, 0x04, 200, 0, 0, {0x7F, 0x00}},
        EventCase{"pure delay", 0, 0, 300, 0, 0, {46, 0x00, 0x7F, 0x00, 0x7F, 0x00}},
        EventCase{"pure delay with a press action stays a delay", 1, 0, 5, 0, 0, {5, 0x00}},
        EventCase{"button press", 1, 243, 60, 0, 0, {0x80 + 60, 243}},
        EventCase{"move left up", 3, 246, 8, 3, 5, {8, 246, 0xFD, 0xFF, 0xFB, 0xFF}},
        EventCase{"move left down", 4, 246, 8, 3, 5, {8, 246, 0xFD, 0xFF, 5, 0}},
        EventCase{"move right up", 5, 246, 8, 300, 5, {8, 246, 0x2C, 0x01, 0xFB, 0xFF}},
        EventCase{"move right down", 6, 246, 8, 3, 5, {8, 246, 3, 0, 5, 0}},
        EventCase{"move without signs", 1, 246, 8, 3, 5, {8, 246}},
        EventCase{"dpi set", 9, 248, 12, 0x104, 0, {0x80 + 12, 248, 0x04, 0}},
        EventCase{"dpi reset", 10, 248, 12, 3, 0, {12, 248, 3, 0}},
        EventCase{"dpi other", 1, 248, 12, 3, 0, {0, 248, 3, 0}},
        EventCase{"kind 247 press", 1, 247, 12, 1, 0, {0x80 + 12, 247}},
        EventCase{"kind 250 release", 2, 250, 12, 387, 0, {12, 250}}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

TEST(MacroEncoding, RepeatCountHeaderFollowsTheMode) {
  for (auto [mode, repeat, expected] : std::vector<std::tuple<int, int, int>>{
           {0, 300, 300}, {1, 300, 1}, {2, 300, 1}, {3, 300, 300}, {5, 7, 1}, {4, 7, 7}}) {
    MacroRecord r = NamedMacro("m", static_cast<std::uint8_t>(mode), static_cast<std::uint16_t>(repeat));
    const Bytes part = EventsPart(r);
    EXPECT_EQ(part[0] | (part[1] << 8), expected) << "mode " << mode;
  }
}

TEST(MacroEncoding, LightingStepsPointAtTheirBlocksAfterTheEvents) {
  MacroRecord r = NamedMacro("light", 0, 1);
  r.ledBlockCount = 2;
  r.ledBlocks[0][0] = 1;  // 8 bytes
  r.ledBlocks[0][6] = 10;
  r.ledBlocks[1][0] = 3;  // 16 bytes
  r.ledBlocks[1][5] = 0x55;
  AddEvent(r, 13, 249, 20, 1);  // block 1 first
  AddEvent(r, 15, 249, 20, 0);
  AddEvent(r, 14, 249, 20, 1);

  const MacroEncoding e = EncodeMacroData(r, 0x0F00, 1);
  EXPECT_TRUE(e.warnings.empty());
  ASSERT_EQ(e.eventsPartLength, 16);  // 2 + 3 x 4, padded
  // Lighting part at 0xF10: block 1 (16 bytes), block 0 (8), block 1 again (16).
  const Bytes expectedEvents{0x01, 0x00, 20, 249, 0x10, 0x0F, 20, 249, 0x20, 0x80 + 0x0F,
                             20,   249,  0x28, 0x40 + 0x0F, 0, 0};
  EXPECT_EQ(Bytes(e.bytes.begin(), e.bytes.begin() + 16), expectedEvents);
  ASSERT_EQ(e.lightingPartLength, 40);
  EXPECT_EQ(e.bytes[16], 2) << "byte 0 is stored one less";
  EXPECT_EQ(e.bytes[16 + 5], 0x55);
  EXPECT_EQ(e.bytes[32], 0);
  EXPECT_EQ(e.bytes[32 + 6], 10);
  EXPECT_EQ(e.bytes[40], 2);
  EXPECT_EQ(e.bytes.size(), 56u);
}

TEST(MacroEncoding, LightingStepsThatCannotBeEncodedWarnAndGoOn) {
  // No lighting blocks: the event's own bytes are left out, its extension stays.
  MacroRecord none = NamedMacro("none", 0, 1);
  AddEvent(none, 13, 249, 200, 0);
  AddEvent(none, 2, 0x04, 5);
  MacroEncoding e = EncodeMacroData(none, 0x400, 1);
  EXPECT_EQ(e.warnings, std::vector<int>{6});
  EXPECT_EQ(Bytes(e.bytes.begin(), e.bytes.begin() + 8), (Bytes{0x01, 0x00, 0x7F, 0x00, 5, 0x04, 0, 0}));
  EXPECT_FALSE(e.lightingOverflow);

  // An action other than 13..15 gives kind 0.
  MacroRecord odd = NamedMacro("odd", 0, 1);
  odd.ledBlockCount = 1;
  odd.ledBlocks[0][0] = 1;
  AddEvent(odd, 1, 249, 9, 0);
  e = EncodeMacroData(odd, 0x400, 1);
  EXPECT_EQ(e.warnings, std::vector<int>{6});
  EXPECT_EQ(Bytes(e.bytes.begin(), e.bytes.begin() + 6), (Bytes{0x01, 0x00, 9, 249, 0x08, 0x04}));

  // A block index beyond the record's five blocks is taken as no block.
  MacroRecord far = NamedMacro("far", 0, 1);
  far.ledBlockCount = 1;
  AddEvent(far, 13, 249, 9, 7);
  e = EncodeMacroData(far, 0x400, 1);
  EXPECT_EQ(e.warnings, std::vector<int>{6});
  EXPECT_EQ(e.lightingPartLength, 0);
}

TEST(MacroEncoding, OversizedLightingBlockIsPaddedNotOverrun) {
  MacroRecord r = NamedMacro("big", 0, 1);
  r.ledBlockCount = 1;
  r.ledBlocks[0].fill(0x33);
  r.ledBlocks[0][0] = 40;  // asks for 164 bytes of a 68-byte block
  AddEvent(r, 13, 249, 1, 0);
  const MacroEncoding e = EncodeMacroData(r, 0x400, 1);
  ASSERT_EQ(e.lightingPartLength, 168);
  const int start = e.eventsPartLength;
  EXPECT_EQ(e.bytes[static_cast<std::size_t>(start)], 39);
  EXPECT_EQ(e.bytes[static_cast<std::size_t>(start + 67)], 0x33);
  for (int i = 68; i < 168; ++i) ASSERT_EQ(e.bytes[static_cast<std::size_t>(start + i)], 0) << i;
}

TEST(MacroEncoding, LightingBlockPastTheAddressLimitStops) {
  MacroRecord r = NamedMacro("late", 0, 1);
  r.ledBlockCount = 1;
  r.ledBlocks[0][0] = 4;  // 24 bytes
  AddEvent(r, 13, 249, 1, 0);
  AddEvent(r, 13, 249, 1, 0);
  // Events part 16 bytes: blocks at 0x3FE0 (ends 0x3FF8) and 0x3FF8 (ends past 0x4001).
  MacroEncoding e = EncodeMacroData(r, 0x3FD0, 1);
  EXPECT_TRUE(e.lightingOverflow);
  EXPECT_EQ(e.warnings, std::vector<int>{6});
  // The second block ends at 0x4001: its last byte is at the limit.
  e = EncodeMacroData(r, 0x3FC1, 1);
  EXPECT_FALSE(e.lightingOverflow);
  e = EncodeMacroData(r, 0x3FC2, 1);
  EXPECT_TRUE(e.lightingOverflow);
}

TEST(MacroEncoding, ReservedPartForTheSecondBlockSetIsZero) {
  MacroRecord r = NamedMacro("r", 0, 1);
  r.kind251BlockCount = 2;
  r.blocks251[0][0] = 1;  // 8
  r.blocks251[1][0] = 2;  // 16
  r.blocks251[1][3] = 9;
  const MacroEncoding e = EncodeMacroData(r, 0x400, 1);
  EXPECT_EQ(e.reservedPartLength, 24);
  EXPECT_EQ(e.bytes.size(), 32u);
  for (std::size_t i = 8; i < e.bytes.size(); ++i) EXPECT_EQ(e.bytes[i], 0);
}

TEST(MacroEncoding, PlannedSizeFollowsTheHeaderCounts) {
  MacroRecord r = NamedMacro("p", 0, 1);
  EXPECT_EQ(PlannedMacroSize(r, true, 1), 8) << "an empty library macro counts 3 events";
  EXPECT_EQ(PlannedMacroSize(r, false, 1), 8);
  AddEvent(r, 1, 0x04, 254);                   // 2 extension entries
  AddEvent(r, 6, 246, 1, 1, 1);                // a move: 4 more
  AddEvent(r, 9, 248, 1, 2);                   // a DPI step: 2 more
  EXPECT_EQ(PlannedMacroSize(r, true, 1), 24);  // 2 + 2 x (3 + 2) + 4 + 2 = 18, padded
}

// ---- Unrolling ------------------------------------------------------------------------------

TEST(UnrollForDevice, ShortHeldMacrosAreRepeatedWithinTheRecord) {
  MacroRecord r = NamedMacro("u", 2, 1);
  AddEvent(r, 1, 0x04, 4);
  AddEvent(r, 2, 0x04, 4);  // s = 9: 4 rounds
  EXPECT_EQ(UnrollForDevice(r).eventCount, 8);

  MacroRecord slow = r;
  slow.delay[1] = 30;  // s = 35: one round only
  EXPECT_EQ(UnrollForDevice(slow).eventCount, 2);

  MacroRecord other = r;
  other.mode = 6;  // not exactly 2
  EXPECT_EQ(UnrollForDevice(other).eventCount, 2);

  // 100 events without delays ask for 40 rounds; only two fit into 275 events.
  MacroRecord many = NamedMacro("many", 2, 1);
  for (int i = 0; i < 100; ++i) AddEvent(many, 1, 0x04, 0);
  EXPECT_EQ(UnrollForDevice(many).eventCount, 200);
  MacroRecord full = NamedMacro("full", 2, 1);
  for (int i = 0; i < 200; ++i) AddEvent(full, 1, 0x04, 0);
  EXPECT_EQ(UnrollForDevice(full).eventCount, 200);
}

// ---- Device functions ------------------------------------------------------------------------

struct FunctionCase {
  int code, mode, leftMac, function;
};
class DeviceFunctionTest : public ::testing::TestWithParam<FunctionCase> {};
TEST_P(DeviceFunctionTest, Table) {
  const auto& c = GetParam();
  EXPECT_EQ(DeviceFunctionCode(c.code, c.mode, c.leftMac), c.function) << "code " << c.code;
}
INSTANTIATE_TEST_SUITE_P(
    Codes, DeviceFunctionTest,
    ::testing::Values(FunctionCase{0, 0, 0, 0}, FunctionCase{6, 0, 0, 6}, FunctionCase{7, 0, 0, 2},
                      FunctionCase{14, 0, 0, 9}, FunctionCase{15, 0, 0, 21}, FunctionCase{16, 0, 0, 11},
                      FunctionCase{17, 0, 0, 12}, FunctionCase{18, 0, 0, 20}, FunctionCase{19, 0, 0, 23},
                      FunctionCase{22, 0, 0, 26}, FunctionCase{23, 0, 0, 15}, FunctionCase{32, 0, 0, 15},
                      FunctionCase{33, 2, 0, 14}, FunctionCase{33, 2, 1, 31}, FunctionCase{33, 0, 0, 13},
                      FunctionCase{41, 6, 0, 14}, FunctionCase{49, 1, 0, 13}, FunctionCase{50, 0, 0, 30},
                      FunctionCase{255, 2, 0, 31}, FunctionCase{256, 0, 0, 13}, FunctionCase{256, 1, 5, 30},
                      FunctionCase{29999, 2, 0, 14}, FunctionCase{30000, 0, 0, 0}, FunctionCase{30001, 0, 0, 0},
                      FunctionCase{40000, 0, 0, 22}, FunctionCase{-3, 0, 0, 0}, FunctionCase{50000, 0, 0, 0}));

TEST(LedEffect, TypesAndThePreviousDownload) {
  const LedEffect previous{9, 1, 4};
  auto check = [&](int type, int effect, int flag, int speed) {
    const LedEffect e = ComputeLedEffect(type, 3, previous);
    EXPECT_EQ(e.effect, effect) << "type " << type;
    EXPECT_EQ(e.flag, flag) << "type " << type;
    EXPECT_EQ(e.speed, speed) << "type " << type;
  };
  check(0, 0, 0, 3);
  check(11, 11, 0, 3);
  check(12, 1, 1, 3);
  check(13, 9, 0, 7);
  check(14, 9, 1, 3);
  check(200, 9, 1, 3);
}

TEST(DpiCodes, StepsMapAroundCodeEleven) {
  EXPECT_EQ(DpiCode(0), 1);
  EXPECT_EQ(DpiCode(9), 10);
  EXPECT_EQ(DpiCode(10), 12);
  EXPECT_EQ(DpiCode(22), 24);
  EXPECT_EQ(DpiCode(23), 24) << "a step past the table is the highest step";
  EXPECT_EQ(DpiCode(255), 24);
  for (int s = 0; s < 23; ++s) EXPECT_NE(DpiCode(s), 11);
}

// ---- The passes against the simulated mouse ----------------------------------------------------

class MacroAreaTest : public DownloadTest {
 protected:
  static MacroRecord Keys(const char* name, int events, std::uint16_t delay = 5) {
    MacroRecord r = NamedMacro(name, 0, 1);
    for (int i = 0; i < events; ++i) AddEvent(r, static_cast<std::uint8_t>(1 + i % 2), 0x04, delay);
    return r;
  }
  int EntryByte(int p, int k, int b) const { return mouse->MemoryAt(static_cast<std::size_t>(DirectoryEntryAddress(p, k) + b)); }
  int EntryAddress(int p, int k) const { return EntryByte(p, k, 5) | ((EntryByte(p, k, 6) & 0x3F) << 8); }
};

TEST_F(MacroAreaTest, ProfilesWithoutMacrosLeaveTheDirectoryEmpty) {
  PlainButtons();
  g_keyFunc[0] = {1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0};
  mouse->SetMemory(0x0A0, Bytes(560, 0xEE));
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(Mem(0x0A0, 560), Bytes(560, 0));
  EXPECT_EQ(Mem(0x06E, 2), (Bytes{0x00, 0x04})) << "the lighting data start at the empty macro area";
}

TEST_F(MacroAreaTest, SameLibraryMacroIsStoredOnceForEveryButton) {
  WriteLibrary({{"G", {Keys("one", 4), Keys("two", 2)}}});
  PlainButtons();
  g_keyFunc[0][0] = 256;
  g_keyFunc[0][5] = 257;
  g_keyFunc[2][3] = 256;
  g_keyFunc[3][11] = 256;
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(EntryAddress(0, 1), 0x400);
  EXPECT_EQ(EntryAddress(0, 6), 0x410);
  EXPECT_EQ(EntryAddress(2, 4), 0x400);
  EXPECT_EQ(EntryAddress(3, 12), 0x400);
  EXPECT_EQ(Mem(0x06E, 2), (Bytes{0x18, 0x04}));
  // The shared macro's data went out once.
  int writesAt400 = 0;
  for (int a : CommittedBlocks()) writesAt400 += a == 0x400;
  EXPECT_EQ(writesAt400, 1);
}

TEST_F(MacroAreaTest, KeyCombinationsAreStoredSeparately) {
  PlainButtons();
  for (int p : {0, 1}) {
    MacroRecord combo = NamedMacro("Ctrl+A", 2, 1);
    AddEvent(combo, 1, 0xE0, 4);
    AddEvent(combo, 1, static_cast<std::uint8_t>(0x04 + p), 4);
    g_profileMacros[p][3] = combo;
    g_keyFunc[p][3] = 33;
  }
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(EntryAddress(0, 4), 0x400);
  EXPECT_EQ(EntryAddress(1, 4), 0x408);
  EXPECT_EQ(Mem(0x400, 16), (Bytes{1, 0, 0x84, 0xE0, 0x84, 0x04, 0, 0, 1, 0, 0x84, 0xE0, 0x84, 0x05, 0, 0}));
  EXPECT_EQ(EntryByte(0, 4, 1), 0x80 + 2) << "key combinations repeat while held";
}

TEST_F(MacroAreaTest, FlagsAreSetForSlotsUpToTwelveOnly) {
  MacroRecord held = Keys("held", 2, 100);  // s too long for unrolling
  held.mode = 2 | 8;
  MacroRecord toggle = Keys("toggle", 2);
  toggle.mode = 1;
  MacroRecord bit2 = Keys("bit2", 2);
  bit2.mode = 4;
  WriteLibrary({{"G", {held, toggle, bit2}}});
  PlainButtons();
  g_keyMap[11] = 13;  // a thirteenth key number
  g_keyFunc[0][0] = 256;
  g_keyFunc[0][1] = 257;
  g_keyFunc[0][2] = 258;
  g_keyFunc[1][11] = 256;
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(EntryByte(0, 1, 1), 0x80 + 2);
  EXPECT_EQ(EntryByte(0, 1, 7), 0x40);
  EXPECT_EQ(EntryByte(0, 2, 6) & 0xC0, 0x80);
  EXPECT_EQ(EntryByte(0, 3, 6) & 0xC0, 0x40);
  EXPECT_EQ(EntryByte(1, 13, 1), 2) << "no flags beyond slot 12";
  EXPECT_EQ(EntryByte(1, 13, 7), 0);
  EXPECT_EQ(EntryAddress(1, 13), 0x400);
}

TEST_F(MacroAreaTest, MacroAreaFullStopsAndKeepsTheBlocksBefore) {
  std::vector<MacroRecord> big;
  for (int i = 0; i < 6; ++i) big.push_back(Keys(("big" + std::to_string(i)).c_str(), 275));
  WriteLibrary({{"Big", big}});
  PlainButtons();
  for (int i = 0; i < 6; ++i) g_keyFunc[0][static_cast<std::size_t>(i)] = 256 + i;  // 0x228 bytes each
  g_dpiLevel = 2;

  EXPECT_EQ(DownloadSettings(), DownloadOutcome::MacroAreaFull);
  EXPECT_EQ(Warnings(), std::vector<int>{29});
  ASSERT_EQ(busyAtWarning.size(), 1u);
  EXPECT_EQ(busyAtWarning[0], 1) << "the warning comes while the download runs";
  EXPECT_EQ(g_downloadBusy.load(), 0);
  // Header, settings and colour index went out; nothing after them.
  EXPECT_EQ(mouse->MemoryAt(0x018), 0x0A);
  EXPECT_EQ(CommittedBlocks().back(), 0x098);
  EXPECT_EQ(Mem(0x0A0, 560), Bytes(560, 0));
  EXPECT_EQ(mouse->ControlPulseCount(), 0);
  EXPECT_TRUE(desktop->speedWrites.empty());

  // Five of them fit, up to 0xEC8.
  g_keyFunc[0][5] = 0;
  warnings.clear();
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_TRUE(Warnings().empty());
  EXPECT_EQ(EntryAddress(0, 5), 0x400 + 4 * 0x228);
  EXPECT_EQ(Mem(0x06E, 2), (Bytes{0xC8, 0x0E}));
  const Bytes directory = Mem(0x0A0, 560);

  // The sixth again: the directory of the last complete download stays, and the
  // settings block that ends at 0x06F carries the lighting start of that download.
  g_keyFunc[0][5] = 261;
  mouse->ClearFrames();
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::MacroAreaFull);
  EXPECT_EQ(Mem(0x0A0, 560), directory);
  EXPECT_EQ(Mem(0x06E, 2), (Bytes{0xC8, 0x0E}));
  EXPECT_EQ(mouse->ControlPulseCount(), 1);
}

TEST_F(MacroAreaTest, DataPassStopsAtTheEndOfTheArea) {
  MacroAreaPlan plan;
  StoredMacro m;
  m.address = 0xF10;
  m.encoding.bytes = Bytes(24, 0xAB);
  plan.stored.push_back(m);
  std::vector<int> tips;
  EXPECT_EQ(WriteMacroData(plan, tips), MacroAreaResult::AreaFull);
  EXPECT_EQ(CommittedBlocks(), (std::vector<int>{0xF10, 0xF18}));
  EXPECT_EQ(tips, std::vector<int>{29});
}

TEST_F(MacroAreaTest, DataPassCollectsEncodingWarningsAndStopsOnLightingOverflow) {
  MacroAreaPlan plan;
  StoredMacro ok;
  ok.address = 0x400;
  ok.encoding.bytes = Bytes(8, 1);
  ok.encoding.warnings = {6};
  StoredMacro bad;
  bad.address = 0x408;
  bad.encoding.bytes = Bytes(8, 2);
  bad.encoding.warnings = {6};
  bad.encoding.lightingOverflow = true;
  plan.stored = {ok, bad};
  std::vector<int> tips;
  EXPECT_EQ(WriteMacroData(plan, tips), MacroAreaResult::LightingOverflow);
  EXPECT_EQ(tips, (std::vector<int>{6, 6}));
  EXPECT_EQ(CommittedBlocks(), std::vector<int>{0x400});
}

TEST_F(MacroAreaTest, MediaKeySlotTakesTheCurrentEndWithoutAdvancing) {
  WriteLibrary({{"G", {Keys("one", 2)}}});
  PlainButtons();
  g_keyFunc[0][0] = 31;   // index 8
  g_keyFunc[0][1] = 256;
  g_keyFunc[0][2] = 32;   // index 9
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(EntryAddress(0, 1), 0x400);
  EXPECT_EQ(EntryAddress(0, 2), 0x400);
  EXPECT_EQ(EntryAddress(0, 3), 0x408);
  EXPECT_EQ(EntryByte(0, 1, 3) | (EntryByte(0, 1, 4) << 8), 0xCD);   // index 8: play/pause
  EXPECT_EQ(EntryByte(0, 3, 3) | (EntryByte(0, 3, 4) << 8), 0x192);  // index 9: calculator
  EXPECT_EQ(EntryByte(0, 1, 1), 0);
  EXPECT_EQ(Mem(0x06E, 2), (Bytes{0x08, 0x04}));
}

TEST_F(MacroAreaTest, CodeFortyNineUsesTheButtonsKeyCombinationRecord) {
  PlainButtons();
  MacroRecord r = NamedMacro("x", 0, 2);
  AddEvent(r, 1, 0x09, 3);
  g_profileMacros[0][0] = r;
  g_keyFunc[0][0] = 49;
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(g_deviceFunc[0][0].load(), 13) << "the device function takes an empty record";
  EXPECT_EQ(Mem(0x400, 8), (Bytes{2, 0, 0x83, 0x09, 0, 0, 0, 0}));
}

}  // namespace
