// The settings import refuses a set the mouse could not take, as the start-up does: it
// names the file and why, and config.ini and the tables stay as config.ini has them
// (main_input's tests import a set that passes).
#include <gtest/gtest.h>

#include <fstream>

#include "device/settings_import.h"
#include "download_fixture.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  ini::ClearCache();
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

}  // namespace

TEST_F(DownloadTest, ImportRefusesASetTheMouseCouldNotTake) {
  std::vector<std::string> said;
  SetWarningHandler([&said](const WarningRequest& r) { said.push_back(r.text); });
  const std::string factory = ReadAll(MC_SOURCE_DIR "/skins/config/config.ini");
  WriteAll(g_configIniPath, factory);
  LoadDeviceDescription();
  LoadSettingsProfiles(g_configIniPath);

  const std::pair<std::string, std::string> refused[] = {
      {Replaced(factory, "[Config0]\nK0=1", "[Config0]\nK0=2"), "no button of profile 0 has the left click"},
      {Replaced(factory, "LED_BRIGHT=0", "LED_BRIGHT=99"), "LED_BRIGHT = 99, not 0 to 7"},
  };
  const std::string path = (root / "chosen.ini").string();
  for (const auto& [text, fault] : refused) {
    said.clear();
    WriteAll(path, text);
    EXPECT_FALSE(ImportSettingsFile(path));
    EXPECT_TRUE(ReadAll(g_configIniPath) == factory) << "config.ini stays";
    EXPECT_EQ(g_keyFunc[0][0], 1) << "the tables hold config.ini";
    EXPECT_EQ(said, std::vector<std::string>{path + " holds settings the mouse cannot take (" + fault + ")"});
  }
}
