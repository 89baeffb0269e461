// Loading, listing and saving the library: macroGrp.ini, the group tables and the rows
// of the macro list.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <map>

#include "library_fixture.h"

namespace {

using Groups = std::vector<std::pair<std::string, std::optional<std::vector<std::string>>>>;

// Records every file opened, changed, made or removed in the folders under `root`
// other than `inside` and its sub-folders (folders themselves may be opened: every
// write walks the way to its folder).
class OutsideWatch {
 public:
  OutsideWatch(const fs::path& root, const fs::path& inside) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    const fs::path skip = fs::weakly_canonical(inside);
    std::vector<fs::path> folders{root};
    for (const auto& e : fs::recursive_directory_iterator(root))
      if (e.is_directory() && !e.is_symlink()) folders.push_back(e.path());
    for (const fs::path& folder : folders) {
      const fs::path real = fs::weakly_canonical(folder);
      if (real == skip || real.string().starts_with(skip.string() + "/")) continue;
      const int wd = ::inotify_add_watch(fd_, folder.c_str(),
                                         IN_OPEN | IN_ACCESS | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE |
                                             IN_MOVED_FROM | IN_MOVED_TO);
      if (wd >= 0) names_[wd] = folder.string();
    }
  }
  ~OutsideWatch() { ::close(fd_); }
  bool Watching() const { return fd_ >= 0 && !names_.empty(); }
  // What happened since the last call, one "<folder>/<name>" per event.
  std::vector<std::string> Events() {
    std::vector<std::string> said;
    alignas(inotify_event) char buffer[64 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
      for (char* at = buffer; at < buffer + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        const bool folderOpened = (event->mask & IN_ISDIR) && (event->mask & (IN_OPEN | IN_ACCESS));
        if (!folderOpened) said.push_back(names_[event->wd] + "/" + (event->len > 0 ? event->name : ""));
        at += sizeof(inotify_event) + event->len;
      }
    }
    return said;
  }

 private:
  int fd_;
  std::map<int, std::string> names_;
};

std::vector<fs::path> KeptLists(const std::string& folder) {
  std::vector<fs::path> kept;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename().string().starts_with("macroGrp.ini.broken-")) kept.push_back(e.path());
  return kept;
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

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

// A list whose entries are no plain group names (or that is larger than any list) is a
// damaged list too: it is kept aside, every group file of the folder is listed in its
// place, the user is told once, and nothing outside the macro folder is read or
// written on the way, not even the file a name leads to.
TEST_F(LibraryTest, AListOfNamesThatAreNoGroupFilesIsKeptAsideAndTheFolderListed) {
  const std::string list = g_macroDir + "macroGrp.ini";
  WriteGroupFile(g_macroDir + "Clicks.dat", {"c"});
  WriteGroupFile(g_macroDir + "Editing.dat", {"e1", "e2"});
  WriteGroupFile(g_configDir + "config.dat", {"outside"});  // where ../../config/config leads
  const std::string outside = ReadText(g_configDir + "config.dat");
  std::vector<std::string> told;
  SetWarningHandler([&](const WarningRequest& r) { told.push_back(r.text); });

  const std::string head = "[MACRO_GROUP_NUM]\nmacGrpNum=2\n[MACRO_GROUP_NAME]\n";
  struct Case {
    std::string text;
    std::vector<std::string> listed;
  };
  const std::vector<std::string> clicksFirst{"Clicks", "Editing"};
  for (const Case& c : {Case{head + "0=..\n1=Clicks\n", clicksFirst}, Case{head + "0=.\n1=Clicks\n", clicksFirst},
                        Case{head + "0=../../config/config\n1=Clicks\n", clicksFirst},
                        Case{head + "0=Clicks/\n1=Editing\n", {"Editing", "Clicks"}},
                        Case{head + "0=" + std::string(280, 'x') + "\n1=Clicks\n", clicksFirst},
                        Case{head + "0=Clicks\n1=Clicks\n", clicksFirst},
                        // Too large to be read at all: the folder's order.
                        Case{head + "0=Editing\n1=Clicks\n; " + std::string(70000, '-') + "\n", clicksFirst}}) {
    SCOPED_TRACE(c.text.substr(0, 120));
    for (const fs::path& kept : KeptLists(g_macroDir)) fs::remove(kept);
    WriteText(list, c.text);
    told.clear();
    OutsideWatch watch(root, g_macroDir);
    ASSERT_TRUE(watch.Watching());

    ::testing::internal::CaptureStderr();
    LoadAndExpand();
    const std::string said = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(GroupNames(), c.listed);
    EXPECT_EQ(ListedNames(), c.listed) << "the list file is sound again";
    EXPECT_EQ(g_groupMacroCounts[c.listed[0] == "Clicks" ? 1 : 0], 2) << "Editing's macros are shown";
    const std::vector<fs::path> kept = KeptLists(g_macroDir);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(ReadText(kept[0].string()), c.text);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(Occurrences(told[0], list), 1u) << told[0];
    EXPECT_NE(told[0].find(kept[0].filename().string()), std::string::npos) << told[0];
    EXPECT_EQ(Occurrences(said, list), 1u) << said;
    EXPECT_EQ(watch.Events(), std::vector<std::string>{});
    EXPECT_EQ(ReadText(g_configDir + "config.dat"), outside);
    EXPECT_EQ(FileMacroNames(g_macroDir + "Editing.dat"), (std::vector<std::string>{"e1", "e2"}));
  }
}

// A group file that is a folder, a FIFO or a link to a device cannot be loaded: its
// group is left out, and each such file is named, all in one box, whether the list is
// sound or damaged. No read waits on the FIFO.
TEST_F(LibraryTest, GroupFilesThatAreNoPlainFilesAreNamedInOneBox) {
  const std::string list = g_macroDir + "macroGrp.ini";
  WriteLibrary(g_macroDir, Groups{{"Folder", std::nullopt},
                                  {"Clicks", std::vector<std::string>{"c"}},
                                  {"Pipe", std::nullopt},
                                  {"Zero", std::nullopt}});
  fs::create_directory(g_macroDir + "Folder.dat");
  ASSERT_EQ(::mkfifo((g_macroDir + "Pipe.dat").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", g_macroDir + "Zero.dat");
  std::vector<std::string> told;
  SetWarningHandler([&](const WarningRequest& r) { told.push_back(r.text); });

  for (const bool damaged : {false, true}) {
    SCOPED_TRACE(damaged ? "damaged list" : "sound list");
    if (damaged) WriteText(list, "[MACRO_GROUP_NUM]\nmacGrpNum=x\n");
    told.clear();
    ::testing::internal::CaptureStderr();
    LoadAndExpand();
    const std::string said = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(GroupNames(), std::vector<std::string>{"Clicks"});
    EXPECT_EQ(ListedNames(), std::vector<std::string>{"Clicks"});
    ASSERT_EQ(told.size(), 1u);
    for (const char* name : {"Folder.dat", "Pipe.dat", "Zero.dat"}) {
      const std::string named = g_macroDir + name + " is not a plain file";
      EXPECT_EQ(Occurrences(told[0], named), 1u) << told[0];
      EXPECT_EQ(Occurrences(said, named), 1u) << said;
    }
    EXPECT_EQ(Occurrences(told[0], list), damaged ? 1u : 0u) << told[0];
    EXPECT_EQ(KeptLists(g_macroDir).size(), damaged ? 1u : 0u);
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
