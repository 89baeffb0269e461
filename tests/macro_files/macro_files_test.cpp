#include "profile/macro_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/macro_library.h"
#include "profile/macro_text.h"
#include "profile/paths.h"

namespace fs = std::filesystem;

namespace {

constexpr int kEN = 1;
constexpr int kFR = 2;

// A program folder of its own with the skins tree, the paths set to it, the tables
// emptied and the warnings collected.
class MacroFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("macro_files_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    savedLanguage_ = g_language.load();
    g_language = kEN;
    SetProgramPaths(root_.string());
    fs::create_directories(g_macroDir);
    fs::create_directories(g_configDir);
    g_groupMacros = {};
    g_constMacros = {};
    g_gunMacros = {};
    g_groupMacroCount = g_constMacroCount = g_gunMacroCount = 0;
    g_gunNames = {};
    SetWarningHandler([this](const WarningRequest& w) { warnings_.push_back(w); });
    ini::ClearCache();
  }
  void TearDown() override {
    SetWarningHandler(nullptr);
    g_language = savedLanguage_;
    fs::remove_all(root_);
  }

  std::string Path(const std::string& name) const { return (root_ / name).string(); }
  static std::string Value(const std::string& file, const char* section, const std::string& key) {
    return ini::ReadString(file, section, key, 1 << 20);
  }
  static std::string Slurp(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void WriteText(const std::string& file, const std::string& text) {
    fs::create_directories(fs::path(file).parent_path());
    std::ofstream(file, std::ios::binary) << text;
    ini::ClearCache();
  }

  fs::path root_;
  int savedLanguage_ = 0;
  std::vector<WarningRequest> warnings_;
};

// A recognisable record: name, header and a few events with keys, a button and a move.
MacroRecord Sample(const std::string& name, std::uint8_t key = 0x04) {
  MacroRecord r;
  SetMacroName(r, name);
  r.mode = 1;
  r.repeatCount = 3;
  r.eventCount = 4;
  r.moveCount = 1;
  r.yOffsetOn = 1;
  r.yOffset = 12;
  r.action[0] = 1;
  r.code[0] = key;
  r.delay[0] = 40;
  r.action[1] = 2;
  r.code[1] = key;
  r.delay[1] = 300;
  r.action[2] = 1;
  r.code[2] = MacroEventCode::LeftButton;
  r.delay[2] = 60;
  r.action[3] = 6;
  r.code[3] = MacroEventCode::PointerMove;
  r.param[3] = {5, 3};
  r.ledBlocks[0][0] = 1;
  r.ledBlocks[0][6] = 10;
  return r;
}

// The version-3 text of a record cut back to the old 15-field header.
std::string OldText(const MacroRecord& r) {
  const std::string v3 = EncodeMacroRecord(r);
  return v3.substr(0, 75 * 3) + v3.substr(81 * 3);
}

std::string GroupFileText(int version, const std::vector<std::string>& records, int count) {
  std::string text = "[Init]\nDAT_VER=" + std::to_string(version) + "\n[Macros]\nmacroNum=" + std::to_string(count) + "\n";
  for (std::size_t i = 0; i < records.size(); ++i) text += std::to_string(i) + "=" + records[i] + "\n";
  return text;
}

}  // namespace

TEST_F(MacroFilesTest, GroupFileRoundTripInVersion3) {
  const std::string file = Path("a.dat");
  for (int i = 0; i < 3; ++i) g_groupMacros[static_cast<std::size_t>(i)] = Sample("m" + std::to_string(i), 0x04 + i);
  g_groupMacroCount = 3;
  SaveMacroFile(file);
  EXPECT_EQ(Value(file, "Init", "DAT_VER"), "3");
  EXPECT_EQ(Value(file, "Macros", "macroNum"), "3");
  EXPECT_EQ(Value(file, "Macros", "0").size(), 7863u);
  EXPECT_EQ(Value(file, "Macros", "3"), "");

  const MacroTable saved = g_groupMacros;
  g_groupMacros = {};
  g_groupMacroCount = 0;
  ReadMacroGroupFile(file);
  EXPECT_EQ(g_groupMacroCount, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(g_groupMacros[static_cast<std::size_t>(i)], saved[static_cast<std::size_t>(i)]) << i;
  EXPECT_TRUE(warnings_.empty());
}

TEST_F(MacroFilesTest, CountKeepsEntriesPastItFromBeingRead) {
  const std::string file = Path("a.dat");
  for (int i = 0; i < 3; ++i) g_groupMacros[static_cast<std::size_t>(i)] = Sample("m" + std::to_string(i));
  g_groupMacroCount = 3;
  SaveMacroFile(file);
  // The last macro is deleted: the file is written with two.
  g_groupMacroCount = 2;
  SaveMacroFile(file);
  EXPECT_EQ(Value(file, "Macros", "macroNum"), "2");
  EXPECT_NE(Value(file, "Macros", "2"), "") << "the old last entry stays in the file";

  g_groupMacros[2] = Sample("kept in memory");
  ReadMacroGroupFile(file);
  EXPECT_EQ(g_groupMacroCount, 2);
  EXPECT_EQ(MacroName(g_groupMacros[2]), "kept in memory") << "records from the count up keep their contents";
}

TEST_F(MacroFilesTest, SaveMacroEntryAddsOneEntryAndLeavesTheOthers) {
  const std::string file = Path("a.dat");
  for (int i = 0; i < 4; ++i) g_groupMacros[static_cast<std::size_t>(i)] = Sample("m" + std::to_string(i));
  g_groupMacroCount = 4;
  SaveMacroFile(file);
  const std::string entry1 = Value(file, "Macros", "1");

  g_groupMacros[1] = Sample("changed in memory only");
  g_groupMacros[4] = Sample("new");
  g_groupMacroCount = 5;
  SaveMacroEntry(file, 4);
  EXPECT_EQ(Value(file, "Macros", "macroNum"), "5");
  EXPECT_EQ(Value(file, "Macros", "1"), entry1);
  EXPECT_EQ(DecodeMacroName(Value(file, "Macros", "4")), "new");

  // Indices outside the table write nothing.
  const std::string before = Slurp(file);
  SaveMacroEntry(file, -1);
  SaveMacroEntry(file, kMacroTableSize);
  SaveSingleMacro(kMacroTableSize, Path("x.sdat"));
  SaveMacroEntryIndirect(Sample("x"), file, 13);
  EXPECT_EQ(Slurp(file), before);
  EXPECT_FALSE(fs::exists(Path("x.sdat")));
}

TEST_F(MacroFilesTest, OldVersionFileReadsWithTheShortHeader) {
  const std::string file = Path("old.dat");
  MacroRecord a = Sample("old0");
  MacroRecord b = Sample("old1", 0x05);
  // An old file has no vertical step of its own.
  a.yOffsetOn = b.yOffsetOn = 0;
  a.yOffset = b.yOffset = 0;
  WriteText(file, GroupFileText(2, {OldText(a), OldText(b)}, 2));
  // Field 75 of an old record is the first event's action.
  ASSERT_EQ(ReadByteField(OldText(a), 75), 1);

  g_groupMacros[0].yOffset = 77;  // what the previous group left behind
  ReadMacroGroupFile(file);
  EXPECT_EQ(g_groupMacroCount, 2);
  EXPECT_EQ(g_groupMacros[0], a);
  EXPECT_EQ(g_groupMacros[1], b);
}

TEST_F(MacroFilesTest, WritingIntoAnOldFileKeepsItsOtherRecords) {
  const std::string file = Path("old.dat");
  MacroRecord a = Sample("old0");
  a.yOffsetOn = 0;
  a.yOffset = 0;
  WriteText(file, GroupFileText(2, {OldText(a), OldText(a), OldText(a)}, 3));

  g_groupMacros[1] = Sample("new one");
  g_groupMacroCount = 3;
  SaveMacroEntry(file, 1);
  EXPECT_EQ(Value(file, "Init", "DAT_VER"), "3");

  ReadMacroGroupFile(file);
  EXPECT_EQ(g_groupMacroCount, 3);
  EXPECT_EQ(g_groupMacros[0], a);
  EXPECT_EQ(g_groupMacros[1], Sample("new one"));
  EXPECT_EQ(g_groupMacros[2], a);
}

TEST_F(MacroFilesTest, ExportedGunPresetInOldFileKeepsTheOtherPresets) {
  MacroRecord a = Sample("AKM");
  a.yOffsetOn = 0;
  a.yOffset = 0;
  WriteText(GunPresetPath(), GroupFileText(2, {OldText(a), OldText(a)}, 2));
  LoadGunPresets();
  ASSERT_EQ(g_gunMacroCount, 2);
  ExportGunMacro(1, 9);
  LoadGunPresets();
  EXPECT_EQ(g_gunMacros[0], a);
  EXPECT_EQ(g_gunMacros[1].param[3].b, 9);
}

TEST_F(MacroFilesTest, MissingGroupOrBuiltInFileWarnsAndEmptiesTheCount) {
  g_groupMacroCount = 4;
  g_groupMacros[0] = Sample("stays");
  ReadMacroGroupFile(Path("none.dat"));
  EXPECT_EQ(g_groupMacroCount, 0);
  EXPECT_EQ(MacroName(g_groupMacros[0]), "stays");

  g_constMacroCount = 2;
  LoadConstMacroFile(ConstMacroPath());
  EXPECT_EQ(g_constMacroCount, 0);

  ASSERT_EQ(warnings_.size(), 2u);
  for (const WarningRequest& w : warnings_) EXPECT_EQ(w.tipEntry, 5);
  EXPECT_EQ(g_warningSlot, 2);
}

// A folder where a file belongs, or a file where a folder on the way belongs: the box
// names the file and standard error says what stands in the way.
TEST_F(MacroFilesTest, FileMissingForAFolderOrAFileOnTheWayIsNamed) {
  const std::string macroFolder = g_macroDir.substr(0, g_macroDir.size() - 1);
  fs::create_directories(GunPresetPath());
  fs::remove_all(macroFolder);
  WriteText(macroFolder, "a file named macro");
  ::testing::internal::CaptureStderr();
  LoadGunPresets();
  LoadMacroGroups();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "ovk-dovaru: " + GunPresetPath() + " is a folder, not a file\n" + "ovk-dovaru: " + macroFolder +
                " is a file, not a folder\n");
  ASSERT_EQ(warnings_.size(), 2u);
  EXPECT_EQ(warnings_[0].text, "Can't find the PUBG file. (" + GunPresetPath() + ")");
  EXPECT_EQ(warnings_[1].tipEntry, 5);
  EXPECT_EQ(warnings_[1].text, "A required file is missing (" + macroFolder + "/macroGrp.ini)");
}

TEST_F(MacroFilesTest, BuiltInMacrosLoadFromTheConfigFolder) {
  EXPECT_EQ(ConstMacroPath(), g_skinsDir + "/config/constMacro.dat");
  WriteText(ConstMacroPath(), GroupFileText(3, {EncodeMacroRecord(Sample("c0")), EncodeMacroRecord(Sample("c1"))}, 2));
  LoadConstMacroFile(ConstMacroPath());
  EXPECT_EQ(g_constMacroCount, 2);
  EXPECT_EQ(g_constMacros[1], Sample("c1"));
  EXPECT_EQ(g_groupMacroCount, 0) << "the group table is not touched";
}

// A built-in file that holds no macros as the program writes them is named, on standard
// error and in a box, and gives no built-in macros rather than garbled ones.
TEST_F(MacroFilesTest, ADamagedBuiltInFileIsNamedAndGivesNoMacros) {
  const std::string record = EncodeMacroRecord(Sample("c0"));
  const std::string sound = GroupFileText(3, {record}, 1);
  std::string withNul = sound;
  withNul.insert(withNul.find("\n0=") + 6, 1, '\0');
  std::string noCount = sound;
  noCount.replace(noCount.find("macroNum=1"), 10, "macroNum=x");
  for (const std::string& text : {withNul, noCount, GroupFileText(3, {"12a" + record}, 1),
                                  sound + ";" + std::string(std::size_t{1} << 20, '-') + "\n"}) {
    SCOPED_TRACE(text.substr(0, 60));
    WriteText(ConstMacroPath(), text);
    g_constMacroCount = 5;
    warnings_.clear();
    ::testing::internal::CaptureStderr();
    LoadConstMacroFile(ConstMacroPath());
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(g_constMacroCount, 0);
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_NE(warnings_[0].text.find(ConstMacroPath()), std::string::npos) << warnings_[0].text;
    EXPECT_EQ(said.find("ovk-dovaru: " + ConstMacroPath()), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
  }
  WriteText(ConstMacroPath(), sound);
  warnings_.clear();
  LoadConstMacroFile(ConstMacroPath());
  EXPECT_EQ(g_constMacroCount, 1);
  EXPECT_TRUE(warnings_.empty());
}

TEST_F(MacroFilesTest, ReadersFillAtMostTheTable) {
  const std::string file = Path("big.dat");
  std::vector<std::string> records;
  for (int i = 0; i < 20; ++i) records.push_back(EncodeMacroRecord(Sample("r" + std::to_string(i))));
  // (macroNum as written, count read)
  const std::pair<std::string, int> cases[] = {{"40", 13}, {"13", 13}, {"7", 7}, {"-3", 0}, {"abc", 0}, {"", 0}, {"123", 12}};
  for (const auto& [num, expected] : cases) {
    std::string text = GroupFileText(3, records, 0);
    text.replace(text.find("macroNum=0"), 10, "macroNum=" + num);
    WriteText(file, text);
    g_groupMacros = {};
    ReadMacroGroupFile(file);
    EXPECT_EQ(g_groupMacroCount, expected) << num;
    EXPECT_EQ(MacroName(g_groupMacros[12]), expected == 13 ? "r12" : "") << num;
  }
}

TEST_F(MacroFilesTest, GunPresetsLoadNamesUpToTheCount) {
  std::vector<std::string> records;
  for (int i = 0; i < 13; ++i) records.push_back(EncodeMacroRecord(Sample("gun" + std::to_string(i))));
  WriteText(GunPresetPath(), GroupFileText(3, records, 3));
  g_gunNames.fill("old");
  LoadGunPresets();
  EXPECT_EQ(g_gunMacroCount, 3);
  EXPECT_EQ(g_gunNames[0], "gun0");
  EXPECT_EQ(g_gunNames[2], "gun2");
  for (int i = 3; i < 12; ++i) EXPECT_EQ(g_gunNames[static_cast<std::size_t>(i)], "") << i;
  EXPECT_EQ(g_gunMacros[3], MacroRecord{});

  // More presets than names: the count stops at the twelve names.
  WriteText(GunPresetPath(), GroupFileText(3, records, 13));
  LoadGunPresets();
  EXPECT_EQ(g_gunMacroCount, 12);
  EXPECT_EQ(g_gunNames[11], "gun11");
  EXPECT_EQ(g_gunMacros[12], MacroRecord{});
  EXPECT_TRUE(warnings_.empty());
}

TEST_F(MacroFilesTest, MissingGunFileShowsTheMessageAndChangesNothing) {
  g_gunMacros[0] = Sample("AKM");
  g_gunMacroCount = 1;
  g_gunNames[0] = "AKM";
  LoadGunPresets();
  ExportGunMacro(0, 7);
  EXPECT_EQ(g_gunMacroCount, 1);
  EXPECT_EQ(g_gunNames[0], "AKM");
  EXPECT_EQ(g_gunMacros[0], Sample("AKM"));
  EXPECT_FALSE(fs::exists(GunPresetPath()));
  ASSERT_EQ(warnings_.size(), 2u);
  for (const WarningRequest& w : warnings_) {
    EXPECT_EQ(w.tipEntry, -1);
    EXPECT_EQ(w.text, "Can't find the PUBG file. (" + GunPresetPath() + ")");
  }
}

TEST_F(MacroFilesTest, ExportGunMacroSetsTheVerticalStepOfEveryMove) {
  EXPECT_EQ(GunPresetPath(), g_skinsDir + "/1_INI_EN/PUBG.dat");
  WriteText(GunPresetPath(), "[Macros]\n0=" + EncodeMacroRecord(Sample("gun0")) + "\n");
  MacroRecord& gun = g_gunMacros[0];
  gun = Sample("AKM");
  gun.param[4] = {2, 0};
  gun.param[5] = {0, 1};
  ExportGunMacro(0, 7);
  EXPECT_EQ(gun.param[3].b, 7) << "3 becomes the step";
  EXPECT_EQ(gun.param[4].b, 0) << "0 stays";
  EXPECT_EQ(gun.param[5].b, 7);
  EXPECT_EQ(gun.param[3].a, 5);
  EXPECT_EQ(Value(GunPresetPath(), "Init", "DAT_VER"), "3");
  EXPECT_EQ(Value(GunPresetPath(), "Macros", "macroNum"), "") << "no count is written";
  EXPECT_EQ(DecodeMacroRecord(Value(GunPresetPath(), "Macros", "0"), 3), gun);
}

TEST_F(MacroFilesTest, SingleMacroFileHoldsOnlyTheRecord) {
  const std::string file = Path("one.sdat");
  g_groupMacros[2] = Sample("single");
  SaveSingleMacro(2, file);
  EXPECT_EQ(ini::SectionKeys(file, "Init").size(), 0u);
  EXPECT_EQ(ini::SectionKeys(file, "Macros"), std::vector<std::string>{"Macro"});
  EXPECT_EQ(DecodeMacroRecord(Value(file, "Macros", "Macro"), 3), Sample("single"));
}

TEST_F(MacroFilesTest, IndirectSaveKeepsTheFilesOwnCount) {
  const std::string file = Path("other.dat");
  for (int i = 0; i < 5; ++i) g_groupMacros[static_cast<std::size_t>(i)] = Sample("o" + std::to_string(i));
  g_groupMacroCount = 5;
  SaveMacroFile(file);

  // The macro page shows another group with two macros.
  g_groupMacroCount = 2;
  MacroRecord playing = Sample("played");
  playing.yOffset = 30;
  SaveMacroEntryIndirect(playing, file, 3);
  EXPECT_EQ(Value(file, "Macros", "macroNum"), "5");
  SaveMacroEntryIndirect(playing, file, 7);
  EXPECT_EQ(Value(file, "Macros", "macroNum"), "8");

  ReadMacroGroupFile(file);
  EXPECT_EQ(g_groupMacroCount, 8);
  EXPECT_EQ(g_groupMacros[3], playing);
  EXPECT_EQ(MacroName(g_groupMacros[4]), "o4");
}

TEST_F(MacroFilesTest, LoadGroupMacroFindsOnlyListedGroupsAndCountedMacros) {
  const std::string list = g_macroDir + "macroGrp.ini";
  WriteText(list,
            "[MACRO_GROUP_NUM]\nmacGrpNum=3\n[MACRO_GROUP_NAME]\n0=Alpha\n1=Old\n2=Gone\n3=Stale\n");
  WriteText(g_macroDir + "Alpha.dat",
            GroupFileText(3, {EncodeMacroRecord(Sample("a0")), EncodeMacroRecord(Sample("a1")),
                              EncodeMacroRecord(Sample("deleted"))},
                          2));
  MacroRecord old = Sample("old");
  old.yOffsetOn = 0;
  old.yOffset = 0;
  WriteText(g_macroDir + "Old.dat", GroupFileText(2, {OldText(old)}, 1));
  WriteText(g_macroDir + "Stale.dat", GroupFileText(3, {EncodeMacroRecord(Sample("s0"))}, 1));

  EXPECT_EQ(LoadGroupMacro(0, 1), Sample("a1"));
  EXPECT_EQ(LoadGroupMacro(1, 0), old) << "the file's own version is used";
  const std::pair<int, int> empty[] = {{0, 2}, {2, 0}, {3, 0}, {-1, 0}, {0, -1}, {0, 13}, {0, 255}, {40, 0}};
  for (const auto& [group, macro] : empty) EXPECT_EQ(LoadGroupMacro(group, macro), MacroRecord{}) << group << "," << macro;
  EXPECT_TRUE(warnings_.empty()) << "nothing is reported";
}

TEST_F(MacroFilesTest, KeysWrittenUnderOneLanguageAreReadWithTheOthersTables) {
  const std::string file = Path("lang.dat");
  MacroRecord r = Sample("fr", 0x14);  // FR: the key carrying 'A'
  r.code[1] = 0x04;                    // FR: the key carrying 'Q'
  r.code[4] = MacroEventCode::RightButton;
  r.code[5] = MacroEventCode::DpiStep;
  r.code[6] = MacroEventCode::LightingStep;
  r.eventCount = 7;
  g_groupMacros[0] = r;
  g_groupMacroCount = 1;
  g_language = kFR;
  SaveMacroFile(file);

  const std::string text = Value(file, "Macros", "0");
  auto code = [&](int e) { return ReadByteField(text, static_cast<std::size_t>(81 + 8 * e + 1)); };
  EXPECT_EQ(code(0), 'A');
  EXPECT_EQ(code(1), 'Q');
  EXPECT_EQ(code(2), 0xF0) << "left button as host code";
  EXPECT_EQ(code(3), 246) << "non-key codes pass unchanged";
  EXPECT_EQ(code(4), 0xF1) << "right button as host code";
  EXPECT_EQ(code(5), 248);
  EXPECT_EQ(code(6), 249);

  g_language = kEN;
  ReadMacroGroupFile(file);
  const MacroRecord& en = g_groupMacros[0];
  EXPECT_EQ(en.code[0], 0x04) << "'A' is the US A key";
  EXPECT_EQ(en.code[1], 0x14);
  EXPECT_EQ(en.code[2], MacroEventCode::LeftButton);
  EXPECT_EQ(en.code[3], MacroEventCode::PointerMove);
  EXPECT_EQ(en.code[4], MacroEventCode::RightButton);
  EXPECT_EQ(en.code[5], MacroEventCode::DpiStep);

  // Read back in the language it was written in, the device keys are the same.
  g_language = kFR;
  ReadMacroGroupFile(file);
  EXPECT_EQ(g_groupMacros[0], r);
}
