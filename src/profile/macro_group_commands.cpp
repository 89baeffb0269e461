#include "profile/macro_group_commands.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <span>
#include <thread>

#include "keys/language.h"
#include "platform/ini_file.h"
#include "platform/write_guard.h"
#include "profile/core_hooks.h"
#include "profile/library_files.h"
#include "profile/macro_files.h"
#include "profile/macro_import_check.h"
#include "profile/macro_library.h"
#include "profile/macro_library_internal.h"
#include "profile/macro_record.h"
#include "profile/macro_text.h"
#include "profile/paths.h"
#include "profile/save_failures.h"

namespace {

constexpr int kTipFileMissing = 5;
constexpr int kTipUnusableName = 6;
constexpr int kTipGroupsFullFileCommand = 20;
constexpr int kTipFull = 21;
constexpr int kTipNameTaken = 23;
constexpr int kTipNeedsMacroRow = 24;
constexpr int kTipGroupsFull = 30;
constexpr int kNewGroupNameText = 36;
constexpr int kNewMacroNameText = 37;

constexpr const char* kGroupFilter = "All Files(*.dat)|*.dat||";
constexpr const char* kMacroFilter = "All Files(*.sdat)|*.sdat||";
constexpr const char* kConfigFilter = "All Files(*.ini)|*.ini||";

void Call(const std::function<void()>& hook) {
  if (hook) hook();
}

bool Recording() {
  const auto& hook = MacroPage().isRecording;
  return hook && hook();
}

void SetPlayCount(const std::string& text, bool enabled) {
  if (MacroPage().setPlayCount) MacroPage().setPlayCount(text, enabled);
}

int GroupCount() { return std::clamp(g_groupCount.load(), 0, kMaxMacroGroups); }

int LoadedMacroCount() { return std::clamp<int>(g_groupMacroCount, 0, kMacroTableSize); }

void ClearAllGroupRecords() {
  g_groupMacroCount = 0;
  for (int i = 0; i < kMacroTableSize; ++i) ClearMacroRecord(g_groupMacros, i);
}

// Makes g the current group, loading its records when another group was loaded, so
// that the records in memory always belong to g_curGroup's file.
void MakeCurrentGroup(int g) {
  if (g_curGroup.load() == g) return;
  g_curGroup = g;
  LoadMacroGroup(g, true);
}

// The group of a row of the macro list; for a row outside the rows, the current group
// when fallBack is set. -1 when there is none.
int GroupOfRow(int row, bool fallBack) {
  const int groups = GroupCount();
  if (groups == 0) return -1;
  MacroListRow r;
  if (GetMacroListRow(row, r)) return r.group >= 0 && r.group < groups ? r.group : -1;
  if (!fallBack) return -1;
  const int current = g_curGroup.load();
  return current >= 0 && current < groups ? current : -1;
}

bool EndsWithNoCase(std::string_view text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  return std::equal(ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                std::tolower(static_cast<unsigned char>(b)); });
}

std::string FolderWithSlash(const std::string& folder) {
  return !folder.empty() && folder.back() == '/' ? folder : folder + "/";
}

// The program's own preset files, which the group import leaves alone.
bool IsProgramPresetFile(const std::string& path) {
  for (const char* name : {"constMacro.dat", "PUBG.dat", "PUBG_CN.dat", "PUBG_EN.dat"}) {
    // The factory tree's and the user's copies alike.
    for (const std::string& folder : {g_skinsDir + "/config/", g_configDir}) {
      const std::string preset = folder + name;
      if (path == preset || IsSameFile(path, preset)) return true;
    }
  }
  return false;
}

std::string TrimLeadingSpaces(std::string_view text) {
  std::size_t start = text.find_first_not_of(' ');
  return start == std::string_view::npos ? std::string() : std::string(text.substr(start));
}

std::string TrimBlanks(std::string_view text) {
  std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  std::size_t end = text.find_last_not_of(" \t");
  return std::string(text.substr(start, end - start + 1));
}

// The file a save dialog's answer names: the path the user chose (relative to the
// dialog's start folder when it is relative), with `extension` added when its name does
// not end in it. Empty when the answer names no file.
std::string ChosenTarget(const std::string& startFolder, const std::string& chosen, std::string_view extension) {
  std::string name = FileNamePart(chosen);
  if (name.empty() || !IsPlainFileName(name)) return {};
  std::string path = chosen;
  if (path.front() != '/') path = FolderWithSlash(startFolder) + path;
  if (!EndsWithNoCase(name, extension)) path += extension;
  return path;
}

bool ReplaceFactoryLibrary() {
  // Without a factory list the reset would only wipe the user's library.
  if (!ini::FileExists(g_macroResetDir + "macroGrp.ini")) {
    ShowTipWarning(kTipFileMissing);
    return false;
  }
  DeleteFolderTree(g_macroDir);
  if (!CopyFolder(g_macroResetDir, g_macroDir)) ReportSaveFailure(g_macroDir, "the factory library could not be copied");
  return true;
}

// The language's macro folder may not exist yet (a library without list file).
void EnsureMacroFolder() { platform::MakePrivateFolders(g_macroDir); }

void SetGroupNamesLocked(const std::function<void()>& change) {
  std::lock_guard<std::mutex> guard(library_internal::Lock());
  change();
}

// A file that is no macro file of that kind is refused with its name and the reason;
// `bytes` receives what was read and checked, the only bytes an import may use.
bool RefusedImport(const std::string& path, MacroFileKind kind, std::string& bytes) {
  const std::string why = ReadMacroFile(path, kind, bytes);
  if (why.empty()) return false;
  ShowTipWarning(kTipUnusableName, {}, " (" + path + ": " + why + ")");
  return true;
}

struct ImportOptions {
  int fullTip;
  bool closePopup;
  bool refusePresets;
  bool reloadList;
};

void ImportGroup(const FileChooser& choose, const ImportOptions& options) {
  if (options.closePopup) Call(MacroPage().closePopupMenu);
  if (GroupCount() >= kMaxMacroGroups) {
    ShowTipWarning(options.fullTip);
    return;
  }
  if (!choose) return;
  FileDialogRequest request;
  request.filter = kGroupFilter;
  request.startFolder = g_macroDir;
  std::optional<std::string> chosen = choose(request);
  if (!chosen) return;
  if (options.refusePresets && IsProgramPresetFile(*chosen)) return;

  // The group's name is the file's name without ".dat"; the copy is named after the
  // group, so that the list and the folder agree.
  std::string file = FileNamePart(*chosen);
  std::string name = EndsWithNoCase(file, ".dat") ? file.substr(0, file.size() - 4) : std::string();
  if (name.empty() || !IsUsableGroupName(name)) {
    ShowTipWarning(kTipUnusableName);
    return;
  }
  const int count = GroupCount();
  if (std::find(g_groupNames.begin(), g_groupNames.begin() + count, name) != g_groupNames.begin() + count) {
    ShowTipWarning(kTipNameTaken);
    return;
  }
  std::string bytes;
  if (RefusedImport(*chosen, MacroFileKind::Group, bytes)) return;
  const std::string target = g_macroDir + name + ".dat";
  EnsureMacroFolder();
  if (!WriteFileReplacing(target, bytes)) {
    ReportSaveFailure(target, "the group file could not be copied there");
    return;
  }

  SetGroupNamesLocked([&] {
    g_groupNames[count] = name;
    g_groupExpanded[count] = 0;
    g_groupCount = count + 1;
  });
  SaveMacroGroups();
  if (options.reloadList) LoadMacroGroups();
  LoadAllMacroNames();
  const int groups = GroupCount();
  int added = static_cast<int>(std::find(g_groupNames.begin(), g_groupNames.begin() + groups, name) -
                               g_groupNames.begin());
  g_curGroup = added < groups ? added : std::max(groups - 1, 0);
  LoadMacroGroup(g_curGroup.load(), true);
  if (options.reloadList) {
    Call(MacroPage().refreshPage);
  } else {
    FillMacroLists();
  }
}

void ExportGroup(const FileChooser& choose) {
  if (GroupCount() == 0) {
    ShowTipWarning(kTipUnusableName);
    return;
  }
  if (!choose) return;
  FileDialogRequest request;
  request.save = true;
  request.filter = kGroupFilter;
  request.defaultExtension = "dat";
  request.startFolder = g_macroDir;
  request.confirmOverwrite = true;
  std::optional<std::string> chosen = choose(request);
  if (!chosen) return;
  std::string target = ChosenTarget(g_macroDir, *chosen, ".dat");
  if (target.empty()) {
    ShowTipWarning(kTipUnusableName);
    return;
  }
  // Another group's file would silently take this group's macros.
  const int current = g_curGroup.load();
  for (int g = 0; g < GroupCount(); ++g) {
    if (g == current) continue;
    std::string other = GroupFilePath(g);
    if (!other.empty() && (other == target || IsSameFile(other, target))) {
      ShowTipWarning(kTipNameTaken);
      return;
    }
  }
  SaveMacroFile(target);
}

std::string RenameGroupRow(const MacroListRow& row, std::string_view typed) {
  const int g = row.group;
  MakeCurrentGroup(g);
  const std::string old = g_groupNames[g];
  // The list file drops blanks around names, so they cannot be part of one.
  std::string text = TrimBlanks(typed);
  if (text.empty()) return old;
  const int count = GroupCount();
  std::string name =
      MakeUniqueMacroName(std::span<const std::string>(g_groupNames.data(), count), g, text, kGroupNameChars);
  if (!IsUsableGroupName(name)) {
    ShowTipWarning(kTipUnusableName);
    return old;
  }
  if (name == old) return name;
  const std::string oldPath = g_macroDir + old + ".dat";
  const std::string newPath = g_macroDir + name + ".dat";
  if (!library_internal::IsRegularFile(oldPath)) {
    ShowTipWarning(kTipFileMissing);
  } else if (!RenameFile(oldPath, newPath)) {
    // The list keeps the old name, so the group does not lose its file.
    ShowTipWarning(kTipUnusableName);
    return old;
  }
  SetGroupNamesLocked([&] { g_groupNames[g] = name; });
  SaveMacroGroups();
  return name;
}

std::string RenameMacroRow(int listRow, const MacroListRow& row, std::string_view typed) {
  const int g = row.group;
  const int m = row.macro;
  MakeCurrentGroup(g);
  g_macroListRow = listRow;
  g_editMacro = m;
  const int count = LoadedMacroCount();
  if (m < 0 || m >= count) return MacroListRowText(listRow);
  const std::string old = MacroName(g_groupMacros[m]);
  std::string text = TrimLeadingSpaces(typed);
  if (text.empty()) return old;
  std::array<std::string, 13> names = GroupRecordNames(count);
  std::string name = MakeUniqueMacroName(std::span<const std::string>(names.data(), count), m, text);
  SetMacroName(g_groupMacros[m], name);
  SaveMacroEntry(GroupFilePath(g), m);
  LoadAllMacroNames();
  return MacroName(g_groupMacros[m]);
}

}  // namespace

void OnNewMacroGroup() {
  g_editMacro = 0;
  const int count = GroupCount();
  if (count >= kMaxMacroGroups) {
    ShowTipWarning(kTipGroupsFull);
    return;
  }
  std::string name = g_textDevMac[kNewGroupNameText];
  if (count > 0) {
    name = MakeUniqueMacroName(std::span<const std::string>(g_groupNames.data(), count), count, name,
                               kGroupNameChars);
  }
  // The group's file is created first: a listed group without a file would be
  // dropped at the next start.
  if (!IsUsableGroupName(name)) {
    ShowTipWarning(kTipUnusableName);
    return;
  }
  EnsureMacroFolder();
  if (!CreateEmptyFile(g_macroDir + name + ".dat")) return;
  g_curGroup = count;
  SetGroupNamesLocked([&] {
    g_groupNames[count] = name;
    g_groupCount = count + 1;
    g_groupMacroCounts[count] = 0;
    g_groupExpanded[count] = 0;
    g_macroNames[count] = {};
  });
  SaveMacroGroups();

  Call(MacroPage().clearEventList);
  ClearAllGroupRecords();
  {
    std::lock_guard<std::mutex> guard(library_internal::Lock());
    library_internal::BuildRowsLocked();
    g_macroListRow = g_macroListRowCount.load() - 1;  // the new group's row is the last
  }
  library_internal::NotifyListChanged();
}

void OnNewMacro(int selectedRow) {
  const std::string proposed = g_textDevMac[kNewMacroNameText];
  const int g = GroupOfRow(selectedRow, true);
  if (g < 0) return;
  MakeCurrentGroup(g);
  const int count = LoadedMacroCount();
  if (count >= kMaxGroupMacros) {
    ShowTipWarning(kTipFull);
    return;
  }
  if (proposed.empty()) return;
  std::string name = proposed;
  if (count > 0) {
    std::array<std::string, 13> names = GroupRecordNames(count);
    name = MakeUniqueMacroName(std::span<const std::string>(names.data(), count), -1, name);
  }
  Call(MacroPage().clearEventList);
  g_groupMacroCount = static_cast<std::int16_t>(count + 1);
  g_editMacro = count;
  ClearMacroRecord(g_groupMacros, count);
  SetMacroName(g_groupMacros[count], name);
  SaveMacroEntry(GroupFilePath(g), count);
  LoadAllMacroNames();
  g_groupExpanded[g] = 1;
  FillMacroLists();
}

void OnDeleteMacroGroup(int selectedRow) {
  if (GroupCount() == 0) return;
  const int g = GroupOfRow(selectedRow, false);
  if (g < 0) return;
  g_editMacro = 0;

  std::string path = GroupFilePath(g);
  if (!path.empty() && library_internal::IsRegularFile(path)) {
    RemoveFile(path);
    if (library_internal::IsRegularFile(path)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      RemoveFile(path);
    }
  }

  int left = 0;
  SetGroupNamesLocked([&] {
    const int count = GroupCount();
    for (int k = g; k + 1 < count; ++k) {
      g_groupNames[k] = g_groupNames[k + 1];
      g_groupExpanded[k] = g_groupExpanded[k + 1];
    }
    g_groupNames[count - 1].clear();
    g_groupExpanded[count - 1] = 0;
    left = count - 1;
    g_groupCount = left;
    g_curGroup = 0;
  });
  SaveMacroGroups();
  SelectCurrentGroup();
  LoadAllMacroNames();
  g_macroListRow = left > 0 ? 0 : -1;
  FillMacroLists();
  Call(MacroPage().clearLedSubList);
  if (left == 0) {
    Call(MacroPage().clearEventList);
    ClearAllGroupRecords();
  }
}

void OnResetMacroGroups() {
  if (!ReplaceFactoryLibrary()) return;
  g_curGroup = 0;
  g_editMacro = 0;
  g_macroListRow = 0;
  LoadMacroGroups();
  LoadAllMacroNames();
  if (GroupCount() == 0) {
    // Nothing to load: the records of the old library must not stay in memory.
    Call(MacroPage().clearEventList);
    ClearAllGroupRecords();
  }
  SelectCurrentGroup();
  g_groupExpanded.fill(0);
  FillMacroLists();
  Call(MacroPage().clearLedSubList);
}

void OnRenameMacroGroup() { Call(MacroPage().beginListRename); }
void OnRenameMacro() { Call(MacroPage().beginListRename); }

void OnImportMacroGroup(const FileChooser& choose) {
  ImportGroup(choose, ImportOptions{kTipFull, true, true, false});
}

void OnExportMacroGroup(const FileChooser& choose) { ExportGroup(choose); }

void OnDeleteMacro() {
  if (Recording() || g_macroListRowCount.load() == 0) return;
  const int listRow = g_macroListRow.load();
  MacroListRow row;
  if (!GetMacroListRow(listRow, row) || row.isGroup || row.group < 0 || row.group >= GroupCount()) {
    ShowTipWarning(kTipNeedsMacroRow);
    return;
  }
  const int g = row.group;
  MakeCurrentGroup(g);
  const int m = row.macro;
  const int count = LoadedMacroCount();
  if (m < 0 || m >= count) return;
  g_editMacro = m;

  for (int i = m; i + 1 < count; ++i) g_groupMacros[i] = g_groupMacros[i + 1];
  ClearMacroRecord(g_groupMacros, count - 1);
  g_groupMacroCount = static_cast<std::int16_t>(count - 1);

  SaveMacroFile(GroupFilePath(g));
  LoadAllMacroNames();
  {
    std::lock_guard<std::mutex> guard(library_internal::Lock());
    library_internal::BuildRowsLocked();
  }
  // The same row position stays selected: the next macro of the group, or the row
  // after the group's last macro.
  const int rows = g_macroListRowCount.load();
  const int selected = std::min(listRow, rows - 1);
  g_macroListRow = selected;
  MacroListRow now;
  if (GetMacroListRow(selected, now) && !now.isGroup && now.group == g) {
    g_editMacro = now.macro;
    library_internal::NotifyListChanged();
    Call(MacroPage().showMacroEvents);
  } else {
    Call(MacroPage().clearEventList);
    g_editMacro = 0;
    SetPlayCount("1", false);
    library_internal::NotifyListChanged();
  }
}

void OnExportMacro(const FileChooser& choose) {
  const int e = g_editMacro.load();
  if (GroupCount() == 0 || e < 0 || e >= LoadedMacroCount()) {
    ShowTipWarning(kTipUnusableName);
    return;
  }
  if (!choose) return;
  FileDialogRequest request;
  request.save = true;
  request.filter = kMacroFilter;
  request.defaultExtension = "sdat";
  request.startFolder = g_macroDir;
  request.confirmOverwrite = true;
  std::optional<std::string> chosen = choose(request);
  if (!chosen) return;
  std::string target = ChosenTarget(g_macroDir, *chosen, ".sdat");
  if (target.empty()) {
    ShowTipWarning(kTipUnusableName);
    return;
  }
  SaveSingleMacro(e, target);
}

void OnImportMacro(int selectedRow, const FileChooser& choose) {
  Call(MacroPage().closePopupMenu);
  const int g = GroupOfRow(selectedRow, true);
  if (g < 0) return;
  MakeCurrentGroup(g);
  MacroListRow row;
  if (GetMacroListRow(selectedRow, row) && !row.isGroup) g_editMacro = row.macro;
  const int count = LoadedMacroCount();
  if (count >= kMaxGroupMacros) {
    ShowTipWarning(kTipFull);
    return;
  }
  if (!choose) return;
  FileDialogRequest request;
  request.filter = kMacroFilter;
  request.startFolder = g_macroDir;
  std::optional<std::string> chosen = choose(request);
  if (!chosen) return;

  std::string bytes;
  if (RefusedImport(*chosen, MacroFileKind::SingleMacro, bytes)) return;
  const std::string text = ini::ParsedText(bytes).ReadString("Macros", "Macro", kMacroValueBufferChars);
  MacroRecord record = DecodeMacroRecord(text, kMacroFileVersion);
  std::string name = MacroName(record);
  if (count > 0) {
    std::array<std::string, 13> names = GroupRecordNames(count);
    name = MakeUniqueMacroName(std::span<const std::string>(names.data(), count), -1, name);
  }
  Call(MacroPage().clearEventList);
  g_groupMacros[count] = record;
  SetMacroName(g_groupMacros[count], name);
  g_groupMacroCount = static_cast<std::int16_t>(count + 1);
  g_editMacro = count;
  SaveMacroEntry(GroupFilePath(g), count);
  LoadAllMacroNames();
  g_groupExpanded[g] = 1;
  FillMacroLists();
}

int OnMacroFileCommand(int action, const FileChooser& choose) {
  switch (action) {
    case 1:
      ImportMacroFile(choose);
      break;
    case 2:
      ExportMacroFile(choose);
      break;
    case 3:
      RestoreDefaultMacros();
      break;
    default:
      break;
  }
  return 0;
}

void ImportMacroFile(const FileChooser& choose) {
  ImportGroup(choose, ImportOptions{kTipGroupsFullFileCommand, false, false, true});
}

void ExportMacroFile(const FileChooser& choose) { ExportGroup(choose); }

void RestoreDefaultMacros() {
  if (!ReplaceFactoryLibrary()) return;
  g_curGroup = 0;
  g_editMacro = 0;
  LoadMacroGroups();
  if (GroupCount() == 0) ClearAllGroupRecords();
  SelectCurrentGroup();
  LoadAllMacroNames();
  LoadGunPresets();
}

void ExportConfig(const FileChooser& choose) {
  if (!choose) return;
  FileDialogRequest request;
  request.save = true;
  request.filter = kConfigFilter;
  request.defaultExtension = "ini";
  request.startFolder = UserFilesFolder();
  request.confirmOverwrite = true;
  std::optional<std::string> chosen = choose(request);
  if (!chosen) return;
  std::string target = ChosenTarget(UserFilesFolder(), *chosen, ".ini");
  if (!target.empty() && CopyFileReplacing(g_configIniPath, target) && library_internal::IsRegularFile(target)) {
    RequestMainRepaint(RepaintArea::Whole);
  } else if (target.empty()) {
    ShowTipWarning(kTipUnusableName);
  } else {
    ReportSaveFailure(target, "the settings could not be copied there");
  }
}

std::string CommitMacroListRename(int row, std::string_view text) {
  MacroListRow r;
  if (!GetMacroListRow(row, r) || r.group < 0 || r.group >= GroupCount()) {
    ShowTipWarning(kTipNeedsMacroRow);
    return {};
  }
  return r.isGroup ? RenameGroupRow(r, text) : RenameMacroRow(row, r, text);
}
