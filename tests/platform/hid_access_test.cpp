// A mouse whose hidraw node the user may not open: standard error says so once per
// node and names the udev rule; a node that opens or does not exist says nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/hid_access.h"
#include "tests/support/run_as_nobody.h"

TEST(HidNodeAccess, DeniedNodeIsNamedWithTheUdevRuleOnce) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a node another user may not open";
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("hid_access_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  ::chmod(dir.c_str(), 0755);
  const std::string node = (dir / "hidraw7").string();
  const std::string open = (dir / "hidraw8").string();
  std::ofstream(node) << "";
  std::ofstream(open) << "";
  ::chmod(node.c_str(), 0600);
  ::chmod(open.c_str(), 0666);

  const std::string err = testsupport::RunAsNobody(
      [&]() -> std::string {
        const bool told = hid::ReportNodeAccessDenied(node) && hid::ReportNodeAccessDenied(node);
        const bool quiet = !hid::ReportNodeAccessDenied(open) && !hid::ReportNodeAccessDenied((dir / "none").string());
        return told && quiet ? "" : "WRONG ANSWER";
      },
      true);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(err.find("WRONG ANSWER"), std::string::npos) << err;
  EXPECT_EQ(err.find("did not end normally"), std::string::npos) << err;
  EXPECT_NE(err.find(node), std::string::npos) << err;
  EXPECT_NE(err.find("70-ovk-dovaru-mouse.rules"), std::string::npos) << err;
  EXPECT_EQ(err.find(node), err.rfind(node)) << "told twice: " << err;
}
