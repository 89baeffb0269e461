// The whole settings download of the factory settings through hidraw, against the
// same download into the in-process simulated mouse; and a mouse unplugged in the
// middle of a download.
#include "device/download.h"
#include "platform/hid_transport.h"
#include "sim/simulated_mouse.h"
#include "vm_fixture.h"

namespace vm {
namespace {

using DownloadTest = KernelDeviceTest;

std::vector<std::uint8_t> SimulatedMouseImage(const fs::path& appDir, std::uint16_t product) {
  LoadFactorySettings(appDir);
  ResetDeviceConnection();
  sim::SimOptions options;
  options.productId = product;
  auto mouse = sim::SimulatedMouse::Install(options);
  std::vector<std::uint8_t> image;
  if (FindDevice() == 1 && DownloadSettings() == DownloadOutcome::Completed) {
    const auto memory = mouse->Memory();
    image.assign(memory.begin(), memory.end());
  }
  ResetDeviceConnection();
  mouse->Uninstall();
  return image;
}

TEST_F(DownloadTest, FactorySettingsGiveTheKernelDeviceTheSimulatedMousesImage) {
  LoadFactorySettings(root);
  Connect(kProduct2);  // the second identity gets the whole header too
  ASSERT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(g_downloadBusy.load(), 0);
  const auto image = device->Memory();
  ASSERT_EQ(image.size(), 4096u);
  EXPECT_EQ(image[0], 0x5A);
  EXPECT_EQ(image[2], 0xA5);

  const auto expected = SimulatedMouseImage(root, kProduct2);
  ASSERT_EQ(expected.size(), image.size());
  for (std::size_t a = 0; a < image.size(); ++a)
    ASSERT_EQ(image[a], expected[a]) << "first difference at address " << a;
}

TEST_F(DownloadTest, UnplugDuringADownloadEndsItAndAReplugTakesTheNextOne) {
  LoadFactorySettings(root);
  Connect(kProduct2);
  device->Ask("unplug-after 300");  // within the settings blocks
  const auto started = std::chrono::steady_clock::now();
  DownloadSettings();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 60s);
  EXPECT_EQ(g_downloadBusy.load(), 0);
  EXPECT_EQ(device->Ask("plugged"), "0");
  EXPECT_FALSE(SendReportBuffer()) << "a send to the removed node fails";
  std::uint8_t report[8];
  EXPECT_EQ(ReadDeviceInput(report, sizeof report, 100), hid::kReadError);

  Connect(kProduct2);
  ASSERT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(device->Memory(), SimulatedMouseImage(root, kProduct2)) << "the next download is whole";
}

}  // namespace
}  // namespace vm
