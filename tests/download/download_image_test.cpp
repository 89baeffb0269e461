// The whole memory image after a download of a known settings set, against an image
// put together here by hand from the documented layout.
#include <array>
#include <sstream>

#include "device/macro_area.h"
#include "download_fixture.h"

namespace {

using Memory = std::array<std::uint8_t, sim::kSimMemorySize>;

void Put(Memory& m, int address, std::initializer_list<int> bytes) {
  for (int b : bytes) m[static_cast<std::size_t>(address++)] = static_cast<std::uint8_t>(b);
}

std::string Differences(const Memory& expected, const Memory& actual) {
  std::ostringstream out;
  int shown = 0;
  for (std::size_t a = 0; a < expected.size(); ++a) {
    if (expected[a] == actual[a]) continue;
    if (shown++ < 24)
      out << std::hex << "0x" << a << ": expected 0x" << int(expected[a]) << " got 0x" << int(actual[a]) << "\n";
  }
  if (shown > 24) out << std::dec << shown << " differences in all\n";
  return out.str();
}

class KnownSettings : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    MacroRecord tapA = NamedMacro("Tap A", 0, 3);
    AddEvent(tapA, 1, 0x04, 10);
    AddEvent(tapA, 2, 0x04, 200);
    MacroRecord holdB = NamedMacro("Hold B", 2, 1);
    AddEvent(holdB, 1, 0x05, 4);
    AddEvent(holdB, 2, 0x05, 4);
    MacroRecord spare = NamedMacro("Spare", 0, 1);
    AddEvent(spare, 1, 0x07, 0);
    AddEvent(spare, 2, 0x07, 5);
    WriteLibrary({{"Alpha", {tapA, holdB, spare}}});

    MacroRecord preset = NamedMacro("Recoil", 1, 1);
    preset.yOffsetOn = 1;
    preset.yOffset = 7;
    AddEvent(preset, 6, MacroEventCode::PointerMove, 20, 3, 5);
    AddEvent(preset, 1, 241, 60);
    AddEvent(preset, 2, 241, 60);
    g_gunMacros[0] = preset;
    g_gunMacroCount = 1;

    MacroRecord combo0 = NamedMacro("Ctrl+A", 2, 1);
    AddEvent(combo0, 1, 0xE0, 4);
    AddEvent(combo0, 1, 0x04, 4);
    g_profileMacros[0][4] = combo0;
    MacroRecord combo1 = NamedMacro("C", 2, 1);
    AddEvent(combo1, 1, 0x06, 4);
    g_profileMacros[1][4] = combo1;

    g_keyCount = 12;
    const std::array<int, 12> keyMap{3, 1, 2, 4, 5, 6, 7, 8, 9, 10, 12, 11};
    for (int i = 0; i < 12; ++i) g_keyMap[i] = static_cast<std::uint8_t>(keyMap[i]);
    const std::array<std::array<int, 12>, 4> codes{{
        {1, 2, 256, 7, 33, 18, 23, 257, 50, 15, 19, 16},
        {17, 0, 256, 0, 33, 0, 24, 0, 0, 0, 0, 0},
        {40000, 30000, 0, 20, 0, 261, 0, 513, 51, 259, 258, 0},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    }};
    g_keyFunc = codes;
    g_leftMac[1][2] = 1;
    g_leftMac[1][4] = 1;
    for (auto& p : g_ledReactEnable) p.fill(1);
    g_ledReactType[0][5] = 2;
    g_ledReactType[1][0] = 1;
    g_macCor = {1, 2, 3, 4, 5, 6, 0, 1, 2, 3, 4, 5};

    g_currentProfile = 2;
    g_dpiLevel = 3;
    g_dpiSetValue = {0, 5, 9, 10, 15, 22};
    g_dpiSetEnable = {1, 1, 0, 1, 0, 1};
    for (int j = 0; j < 6; ++j) g_dpiColorLevel[j] = {j, 15 - j, (2 * j) % 16};
    for (int j = 0; j < 7; ++j) g_userLedColorLevel[j] = {(j + 3) % 16, j * 2, 15 - j};
    g_fireTime = 100;
    g_ledType = 5;
    g_ledSpeed = 3;
    g_ledUserColerEn = 1;
    g_cycColorEnable = {1, 0, 1, 1, 0, 0, 1};
    g_ledSymmetry = 1;
    g_ledDirection = 2;
    g_ledBright = 3;
    g_modeLight = 1;
    g_ledEffectLevel = 11;
    g_dpiSpeed = 3;
    g_wheelSpeed = 5;
    SetLedModeList(kOfferedLedEffectMask);
  }

  // The image as the layout tables give it for the set above.
  Memory ExpectedImage(bool fullHeader) const {
    Memory m{};
    if (fullHeader)
      Put(m, 0x000, {0x5A, 0x43, 0xA5, 0x01, 0x52, 0x1A, 0x3F, 0x00});
    else
      Put(m, 0x001, {0x43});

    // Device function by profile and slot 1..12, and the entry byte: type x 64 +
    // enable x 32 + function.
    const std::array<std::array<int, 13>, 4> fn{{
        {0, 2, 13, 1, 2, 14, 20, 15, 14, 30, 21, 11, 23},
        {0, 0, 30, 12, 0, 31, 0, 15, 0, 0, 0, 0, 0},
        {0, 0, 0, 22, 24, 0, 0, 0, 0, 0, 0, 0, 13},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    }};
    auto e = [&](int p, int s) {
      int type = (p == 0 && s == 6) ? 2 : (p == 1 && s == 3) ? 1 : 0;
      return type * 64 + 32 + fn[p][s];
    };
    Put(m, 0x008, {e(0, 1), e(0, 2), e(0, 3), e(0, 4), e(0, 5), e(0, 6), e(0, 7), e(0, 8)});
    // DPI codes 1, 6, 10, 12, 17, 24: bit 4 of levels 4 and 5; nibbles 1|6, 10|12, 1|8.
    Put(m, 0x010, {e(0, 9), 0, 0, 0x30, 8, 0x16, 0xAC, 0x18});
    // Level 3, enables 0b101011, fire time 100 / 8, effect 5 speed 3, cycle colours 77.
    Put(m, 0x018, {0x0B, 0x2B, 12, 0, 0x80 + 5 * 16 + 3, 0x80 + 77, 7, 0});
    auto dpiComp = [&](int k) { return g_dpiColorLevel[k / 3][k % 3]; };
    auto userComp = [&](int k) { return g_userLedColorLevel[k / 3][k % 3]; };
    for (int k = 0; k < 16; ++k) m[0x020 + k] = static_cast<std::uint8_t>(userComp(k) * 16 + dpiComp(k));
    // Offered effects 0x3BC7; effect 5 has no bit 3.
    Put(m, 0x030, {userComp(16) * 16 + dpiComp(16), userComp(17) * 16 + dpiComp(17), 0xC7, 0x3B, 0, 0, 0, 0});
    Put(m, 0x038, {0, 0, 0x40 + 0x20 + 11, e(0, 10), e(0, 11), e(0, 12), 9 * 16 + 12, 0x30 + 9});
    Put(m, 0x040, {0, 0, 0, 0xEE, e(1, 1), e(1, 2), e(1, 3), e(1, 4)});
    Put(m, 0x048, {e(1, 5), e(1, 6), e(1, 7), e(1, 8), e(1, 9), e(1, 10), e(1, 11), e(1, 12)});
    Put(m, 0x050, {e(2, 1), e(2, 2), e(2, 3), e(2, 4), e(2, 5), e(2, 6), e(2, 7), e(2, 8)});
    Put(m, 0x058, {e(2, 9), e(2, 10), e(2, 11), e(2, 12), 0, 0, 0, 0});
    Put(m, 0x060, {e(3, 1), e(3, 2), e(3, 3), e(3, 4), e(3, 5), e(3, 6), e(3, 7), e(3, 8)});
    Put(m, 0x068, {e(3, 9), e(3, 10), e(3, 11), e(3, 12), 0, 0});
    // Lighting data after the macros (0x448), four empty rows of 8 bytes.
    Put(m, 0x06E, {0x48, 0x04, 0x50, 0x04, 0x58, 0x04, 0x60, 0x04, 0x80 + 0x40 + 2, 0x71, 0x00, 0x68, 0x04});
    // Colour indices of key numbers 2..12: 3, 1, 4, 5, 6, 0, 1, 2, 3, 5, 4.
    Put(m, 0x098, {3 + 1 * 8, 4 + 5 * 8, 6 + 0 * 8, 1 + 2 * 8, 3 + 5 * 8, 4, 0, 0});

    auto dir = [&](int p, int k, std::initializer_list<int> bytes) { Put(m, 0x0A0 + p * 140 + (k - 1) * 10, bytes); };
    dir(0, 2, {0, 2, 0xFF, 0, 0, 0x00, 0x04, 0, 0, 0});            // Tap A
    dir(0, 5, {0, 0x82, 0xFF, 0, 0, 0x08, 0x04, 0, 0, 0});         // Ctrl+A, repeat while held
    dir(0, 7, {0, 0, 0xFF, 0x23, 0x02, 0x10, 0x04, 0, 0, 0});      // home page (0x223)
    dir(0, 8, {0, 0x88, 0xFF, 0, 0, 0x10, 0x04, 0, 0, 0});         // Hold B unrolled to 8 events
    dir(0, 9, {0, 3, 0xFF, 0, 0, 0x28, 0x84, 0, 0x80 + 7, 0});     // preset, until pressed, y offset 7
    dir(1, 2, {0, 2, 0xFF, 0, 0, 0x00, 0x04, 0, 0, 0});            // Tap A again: shared
    dir(1, 5, {0, 0x81, 0xFF, 0, 0, 0x38, 0x04, 0, 0, 0});         // its own key combination
    dir(1, 7, {0, 0, 0xFF, 0x83, 0x01, 0x40, 0x04, 0, 0, 0});      // media player (0x183)
    dir(2, 12, {0, 2, 0xFF, 0, 0, 0x40, 0x04, 0, 0, 0});           // Spare

    // Tap A: 3 plays; A down after 10 ms; A up after 200 ms = 73 + one extension.
    Put(m, 0x400, {0x03, 0x00, 0x8A, 0x04, 0x49, 0x04, 0x7F, 0x00});
    Put(m, 0x408, {0x01, 0x00, 0x84, 0xE0, 0x84, 0x04, 0x00, 0x00});
    Put(m, 0x410, {0x01, 0x00, 0x84, 0x05, 0x04, 0x05, 0x84, 0x05, 0x04, 0x05, 0x84, 0x05,
                   0x04, 0x05, 0x84, 0x05, 0x04, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    // Preset: move right and down (3, 5), left button down and up.
    Put(m, 0x428, {0x01, 0x00, 20, 0xF6, 3, 0, 5, 0, 0x80 + 60, 0xF1, 60, 0xF1, 0, 0, 0, 0});
    Put(m, 0x438, {0x01, 0x00, 0x84, 0x06, 0, 0, 0, 0});
    // Spare: a delay of 0 becomes 1.
    Put(m, 0x440, {0x01, 0x00, 0x81, 0x07, 0x05, 0x07, 0, 0});
    return m;
  }
};

TEST_F(KnownSettings, SecondProductIdGetsTheWholeImageByteForByte) {
  Connect({.productId = sim::kSimProductId2});
  ASSERT_EQ(g_deviceVariant.load(), 0);

  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);

  const Memory expected = ExpectedImage(true);
  const Memory actual = mouse->Memory();
  EXPECT_TRUE(expected == actual) << Differences(expected, actual);
  EXPECT_TRUE(Warnings().empty());
  EXPECT_EQ(mouse->ControlPulseCount(), 1);
  EXPECT_EQ(mouse->RejectedMemoryReports(), 0);
  EXPECT_EQ(g_downloadBusy.load(), 0);
}

TEST_F(KnownSettings, FirstProductIdKeepsItsHeaderButTheProfileByte) {
  mouse->SetMemory(0, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88});
  ASSERT_EQ(g_deviceVariant.load(), 1);

  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);

  Memory expected = ExpectedImage(false);
  Put(expected, 0x000, {0x11});
  Put(expected, 0x002, {0x33, 0x44, 0x55, 0x66, 0x77, 0x88});
  const Memory actual = mouse->Memory();
  EXPECT_TRUE(expected == actual) << Differences(expected, actual);
  EXPECT_EQ(BlockData(0x001), (std::vector<std::uint8_t>{0x43}));
}

TEST_F(KnownSettings, BlocksGoOutInTheDownloadOrder) {
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);

  std::vector<int> expected{0x001, 0x008, 0x010, 0x018, 0x020, 0x028, 0x030, 0x038,
                            0x040, 0x048, 0x050, 0x058, 0x060, 0x068, 0x098};
  for (int b = 0; b < 70; ++b) expected.push_back(0x0A0 + 8 * b);
  for (int a : {0x06E, 0x070, 0x078, 0x07F}) expected.push_back(a);
  for (int a = 0x400; a < 0x448; a += 8) expected.push_back(a);
  EXPECT_EQ(CommittedBlocks(), expected);

  const auto frames = mouse->Frames();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.front().kind, sim::Frame::Kind::GetFeature) << "the status read comes first";
  // The control pulse ends the memory writes.
  int lastPulse = -1, lastCommit = -1;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (frames[i].kind != sim::Frame::Kind::SetFeature || frames[i].bytes[1] != 0x18) continue;
    if (frames[i].bytes[2] == 0x10) lastPulse = static_cast<int>(i);
    if (frames[i].bytes[2] == 0x09) lastCommit = static_cast<int>(i);
  }
  EXPECT_GT(lastPulse, lastCommit);
}

TEST_F(KnownSettings, DerivedTablesFollowTheButtons) {
  g_ledReactActive = 1;
  g_blinkStop = 0;
  g_usbRateCode = 0;
  g_delayDivisor = 0;
  g_cyc7ColEn = 0;
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);

  EXPECT_EQ(g_deviceFunc[0][2].load(), 13);
  EXPECT_EQ(g_deviceFunc[0][8].load(), 30);
  EXPECT_EQ(g_deviceFunc[1][4].load(), 31);
  EXPECT_EQ(g_deviceFunc[2][0].load(), 22);
  EXPECT_EQ(g_startStopButton[0][5].load(), 1);
  EXPECT_EQ(g_startStopButton[0][4].load(), 0);
  EXPECT_EQ(g_dpiButton[0][11].load(), 1);  // code 16: device function 11
  EXPECT_EQ(g_dpiButton[1][0].load(), 1);   // code 17: device function 12
  EXPECT_EQ(g_dpiButton[0][0].load(), 0);
  // Data addresses by slot (index slot - 1); shared macros share the address.
  EXPECT_EQ(g_macroDeviceAddr[0][1].load(), 0x400);
  EXPECT_EQ(g_macroDeviceAddr[1][1].load(), 0x400);
  EXPECT_EQ(g_macroDeviceAddr[0][7].load(), 0x410);
  EXPECT_EQ(g_macroDeviceAddr[1][4].load(), 0x438);
  EXPECT_EQ(g_macroDeviceAddr[3][0].load(), 0);

  EXPECT_EQ(g_ledReactActive.load(), 0);
  EXPECT_EQ(g_blinkStop.load(), 1);
  EXPECT_EQ(g_usbRateCode.load(), 7);
  EXPECT_EQ(g_delayDivisor.load(), 1);
  EXPECT_EQ(g_cyc7ColEn.load(), 77);
  EXPECT_EQ(g_lastDpiLevel.load(), 3);
  EXPECT_EQ(desktop->speedWrites, std::vector<int>{4});
  EXPECT_EQ(desktop->lineWrites, std::vector<int>{5});
}

TEST_F(KnownSettings, InvalidReferencesAreDroppedAndSavedLater) {
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);

  EXPECT_EQ(g_keyFunc[2][5], 0) << "macro 5 of a group of three";
  EXPECT_EQ(g_keyFunc[2][9], 0) << "macro 3 of a group of three (indices run 0..2)";
  EXPECT_EQ(g_keyFunc[2][7], 0) << "group 1 of a library of one group";
  EXPECT_EQ(g_keyFunc[2][8], 0) << "preset 1 of one preset";
  EXPECT_EQ(g_keyFunc[2][10], 258) << "macro 2 of three is kept";
  EXPECT_EQ(g_keyFunc[0][2], 256);
  EXPECT_EQ(g_deviceFunc[2][5].load(), 0);

  ASSERT_TRUE(SaveProfile(g_configIniPath, 2));
  for (const char* key : {"K5", "K7", "K8", "K9"})
    EXPECT_EQ(ini::ReadString(g_configIniPath, "Config2", key, 260), "0") << key;
  EXPECT_EQ(ini::ReadString(g_configIniPath, "Config2", "K10", 260), "258");
}

TEST_F(KnownSettings, SoftwareModeSetsEveryMacroButtonOfTheCurrentProfile) {
  g_softHardMac = 1;
  g_currentProfile = 0;
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);

  // Command 0x10 goes out for the codes 18 and from 41: buttons 2, 5, 7, 8 of profile 0.
  std::vector<int> keys;
  for (const auto& f : mouse->SetFeatureFrames())
    if (f.bytes[1] == 0x10) keys.push_back(f.bytes[2]);
  EXPECT_EQ(keys, (std::vector<int>{2, 6, 8, 9}));
}

TEST_F(KnownSettings, SecondDownloadShowsThePreviousLightingStart) {
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  g_keyFunc[2][10] = 0;  // one macro less: the data end moves back to 0x440
  mouse->ClearFrames();
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);

  const auto block068 = BlockData(0x068);
  ASSERT_EQ(block068.size(), 8u);
  EXPECT_EQ(block068[6], 0x48);
  EXPECT_EQ(block068[7], 0x04);
  EXPECT_EQ(Mem(0x06E, 2), (std::vector<std::uint8_t>{0x40, 0x04}));
}

}  // namespace
