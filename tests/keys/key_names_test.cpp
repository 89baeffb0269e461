#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "keys/key_codes.h"
#include "keys/language.h"
#include "language_guard.h"

namespace {

// Which name table each language index uses (typed in from the language table).
const std::map<int, std::string> kNameTableOf = {
    {0, "EN"},  {1, "EN"},  {2, "FR"},  {3, "BILI"}, {4, "DE"},  {5, "SP"},  {6, "IT"},
    {7, "RU"},  {8, "TU"},  {9, "PO"},  {10, "TH"},  {11, "KR"}, {12, "JP"}, {13, "AR"},
    {14, "PL"}, {15, "CZ"}, {16, "SE"}, {17, "NL"},  {18, "EN"}, {19, "EN"}, {20, "EN"},
    {21, "DA"}, {22, "SL"}, {23, "FA"}, {24, "UA"},  {26, "HUN"},
};

using Names = std::map<int, std::string>;
struct NameData {
  Names en;
  std::map<std::string, Names> own;
  std::map<std::string, size_t> declaredCount;
};

NameData LoadNames() {
  NameData data;
  std::ifstream in(std::string(MC_KEYS_TEST_DIR) + "/key_names.txt", std::ios::binary);
  EXPECT_TRUE(in) << "key_names.txt missing";
  std::string line, table;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      char code[8] = {};
      unsigned count = 0;
      int fields = std::sscanf(line.c_str(), "[%7[A-Z] %u]", code, &count);
      table = code;
      if (fields == 2) data.declaredCount[table] = count;
      continue;
    }
    size_t open = line.find('"'), close = line.rfind('"');
    EXPECT_TRUE(open != std::string::npos && close > open) << line;
    int code = std::stoi(line.substr(0, open), nullptr, 16);
    std::string name = line.substr(open + 1, close - open - 1);
    Names& names = table == "EN" ? data.en : data.own[table];
    EXPECT_TRUE(names.emplace(code, name).second) << table << " lists " << line << " twice";
  }
  return data;
}

std::string Hex(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", v);
  return buf;
}

// Sets the three mouse-button texts for a test and restores the table afterwards.
class MouseButtonTexts {
 public:
  MouseButtonTexts(std::string left, std::string middle, std::string right) : saved_(g_textDevMac) {
    g_textDevMac[20] = std::move(left);
    g_textDevMac[21] = std::move(middle);
    g_textDevMac[22] = std::move(right);
  }
  ~MouseButtonTexts() { g_textDevMac = saved_; }

 private:
  LanguageTextTable saved_;
};

}  // namespace

// Every name of every table, for all 256 codes, against the typed-in names.
TEST(KeyNames, EveryLanguageMatchesTheTypedInNames) {
  const NameData data = LoadNames();
  // 26 letters, 10 digits, 0xF0 and the 85 other named codes.
  ASSERT_EQ(data.en.size(), 26u + 10u + 1u + 85u);
  ASSERT_EQ(data.own.size(), 21u);
  for (const auto& [table, names] : data.own)
    EXPECT_EQ(names.size(), data.declaredCount.at(table)) << table << " entry count";

  MouseButtonTexts buttons("Links", "Mitte", "Rechts");
  for (const auto& [language, table] : kNameTableOf) {
    LanguageGuard guard(language);
    const Names* own = table == "EN" ? nullptr : &data.own.at(table);
    for (int code = 0; code < 256; ++code) {
      std::string want = "NULL";
      if (auto it = data.en.find(code); it != data.en.end()) want = it->second;
      if (own)
        if (auto it = own->find(code); it != own->end()) want = it->second;
      if (code == 0xF1) want = "Links";
      if (code == 0xF2) want = "Mitte";
      if (code == 0xF3) want = "Rechts";
      EXPECT_EQ(DeviceKeyName(code), want) << "language " << language << " (" << table << ") code "
                                           << Hex(code);
    }
  }
}

TEST(KeyNames, AnIndexThatNamesNoLanguageIsUnknownForEveryCode) {
  MouseButtonTexts buttons("L", "M", "R");
  for (int language : {25, 27, 255, -1}) {
    LanguageGuard guard(language);
    for (int code = 0; code < 256; ++code) EXPECT_EQ(DeviceKeyName(code), "未知") << language;
  }
}

TEST(KeyNames, MouseButtonsComeFromTheLanguageTextsAtEachCall) {
  for (const auto& [language, table] : kNameTableOf) {
    LanguageGuard guard(language);
    {
      MouseButtonTexts buttons("左键", "中键", "右键");
      EXPECT_EQ(DeviceKeyName(kDeviceMouseLeft), "左键");
      EXPECT_EQ(DeviceKeyName(kDeviceMouseMiddle), "中键");
      EXPECT_EQ(DeviceKeyName(kDeviceMouseRight), "右键");
    }
    {
      MouseButtonTexts buttons("", "", "");
      EXPECT_EQ(DeviceKeyName(kDeviceMouseLeft), "") << "an empty text gives an empty name";
      g_textDevMac[20] = "Left";  // a reload of the texts shows at the next call
      EXPECT_EQ(DeviceKeyName(kDeviceMouseLeft), "Left");
    }
  }
}

TEST(KeyNames, EnterKeysAndTheNoKeyEntry) {
  const std::map<int, std::string> mainEnter = {
      {1, "KeyPad Enter"}, {18, "KeyPad Enter"}, {2, "Pavé Num. Entrée"}, {4, "Ziff.-Block Enter"}};
  for (const auto& [language, name] : mainEnter) {
    LanguageGuard guard(language);
    EXPECT_EQ(DeviceKeyName(0x28), name);
  }
  for (const auto& [language, table] : kNameTableOf) {
    LanguageGuard guard(language);
    EXPECT_EQ(DeviceKeyName(0x58), "NULL") << "keypad Enter, language " << language;
    EXPECT_EQ(DeviceKeyName(0xF0), table == "HUN" ? "NULL" : "NILL") << language;
    for (int code = 0xF4; code <= 0xFF; ++code) EXPECT_EQ(DeviceKeyName(code), "NULL") << language;
  }
}

TEST(KeyNames, NamesFollowTheNameTableNotTheKeyTable) {
  {
    LanguageGuard guard(1);
    EXPECT_EQ(DeviceKeyName(0x32), "NULL");
    EXPECT_EQ(DeviceKeyName(0x04), "A");
    EXPECT_EQ(DeviceKeyName(0x1D), "Z");
  }
  {
    LanguageGuard guard(2);
    EXPECT_EQ(DeviceKeyName(0x32), "µ");
  }
  {
    LanguageGuard guard(4);  // DE: VK_RWIN gives 0xE7, which DE does not name
    EXPECT_EQ(VkToDeviceKey(VK_RWIN), 0xE7);
    EXPECT_EQ(DeviceKeyName(0xE7), "NULL");
  }
  {
    LanguageGuard guard(20);  // NLBE: AZERTY keys, EN names
    EXPECT_EQ(VkToDeviceKey('A'), 0x14);
    EXPECT_EQ(DeviceKeyName(0x14), "Q");
  }
  {
    LanguageGuard guard(7);
    EXPECT_EQ(DeviceKeyName(0x04), "Ф");
  }
}

TEST(KeyNames, TextsKeepTheirExactBytes) {
  struct Case {
    int language;
    int code;
    std::string bytes;
  };
  const Case cases[] = {
      {6, 0x35, "\\"},                                   // IT: one backslash
      {2, 0x31, "\\|"},                                  // FR: backslash and bar
      {13, 0x0D, "\xD8\xAA "},                           // AR: trailing blank kept
      {13, 0x08, "\xD8\xAB\xD9\x8F\xD9\x8F"},            // AR: two combining dammas
      {10, 0x05, "\xE0\xB8\xB4\xE0\xB8\xBA"},            // TH: two combining marks alone
      {22, 0x26, "9\xC3\xAD "},                          // SL: trailing blank kept
      {15, 0x33, "\xC5\xAE "},                           // CZ
      {23, 0x28, "\xD9\x88\xD8\xA7\xD8\xB1\xD8\xAF \xDA\xA9\xD9\x84\xDB\x8C\xD8\xAF "},  // FA
      {24, 0x35, "\xE2\x82\xB4"},                        // UA: hryvnia sign
  };
  for (const Case& c : cases) {
    LanguageGuard guard(c.language);
    EXPECT_EQ(DeviceKeyName(c.code), c.bytes) << "language " << c.language << " code " << Hex(c.code);
  }
}
