// Loading, listing and saving the library: macroGrp.ini, the group tables and the rows
// of the macro list.
#include <gtest/gtest.h>

#include "library_fixture.h"

namespace {

using Groups = std::vector<std::pair<std::string, std::optional<std::vector<std::string>>>>;

TEST_F(LibraryTest, ListedGroupsWithoutAFileAreDroppedAndTheListRewritten) {
  WriteLibrary(g_macroDir, Groups{{"A", std::vector<std::string>{"a1"}},
                                  {"B", std::nullopt},
                                  {"C", std::vector<std::string>{"c1", "c2"}}});
  LoadMacroGroups();
  EXPECT_EQ(GroupNames(), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(ListedNames(), (std::vector<std::string>{"A", "C"}));
  const std::string list = g_macroDir + "macroGrp.ini";
  EXPECT_TRUE(ini::SectionKeys(list, "MACRO_GROUP_NAME").size() == 12);
  EXPECT_EQ(ini::ReadString(list, "MACRO_GROUP_NAME", "2", 60), "");
  EXPECT_TRUE(tips.empty());
}

TEST_F(LibraryTest, NamesThatLeadOutOfTheFolderOrRepeatAGroupAreDropped) {
  fs::create_directories(root / "skins" / "1_INI_EN" / "elsewhere");
  WriteGroupFile(g_macroDir + "../elsewhere/x.dat", {"x"});
  WriteGroupFile(g_macroDir + "../escape.dat", {"x"});
  WriteGroupFile(g_macroDir + "Good.dat", {"g"});
  const std::string list = g_macroDir + "macroGrp.ini";
  ini::WriteInt(list, "MACRO_GROUP_NUM", "macGrpNum", 5);
  ini::WriteString(list, "MACRO_GROUP_NAME", "0", "../elsewhere/x");
  ini::WriteString(list, "MACRO_GROUP_NAME", "1", "Good");
  ini::WriteString(list, "MACRO_GROUP_NAME", "2", "../escape");
  ini::WriteString(list, "MACRO_GROUP_NAME", "3", "Good");
  ini::WriteString(list, "MACRO_GROUP_NAME", "4", "..");

  LoadMacroGroups();
  EXPECT_EQ(GroupNames(), std::vector<std::string>{"Good"});
  EXPECT_EQ(GroupFilePath(0), g_macroDir + "Good.dat");
  EXPECT_EQ(GroupFilePath(1), "");
}

TEST_F(LibraryTest, MissingListFileGivesAnEmptyLibraryWithTip5) {
  g_groupCount = 3;
  g_groupNames[0] = "old";
  LoadMacroGroups();
  EXPECT_EQ(g_groupCount.load(), 0);
  EXPECT_EQ(g_groupNames[0], "");
  EXPECT_EQ(tips, std::vector<int>{5});
}

TEST_F(LibraryTest, ACountAboveTwelveIsLimitedToTheTable) {
  Groups groups;
  for (int i = 0; i < 12; ++i) groups.push_back({"G" + std::to_string(i), std::vector<std::string>{"m"}});
  WriteLibrary(g_macroDir, groups);
  ini::WriteInt(g_macroDir + "macroGrp.ini", "MACRO_GROUP_NUM", "macGrpNum", 99);
  LoadMacroGroups();
  EXPECT_EQ(g_groupCount.load(), 12);
  EXPECT_EQ(g_groupNames[11], "G11");
}

TEST_F(LibraryTest, ADamagedListFileLosesNoGroupAndIsKeptAside) {
  const std::string list = g_macroDir + "macroGrp.ini";
  std::vector<std::string> told;
  SetWarningHandler([&](const WarningRequest& r) { told.push_back(r.text); });
  const Groups library{{"Charlie", std::vector<std::string>{"c"}},
                       {"Alpha", std::vector<std::string>{"a"}},
                       {"Bravo", std::vector<std::string>{"b"}}};
  WriteLibrary(g_macroDir, library);
  const std::string sound = ReadText(list);
  const std::string cut = sound.substr(0, sound.find("1=Alpha") + 4);  // "...1=Al"
  struct Case {
    std::string text;
    std::vector<std::string> listed;  // names still leading to a file first, then the folder's by name
  };
  for (const Case& c : {Case{"[MACRO_GROUP_NUM]\nmacGrpNum=-3\n", {"Alpha", "Bravo", "Charlie"}},
                        Case{"[MACRO_GROUP_NUM]\nmacGrpNum=999999\n[MACRO_GROUP_NAME]\n0=Bravo\n",
                             {"Bravo", "Alpha", "Charlie"}},
                        Case{cut, {"Charlie", "Alpha", "Bravo"}}}) {
    SCOPED_TRACE(c.text);
    for (const auto& e : fs::directory_iterator(g_macroDir))
      if (e.path().filename().string().starts_with("macroGrp.ini.broken-")) fs::remove(e.path());
    WriteText(list, c.text);
    told.clear();

    LoadMacroGroups();
    EXPECT_EQ(GroupNames(), c.listed);
    EXPECT_EQ(ListedNames(), c.listed) << "the list file is sound again";
    std::vector<fs::path> kept;
    for (const auto& e : fs::directory_iterator(g_macroDir))
      if (e.path().filename().string().starts_with("macroGrp.ini.broken-")) kept.push_back(e.path());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(ReadText(kept[0].string()), c.text);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(list), std::string::npos) << told[0];
    for (const auto& [name, macros] : library) EXPECT_EQ(FileMacroNames(g_macroDir + name + ".dat"), *macros);

    // Told once: the next start finds the list as it was left.
    LoadMacroGroups();
    EXPECT_EQ(GroupNames(), c.listed);
    EXPECT_EQ(told.size(), 1u);
  }
}

TEST_F(LibraryTest, LoadAllMacroNamesReadsCountsAndNames) {
  WriteLibrary(g_macroDir, Groups{{"A", std::vector<std::string>{"first", "second"}},
                                  {"B", std::vector<std::string>{}},
                                  {"C", std::vector<std::string>{"宏"}}});
  g_macroNames[1][0] = "stale";
  g_macroNames[5][0] = "beyond";
  g_groupMacroCounts[5] = 4;
  LoadMacroGroups();
  LoadAllMacroNames();
  EXPECT_EQ(g_groupMacroCounts[0], 2);
  EXPECT_EQ(g_macroNames[0][0], "first");
  EXPECT_EQ(g_macroNames[0][1], "second");
  EXPECT_EQ(g_groupMacroCounts[1], 0);
  EXPECT_EQ(g_macroNames[2][0], "宏");
  EXPECT_EQ(g_macroNames[5][0], "");
  EXPECT_EQ(g_groupMacroCounts[5], 0);

  // A file claiming more macros than a group can hold never leads past the name table.
  ini::WriteInt(g_macroDir + "B.dat", "Macros", "macroNum", 40);
  LoadAllMacroNames();
  EXPECT_EQ(g_groupMacroCounts[1], 12);
}

TEST_F(LibraryTest, RowsFollowTheExpandedGroups) {
  WriteLibrary(g_macroDir, Groups{{"A", std::vector<std::string>{"a0", "a1"}},
                                  {"B", std::vector<std::string>{"b0"}},
                                  {"C", std::vector<std::string>{}}});
  ReloadMacroLibrary();
  g_groupExpanded[0] = 1;
  g_groupExpanded[2] = 1;
  FillMacroLists();
  ASSERT_EQ(g_macroListRowCount.load(), 5);
  std::vector<std::string> texts;
  std::vector<int> kinds;
  for (int row = 0; row < 5; ++row) {
    texts.push_back(MacroListRowText(row));
    kinds.push_back(MacroListRowKind(row));
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"A", "a0", "a1", "B", "C"}));
  EXPECT_EQ(kinds, (std::vector<int>{1, 2, 2, 0, 1}));
  EXPECT_EQ(g_macroListRows[0].macro, kGroupRowMacro);
  EXPECT_EQ(g_macroListRows[2].macro, 1);
  EXPECT_EQ(g_macroListRows[3].isGroup, 1);
  EXPECT_EQ(MacroListGroupRow(1), 3);
  EXPECT_EQ(MacroListRowText(5), "");
  EXPECT_EQ(MacroListRowKind(-1), -1);
  EXPECT_EQ(page.back(), "list");
}

TEST_F(LibraryTest, ReloadLoadsTheFirstGroupsRecords) {
  WriteLibrary(g_macroDir, Groups{{"A", std::vector<std::string>{"a0", "a1"}}, {"B", std::vector<std::string>{"b0"}}});
  g_curGroup = 1;
  ReloadMacroLibrary();
  EXPECT_EQ(g_curGroup.load(), 0);
  EXPECT_EQ(LoadedMacroNames(), (std::vector<std::string>{"a0", "a1"}));
  EXPECT_TRUE(LoadMacroGroup(1, false));
  EXPECT_EQ(LoadedMacroNames(), (std::vector<std::string>{"a0", "a1"}));  // not read
  EXPECT_FALSE(LoadMacroGroup(2, true));
  EXPECT_FALSE(LoadMacroGroup(51, true));
  EXPECT_FALSE(LoadMacroGroup(-1, true));
}

TEST_F(LibraryTest, SaveMacroGroupsWritesEmptyKeysUpToEleven) {
  g_groupCount = 2;
  g_groupNames = {"One", "Two", "left over"};
  SaveMacroGroups();
  const std::string list = g_macroDir + "macroGrp.ini";
  EXPECT_EQ(ini::ReadString(list, "MACRO_GROUP_NUM", "macGrpNum", 3), "2");
  EXPECT_EQ(ini::ReadString(list, "MACRO_GROUP_NAME", "1", 60), "Two");
  EXPECT_EQ(ini::ReadString(list, "MACRO_GROUP_NAME", "2", 60), "");
  EXPECT_EQ(ini::SectionKeys(list, "MACRO_GROUP_NAME").back(), "11");
}

TEST_F(LibraryTest, ApplySavesOnlyASelectedMacroOfTheLoadedGroup) {
  WriteLibrary(g_macroDir, Groups{{"A", std::vector<std::string>{"a0", "a1"}}, {"B", std::vector<std::string>{"b0"}}});
  LoadAndExpand();
  SetMacroName(g_groupMacros[1], "edited");
  g_macroListExists = true;

  g_macroListRow = 0;  // a group row
  SaveSelectedListMacro();
  EXPECT_EQ(FileMacroNames(g_macroDir + "A.dat")[1], "a1");

  g_macroListRow = 4;  // a macro of group B, whose records are not loaded
  SaveSelectedListMacro();
  EXPECT_EQ(FileMacroNames(g_macroDir + "B.dat"), std::vector<std::string>{"b0"});

  g_macroListExists = false;
  g_macroListRow = 2;
  SaveSelectedListMacro();
  EXPECT_EQ(FileMacroNames(g_macroDir + "A.dat")[1], "a1");

  g_macroListExists = true;
  SaveSelectedListMacro();
  EXPECT_EQ(FileMacroNames(g_macroDir + "A.dat")[1], "edited");
}

TEST_F(LibraryTest, UsableGroupNames) {
  EXPECT_TRUE(IsUsableGroupName("My group"));
  EXPECT_TRUE(IsUsableGroupName(std::string(59, 'x')));
  EXPECT_FALSE(IsUsableGroupName(std::string(60, 'x')));
  EXPECT_FALSE(IsUsableGroupName(" lead"));
  EXPECT_FALSE(IsUsableGroupName("trail "));
  EXPECT_FALSE(IsUsableGroupName("a/b"));
  EXPECT_FALSE(IsUsableGroupName(".."));
  EXPECT_FALSE(IsUsableGroupName(""));
}

}  // namespace
