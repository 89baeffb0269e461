// A program folder in a temporary directory with the tables cleared, the paths set
// and every warning, repaint and download request recorded.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/paths.h"
#include "profile/settings.h"

class SettingsTest : public ::testing::Test {
 protected:
  std::filesystem::path root;
  std::vector<std::string> events;  // "tip N", "repaint macro|whole", "download"

  void SetUp() override {
    static int counter = 0;
    root = std::filesystem::temp_directory_path() /
           ("settings_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(root / "skins" / "config");
    SetProgramPaths(root.string());
    ClearSettingsTables();
    for (int i = 0; i < 6; ++i) g_textTip[i] = "tip text " + std::to_string(i);
    SetWarningHandler([this](const WarningRequest& r) { events.push_back("tip " + std::to_string(r.tipEntry)); });
    SetRepaintHandler([this](RepaintArea a) {
      events.push_back(a == RepaintArea::MacroRegionOnPage ? "repaint macro" : "repaint whole");
    });
    SetStartDownloadHandler([this] { events.push_back("download"); });
  }

  void TearDown() override {
    SetWarningHandler(nullptr);
    SetRepaintHandler(nullptr);
    SetStartDownloadHandler(nullptr);
    ClearSettingsTables();
    std::filesystem::remove_all(root);
  }

  std::string ConfigPath() const { return g_configIniPath; }
  std::string ResetPath() const { return g_configDir + "configReset.ini"; }

  static void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    ini::ClearCache();
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::string Value(const std::string& file, const std::string& section, const std::string& key) {
    return ini::ReadString(file, section, key, 1000);
  }
};
