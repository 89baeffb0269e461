#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text_codec.h"
#include "profile/macro_library.h"

namespace {

struct UniqueCase {
  const char* title;
  std::vector<std::string> names;
  int renamed;
  std::string proposed;
  std::string expected;
};

class UniqueNameTest : public ::testing::TestWithParam<UniqueCase> {};

TEST_P(UniqueNameTest, GivesTheExpectedName) {
  const UniqueCase& c = GetParam();
  EXPECT_EQ(MakeUniqueMacroName(c.names, c.renamed, c.proposed), c.expected) << c.title;
}

INSTANTIATE_TEST_SUITE_P(
    Names, UniqueNameTest,
    ::testing::Values(
        UniqueCase{"free name stays", {"Alpha", "Beta"}, -1, "Gamma", "Gamma"},
        UniqueCase{"duplicate without digits gets 02", {"Macro"}, -1, "Macro", "Macro02"},
        UniqueCase{"digit tail is replaced by highest + 1", {"Macro01", "Macro03", "x"}, 2, "Macro01", "Macro04"},
        UniqueCase{"the renamed entry itself does not count", {"Macro", "Other"}, 0, "Macro", "Macro"},
        UniqueCase{"numbers of other stems are ignored", {"Item", "Ab07"}, -1, "Item", "Item02"},
        UniqueCase{"numbered duplicate with free 02", {"Macro01"}, -1, "Macro01", "Macro02"},
        UniqueCase{"result never repeats an entry", {"Macro", "Macro02"}, -1, "Macro", "Macro03"},
        UniqueCase{"single character", {"A"}, -1, "A", "A02"},
        UniqueCase{"empty name", {""}, -1, "", "02"},
        UniqueCase{"beyond 99", {"Go99", "Go"}, -1, "Go99", "Go100"},
        UniqueCase{"case matters", {"macro"}, -1, "Macro", "Macro"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(UniqueNameLimits, ALongNameIsCutToThirtyUnitsAndKeepsItsNumber) {
  const std::string thirty(30, 'x');
  EXPECT_EQ(MakeUniqueMacroName(std::vector<std::string>{}, -1, thirty + "yz"), thirty);
  std::string made = MakeUniqueMacroName(std::vector<std::string>{thirty}, -1, thirty);
  EXPECT_EQ(made, std::string(28, 'x') + "02");

  // Cutting must not meet another entry either.
  std::vector<std::string> taken{thirty, std::string(28, 'x') + "02"};
  EXPECT_EQ(MakeUniqueMacroName(taken, -1, thirty), std::string(28, 'x') + "03");
}

TEST(UniqueNameLimits, CharactersOutsideTheBasicPlaneAreNotSplit) {
  // 15 characters of two UTF-16 units each fill the 30 units of the name field.
  std::string emoji;
  for (int i = 0; i < 15; ++i) emoji += "\xF0\x9F\x98\x80";
  std::string made = MakeUniqueMacroName(std::vector<std::string>{emoji}, -1, emoji);
  std::u16string units = Utf8ToUtf16(made);
  EXPECT_LE(units.size(), 30u);
  EXPECT_EQ(made.substr(made.size() - 2), "02");
  EXPECT_EQ(Utf16ToUtf8(units), made);  // still valid text
  EXPECT_EQ(made.find("\xEF\xBF\xBD"), std::string::npos);
}

TEST(UniqueNameLimits, ChineseNamesWork) {
  EXPECT_EQ(MakeUniqueMacroName(std::vector<std::string>{"宏01", "宏"}, -1, "宏"), "宏02");
  EXPECT_EQ(MakeUniqueMacroName(std::vector<std::string>{"新宏01"}, -1, "新宏01"), "新宏02");
}

TEST(UniqueNameLimits, GroupNamesMayBeLonger) {
  const std::string forty(40, 'g');
  EXPECT_EQ(MakeUniqueMacroName(std::vector<std::string>{forty}, -1, forty, kGroupNameChars), forty + "02");
}

}  // namespace
