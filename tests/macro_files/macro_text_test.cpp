#include "profile/macro_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "keys/language.h"

namespace {

// Language index 25 names no language: key codes pass unchanged, so these tests see
// the text layout alone. Conversion under real languages is tested with the files.
class MacroTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_language.load();
    g_language = 25;
  }
  void TearDown() override { g_language = saved_; }
  int saved_ = 0;
};

std::string Field(const std::string& text, int k) { return text.substr(static_cast<std::size_t>(k) * 3, 3); }

std::string Fields(std::initializer_list<int> values) {
  std::string text;
  for (int v : values) FormatThreeDigits(text, v);
  return text;
}

// A record with something in every stored field.
std::unique_ptr<MacroRecord> FullRecord() {
  auto r = std::make_unique<MacroRecord>();
  SetMacroName(*r, "Burst 压枪");
  r->mode = 2;
  r->repeatCount = 1000;
  r->eventCount = 275;
  r->moveCount = 50;
  r->kind247Count = 5;
  r->cpiCount = 4;
  r->kind250Count = 3;
  r->ledBlockCount = 5;
  r->kind251BlockCount = 2;
  r->yOffsetOn = 1;
  r->yOffset = 99;
  for (std::size_t e = 0; e < kMacroMaxEvents; ++e) {
    r->action[e] = static_cast<std::uint8_t>(e % 14);
    r->code[e] = static_cast<std::uint8_t>((e * 7) % 256);
    r->param[e] = {static_cast<std::uint16_t>(e * 239), static_cast<std::uint16_t>(65535 - e)};
    r->delay[e] = static_cast<std::uint16_t>(e * 37 + 1);
  }
  for (std::size_t b = 0; b < kMacroBlockCount; ++b)
    for (std::size_t i = 0; i < kMacroBlockSize; ++i) r->ledBlocks[b][i] = static_cast<std::uint8_t>(b * 68 + i);
  return r;
}

}  // namespace

TEST(FormatThreeDigits, WritesEveryByteAsThreeDigits) {
  const std::pair<int, const char*> cases[] = {{0, "000"},   {7, "007"},   {9, "009"},   {10, "010"},
                                               {42, "042"},  {99, "099"},  {100, "100"}, {255, "255"},
                                               {256, "000"}, {300, "044"}, {-1, "255"}};
  for (const auto& [value, digits] : cases) {
    std::string text = "x";
    EXPECT_EQ(&FormatThreeDigits(text, value), &text);
    EXPECT_EQ(text, std::string("x") + digits) << value;
  }
}

TEST(ThreeDigitFields, ReadsFieldsAndNeverPastTheText) {
  struct Case {
    std::string text;
    std::size_t k;
    int value;
  };
  const Case cases[] = {
      {"007042255", 0, 7},   {"007042255", 1, 42},  {"007042255", 2, 255}, {"007042255", 3, 0},
      {"00704", 1, 0},       {"0070", 1, 0},        {"", 0, 0},            {"abc", 0, 0},
      {"1a2", 0, 1},         {" 12", 0, 12},        {"999", 0, 999},       {"-12", 0, -12},
      {"007042255", std::numeric_limits<std::size_t>::max(), 0},
      {"007042255", std::numeric_limits<std::size_t>::max() / 3, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadThreeDigitField(c.text, c.k), c.value) << '"' << c.text << "\" " << c.k;
  // The view ends inside a longer buffer: the digits after its end are not read.
  const std::string buffer = "00712";
  EXPECT_EQ(ReadThreeDigitField(std::string_view(buffer).substr(0, 4), 1), 0);
}

TEST(ThreeDigitFields, BytesWrapAndWordsAddTheHighFieldTimes256) {
  EXPECT_EQ(ReadByteField("999", 0), 999 % 256);
  EXPECT_EQ(ReadByteField("-12", 0), 244);
  EXPECT_EQ(ReadWordField("044001", 0), 300);
  EXPECT_EQ(ReadWordField("255255", 0), 65535);
  EXPECT_EQ(ReadWordField("999999", 0), (999 + 256 * 999) & 0xFFFF);
  EXPECT_EQ(ReadWordField("044", 0), 44) << "missing high field";
  EXPECT_EQ(ReadWordField("xyz001", 0), 256);
}

TEST_F(MacroTextTest, RecordTextHasTheFixedLayout) {
  auto r = std::make_unique<MacroRecord>();
  SetMacroName(*r, "AB");
  r->mode = 1;
  r->repeatCount = 300;
  r->eventCount = 2;
  r->yOffsetOn = 1;
  r->yOffset = 12;
  r->headerTail = {9, 9, 9, 9};  // kept in memory only
  r->code[0] = 0x04;
  r->action[0] = 1;
  r->param[0] = {513, 2};
  r->delay[0] = 1000;
  r->ledBlocks[4][67] = 77;
  r->blocks251[0][0] = 5;

  const std::string text = EncodeMacroRecord(*r);
  ASSERT_EQ(text.size(), 7863u);
  EXPECT_EQ(text.substr(0, 12), "065000066000");
  EXPECT_EQ(text.substr(12, 168), std::string(168, '0'));
  EXPECT_EQ(Field(text, 60), "001");
  EXPECT_EQ(Field(text, 61) + Field(text, 62), "044001");
  EXPECT_EQ(Field(text, 63) + Field(text, 64), "002000");
  EXPECT_EQ(Field(text, 75), "001");
  EXPECT_EQ(Field(text, 76), "012");
  EXPECT_EQ(text.substr(77 * 3, 12), std::string(12, '0'));
  // First event at field 81: action, code, a, b, delay.
  EXPECT_EQ(text.substr(81 * 3, 24), Fields({1, 4, 1, 2, 2, 0, 232, 3}));
  EXPECT_EQ(Field(text, 2620), "077");
  EXPECT_EQ(text.find_first_not_of("0123456789"), std::string::npos);
}

TEST_F(MacroTextTest, RoundTripKeepsEveryStoredField) {
  auto r = FullRecord();
  r->headerTail = {1, 2, 3, 4};
  r->blocks251[3][3] = 3;
  MacroRecord back = DecodeMacroRecord(EncodeMacroRecord(*r), 3);
  MacroRecord expected = *r;
  expected.headerTail = {};
  expected.blocks251 = {};
  EXPECT_EQ(back, expected);
  EXPECT_EQ(MacroName(back), "Burst 压枪");
}

TEST_F(MacroTextTest, OldHeaderStartsTheEventsAtField75) {
  std::string text = Fields({65, 0});
  text += std::string(58 * 3, '0');
  text += Fields({2, 5, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // mode, repeat 5, one event
  text += Fields({1, 0x04, 0, 0, 0, 0, 20, 0});                      // first event
  ASSERT_EQ(text.size(), 83u * 3);
  const MacroRecord old = DecodeMacroRecord(text, 2);
  EXPECT_EQ(old.mode, 2);
  EXPECT_EQ(old.repeatCount, 5);
  EXPECT_EQ(old.eventCount, 1);
  EXPECT_EQ(old.action[0], 1);
  EXPECT_EQ(old.code[0], 0x04);
  EXPECT_EQ(old.delay[0], 20);
  EXPECT_EQ(old.yOffsetOn, 0);
  EXPECT_EQ(old.yOffset, 0);
  // The same text with the version-3 header misplaces the event.
  EXPECT_EQ(DecodeMacroRecord(text, 3).yOffsetOn, 1);
  EXPECT_EQ(DecodeMacroRecord(text, 3).action[0], 20);
  // Upgraded to the version-3 layout it reads as before.
  EXPECT_EQ(DecodeMacroRecord(UpgradeMacroText(text), 3), old);
  for (int version : {0, 1, 2, 4, 33, -3}) EXPECT_EQ(DecodeMacroRecord(text, version), old) << version;
}

TEST_F(MacroTextTest, UpgradeKeepsEveryOldTextsMeaning) {
  auto r = FullRecord();
  r->yOffsetOn = 0;
  r->yOffset = 0;
  std::string v3 = EncodeMacroRecord(*r);
  std::string old = v3.substr(0, 75 * 3) + v3.substr(81 * 3);
  ASSERT_EQ(old.size(), 2615u * 3);
  EXPECT_EQ(UpgradeMacroText(old), v3);
  for (std::size_t cut : {0u, 1u, 224u, 225u, 226u, 227u, 228u, 300u, 7000u}) {
    const std::string part = old.substr(0, cut);
    EXPECT_EQ(DecodeMacroRecord(UpgradeMacroText(part), 3), DecodeMacroRecord(part, 2)) << cut;
  }
}

TEST_F(MacroTextTest, TruncatedTextGivesZeroForEveryMissingField) {
  auto r = FullRecord();
  const std::string text = EncodeMacroRecord(*r);
  for (std::size_t cut : {0u, 1u, 2u, 179u, 180u, 183u, 243u, 244u, 3000u, 6842u, 7862u}) {
    SCOPED_TRACE(cut);
    // The cut text sits at the start of a longer buffer: nothing beyond the cut is read.
    const MacroRecord part = DecodeMacroRecord(std::string_view(text).substr(0, cut), 3);
    const std::size_t whole = cut / 3;  // fields held completely
    const std::string again = EncodeMacroRecord(part);
    for (std::size_t k = 0; k < 2621; ++k) {
      // Counts are limited to the arrays; the FullRecord's are within them.
      const std::string want = k < whole ? text.substr(k * 3, 3) : "000";
      ASSERT_EQ(again.substr(k * 3, 3), want) << "field " << k;
    }
  }
}

TEST_F(MacroTextTest, CorruptFieldsReadAsZeroOrWrap) {
  std::string text = EncodeMacroRecord(*FullRecord());
  text.replace(60 * 3, 3, "x12");   // mode: not a number
  text.replace(61 * 3, 6, "999003");  // repeatCount: low field above 255
  text.replace(81 * 3, 3, "300");   // first action: wraps
  text.replace(82 * 3, 3, "  7");   // first code: blanks before the digits
  const MacroRecord r = DecodeMacroRecord(text, 3);
  EXPECT_EQ(r.mode, 0);
  EXPECT_EQ(r.repeatCount, 999 + 3 * 256);
  EXPECT_EQ(r.action[0], 300 % 256);
  EXPECT_EQ(r.code[0], 7);
}

TEST_F(MacroTextTest, CountsAreLimitedToTheArrays) {
  // The longest value a reader passes: 26648 characters of nines.
  const MacroRecord r = DecodeMacroRecord(std::string(kMacroValueBufferChars - 1, '9'), 3);
  EXPECT_EQ(r.eventCount, kMacroMaxEvents);
  EXPECT_EQ(r.ledBlockCount, kMacroBlockCount);
  EXPECT_EQ(r.kind251BlockCount, kMacroBlockCount);
  EXPECT_EQ(r.moveCount, (999 + 256 * 999) & 0xFFFF) << "plain counters are kept as read";
  EXPECT_EQ(r.ledBlocks[4][67], 999 % 256);
}

TEST_F(MacroTextTest, NameIsReadFromTheFirst60Fields) {
  const std::string text = EncodeMacroRecord(*FullRecord());
  EXPECT_EQ(DecodeMacroName(text), "Burst 压枪");
  EXPECT_EQ(DecodeMacroName("065000066"), "AB") << "the missing high byte reads as 0";
  EXPECT_EQ(DecodeMacroName(""), "");
}
