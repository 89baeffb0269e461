// Start-up with a config.ini that cannot be read, and with a language index that names
// no language folder: the mouse gets the factory settings (never an image without a
// left click), the user is told by the file's name, and the window starts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app_fixture.h"
#include "device/download.h"
#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "profile/settings_check.h"

namespace fs = std::filesystem;

namespace {

struct BrokenCase {
  const char* name;
  bool missing;
  std::string bytes;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Utf16WithoutBom(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    out += '\0';
  }
  return out;
}

class BrokenSettingsStart : public apptest::ProgramTest, public ::testing::WithParamInterface<BrokenCase> {};

}  // namespace

TEST_P(BrokenSettingsStart, MouseGetsTheFactorySettingsAndTheUserIsTold) {
  const BrokenCase& c = GetParam();
  const std::string factory = ReadAll(ConfigReset());
  std::string bytes = c.bytes == "utf16" ? Utf16WithoutBom(ReadAll(ConfigIni())) : c.bytes;
  if (c.missing) {
    fs::remove(ConfigIni());
  } else {
    std::ofstream(ConfigIni(), std::ios::binary | std::ios::trunc) << bytes;
  }
  ini::ClearCache();
  auto mouse = PlugMouse();

  COVK_DOvaruDlg& window = Start();
  ASSERT_FALSE(window.Ending());
  ASSERT_TRUE(WaitForDownloads());

  // config.ini is the factory file now; the broken one is kept beside it.
  EXPECT_EQ(ReadAll(ConfigIni()), factory);
  std::vector<fs::path> kept;
  for (const auto& e : fs::directory_iterator(fs::path(ConfigIni()).parent_path()))
    if (e.path().filename().string().starts_with("config.ini.broken-")) kept.push_back(e.path());
  if (c.missing) {
    EXPECT_TRUE(kept.empty());
  } else {
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(ReadAll(kept[0].string()), bytes);
  }
  // One warning, naming the file, instead of a missing-file box per profile.
  const std::vector<apptest::Warning> warnings = Warnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].text.find(ConfigIni()), std::string::npos) << warnings[0].text;
  if (!c.missing) {
    EXPECT_NE(warnings[0].text.find(kept[0].filename().string()), std::string::npos);
  }

  // The mouse holds a working left click, in the image that the factory settings give.
  EXPECT_EQ(g_keyFunc[0][0], 1);
  EXPECT_EQ(CheckSettingsForMouse(), SettingsVerdict::Fit);
  const auto started = mouse->Memory();
  Finish();
  mouse->SetMemory(0, std::vector<std::uint8_t>(started.size(), 0));
  ClearSettingsTables();
  LoadDeviceDescription();
  for (int n = 0; n < kProfileCount; ++n) ASSERT_TRUE(LoadProfile(g_configDir, n, false));
  g_currentProfile = 0;
  ASSERT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_TRUE(mouse->Memory() == started);
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenSettingsStart,
                         ::testing::Values(BrokenCase{"missing", true, ""}, BrokenCase{"empty", false, ""},
                                           BrokenCase{"garbage", false, std::string("\x00\xff\xfe garbage\n", 12)},
                                           BrokenCase{"utf16_without_bom", false, "utf16"}),
                         [](const auto& info) { return std::string(info.param.name); });

class LanguageIndexStart : public apptest::ProgramTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LanguageIndexStart, IndexWithoutAFolderStartsInEnglish) {
  ini::WriteString(ConfigIni(), "Init", "VER_SEL", GetParam());
  PlugMouse();
  COVK_DOvaruDlg& window = Start();
  EXPECT_FALSE(window.Ending());
  EXPECT_FALSE(window.StartFailed());
  EXPECT_EQ(g_language.load(), 1);
  EXPECT_FALSE(g_textTip[1].empty());
  ASSERT_TRUE(WaitForDownloads());
  EXPECT_TRUE(Warnings().empty());
  EXPECT_TRUE(Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, LanguageIndexStart, ::testing::Values("-5", "999", "25"));
