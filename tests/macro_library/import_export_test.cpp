// Imports and exports of groups, single macros and config.ini, with the names the
// user may choose.
#include <gtest/gtest.h>

#include "library_fixture.h"
#include "profile/macro_import_check.h"

namespace {

using Groups = std::vector<std::pair<std::string, std::optional<std::vector<std::string>>>>;

class ImportExportTest : public LibraryTest {
 protected:
  std::string outside;

  void SetUp() override {
    LibraryTest::SetUp();
    outside = (root / "home").string() + "/";
    fs::create_directories(outside);
    WriteLibrary(g_macroDir, Groups{{"A", std::vector<std::string>{"a0", "a1"}}, {"B", std::vector<std::string>{"b0"}}});
    LoadAndExpand();
    page.clear();
  }
};

TEST_F(ImportExportTest, GroupExportAndImportRoundTrip) {
  OnExportMacroGroup(Choose(outside + "Shared.dat"));
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_TRUE(dialogs[0].save);
  EXPECT_EQ(dialogs[0].filter, "All Files(*.dat)|*.dat||");
  EXPECT_EQ(dialogs[0].defaultExtension, "dat");
  EXPECT_EQ(dialogs[0].startFolder, g_macroDir);
  EXPECT_TRUE(dialogs[0].confirmOverwrite);
  // The file goes where the user chose; the macro folder gets nothing.
  EXPECT_FALSE(fs::exists(g_macroDir + "Shared.dat"));
  ASSERT_TRUE(fs::exists(outside + "Shared.dat"));
  EXPECT_EQ(FileMacroNames(outside + "Shared.dat"), (std::vector<std::string>{"a0", "a1"}));

  fs::copy_file(outside + "Shared.dat", outside + "Friend.dat");
  OnImportMacroGroup(Choose(outside + "Friend.dat"));
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"A", "B", "Friend"}));
  EXPECT_EQ(ListedNames(), (std::vector<std::string>{"A", "B", "Friend"}));
  EXPECT_EQ(g_curGroup.load(), 2);
  EXPECT_EQ(LoadedMacroNames(), (std::vector<std::string>{"a0", "a1"}));
  EXPECT_EQ(g_groupMacroCounts[2], 2);
  EXPECT_EQ(ReadText(g_macroDir + "Friend.dat"), ReadText(outside + "Friend.dat"));
  EXPECT_EQ(page.front(), "close popup");
  EXPECT_EQ(page.back(), "list");
  EXPECT_TRUE(tips.empty());
}

TEST_F(ImportExportTest, ARefusedImportLeavesTheLoadedRecordsAndTheFolderAlone) {
  SetMacroName(g_groupMacros[0], "unsaved edit");
  const MacroRecord before = g_groupMacros[0];
  WriteGroupFile(outside + "B.dat", {"intruder"});
  WriteGroupFile(outside + ".dat", {"nameless"});
  WriteGroupFile(outside + "notagroup.txt", {"x"});

  OnImportMacroGroup(Choose(outside + "B.dat"));
  OnImportMacroGroup(Choose(outside + ".dat"));
  OnImportMacroGroup(Choose(outside + "notagroup.txt"));
  OnImportMacroGroup(Choose(outside + "missing.dat"));
  OnImportMacroGroup(Choose(std::nullopt));
  EXPECT_EQ(tips, (std::vector<int>{23, 6, 6, 6}));
  EXPECT_EQ(g_groupMacros[0], before);
  EXPECT_EQ(g_curGroup.load(), 0);
  EXPECT_EQ(FileMacroNames(g_macroDir + "B.dat"), std::vector<std::string>{"b0"});
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(ImportExportTest, TheProgramsOwnPresetFilesAreNotImported) {
  for (const char* name : {"PUBG.dat", "constMacro.dat", "PUBG_CN.dat", "PUBG_EN.dat"}) {
    WriteGroupFile(g_configDir + name, {"preset"});
    OnImportMacroGroup(Choose(g_configDir + name));
    OnImportMacroGroup(Choose(g_skinsDir + "/config/../config/" + name));
  }
  EXPECT_TRUE(tips.empty());
  EXPECT_EQ(g_groupCount.load(), 2);
  EXPECT_FALSE(fs::exists(g_macroDir + "PUBG.dat"));

  // The macro file action takes them.
  ImportMacroFile(Choose(g_configDir + "PUBG.dat"));
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"A", "B", "PUBG"}));
  EXPECT_EQ(g_curGroup.load(), 2);
  EXPECT_EQ(LoadedMacroNames(), std::vector<std::string>{"preset"});
  EXPECT_EQ(page.back(), "refresh");
}

TEST_F(ImportExportTest, AnImportedFileIsStoredUnderItsGroupsName) {
  WriteGroupFile(outside + "Double.dat.dat", {"d"});
  OnImportMacroGroup(Choose(outside + "Double.dat.dat"));
  EXPECT_EQ(GroupNames().back(), "Double.dat");
  EXPECT_TRUE(fs::exists(g_macroDir + "Double.dat.dat"));
  // The next start finds the group again.
  ReloadMacroLibrary();
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"A", "B", "Double.dat"}));
}

TEST_F(ImportExportTest, GroupImportsStopAtTwelveGroupsBeforeAnyDialog) {
  for (int i = 2; i < 12; ++i) OnNewMacroGroup();
  ASSERT_EQ(g_groupCount.load(), 12);
  WriteGroupFile(outside + "More.dat", {"m"});
  OnImportMacroGroup(Choose(outside + "More.dat"));
  OnMacroFileCommand(1, Choose(outside + "More.dat"));
  EXPECT_EQ(tips, (std::vector<int>{21, 20}));
  EXPECT_TRUE(dialogs.empty());
  EXPECT_FALSE(fs::exists(g_macroDir + "More.dat"));
}

struct ExportName {
  const char* chosen;
  const char* stored;  // nullptr: refused with tip 6
};

class ExportNameTest : public ImportExportTest, public ::testing::WithParamInterface<ExportName> {};

TEST_P(ExportNameTest, TheChosenPathIsWrittenWithItsExtension) {
  const ExportName& c = GetParam();
  OnExportMacroGroup(Choose(c.chosen[0] == '/' ? c.chosen : outside + c.chosen));
  if (c.stored) {
    EXPECT_TRUE(tips.empty());
    EXPECT_EQ(FileMacroNames(outside + c.stored), (std::vector<std::string>{"a0", "a1"}));
  } else {
    EXPECT_EQ(tips, std::vector<int>{6});
  }
  // The library's folder gets no file.
  EXPECT_EQ(ListedNames(), (std::vector<std::string>{"A", "B"}));
  for (auto& entry : fs::directory_iterator(g_macroDir)) {
    EXPECT_TRUE(entry.path().filename() == "A.dat" || entry.path().filename() == "B.dat" ||
                entry.path().filename() == "macroGrp.ini")
        << entry.path();
  }
}

INSTANTIATE_TEST_SUITE_P(Names, ExportNameTest,
                         ::testing::Values(ExportName{"plain.dat", "plain.dat"},
                                           ExportName{"../home/x.DAT", "x.DAT"},
                                           ExportName{"noext", "noext.dat"},
                                           ExportName{"macroGrp.ini", "macroGrp.ini.dat"},
                                           ExportName{"folder/", nullptr},
                                           ExportName{"bad\nname.dat", nullptr}),
                         [](const auto& info) { return "name" + std::to_string(info.index); });

TEST_F(ImportExportTest, ARelativeAnswerIsTakenInTheStartFolder) {
  OnExportMacroGroup(Choose("plain"));
  EXPECT_EQ(FileMacroNames(g_macroDir + "plain.dat"), (std::vector<std::string>{"a0", "a1"}));
}

TEST_F(ImportExportTest, ExportingOverAnotherGroupsFileIsRefused) {
  OnExportMacroGroup(Choose("B.dat"));
  EXPECT_EQ(tips, std::vector<int>{23});
  EXPECT_EQ(FileMacroNames(g_macroDir + "B.dat"), std::vector<std::string>{"b0"});
  OnExportMacroGroup(Choose("A.dat"));  // its own file is fine
  EXPECT_EQ(tips, std::vector<int>{23});
  EXPECT_EQ(OnMacroFileCommand(2, Choose("B.dat")), 0);
  EXPECT_EQ(tips, (std::vector<int>{23, 23}));
}

TEST_F(ImportExportTest, ExportWithoutGroupsShowsTip6) {
  OnDeleteMacroGroup(0);
  OnDeleteMacroGroup(0);
  ASSERT_EQ(g_groupCount.load(), 0);
  OnExportMacroGroup(Choose("x.dat"));
  EXPECT_EQ(tips, std::vector<int>{6});
  EXPECT_TRUE(dialogs.empty());
}

TEST_F(ImportExportTest, SingleMacroExportAndImportRoundTrip) {
  g_groupMacros[1].delay[0] = 777;
  g_editMacro = 1;
  OnExportMacro(Choose(outside + "one"));
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].filter, "All Files(*.sdat)|*.sdat||");
  EXPECT_EQ(dialogs[0].defaultExtension, "sdat");
  ASSERT_TRUE(fs::exists(outside + "one.sdat"));
  fs::copy_file(outside + "one.sdat", g_macroDir + "one.sdat");

  // Into group B: the name is made unique there only when taken.
  OnImportMacro(MacroListGroupRow(1), Choose(g_macroDir + "one.sdat"));
  EXPECT_EQ(g_curGroup.load(), 1);
  EXPECT_EQ(LoadedMacroNames(), (std::vector<std::string>{"b0", "a1"}));
  EXPECT_EQ(g_groupMacros[1].delay[0], 777);
  EXPECT_EQ(g_editMacro.load(), 1);
  EXPECT_EQ(FileMacroNames(g_macroDir + "B.dat"), (std::vector<std::string>{"b0", "a1"}));
  EXPECT_EQ(g_groupExpanded[1], 1);

  OnImportMacro(MacroListGroupRow(1), Choose(g_macroDir + "one.sdat"));
  EXPECT_EQ(FileMacroNames(g_macroDir + "B.dat"), (std::vector<std::string>{"b0", "a1", "a102"}));
  EXPECT_TRUE(tips.empty());
}

TEST_F(ImportExportTest, SingleMacroImportRefusals) {
  std::vector<std::string> twelve;
  for (int i = 0; i < 12; ++i) twelve.push_back("m" + std::to_string(i));
  WriteGroupFile(g_macroDir + "B.dat", twelve);
  LoadAllMacroNames();
  FillMacroLists();
  WriteText(outside + "empty.sdat", "[Macros]\n");
  const MacroRecord before = g_groupMacros[0];

  OnImportMacro(MacroListGroupRow(1), Choose(outside + "empty.sdat"));
  EXPECT_EQ(tips, std::vector<int>{21});
  EXPECT_TRUE(dialogs.empty());
  OnImportMacro(MacroListGroupRow(0), Choose(outside + "empty.sdat"));
  EXPECT_EQ(tips, (std::vector<int>{21, 6}));
  OnImportMacro(MacroListGroupRow(0), Choose(std::nullopt));
  EXPECT_EQ(tips.size(), 2u);
  EXPECT_EQ(g_groupMacroCount, 2);
  EXPECT_EQ(g_groupMacros[0], before);
}

TEST_F(ImportExportTest, ImportsRefuseWhatIsNoMacroFileNamingItAndCopyNothing) {
  std::vector<std::string> told;
  SetWarningHandler([&](const WarningRequest& r) {
    tips.push_back(r.tipEntry);
    told.push_back(r.text);
  });
  const std::string b = ReadText(g_macroDir + "B.dat");
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
  // A sound group file made huge: what it holds does not matter past any real size.
  WriteGroupFile(outside + "Huge.dat", {"h"});
  WriteText(outside + "Huge.dat", ReadText(outside + "Huge.dat") + ";" + std::string(2 << 20, 'x') + "\n");
  WriteText(outside + "Garbage.dat", garbage);
  WriteText(outside + "Empty.dat", "");
  WriteText(outside + "Garbage.sdat", garbage);
  WriteText(outside + "Empty.sdat", "");
  WriteText(outside + "Huge.sdat", "[Macros]\nMacro=" + std::string(2 << 20, '0') + "\n");

  for (const char* name : {"Garbage.dat", "Empty.dat", "Huge.dat"}) {
    OnImportMacroGroup(Choose(outside + name));
    ImportMacroFile(Choose(outside + name));
  }
  for (const char* name : {"Garbage.sdat", "Empty.sdat", "Huge.sdat"})
    OnImportMacro(MacroListGroupRow(1), Choose(outside + name));

  ASSERT_EQ(told.size(), 9u);
  const char* named[] = {"Garbage.dat", "Garbage.dat", "Empty.dat", "Empty.dat", "Huge.dat", "Huge.dat",
                         "Garbage.sdat", "Empty.sdat", "Huge.sdat"};
  for (std::size_t i = 0; i < told.size(); ++i) {
    EXPECT_EQ(tips[i], 6);
    EXPECT_NE(told[i].find(outside + named[i]), std::string::npos) << told[i];
  }
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ListedNames(), (std::vector<std::string>{"A", "B"}));
  for (const auto& entry : fs::directory_iterator(g_macroDir)) {
    const std::string file = entry.path().filename().string();
    EXPECT_TRUE(file == "A.dat" || file == "B.dat" || file == "macroGrp.ini") << file;
  }
  EXPECT_EQ(ReadText(g_macroDir + "B.dat"), b);
  EXPECT_EQ(LoadedMacroNames(), std::vector<std::string>{"b0"});
}

TEST_F(ImportExportTest, AnImportWritesExactlyTheBytesItCheckedAndNoMoreThanTheLimit) {
  // A group file of exactly the limit is taken byte for byte; one byte more is not.
  WriteGroupFile(outside + "Full.dat", {"f"});
  const std::string sound = ReadText(outside + "Full.dat");
  const std::string full = sound + ";" + std::string(kMaxMacroFileBytes - sound.size() - 2, 'x') + "\n";
  WriteText(outside + "Full.dat", full);
  WriteText(outside + "Over.dat", full + "\n");
  ImportMacroFile(Choose(outside + "Full.dat"));
  ImportMacroFile(Choose(outside + "Over.dat"));
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"A", "B", "Full"}));
  EXPECT_EQ(ReadText(g_macroDir + "Full.dat"), full);
  EXPECT_EQ(tips, std::vector<int>{6});

  // A file that changes after it was looked at (here behind the reader's cache, its
  // size and time kept, as a race would leave it) is judged by the bytes written.
  const std::string swap = outside + "Swap.dat";
  WriteGroupFile(swap, {"s"});
  ASSERT_EQ(ini::ReadString(swap, "Macros", "macroNum", 8), "1");
  const auto time = fs::last_write_time(swap);
  const std::string garbage(fs::file_size(swap), '\x01');
  std::ofstream(swap, std::ios::binary) << garbage;
  fs::last_write_time(swap, time);
  ImportMacroFile(Choose(swap));
  EXPECT_EQ(tips, (std::vector<int>{6, 6}));
  EXPECT_FALSE(fs::exists(g_macroDir + "Swap.dat"));
}

TEST_F(ImportExportTest, ConfigExportCopiesToTheChosenPath) {
  WriteText(g_configIniPath, "[Init]\nCurConfig=2\n");
  std::vector<RepaintArea> repaints;
  SetRepaintHandler([&](RepaintArea a) { repaints.push_back(a); });
  ExportConfig(Choose(outside + "backup"));
  SetRepaintHandler(nullptr);
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].startFolder, g_appDir);
  EXPECT_EQ(dialogs[0].defaultExtension, "ini");
  EXPECT_EQ(ReadText(outside + "backup.ini"), "[Init]\nCurConfig=2\n");
  EXPECT_EQ(repaints.size(), 1u);
  EXPECT_TRUE(tips.empty());

  fs::remove(g_configIniPath);
  ExportConfig(Choose("again.ini"));
  EXPECT_EQ(tips, std::vector<int>{6});
  EXPECT_FALSE(fs::exists(g_appDir + "/again.ini"));
  ExportConfig(Choose(std::nullopt));
  EXPECT_EQ(tips.size(), 1u);
}

}  // namespace
