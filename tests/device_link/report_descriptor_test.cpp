#include <gtest/gtest.h>

#include <vector>

#include "platform/report_descriptor.h"
#include "sim/simulated_mouse.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<hid::ParsedDescriptor> Parse(const Bytes& bytes) {
  return hid::ParseReportDescriptor(bytes.data(), bytes.size());
}

// A boot mouse without report ids: 3 buttons + 5 padding bits, X, Y as bytes.
const Bytes kBootMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09,
                          0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01,
                          0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x03, 0x05, 0x01, 0x09, 0x30,
                          0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06,
                          0xC0, 0xC0};

TEST(ReportDescriptor, WithoutReportIdsLengthsCountTheZeroIdByte) {
  auto parsed = Parse(kBootMouse);
  ASSERT_TRUE(parsed);
  EXPECT_FALSE(parsed->usesReportIds);
  ASSERT_EQ(parsed->collections.size(), 1u);  // the nested physical collection is no interface
  const auto& caps = parsed->collections[0].caps;
  EXPECT_EQ(caps.usagePage, 0x0001);
  EXPECT_EQ(caps.usage, 0x0002);
  EXPECT_EQ(caps.inputReportByteLength, 4);  // 3 bytes + 1
  EXPECT_EQ(caps.outputReportByteLength, 0);
  EXPECT_EQ(caps.featureReportByteLength, 0);
}

TEST(ReportDescriptor, LongestReportOfAKindPerCollectionWithReportIds) {
  // One vendor collection with two feature reports (3 and 10 bytes) and one input
  // report of 5 bits (rounded up to a byte).
  Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
             0x85, 0x02, 0x75, 0x08, 0x95, 0x03, 0x09, 0x01, 0xB1, 0x02,
             0x85, 0x03, 0x75, 0x08, 0x95, 0x0A, 0x09, 0x01, 0xB1, 0x02,
             0x85, 0x04, 0x75, 0x01, 0x95, 0x05, 0x09, 0x01, 0x81, 0x02,
             0xC0};
  auto parsed = Parse(d);
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(parsed->usesReportIds);
  ASSERT_EQ(parsed->collections.size(), 1u);
  const auto& c = parsed->collections[0];
  EXPECT_EQ(c.caps.usagePage, 0xFF00);
  EXPECT_EQ(c.caps.featureReportByteLength, 11);
  EXPECT_EQ(c.caps.inputReportByteLength, 2);
  EXPECT_EQ(c.reportIds, (std::vector<std::uint8_t>{2, 3, 4}));
}

TEST(ReportDescriptor, FieldsOfOneReportIdAddUpAcrossMainItems) {
  // Report 9: 8 bytes of data followed by 2 bytes of constant padding = 10 bytes.
  Bytes d = {0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x09, 0x75, 0x08, 0x95, 0x08,
             0x09, 0x01, 0xB1, 0x02, 0x95, 0x02, 0xB1, 0x01, 0xC0};
  auto parsed = Parse(d);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->collections[0].caps.featureReportByteLength, 11);
}

TEST(ReportDescriptor, SeveralTopLevelCollectionsKeepTheirOwnPagesAndLengths) {
  auto d = sim::SimulatedMouse::ReportDescriptor(
      {{0x0001, 0x0002}, {0x0001, 0x0006}, {0x000C, 0x0001}, {0xFF00, 0x0001}, {0xFF01, 0x0001}});
  auto parsed = Parse(d);
  ASSERT_TRUE(parsed);
  ASSERT_EQ(parsed->collections.size(), 5u);
  struct Expect {
    std::uint16_t page, usage, input, output, feature;
  };
  const Expect expected[] = {
      {0x0001, 0x0002, 7, 0, 0},   // id + buttons byte + X, Y 16-bit + wheel
      {0x0001, 0x0006, 9, 2, 0},   // id + modifiers, reserved, six keys; LEDs
      {0x000C, 0x0001, 3, 0, 0},   // id + one 16-bit usage
      {0xFF00, 0x0001, static_cast<std::uint16_t>(sim::kSimInputReportLength), 0, 0},
      {0xFF01, 0x0001, 0, 0, static_cast<std::uint16_t>(sim::kSimFeatureReportLength)},
  };
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const auto& caps = parsed->collections[i].caps;
    EXPECT_EQ(caps.usagePage, expected[i].page);
    EXPECT_EQ(caps.usage, expected[i].usage);
    EXPECT_EQ(caps.inputReportByteLength, expected[i].input);
    EXPECT_EQ(caps.outputReportByteLength, expected[i].output);
    EXPECT_EQ(caps.featureReportByteLength, expected[i].feature);
  }
}

TEST(ReportDescriptor, PushAndPopRestoreReportSizeAndCount) {
  Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x04,
             0xA4, 0x75, 0x10, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02,  // 16 bytes, pushed state
             0xB4, 0x09, 0x01, 0xB1, 0x02,                           // 4 bytes after pop
             0xC0};
  auto parsed = Parse(d);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->collections[0].caps.inputReportByteLength, 17);
  EXPECT_EQ(parsed->collections[0].caps.featureReportByteLength, 5);
}

TEST(ReportDescriptor, ExtendedUsageCarriesItsOwnPageAndLongItemsAreSkipped) {
  Bytes d = {0x05, 0x01,                          // page 1, overridden below
             0x0B, 0x01, 0x00, 0x01, 0xFF,        // usage 0xFF01:0001
             0xFE, 0x02, 0x10, 0xAA, 0xBB,        // long item, skipped
             0xA1, 0x01, 0x85, 0x07, 0x75, 0x08, 0x95, 0x03, 0x09, 0x01, 0xB1, 0x02, 0xC0};
  auto parsed = Parse(d);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->collections[0].caps.usagePage, 0xFF01);
  EXPECT_EQ(parsed->collections[0].caps.usage, 0x0001);
  EXPECT_EQ(parsed->collections[0].caps.featureReportByteLength, 4);
}

TEST(ReportDescriptor, MalformedDescriptorsAreRejected) {
  const Bytes cases[] = {
      {0x06, 0x00},                                   // truncated item data
      {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01},           // collection never closed
      {0xC0},                                         // end without a collection
      {0xB4},                                         // pop with nothing pushed
      {0xFE, 0x05, 0x00, 0x01},                       // long item running past the end
      {0x05, 0x01, 0x85, 0x00},                       // report id 0
      {0x0C},                                         // reserved item type
  };
  for (const auto& d : cases) {
    SCOPED_TRACE(::testing::PrintToString(d));
    EXPECT_FALSE(Parse(d));
  }
  Bytes deepPush(40, 0xA4);
  EXPECT_FALSE(Parse(deepPush));
  // Field sizes whose product overflows: no wrapped, plausible-looking length.
  Bytes huge = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF,
                0x97, 0xFF, 0xFF, 0xFF, 0xFF};
  for (int i = 0; i < 8; ++i) huge.insert(huge.end(), {0x09, 0x01, 0x81, 0x02});
  huge.push_back(0xC0);
  EXPECT_FALSE(Parse(huge));
}

TEST(ReportDescriptor, EmptyDescriptorHasNoCollections) {
  auto parsed = hid::ParseReportDescriptor(nullptr, 0);
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(parsed->collections.empty());
}

TEST(ReportDescriptor, HidrawDescriptorOnlyForPlainNodeNames) {
  for (const char* path : {"/dev/hidraw", "/dev/hidrawx", "../../etc/passwd", "/dev/hidraw0/../../x",
                           "/dev/hidraw1a", ""})
    EXPECT_TRUE(hid::ReadHidrawDescriptor(path).empty()) << path;
}

}  // namespace
