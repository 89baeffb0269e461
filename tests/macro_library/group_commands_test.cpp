// The commands of the macro page on real library trees.
#include <gtest/gtest.h>

#include "library_fixture.h"

namespace {

using Groups = std::vector<std::pair<std::string, std::optional<std::vector<std::string>>>>;

class GroupCommandsTest : public LibraryTest {
 protected:
  void ThreeGroups() {
    WriteLibrary(g_macroDir, Groups{{"A", std::vector<std::string>{"a0", "a1"}},
                                    {"B", std::vector<std::string>{"b0"}},
                                    {"C", std::vector<std::string>{"c0", "c1", "c2"}}});
    LoadAndExpand();
    page.clear();
  }
  int RowOf(const std::string& text) {
    for (int row = 0; row < g_macroListRowCount.load(); ++row)
      if (MacroListRowText(row) == text) return row;
    return -1;
  }
};

// ---- new groups and macros -------------------------------------------------------------

TEST_F(GroupCommandsTest, NewGroupsGetUniqueNamesAndEmptyFilesUpToTwelve) {
  OnNewMacroGroup();
  EXPECT_EQ(GroupNames(), std::vector<std::string>{"Group"});
  EXPECT_TRUE(fs::exists(g_macroDir + "Group.dat"));
  EXPECT_EQ(fs::file_size(g_macroDir + "Group.dat"), 0u);
  EXPECT_EQ(ListedNames(), std::vector<std::string>{"Group"});
  EXPECT_EQ(g_macroListRow.load(), 0);

  OnNewMacroGroup();
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"Group", "Group02"}));
  EXPECT_EQ(g_curGroup.load(), 1);
  EXPECT_EQ(g_macroListRow.load(), 1);
  for (int i = 2; i < 12; ++i) OnNewMacroGroup();
  EXPECT_EQ(g_groupCount.load(), 12);
  EXPECT_EQ(g_groupNames[11], "Group12");
  EXPECT_TRUE(tips.empty());

  OnNewMacroGroup();
  EXPECT_EQ(tips, std::vector<int>{30});
  EXPECT_EQ(g_groupCount.load(), 12);
}

TEST_F(GroupCommandsTest, ANewGroupClearsTheLoadedRecords) {
  ThreeGroups();
  OnNewMacroGroup();
  EXPECT_EQ(g_groupMacroCount, 0);
  EXPECT_EQ(MacroName(g_groupMacros[0]), "");
  EXPECT_EQ(g_groupMacroCounts[3], 0);
  EXPECT_EQ(MacroListRowText(g_macroListRow.load()), "Group");
}

TEST_F(GroupCommandsTest, AFirstGroupCreatesAMissingMacroFolder) {
  fs::remove_all(g_macroDir);
  LoadMacroGroups();
  EXPECT_EQ(tips, std::vector<int>{5});
  OnNewMacroGroup();
  EXPECT_EQ(tips, std::vector<int>{5});
  EXPECT_EQ(ListedNames(), std::vector<std::string>{"Group"});
  ReloadMacroLibrary();
  EXPECT_EQ(GroupNames(), std::vector<std::string>{"Group"});
}

TEST_F(GroupCommandsTest, AnUnusableDefaultGroupNameIsRefused) {
  g_textDevMac[36] = "a/b";
  OnNewMacroGroup();
  EXPECT_EQ(tips, std::vector<int>{6});
  EXPECT_EQ(g_groupCount.load(), 0);
  EXPECT_FALSE(fs::exists(g_macroDir + "a"));
}

TEST_F(GroupCommandsTest, NewMacrosAreAddedToTheSelectedRowsGroup) {
  ThreeGroups();
  const int rowB = RowOf("B");
  OnNewMacro(rowB);
  EXPECT_EQ(g_curGroup.load(), 1);
  EXPECT_EQ(LoadedMacroNames(), (std::vector<std::string>{"b0", "Macro"}));
  EXPECT_EQ(g_editMacro.load(), 1);
  EXPECT_EQ(FileMacroNames(g_macroDir + "B.dat"), (std::vector<std::string>{"b0", "Macro"}));
  EXPECT_EQ(g_macroNames[1][1], "Macro");
  EXPECT_EQ(g_groupExpanded[1], 1);

  OnNewMacro(RowOf("b0"));
  EXPECT_EQ(FileMacroNames(g_macroDir + "B.dat"), (std::vector<std::string>{"b0", "Macro", "Macro02"}));
  // The other groups' files are untouched.
  EXPECT_EQ(FileMacroNames(g_macroDir + "A.dat"), (std::vector<std::string>{"a0", "a1"}));
}

TEST_F(GroupCommandsTest, AGroupWhoseFileVanishedStartsEmptyInsteadOfTakingTheLoadedRecords) {
  ThreeGroups();  // A is loaded
  fs::remove(g_macroDir + "C.dat");
  ini::ClearCache();
  OnNewMacro(RowOf("C"));
  EXPECT_EQ(g_curGroup.load(), 2);
  EXPECT_EQ(LoadedMacroNames(), std::vector<std::string>{"Macro"});
  EXPECT_EQ(FileMacroNames(g_macroDir + "C.dat"), std::vector<std::string>{"Macro"});

  // Deleting group 0 makes B current; with B's file gone, C's records must not stay.
  fs::remove(g_macroDir + "B.dat");
  ini::ClearCache();
  OnDeleteMacroGroup(RowOf("A"));
  EXPECT_EQ(g_groupNames[0], "B");
  EXPECT_EQ(g_groupMacroCount, 0);
  EXPECT_EQ(MacroName(g_groupMacros[0]), "");
}

TEST_F(GroupCommandsTest, NewMacroStopsAtTwelveAndWithoutAName) {
  std::vector<std::string> twelve;
  for (int i = 0; i < 12; ++i) twelve.push_back("m" + std::to_string(i));
  WriteLibrary(g_macroDir, Groups{{"Full", twelve}, {"Empty", std::vector<std::string>{}}});
  LoadAndExpand();
  OnNewMacro(0);
  EXPECT_EQ(tips, std::vector<int>{21});
  EXPECT_EQ(ini::ReadInt(g_macroDir + "Full.dat", "Macros", "macroNum", 3), 12);

  g_textDevMac[37] = "";
  OnNewMacro(RowOf("Empty"));
  EXPECT_EQ(ini::ReadInt(g_macroDir + "Empty.dat", "Macros", "macroNum", 3), 0);
  EXPECT_EQ(tips, std::vector<int>{21});
}

TEST_F(GroupCommandsTest, NewMacroWithoutGroupsDoesNothing) {
  OnNewMacro(0);
  OnNewMacro(-1);
  EXPECT_TRUE(tips.empty());
  EXPECT_EQ(g_groupMacroCount, 0);
}

// ---- deleting ------------------------------------------------------------------------------

TEST_F(GroupCommandsTest, DeletingGroupZeroOfThreeKeepsTheOthersInOrder) {
  ThreeGroups();
  g_curGroup = 2;
  LoadMacroGroup(2, true);
  OnDeleteMacroGroup(0);
  EXPECT_FALSE(fs::exists(g_macroDir + "A.dat"));
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"B", "C"}));
  EXPECT_EQ(ListedNames(), (std::vector<std::string>{"B", "C"}));
  EXPECT_EQ(g_curGroup.load(), 0);
  EXPECT_EQ(LoadedMacroNames(), std::vector<std::string>{"b0"});
  EXPECT_EQ(g_macroNames[1][2], "c2");
  EXPECT_EQ(g_macroListRow.load(), 0);
  // Expansion moves with the groups.
  EXPECT_EQ(g_groupExpanded[1], 1);
  EXPECT_EQ(g_groupExpanded[2], 0);
}

TEST_F(GroupCommandsTest, DeletingTheLastGroupEmptiesEverything) {
  WriteLibrary(g_macroDir, Groups{{"Only", std::vector<std::string>{"x"}}});
  LoadAndExpand();
  OnDeleteMacroGroup(1);  // the macro row gives the group as well
  EXPECT_EQ(g_groupCount.load(), 0);
  EXPECT_EQ(g_groupMacroCount, 0);
  EXPECT_EQ(MacroName(g_groupMacros[0]), "");
  EXPECT_EQ(g_macroListRowCount.load(), 0);
  EXPECT_EQ(g_macroListRow.load(), -1);
  EXPECT_EQ(ListedNames(), std::vector<std::string>{});
  EXPECT_NE(std::find(page.begin(), page.end(), "clear events"), page.end());

  OnDeleteMacroGroup(0);  // nothing left: nothing happens
  EXPECT_TRUE(tips.empty());
}

TEST_F(GroupCommandsTest, DeletingTheOnlyMacroLeavesTheOldEntryBehindTheCount) {
  WriteLibrary(g_macroDir, Groups{{"G", std::vector<std::string>{"solo"}}});
  LoadAndExpand();
  g_macroListRow = 1;
  OnDeleteMacro();
  const std::string file = g_macroDir + "G.dat";
  EXPECT_EQ(ini::ReadInt(file, "Macros", "macroNum", 3), 0);
  EXPECT_FALSE(ini::ReadString(file, "Macros", "0", 10).empty());
  EXPECT_EQ(g_groupMacroCount, 0);
  // The row after the deleted one is gone; the group row is selected.
  EXPECT_EQ(g_macroListRow.load(), 0);
  EXPECT_EQ(g_editMacro.load(), 0);
  EXPECT_NE(std::find(page.begin(), page.end(), "play count 1 off"), page.end());
}

TEST_F(GroupCommandsTest, DeletingAMiddleMacroShowsTheNextOne) {
  ThreeGroups();
  g_macroListRow = RowOf("c1");
  OnDeleteMacro();
  EXPECT_EQ(FileMacroNames(g_macroDir + "C.dat"), (std::vector<std::string>{"c0", "c2"}));
  EXPECT_EQ(LoadedMacroNames(), (std::vector<std::string>{"c0", "c2"}));
  EXPECT_EQ(MacroListRowText(g_macroListRow.load()), "c2");
  EXPECT_EQ(g_editMacro.load(), 1);
  EXPECT_EQ(page.back(), "show 1");
  EXPECT_EQ(FileMacroNames(g_macroDir + "A.dat"), (std::vector<std::string>{"a0", "a1"}));
}

TEST_F(GroupCommandsTest, DeletingTheLastMacroOfAGroupSelectsTheNextGroupRow) {
  ThreeGroups();
  g_macroListRow = RowOf("a1");
  OnDeleteMacro();
  EXPECT_EQ(FileMacroNames(g_macroDir + "A.dat"), std::vector<std::string>{"a0"});
  EXPECT_EQ(MacroListRowText(g_macroListRow.load()), "B");
  EXPECT_EQ(g_editMacro.load(), 0);
}

TEST_F(GroupCommandsTest, DeleteMacroRefusesGroupRowsAndWaitsForRecording) {
  ThreeGroups();
  g_macroListRow = RowOf("B");
  OnDeleteMacro();
  EXPECT_EQ(tips, std::vector<int>{24});
  EXPECT_EQ(FileMacroNames(g_macroDir + "B.dat"), std::vector<std::string>{"b0"});

  recording = true;
  g_macroListRow = RowOf("b0");
  OnDeleteMacro();
  EXPECT_EQ(FileMacroNames(g_macroDir + "B.dat"), std::vector<std::string>{"b0"});
}

// ---- reset ---------------------------------------------------------------------------------

TEST_F(GroupCommandsTest, ResetRestoresTheFactoryGroups) {
  WriteLibrary(g_macroResetDir, Groups{{"Factory", std::vector<std::string>{"f0"}},
                                       {"Second", std::vector<std::string>{"s0", "s1"}}});
  ThreeGroups();
  WriteText(g_macroDir + "notes.sdat", "user file");
  g_groupExpanded.fill(1);
  OnResetMacroGroups();
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"Factory", "Second"}));
  EXPECT_FALSE(fs::exists(g_macroDir + "A.dat"));
  EXPECT_FALSE(fs::exists(g_macroDir + "notes.sdat"));
  EXPECT_EQ(LoadedMacroNames(), std::vector<std::string>{"f0"});
  EXPECT_EQ(g_macroNames[1][1], "s1");
  EXPECT_EQ(g_macroListRowCount.load(), 2);  // all collapsed
  EXPECT_EQ(g_macroListRow.load(), 0);
  // The factory copy itself is untouched.
  EXPECT_TRUE(fs::exists(g_macroResetDir + "Factory.dat"));
}

TEST_F(GroupCommandsTest, ResetWithoutAFactoryLibraryKeepsTheUsersLibrary) {
  ThreeGroups();
  OnResetMacroGroups();
  EXPECT_EQ(tips, std::vector<int>{5});
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_TRUE(fs::exists(g_macroDir + "A.dat"));
}

TEST_F(GroupCommandsTest, RestoreDefaultMacrosAlsoReloadsNames) {
  WriteLibrary(g_macroResetDir, Groups{{"Factory", std::vector<std::string>{"f0", "f1"}}});
  ThreeGroups();
  EXPECT_EQ(OnMacroFileCommand(3, nullptr), 0);
  EXPECT_EQ(GroupNames(), std::vector<std::string>{"Factory"});
  EXPECT_EQ(g_groupMacroCounts[0], 2);
  EXPECT_EQ(g_groupMacroCounts[1], 0);
  EXPECT_EQ(LoadedMacroNames(), (std::vector<std::string>{"f0", "f1"}));
}

// ---- renaming ------------------------------------------------------------------------------

TEST_F(GroupCommandsTest, RenameCommandsOpenTheInPlaceEditor) {
  OnRenameMacroGroup();
  OnRenameMacro();
  EXPECT_EQ(page, (std::vector<std::string>{"rename", "rename"}));
}

TEST_F(GroupCommandsTest, RenamingAGroupMovesItsFile) {
  ThreeGroups();
  EXPECT_EQ(CommitMacroListRename(RowOf("B"), "  Renamed"), "Renamed");
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"A", "Renamed", "C"}));
  EXPECT_EQ(ListedNames(), (std::vector<std::string>{"A", "Renamed", "C"}));
  EXPECT_FALSE(fs::exists(g_macroDir + "B.dat"));
  EXPECT_EQ(FileMacroNames(g_macroDir + "Renamed.dat"), std::vector<std::string>{"b0"});

  // A taken name is made unique; an empty text puts the old name back.
  EXPECT_EQ(CommitMacroListRename(RowOf("C"), "A"), "A02");
  EXPECT_TRUE(fs::exists(g_macroDir + "A02.dat"));
  EXPECT_EQ(CommitMacroListRename(RowOf("A"), "   "), "A");
}

TEST_F(GroupCommandsTest, AGroupNameThatIsNoFileNameIsRefused) {
  ThreeGroups();
  for (const char* bad : {"../../outside", "a/b", ".."}) {
    EXPECT_EQ(CommitMacroListRename(RowOf("B"), bad), "B") << bad;
  }
  EXPECT_EQ(tips, (std::vector<int>{6, 6, 6}));
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_TRUE(fs::exists(g_macroDir + "B.dat"));
  EXPECT_FALSE(fs::exists(root / "skins" / "outside.dat"));
}

TEST_F(GroupCommandsTest, RenamingAMacroWritesItsGroupFile) {
  ThreeGroups();
  EXPECT_EQ(CommitMacroListRename(RowOf("c2"), "c0"), "c002");
  EXPECT_EQ(g_curGroup.load(), 2);
  EXPECT_EQ(g_editMacro.load(), 2);
  EXPECT_EQ(FileMacroNames(g_macroDir + "C.dat"), (std::vector<std::string>{"c0", "c1", "c002"}));
  EXPECT_EQ(g_macroNames[2][2], "c002");

  EXPECT_EQ(CommitMacroListRename(RowOf("a0"), std::string(40, 'n')), std::string(30, 'n'));
  EXPECT_EQ(FileMacroNames(g_macroDir + "A.dat")[0], std::string(30, 'n'));
  EXPECT_EQ(CommitMacroListRename(RowOf("a1"), ""), "a1");
  EXPECT_EQ(CommitMacroListRename(-1, "x"), "");
  EXPECT_EQ(tips, std::vector<int>{24});
}

}  // namespace
