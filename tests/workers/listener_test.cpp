// The input listener driven report by report: hand-over flags, the toggle, the
// left-button light reaction, start/stop with the save of the current macro, the step
// codes and the mouse's own profile changes.
#include "workers_fixture.h"

namespace workers_test {
namespace {

class ListenerTest : public WorkersTest {
 protected:
  static constexpr std::uint8_t kRelease = 0x80;

  static std::uint8_t Code(int key) { return static_cast<std::uint8_t>(240 + key); }

  // Bytes 2..7 of command 0x13 for the arguments the listener passes.
  static std::vector<std::uint8_t> LedFrame(int a1, int a2, int a3, int a4) {
    const int a8 = g_ledEffectLevel.load();
    return {7,
            0x13,
            static_cast<std::uint8_t>(g_ledUserColerEn.load() * 128 + a1),
            static_cast<std::uint8_t>(a2 * 128 + a3 * 16 + (a4 & 7)),
            static_cast<std::uint8_t>(g_ledFeatureScolor.load() * 128 + g_ledSymmetry.load() * 64 +
                                      ((g_ledDirection.load() * 16) & 0x30) + a8),
            static_cast<std::uint8_t>(g_ledBright.load() & 7),
            0,
            2};
  }

  static std::string FileEntry(const std::string& path, int index) {
    return ini::ReadString(path, "Macros", std::to_string(index), kMacroValueBufferChars);
  }
};

TEST_F(ListenerTest, ReportsThatNameNothingChangeNothing) {
  struct Case {
    std::vector<std::uint8_t> report;
    int softHardMac;
  };
  const std::vector<Case> cases{
      {{6, 240, 0}, 1},       {{6, 0, 0}, 1},   {{6, 4, 0}, 1},    {{6, 239, 0x80}, 1},
      {{6, 3, 0}, 0},         // a profile change is followed only in software mode
      {{5, 241, 0}, 1},       // another report id
      {{6}, 1},               // too short to carry an event
  };
  mouse->SetActiveProfile(2);
  for (const Case& c : cases) {
    g_softHardMac = c.softHardMac;
    mouse->ClearFrames();
    HandleInputReport(c.report.data(), c.report.size());
    EXPECT_TRUE(mouse->Frames().empty()) << int(c.report.size() > 1 ? c.report[1] : 0);
    EXPECT_EQ(g_buttonPressed.load(), 0);
    EXPECT_EQ(g_buttonReleased.load(), 0);
    EXPECT_EQ(g_buttonHeld.load(), 0);
    EXPECT_EQ(g_currentProfile.load(), 0);
  }
  EXPECT_EQ(ini::ReadInt(g_configIniPath, "Init", "CurConfig", 5), 0);
}

TEST_F(ListenerTest, PressAndReleaseAreHandedOver) {
  SetButton(0, 2, 300);
  LoadAllProfiles();
  Feed(Code(3), 0x02);
  EXPECT_EQ(g_buttonPressed.load(), 1);
  EXPECT_EQ(g_lastButtonCode.load(), Code(3));
  EXPECT_EQ(g_buttonHeld.load(), 1);
  EXPECT_EQ(g_buttonReleased.load(), 0);
  EXPECT_EQ(g_buttonToggle.load(), 1);

  // While the executor is busy a press of another button is not handed over, but the
  // held state and the toggle follow it; its release does set the code.
  Feed(Code(5));
  EXPECT_EQ(g_lastButtonCode.load(), Code(3));
  EXPECT_EQ(g_buttonToggle.load(), 0);  // a button of no macro forces it to 0
  Feed(Code(5), kRelease | 4);
  EXPECT_EQ(g_buttonReleased.load(), 1);
  EXPECT_EQ(g_buttonHeld.load(), 0);
  EXPECT_EQ(g_lastButtonCode.load(), Code(5));
  EXPECT_EQ(g_buttonPressed.load(), 1);

  // The next press clears the release.
  g_buttonPressed = 0;
  Feed(Code(3));
  EXPECT_EQ(g_buttonReleased.load(), 0);
  EXPECT_EQ(g_lastButtonCode.load(), Code(3));
}

TEST_F(ListenerTest, ToggleFlipsOnlyForMacroButtonsWithoutLeftOption) {
  struct Case {
    int code;
    int leftMac;
    int reactActive;
    int before, after;
  };
  const std::vector<Case> cases{
      {300, 0, 0, 0, 1}, {300, 0, 0, 1, 0}, {41, 0, 0, 0, 1},
      {40, 0, 0, 0, 0},  {5, 0, 0, 1, 0},   // functions of the mouse force 0
      {1, 0, 1, 0, 1},                       // left click while the reaction is on flips
      {1, 0, 0, 0, 0},   {300, 2, 0, 0, 0},  // a left-button option forces 0
  };
  g_softHardMac = 0;  // keep the reaction out of it
  for (const Case& c : cases) {
    SetButton(0, 2, c.code, c.leftMac);
    LoadAllProfiles();
    g_softHardMac = 0;
    g_ledReactActive = c.reactActive;
    g_buttonToggle = c.before;
    Feed(Code(3));
    EXPECT_EQ(g_buttonToggle.load(), c.after) << c.code << "/" << c.leftMac;
    Feed(Code(3), kRelease);
  }
}

TEST_F(ListenerTest, LeftButtonReactionSwitchesOnAndOffWithItsButton) {
  SetButton(0, 0, 0x1234 & 0xFFFF);  // button 0's code gives the value of command 0x10
  SetButton(0, 2, 300, 1);           // odd LEFT_MAC: arms the reaction
  SetButton(0, 4, 300, 3);
  SetButton(0, 5, 300, 2);  // even: no reaction
  // One set of colours for all profiles: every profile section holds it.
  for (int p = 0; p < kProfileCount; ++p) {
    ini::WriteString(g_configIniPath, "Config" + std::to_string(p), "MAC_COR2", "3");
    ini::WriteString(g_configIniPath, "Config" + std::to_string(p), "MAC_COR4", "5");
  }
  SetShared("LED_FEATURE_DIREC", 1);
  SetShared("LED_BRIGHT", 4);
  SetShared("LED_TYPE", 2);
  SetShared("LED_CYCTIME", 3);
  SetShared("CYC_7COL_EN", 0x55);
  LoadAllProfiles();
  const auto reaction2 = LedFrame(1 << 3, 0, 1, 4);
  const auto reaction4 = LedFrame(1 << 5, 0, 1, 4);
  const auto normal = LedFrame(0x55, 1, 2, 3);

  Feed(Code(3));  // button 2: on
  EXPECT_EQ(g_ledReactActive.load(), 1);
  EXPECT_EQ(g_ledReactButton.load(), 2);
  // Command 0x10 sets bytes 2 and 3 only.
  auto keySettings = [&] {
    std::vector<std::vector<std::uint8_t>> heads;
    for (const auto& f : CommandFrames(0x10)) heads.emplace_back(f.begin(), f.begin() + 4);
    return heads;
  };
  EXPECT_EQ(keySettings(), (std::vector<std::vector<std::uint8_t>>{{7, 0x10, 1, 0}}));
  EXPECT_EQ(CommandFrames(0x13), std::vector<std::vector<std::uint8_t>>{reaction2});
  Feed(Code(3), kRelease);

  mouse->ClearFrames();
  Feed(Code(6));  // even option: nothing
  Feed(Code(6), kRelease);
  EXPECT_TRUE(CommandFrames(0x13).empty());

  Feed(Code(5));  // another arming button takes over, without command 0x10
  EXPECT_EQ(g_ledReactActive.load(), 1);
  EXPECT_EQ(g_ledReactButton.load(), 4);
  EXPECT_TRUE(CommandFrames(0x10).empty());
  EXPECT_EQ(CommandFrames(0x13), std::vector<std::vector<std::uint8_t>>{reaction4});
  Feed(Code(5), kRelease);

  mouse->ClearFrames();
  Feed(Code(5));  // the arming button again: off, button 0's code back, normal lighting
  EXPECT_EQ(g_ledReactActive.load(), 0);
  EXPECT_EQ(keySettings(), (std::vector<std::vector<std::uint8_t>>{{7, 0x10, 1, 0x34}}));
  EXPECT_EQ(CommandFrames(0x13), std::vector<std::vector<std::uint8_t>>{normal});

  // Hardware mode: the option does nothing.
  g_softHardMac = 0;
  mouse->ClearFrames();
  Feed(Code(3));
  EXPECT_EQ(g_ledReactActive.load(), 0);
  EXPECT_TRUE(mouse->SetFeatureFrames().empty());
}

class StartStopTest : public ListenerTest {
 protected:
  std::string group0, group1;
  MacroRecord second = KeyTap("second", 0, 1);

  void SetUp() override {
    ListenerTest::SetUp();
    WriteLibrary({{"Shooter", {KeyTap("first", 0, 1), second, KeyTap("third", 0, 1)}},
                  {"Other", {KeyTap("other", 0, 1)}}});
    group0 = g_macroDir + "Shooter.dat";
    group1 = g_macroDir + "Other.dat";
    SetButton(0, 1, GroupCode(0, 1));  // key 2: macro "second"
    SetButton(0, 3, 18);               // key 4: start/stop
    SetButton(0, 4, 52);               // key 5: gun preset 2
    SetButton(0, 5, 45);               // key 6: a macro code that names no record
    SetButton(0, 6, GroupCode(0, 7));  // key 7: an entry the group does not hold
    SetButton(0, 7, 60);               // key 8: a preset beyond the loaded ones
    LoadAllProfiles();
    g_startStopButton[0][3] = 1;
    SetPresets({KeyTap("p0", 2, 1), KeyTap("p1", 2, 1), MakeMacro("p2", 2, 1, {{246, 6, 10, 0, 4}})});
    // The macro page shows another group with more macros: its count must not reach the file.
    g_groupMacroCount = 9;
    ResetInputListener();
  }

  void Tap(int key) {
    Feed(Code(key));
    Feed(Code(key), kRelease);
    g_buttonPressed = 0;  // as the executor would
  }
};

TEST_F(StartStopTest, StartStopSavesTheStepOfTheCurrentMacroIntoItsOwnEntry) {
  Tap(2);
  for (int i = 0; i < 3; ++i) Feed(1);
  Feed(2);
  const std::string before0 = FileEntry(group0, 0), before2 = FileEntry(group0, 2), other = FileEntry(group1, 0);

  Feed(Code(4));
  EXPECT_EQ(CommandFrames(0x11), (std::vector<std::vector<std::uint8_t>>{{7, 0x11, 2, 0, 0, 0, 0, 0}}));
  Feed(Code(4), kRelease);
  EXPECT_EQ(CommandFrames(0x11).back(), (std::vector<std::uint8_t>{7, 0x11, 0, 0, 0, 0, 0, 0}));

  ini::ClearCache();
  const MacroRecord saved = DecodeMacroRecord(FileEntry(group0, 1), 3);
  EXPECT_EQ(saved.yOffset, 2);
  EXPECT_EQ(saved.yOffsetOn, 1);
  EXPECT_EQ(MacroName(saved), "second");
  EXPECT_EQ(ini::ReadInt(group0, "Macros", "macroNum", 3), 3);
  EXPECT_EQ(FileEntry(group0, 0), before0);
  EXPECT_EQ(FileEntry(group0, 2), before2);
  EXPECT_EQ(FileEntry(group1, 0), other);
}

TEST_F(StartStopTest, StopIsSentAndSavedOnlyInSoftwareMode) {
  Tap(2);
  Feed(1);
  g_softHardMac = 0;
  const std::string before = FileEntry(group0, 1);
  Feed(Code(4));
  Feed(Code(4), kRelease);
  EXPECT_EQ(CommandFrames(0x11).size(), 1u);  // the start only
  EXPECT_EQ(FileEntry(group0, 1), before);
}

TEST_F(StartStopTest, PresetCopiesAndCodesOfNoRecordAreNeverWrittenIntoAGroup) {
  const std::string before = FileEntry(group0, 1);
  const MacroRecord preset = g_gunMacros[2];

  Tap(2);  // current: group 0, entry 1
  Tap(5);  // current: a copy of preset 2, the location stays
  Feed(1);
  Feed(1);
  CurrentMacroState current = CurrentMacroSnapshot();
  EXPECT_EQ(current.source, CurrentMacroSource::GunPreset);
  EXPECT_EQ(MacroName(current.record), "p2");
  EXPECT_EQ(current.record.yOffset, 2);
  EXPECT_EQ(g_gunMacros[2], preset);  // only the copy changed
  Tap(4);
  ini::ClearCache();
  EXPECT_EQ(FileEntry(group0, 1), before);

  // 41..49 load nothing: the preset copy stays current.
  Tap(6);
  EXPECT_EQ(MacroName(CurrentMacroSnapshot().record), "p2");

  // A preset that is not loaded leaves an empty macro, which is not saved either.
  Tap(8);
  current = CurrentMacroSnapshot();
  EXPECT_EQ(current.source, CurrentMacroSource::None);
  EXPECT_EQ(current.record.eventCount, 0);
  Tap(4);
  ini::ClearCache();
  EXPECT_EQ(FileEntry(group0, 1), before);
}

TEST_F(StartStopTest, AnEntryTheGroupDoesNotHoldIsNotAdded) {
  Tap(7);
  Feed(1);
  Tap(4);
  ini::ClearCache();
  EXPECT_EQ(ini::ReadInt(group0, "Macros", "macroNum", 3), 3);
  EXPECT_TRUE(FileEntry(group0, 7).empty());
}

TEST_F(StartStopTest, TheSaveKeepsWhatTheLibraryGotSinceTheMacroWasLoaded) {
  // Re-recorded under the same name after the button loaded it: the new events, mode
  // and count stay, only the step is written.
  Tap(2);
  Feed(1);
  Feed(1);
  const MacroRecord rerecorded = MakeMacro("second", 1, 5, {{5, 1, 7}, {5, 2, 9}, {6, 1, 3}});
  ini::WriteString(group0, "Macros", "1", EncodeMacroRecord(rerecorded));
  Tap(4);
  ini::ClearCache();
  MacroRecord saved = DecodeMacroRecord(FileEntry(group0, 1), 3);
  MacroRecord expected = rerecorded;
  expected.yOffset = 2;
  expected.yOffsetOn = 1;
  EXPECT_EQ(saved, expected);

  // The entry now holds another macro (the loaded one was deleted): left as it is.
  Tap(2);
  Feed(1);
  const std::string moved = EncodeMacroRecord(KeyTap("third", 0, 1));
  ini::WriteString(group0, "Macros", "1", moved);
  Tap(4);
  ini::ClearCache();
  EXPECT_EQ(FileEntry(group0, 1), moved);

  // The group list changed: the location now names another group's file.
  WriteLibrary({{"Shooter", {KeyTap("first", 0, 1), second, KeyTap("third", 0, 1)}}});
  Tap(2);
  Feed(1);
  WriteLibrary({{"Spare", {KeyTap("a", 0, 1), KeyTap("second", 0, 1), KeyTap("c", 0, 1)}},
                {"Shooter", {KeyTap("first", 0, 1), second, KeyTap("third", 0, 1)}}});
  const std::string spare = g_macroDir + "Spare.dat";
  const std::string spareBefore = FileEntry(spare, 1), shooterBefore = FileEntry(group0, 1);
  Tap(4);
  ini::ClearCache();
  EXPECT_EQ(FileEntry(spare, 1), spareBefore);
  EXPECT_EQ(FileEntry(group0, 1), shooterBefore);
}

TEST_F(StartStopTest, TheFirstCurrentMacroIsTheFirstEntryOfTheFirstGroup) {
  const CurrentMacroState current = CurrentMacroSnapshot();
  EXPECT_EQ(current.group, 0);
  EXPECT_EQ(current.index, 0);
  EXPECT_EQ(MacroName(current.record), "first");
}

TEST_F(StartStopTest, StepCodesWrapAtTheByteAndStopAtZero) {
  Tap(2);
  Feed(2);  // at 0: stays
  EXPECT_EQ(CurrentMacroSnapshot().record.yOffset, 0);
  for (int i = 0; i < 255; ++i) Feed(1);
  EXPECT_EQ(CurrentMacroSnapshot().record.yOffset, 255);
  Feed(1);
  EXPECT_EQ(CurrentMacroSnapshot().record.yOffset, 0);
  g_softHardMac = 0;  // hardware mode ignores them
  Feed(1);
  EXPECT_EQ(CurrentMacroSnapshot().record.yOffset, 0);
}

class MouseProfileTest : public ListenerTest {
 protected:
  void SetUp() override {
    ListenerTest::SetUp();
    SetButton(0, 2, 20);  // key 3: a profile function of the mouse
    SetButton(2, 1, 18);
    SetButton(2, 3, 300, 1);
    SetButton(2, 2, 20);
    LoadAllProfiles();
    g_deviceFunc[0][2] = 24;
    g_deviceFunc[2][2] = 24;
    // Edited after loading: a reload must bring it in.
    SetButton(2, 5, 777);
  }
};

TEST_F(MouseProfileTest, ProfileChangeCodeFollowsTheMouseWithoutTouchingFlags) {
  mouse->SetActiveProfile(2);
  g_buttonPressed = 1;
  g_ledReactActive = 1;
  Feed(3);
  EXPECT_EQ(g_currentProfile.load(), 2);
  EXPECT_EQ(ini::ReadInt(g_configIniPath, "Init", "CurConfig", 5), 2);
  EXPECT_EQ(g_keyFunc[2][5], 777);
  EXPECT_GE(repaints, 1);
  EXPECT_TRUE(CommandFrames(0x10).empty());
  EXPECT_EQ(g_buttonPressed.load(), 1);
  EXPECT_EQ(g_ledReactActive.load(), 1);
}

TEST_F(MouseProfileTest, ProfileFunctionReloadsAndSendsTheKeySettings) {
  mouse->SetActiveProfile(2);
  g_buttonPressed = 1;  // cleared by the profile function, then raised by this press
  g_ledReactActive = 1;
  Feed(Code(3));
  EXPECT_EQ(g_currentProfile.load(), 2);
  EXPECT_EQ(ini::ReadInt(g_configIniPath, "Init", "CurConfig", 5), 2);
  EXPECT_EQ(g_keyFunc[2][5], 777);
  EXPECT_EQ(g_ledReactActive.load(), 0);
  EXPECT_EQ(g_buttonPressed.load(), 1);
  EXPECT_EQ(g_lastButtonCode.load(), Code(3));
  // Key settings of the new profile: buttons with 18 or from 41 (1 and 3 here, 5 too).
  const auto keys = CommandFrames(0x10);
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0][2], 2);
  EXPECT_EQ(keys[1][2], 4);
  EXPECT_EQ(keys[2][2], 6);
  // The press was handled with the new profile's tables: its toggle rule used the old
  // code (20 forces 0) and no reaction was armed (profile 2's button 2 has no option).
  EXPECT_EQ(g_buttonToggle.load(), 0);
}

TEST_F(MouseProfileTest, AProfileThatCannotBeReadBackIsNotAdopted) {
  mouse->SetActiveProfile(2);
  mouse->Unplug();
  Feed(3);
  Feed(Code(3));
  EXPECT_EQ(g_currentProfile.load(), 0);
  EXPECT_EQ(ini::ReadInt(g_configIniPath, "Init", "CurConfig", 5), 0);
  EXPECT_EQ(g_keyFunc[2][5], 0);
}

TEST_F(ListenerTest, KeyNumbersOutsideTheMouseNameNoButton) {
  g_keyCount = 5;
  g_keyMap = {};
  g_keyMap[0] = 3;
  g_keyMap[1] = 0;
  g_keyMap[2] = 16;   // not a key number
  g_keyMap[3] = 255;  // nor this
  g_keyMap[4] = 15;
  BuildKeyNumToButton();
  std::array<std::uint8_t, kDeviceKeyNumbers> expected{};
  expected[3] = 0;
  expected[15] = 4;
  EXPECT_EQ(g_keyNumToButton, expected);
  g_keyCount = 40;  // beyond the tables: only twelve buttons exist
  BuildKeyNumToButton();
  EXPECT_EQ(g_keyNumToButton[15], 4);
}

}  // namespace
}  // namespace workers_test
