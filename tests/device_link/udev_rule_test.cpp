#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "device/device_identity.h"

namespace {

std::string Hex4(std::uint32_t id) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(id & 0xFFFF));
  return text;
}

// The installed rule must name exactly the identity that discovery accepts, or the
// user cannot open the mouse that the program looks for.
TEST(UdevRule, GrantsAccessToBothProductIdsOfTheVendor) {
  std::ifstream in(std::string(MC_SOURCE_DIR) + "/dist/udev/70-ovk-dovaru-mouse.rules");
  ASSERT_TRUE(in);
  const std::regex rule(
      R"re(^SUBSYSTEM=="hidraw", ATTRS\{idVendor\}=="([0-9a-f]{4})", ATTRS\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess"$)re");
  std::set<std::pair<std::string, std::string>> granted;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, rule)) << line;
    granted.emplace(m[1], m[2]);
  }
  const std::set<std::pair<std::string, std::string>> expected = {
      {Hex4(kDeviceVendorId), Hex4(kDeviceProductId1)}, {Hex4(kDeviceVendorId), Hex4(kDeviceProductId2)}};
  EXPECT_EQ(granted, expected);
}

}  // namespace
