// Start-up with settings the mouse cannot take as they stand: what the simulated mouse
// holds after the start-up's download, what config.ini holds, and what the user is told.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app_fixture.h"
#include "device/memory_image.h"
#include "platform/ini_file.h"
#include "profile/settings.h"

namespace fs = std::filesystem;

namespace {

struct Edit {
  const char* section;
  const char* key;
  std::string value;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<fs::path> KeptAside(const std::string& config) {
  std::vector<fs::path> kept;
  for (const auto& e : fs::directory_iterator(fs::path(config).parent_path()))
    if (e.path().filename().string().starts_with("config.ini.broken-")) kept.push_back(e.path());
  return kept;
}

class SettingsImageStart : public apptest::ProgramTest {
 protected:
  // Writes the edits into config.ini and starts the program with the mouse; returns
  // config.ini as it was written.
  std::string StartWith(const std::vector<Edit>& edits) {
    for (const Edit& e : edits) EXPECT_TRUE(ini::WriteString(ConfigIni(), e.section, e.key, e.value));
    ini::ClearCache();
    const std::string written = ReadAll(ConfigIni());
    PlugMouse();
    EXPECT_FALSE(Start().Ending());
    EXPECT_TRUE(WaitForDownloads());
    return written;
  }
  int Byte(int address) { return mouse_->MemoryAt(static_cast<std::size_t>(address)); }
};

struct UnfitCase {
  const char* name;
  std::vector<Edit> edits;
  bool setAside;  // handled as an unreadable config.ini
};

void PrintTo(const UnfitCase& c, std::ostream* out) { *out << c.name; }

class UnfitSettingsStart : public SettingsImageStart, public ::testing::WithParamInterface<UnfitCase> {};

}  // namespace

// The first profile's left, right and middle click (slots 1 to 3: reaction enable and
// functions 1, 2, 3) reach the mouse whatever config.ini held: a key map out of range
// is read as the factory map, any other value out of range or a profile 0 without
// left click sets the file aside for the factory settings, with one box naming it.
TEST_P(UnfitSettingsStart, MouseKeepsItsClicks) {
  const UnfitCase& c = GetParam();
  const std::string factory = ReadAll(ConfigReset());
  const std::string written = StartWith(c.edits);

  EXPECT_EQ(Byte(0x008), 33);
  EXPECT_EQ(Byte(0x009), 34);
  EXPECT_EQ(Byte(0x00A), 35);

  const std::vector<fs::path> kept = KeptAside(ConfigIni());
  const std::vector<apptest::Warning> warnings = Warnings();
  if (!c.setAside) {
    EXPECT_TRUE(ReadAll(ConfigIni()) == written) << "config.ini is left as it was";
    EXPECT_TRUE(kept.empty());
    EXPECT_TRUE(warnings.empty());
    return;
  }
  EXPECT_TRUE(ReadAll(ConfigIni()) == factory) << "config.ini is the factory file";
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(ReadAll(kept[0].string()) == written) << "the old file is kept aside";
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].text.find(ConfigIni()), std::string::npos) << warnings[0].text;
  EXPECT_NE(warnings[0].text.find(kept[0].filename().string()), std::string::npos) << warnings[0].text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnfitSettingsStart,
    ::testing::Values(
        UnfitCase{"key_map_out_of_range", {{"KEYMAP", "K1_MAP", "99"}, {"KEYMAP", "K2_MAP", "-1"}, {"KEYMAP", "K3_MAP", "0"}}, false},
        UnfitCase{"key_map_twice", {{"KEYMAP", "K4_MAP", "1"}}, false},
        UnfitCase{"key_count_out_of_range", {{"KEYNUM", "KeyNum", "99"}}, false},
        UnfitCase{"reaction_out_of_range", {{"Config0", "LED_REACT_TYPE0", "9"}}, true},
        UnfitCase{"brightness_out_of_range", {{"ShareData", "LED_BRIGHT", "99"}}, true},
        UnfitCase{"colour_out_of_range", {{"ShareData", "DPI3_G", "16"}}, true},
        UnfitCase{"no_left_click", {{"Config0", "K0", "2"}}, true}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

struct DpiCase {
  const char* name;
  std::vector<Edit> edits;
  int level;    // the current level on the page and in the mouse
  int enables;  // enable bits in the mouse
};

void PrintTo(const DpiCase& c, std::ostream* out) { *out << c.name; }

class DpiLevelStart : public SettingsImageStart, public ::testing::WithParamInterface<DpiCase> {};

std::vector<Edit> AllDisabledAt(const char* level) {
  std::vector<Edit> edits{{"ShareData", "DPI_LEVEL", level}};
  for (const char* key : {"DPI_SET_EN0", "DPI_SET_EN1", "DPI_SET_EN2", "DPI_SET_EN3", "DPI_SET_EN4", "DPI_SET_EN5"})
    edits.push_back({"ShareData", key, "0"});
  return edits;
}

}  // namespace

// Byte 0x018 holds the current level plus 8, byte 0x019 the enable bits: the mouse gets
// the level the page shows, one of the six, enabled, with at least one level enabled.
TEST_P(DpiLevelStart, MouseGetsTheLevelThePageShows) {
  const DpiCase& c = GetParam();
  StartWith(c.edits);
  EXPECT_EQ(g_dpiLevel.load(), c.level);
  EXPECT_EQ(Byte(0x018), c.level + 8);
  EXPECT_EQ(Byte(0x019), c.enables);
  EXPECT_TRUE(Warnings().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DpiLevelStart,
    ::testing::Values(DpiCase{"six", {{"ShareData", "DPI_LEVEL", "6"}}, 5, 0x3F},
                      DpiCase{"seven", {{"ShareData", "DPI_LEVEL", "7"}}, 5, 0x3F},
                      DpiCase{"minus_one", {{"ShareData", "DPI_LEVEL", "-1"}}, 0, 0x3F},
                      // Half a megabyte: a whole one makes config.ini too large to be read at all.
                      DpiCase{"half_a_megabyte_of_digits", {{"ShareData", "DPI_LEVEL", std::string(1 << 19, '7')}}, 5, 0x3F},
                      DpiCase{"current_disabled", {{"ShareData", "DPI_LEVEL", "2"}, {"ShareData", "DPI_SET_EN2", "0"}}, 3, 0x3B},
                      DpiCase{"last_disabled", {{"ShareData", "DPI_LEVEL", "5"}, {"ShareData", "DPI_SET_EN5", "0"}}, 0, 0x1F},
                      DpiCase{"all_disabled", AllDisabledAt("4"), 4, 0x10}),
    [](const auto& info) { return std::string(info.param.name); });
