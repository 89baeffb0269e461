#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "keys/key_codes.h"
#include "language_guard.h"

namespace {

// Which key table each language index uses (typed in from the language table).
const std::map<int, std::string> kKeyTableOf = {
    {0, "US"},    {1, "US"},     {2, "FR"},    {3, "BILI"},  {4, "DE"},   {5, "SPIT"},
    {6, "SPIT"},  {7, "RU"},     {8, "TU"},    {9, "PO"},    {10, "US"},  {11, "US"},
    {12, "US"},   {13, "US"},    {14, "US"},   {15, "CZ"},   {16, "SEDA"}, {17, "US"},
    {18, "POBR"}, {19, "US"},    {20, "NLBE"}, {21, "SEDA"}, {22, "SL"},  {23, "US"},
    {24, "US"},   {26, "HUN"},
};
constexpr int kNoLanguage[] = {25, 27, 100, 255, -1};

struct Row {
  int from;
  int to;
};
struct ExpectedRows {
  std::vector<std::array<int, 3>> ranges;         // first vk, last vk, first usage
  std::map<std::string, std::vector<Row>> rows;   // table -> vk, usage
  std::map<std::string, std::vector<Row>> reverse;  // table -> usage, vk
};

ExpectedRows LoadRows() {
  ExpectedRows out;
  std::ifstream in(std::string(MC_KEYS_TEST_DIR) + "/key_rows.txt");
  EXPECT_TRUE(in) << "key_rows.txt missing";
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream fields(line);
    std::string kind;
    if (!(fields >> kind)) continue;
    auto hex = [&fields] {
      std::string text;
      fields >> text;
      return std::stoi(text, nullptr, 16);
    };
    if (kind == "RANGE") {
      int a = hex(), b = hex(), c = hex();
      out.ranges.push_back({a, b, c});
    } else if (kind == "REV") {
      std::string table;
      fields >> table;
      int usage = hex(), vk = hex();
      out.reverse[table].push_back({usage, vk});
    } else {
      int vk = hex(), usage = hex();
      out.rows[kind].push_back({vk, usage});
    }
  }
  return out;
}

struct ExpectedTable {
  std::array<int, 256> toDevice;
  std::array<int, 256> toHost;
};

// The expected table from the typed-in rows: US ranges and rows, the table's own rows
// over them (their reverse too), then the reverse rows of the table.
ExpectedTable Expected(const ExpectedRows& data, const std::string& table) {
  ExpectedTable t;
  for (int i = 0; i < 256; ++i) t.toDevice[i] = t.toHost[i] = i;
  auto set = [&t](int vk, int usage) {
    t.toDevice[vk] = usage;
    t.toHost[usage] = vk;
  };
  for (const auto& r : data.ranges)
    for (int vk = r[0]; vk <= r[1]; ++vk) set(vk, r[2] + vk - r[0]);
  for (const Row& r : data.rows.at("US")) set(r.from, r.to);
  if (table != "US")
    for (const Row& r : data.rows.at(table)) set(r.from, r.to);
  if (data.reverse.count(table))
    for (const Row& r : data.reverse.at(table)) t.toHost[r.from] = r.to;
  return t;
}

std::string Hex(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", v);
  return buf;
}

}  // namespace

// Every row of every key table, both directions, all 256 codes, for every language.
TEST(KeyTables, EveryLanguageMatchesTheTypedInRows) {
  const ExpectedRows data = LoadRows();
  ASSERT_EQ(data.ranges.size(), 10u);
  ASSERT_EQ(data.rows.at("US").size(), 50u);
  const std::map<std::string, size_t> ownRowCounts = {
      {"FR", 15}, {"BILI", 15}, {"NLBE", 14}, {"DE", 10}, {"SPIT", 8}, {"CZ", 5},
      {"SEDA", 8}, {"PO", 9},   {"TU", 6},    {"RU", 2},  {"POBR", 1}, {"SL", 3}, {"HUN", 5}};
  for (const auto& [table, count] : ownRowCounts) ASSERT_EQ(data.rows.at(table).size(), count) << table;

  for (const auto& [language, table] : kKeyTableOf) {
    const ExpectedTable want = Expected(data, table);
    LanguageGuard guard(language);
    for (int code = 0; code < 256; ++code) {
      EXPECT_EQ(VkToDeviceKey(code), want.toDevice[code])
          << "language " << language << " (" << table << ") VK " << Hex(code);
      EXPECT_EQ(DeviceKeyToVk(code), want.toHost[code])
          << "language " << language << " (" << table << ") usage " << Hex(code);
    }
  }
}

// A macro written to a file and read back in the same language keeps its device keys.
TEST(KeyTables, EveryProducedUsageSurvivesTheRoundTrip) {
  for (const auto& [language, table] : kKeyTableOf) {
    LanguageGuard guard(language);
    for (int vk = 0; vk < 256; ++vk) {
      DeviceKeyCode usage = VkToDeviceKey(vk);
      EXPECT_EQ(VkToDeviceKey(DeviceKeyToVk(usage)), usage)
          << "language " << language << " VK " << Hex(vk) << " usage " << Hex(usage)
          << " written as " << Hex(DeviceKeyToVk(usage));
    }
  }
}

TEST(KeyTables, AnIndexThatNamesNoLanguageConvertsNothing) {
  for (int language : kNoLanguage) {
    LanguageGuard guard(language);
    for (int code = 0; code < 256; ++code) {
      EXPECT_EQ(VkToDeviceKey(code), code) << language;
      EXPECT_EQ(DeviceKeyToVk(code), code) << language;
    }
  }
}

TEST(KeyTables, EventCodesThatAreNotKeysPassThroughEverywhere) {
  for (const auto& [language, table] : kKeyTableOf) {
    LanguageGuard guard(language);
    for (int code : {0x00, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFE, 0xFF}) {
      EXPECT_EQ(VkToDeviceKey(code), code) << language;
      EXPECT_EQ(DeviceKeyToVk(code), code) << language;
    }
  }
}

TEST(KeyTables, MouseButtonsInEveryLanguage) {
  for (const auto& [language, table] : kKeyTableOf) {
    LanguageGuard guard(language);
    EXPECT_EQ(VkToDeviceKey(kHostMouseLeft), kDeviceMouseLeft);
    EXPECT_EQ(VkToDeviceKey(kHostMouseRight), kDeviceMouseRight);
    EXPECT_EQ(VkToDeviceKey(kHostMouseMiddle), kDeviceMouseMiddle);
    EXPECT_EQ(DeviceKeyToVk(kDeviceMouseLeft), kHostMouseLeft);
    EXPECT_EQ(DeviceKeyToVk(kDeviceMouseRight), kHostMouseRight);
    EXPECT_EQ(DeviceKeyToVk(kDeviceMouseMiddle), kHostMouseMiddle);
    EXPECT_EQ(VkToDeviceKey(0xF3), 0xF3);
    EXPECT_EQ(DeviceKeyToVk(0xF3), kHostMouseRight) << "host 0xF3 comes back as the right button";
    EXPECT_EQ(VkToDeviceKey(0xF4), 0xF4);
    EXPECT_EQ(DeviceKeyToVk(0xF4), 0xF4);
    EXPECT_EQ(DeviceKeyToVk(0xF0), 0xF0);
  }
}

TEST(KeyTables, UsCornerCases) {
  LanguageGuard guard(1);
  EXPECT_EQ(VkToDeviceKey(VK_SHIFT), 0x10) << "no row: the number itself, the M key's usage";
  EXPECT_EQ(VkToDeviceKey(VK_CONTROL), 0x11);
  EXPECT_EQ(VkToDeviceKey(VK_MENU), 0x12);
  EXPECT_EQ(VkToDeviceKey(VK_LSHIFT), 0xE1);
  EXPECT_EQ(VkToDeviceKey(VK_PRINT), VK_PRINT);
  EXPECT_EQ(VkToDeviceKey(VK_OEM_8), VK_OEM_8);
  EXPECT_EQ(VkToDeviceKey(VK_OEM_102), VK_OEM_102);
  EXPECT_EQ(VkToDeviceKey(VK_RETURN), 0x28);
  for (int vk = 0; vk < 256; ++vk) EXPECT_NE(VkToDeviceKey(vk), 0x58) << "no VK gives keypad Enter";
  EXPECT_EQ(VkToDeviceKey('0'), 0x27);
  EXPECT_EQ(VkToDeviceKey('1'), 0x1E);
  EXPECT_EQ(VkToDeviceKey(VK_F24), 0x73);
  EXPECT_EQ(VkToDeviceKey(VK_NUMPAD0), 0x62);
  EXPECT_EQ(DeviceKeyToVk(0x62), VK_NUMPAD0);
}

// The layouts' own cases, one group per table.
TEST(KeyTables, FrenchAndBelgianLayouts) {
  {
    LanguageGuard guard(2);  // FR
    EXPECT_EQ(VkToDeviceKey('A'), 0x14);
    EXPECT_EQ(DeviceKeyToVk(0x14), 'A');
    EXPECT_EQ(VkToDeviceKey(VK_OEM_MINUS), 0x2D) << "US row left in place";
    EXPECT_EQ(DeviceKeyToVk(0x2D), VK_OEM_4) << "the own row wins the shared usage";
  }
  {
    LanguageGuard guard(20);  // NLBE
    EXPECT_EQ(VkToDeviceKey('M'), 0x10);
    EXPECT_EQ(VkToDeviceKey(VK_OEM_COMMA), 0x10);
    EXPECT_EQ(DeviceKeyToVk(0x10), VK_OEM_COMMA);
    EXPECT_EQ(DeviceKeyToVk(0x33), VK_OEM_MINUS);
    EXPECT_EQ(DeviceKeyToVk(0x2E), VK_OEM_MINUS);
  }
  {
    LanguageGuard guard(3);  // BILI keeps 'M' on 0x33
    EXPECT_EQ(VkToDeviceKey('M'), 0x33);
    EXPECT_EQ(DeviceKeyToVk(0x33), 'M');
  }
}

TEST(KeyTables, LayoutsThatKeepTheKeypadReverse) {
  {
    LanguageGuard guard(7);  // RU
    EXPECT_EQ(VkToDeviceKey(VK_OEM_MINUS), 0x56);
    EXPECT_EQ(DeviceKeyToVk(0x56), VK_SUBTRACT) << "written to a file as VK_SUBTRACT";
    EXPECT_EQ(VkToDeviceKey(VK_SUBTRACT), 0x56) << "and read back as the same usage";
    EXPECT_EQ(VkToDeviceKey(VK_OEM_8), 0x2E);
    EXPECT_EQ(DeviceKeyToVk(0x2E), VK_OEM_PLUS);
  }
  {
    LanguageGuard guard(8);  // TU
    EXPECT_EQ(VkToDeviceKey(VK_OEM_8), 0x55);
    EXPECT_EQ(DeviceKeyToVk(0x55), VK_MULTIPLY);
    EXPECT_EQ(VkToDeviceKey(VK_MULTIPLY), 0x55);
    EXPECT_EQ(DeviceKeyToVk(0x56), VK_SUBTRACT);
  }
  for (int language : {9, 18}) {  // PO, POBR
    LanguageGuard guard(language);
    EXPECT_EQ(VkToDeviceKey(VK_OEM_8), 0x55);
    EXPECT_EQ(DeviceKeyToVk(0x55), VK_MULTIPLY);
  }
  {
    LanguageGuard guard(22);  // SL: here the own row wins
    EXPECT_EQ(VkToDeviceKey(VK_OEM_8), 0x2E);
    EXPECT_EQ(DeviceKeyToVk(0x2E), VK_OEM_8);
    EXPECT_EQ(VkToDeviceKey(VK_OEM_PLUS), 0x2E);
  }
}

TEST(KeyTables, LetterSwapsOfCentralEuropeanLayouts) {
  for (int language : {4, 15}) {  // DE, CZ
    LanguageGuard guard(language);
    EXPECT_EQ(VkToDeviceKey('Z'), 0x1C);
    EXPECT_EQ(VkToDeviceKey('Y'), 0x1D);
    EXPECT_EQ(DeviceKeyToVk(0x1C), 'Z');
    EXPECT_EQ(DeviceKeyToVk(0x1D), 'Y');
  }
  for (int language : {5, 6}) {  // SP, IT keep the US letters
    LanguageGuard guard(language);
    EXPECT_EQ(VkToDeviceKey('Z'), 0x1D);
    EXPECT_EQ(VkToDeviceKey(VK_OEM_1), 0x2F);
  }
  {
    LanguageGuard guard(26);  // HUN
    EXPECT_EQ(VkToDeviceKey('Y'), 0x1C);
    EXPECT_EQ(VkToDeviceKey('Z'), 0x1D);
    EXPECT_EQ(DeviceKeyToVk(0x1C), 'Y');
    EXPECT_EQ(DeviceKeyToVk(0x1D), 'Z');
    EXPECT_EQ(VkToDeviceKey('0'), 0x35);
    EXPECT_EQ(VkToDeviceKey(VK_OEM_3), 0x27);
    EXPECT_EQ(DeviceKeyToVk(0x35), '0');
    EXPECT_EQ(DeviceKeyToVk(0x27), VK_OEM_3);
    EXPECT_EQ(VkToDeviceKey(VK_OEM_102), 0x64);
    EXPECT_EQ(DeviceKeyToVk(0x64), VK_OEM_102);
  }
}

// The position of each key on a full-size US keyboard, row by row, typed in as VKs.
TEST(KeyIndex, PositionsGoThroughTheLanguagesKeyTable) {
  const int kVkAt[kKeyIndexCount] = {
      0x1B, 0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B,  // Esc, F1-F12
      0x2D, 0xC0, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 0xBD, 0xBB, 0x08, 0x2E,
      0x09, 'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', 0xDB, 0xDD, 0xDC,
      0x14, 'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', 0xBA, 0xDE, 0x0D,
      0xA0, 'Z', 'X', 'C', 'V', 'B', 'N', 'M', 0xBC, 0xBE, 0xBF, 0xA1,
      0xA2, 0xA4, 0x5B, 0x20, 0x5C, 0xA5, 0xA3, 0x25, 0x26, 0x27, 0x28};
  for (const auto& [language, table] : kKeyTableOf) {
    LanguageGuard guard(language);
    for (int index = 0; index < kKeyIndexCount; ++index)
      EXPECT_EQ(KeyIndexToDeviceKey(index), VkToDeviceKey(kVkAt[index]))
          << "language " << language << " index " << index;
    EXPECT_EQ(KeyIndexToDeviceKey(56), 0xE1) << "left Shift";
    const bool azerty = table == "FR" || table == "BILI" || table == "NLBE";
    EXPECT_EQ(KeyIndexToDeviceKey(44), azerty ? 0x14 : 0x04) << "language " << language;
  }
  {
    LanguageGuard guard(1);
    EXPECT_EQ(KeyIndexToDeviceKey(0), 0x29);
    EXPECT_EQ(KeyIndexToDeviceKey(24), 0x27);
    EXPECT_EQ(KeyIndexToDeviceKey(78), 0x51);
  }
}

TEST(KeyIndex, IndicesPastTheLastKeyGiveNoKeyInEveryLanguage) {
  std::vector<int> languages;
  for (const auto& entry : kKeyTableOf) languages.push_back(entry.first);
  languages.insert(languages.end(), std::begin(kNoLanguage), std::end(kNoLanguage));
  for (int language : languages) {
    LanguageGuard guard(language);
    for (int index = kKeyIndexCount; index < 256; ++index)
      EXPECT_EQ(KeyIndexToDeviceKey(index), 0xFF) << "language " << language << " index " << index;
  }
  LanguageGuard guard(1);
  EXPECT_EQ(KeyIndexToDeviceKey(static_cast<KeyIndex>(256 + 44)), 0x04) << "taken modulo 256";
}
