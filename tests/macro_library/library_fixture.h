// A program folder in a temporary directory with an English macro library, the group
// tables cleared, and every warning and macro-page request recorded.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/macro_files.h"
#include "profile/macro_group_commands.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/macro_text.h"
#include "profile/paths.h"

namespace fs = std::filesystem;

class LibraryTest : public ::testing::Test {
 protected:
  fs::path root;
  std::vector<int> tips;            // TipText entries shown
  std::vector<std::string> page;    // macro page requests
  std::vector<FileDialogRequest> dialogs;

  void SetUp() override {
    static int counter = 0;
    root = fs::temp_directory_path() / ("macro_library_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    g_language = 1;
    SetProgramPaths(root.string());
    fs::create_directories(g_macroDir);
    fs::create_directories(g_macroResetDir);
    fs::create_directories(g_configDir);
    ini::ClearCache();
    ResetTables();
    g_textDevMac[36] = "Group";
    g_textDevMac[37] = "Macro";
    SetWarningHandler([this](const WarningRequest& r) { tips.push_back(r.tipEntry); });
    MacroPageHooks hooks;
    hooks.macroListChanged = [this] { page.push_back("list"); };
    hooks.clearEventList = [this] { page.push_back("clear events"); };
    hooks.clearLedSubList = [this] { page.push_back("clear steps"); };
    hooks.showMacroEvents = [this] { page.push_back("show " + std::to_string(g_editMacro.load())); };
    hooks.setPlayCount = [this](const std::string& text, bool on) {
      page.push_back("play count " + text + (on ? " on" : " off"));
    };
    hooks.refreshPage = [this] { page.push_back("refresh"); };
    hooks.closePopupMenu = [this] { page.push_back("close popup"); };
    hooks.beginListRename = [this] { page.push_back("rename"); };
    hooks.isRecording = [this] { return recording; };
    SetMacroPageHooks(hooks);
  }

  void TearDown() override {
    SetWarningHandler(nullptr);
    SetMacroPageHooks({});
    ResetTables();
    fs::remove_all(root);
  }

  bool recording = false;

  static void ResetTables() {
    g_groupCount = 0;
    g_groupNames = {};
    g_curGroup = 0;
    g_groupMacroCounts = {};
    for (auto& row : g_macroNames) row = {};
    g_groupExpanded = {};
    g_editMacro = 0;
    g_macroListRow = -1;
    g_macroListRowCount = 0;
    g_macroListExists = false;
    g_groupMacroCount = 0;
    for (MacroRecord& r : g_groupMacros) r = MacroRecord{};
  }

  static MacroRecord Named(const std::string& name, int events = 1) {
    MacroRecord r;
    SetMacroName(r, name);
    r.eventCount = static_cast<std::uint16_t>(events);
    for (int i = 0; i < events; ++i) {
      r.action[i] = 1;
      r.code[i] = 4;  // a key
      r.delay[i] = static_cast<std::uint16_t>(10 + i);
    }
    return r;
  }

  // A group file with the named macros, in `folder` (g_macroDir by default).
  static void WriteGroupFile(const std::string& path, const std::vector<std::string>& names) {
    ini::WriteString(path, "Init", "DAT_VER", "3");
    ini::WriteInt(path, "Macros", "macroNum", static_cast<long long>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
      ini::WriteString(path, "Macros", std::to_string(i), EncodeMacroRecord(Named(names[i])));
    }
  }

  // macroGrp.ini listing `groups` in `folder`, each with a file of the given macros
  // (nullopt: no file).
  static void WriteLibrary(const std::string& folder,
                           const std::vector<std::pair<std::string, std::optional<std::vector<std::string>>>>& groups) {
    const std::string list = folder + "macroGrp.ini";
    ini::WriteInt(list, "MACRO_GROUP_NUM", "macGrpNum", static_cast<long long>(groups.size()));
    for (std::size_t i = 0; i < 12; ++i) {
      ini::WriteString(list, "MACRO_GROUP_NAME", std::to_string(i), i < groups.size() ? groups[i].first : "");
    }
    for (const auto& [name, macros] : groups) {
      if (macros) WriteGroupFile(folder + name + ".dat", *macros);
    }
  }

  std::vector<std::string> ListedNames() const {
    std::vector<std::string> names;
    const std::string list = g_macroDir + "macroGrp.ini";
    int count = ini::ReadInt(list, "MACRO_GROUP_NUM", "macGrpNum", 3);
    for (int i = 0; i < count; ++i) names.push_back(ini::ReadString(list, "MACRO_GROUP_NAME", std::to_string(i), 60));
    return names;
  }

  static std::vector<std::string> GroupNames() {
    return std::vector<std::string>(g_groupNames.begin(), g_groupNames.begin() + g_groupCount.load());
  }

  static std::vector<std::string> LoadedMacroNames() {
    std::vector<std::string> names;
    for (int i = 0; i < g_groupMacroCount; ++i) names.push_back(MacroName(g_groupMacros[i]));
    return names;
  }

  static std::vector<std::string> FileMacroNames(const std::string& path) {
    std::vector<std::string> names;
    int count = ini::ReadInt(path, "Macros", "macroNum", 3);
    for (int i = 0; i < count; ++i) {
      names.push_back(DecodeMacroName(ini::ReadString(path, "Macros", std::to_string(i), kMacroValueBufferChars)));
    }
    return names;
  }

  // A chooser that records the request and answers `answer`.
  FileChooser Choose(std::optional<std::string> answer) {
    return [this, answer](const FileDialogRequest& r) {
      dialogs.push_back(r);
      return answer;
    };
  }

  static void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    ini::ClearCache();
  }
  static std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Loads the library as start-up does and lists it with every group expanded.
  static void LoadAndExpand() {
    ReloadMacroLibrary();
    g_groupExpanded.fill(1);
    FillMacroLists();
  }
};
