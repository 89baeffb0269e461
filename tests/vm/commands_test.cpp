// Direct commands, memory writes and reads, and error answers, through hidraw feature
// reports to the kernel device and back.
#include <array>

#include "device/device_commands.h"
#include "device/feature_report.h"
#include "hex.h"
#include "profile/settings.h"
#include "vm_fixture.h"

namespace vm {
namespace {

using CommandsTest = KernelDeviceTest;

std::vector<std::uint8_t> Head(const std::vector<std::uint8_t>& frame) {
  return {frame.begin(), frame.begin() + std::min<std::size_t>(frame.size(), 8)};
}

TEST_F(CommandsTest, DirectCommandsAndMemoryAccessReachTheMouse) {
  Connect();
  EXPECT_EQ(SendCmd11(1), 1);
  EXPECT_EQ(device->Ask("started"), "1");
  EXPECT_EQ(SendCmd11(0), 1);
  EXPECT_EQ(device->Ask("started"), "0");

  g_ledUserColerEn = 1;
  g_ledBright = 3;
  ASSERT_TRUE(SendLedMode(0x7F, 1, 2, 5, 1, 1, 0, 4, 0, 0, 0x4002));
  EXPECT_EQ(Head(device->LastCommand(0x13)), (std::vector<std::uint8_t>{7, 0x13, 0xFF, 0xA5, 4, 3, 0, 2}));

  EXPECT_EQ(SendKeyCmd10Value(300), 1);
  const auto key = device->LastCommand(0x10);
  ASSERT_GE(key.size(), 4u);
  EXPECT_EQ(key[2], 1);
  EXPECT_EQ(key[3], 300 & 0xFF);
  EXPECT_EQ(key.size(), 65u) << "the whole feature report reaches the mouse";

  const std::array<std::uint8_t, 8> block = {0x5A, 1, 2, 3, 0xFE, 0x80, 0x7F, 0};
  WriteMemBlock(0x0FA0, block.data(), static_cast<int>(block.size()));
  const auto memory = device->Memory();
  ASSERT_EQ(memory.size(), 4096u);
  EXPECT_EQ(std::vector<std::uint8_t>(memory.begin() + 0xFA0, memory.begin() + 0xFA8),
            std::vector<std::uint8_t>(block.begin(), block.end()));

  device->Ask("setmem 24 " + ToHex(block.data(), block.size()));
  std::array<std::uint8_t, 8> read{};
  ReadMemBlock(0x18, read.data(), static_cast<int>(read.size()));
  EXPECT_EQ(read, block) << "read requests answered in byte 1 of the next feature read";
}

TEST_F(CommandsTest, AnErrorAnswerIsAFailureNotASuccess) {
  Connect();
  device->Ask("fail set");
  EXPECT_EQ(SendCmd11(1), 0);
  EXPECT_FALSE(SendMemReport(0, 1, 0, 0, 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(device->Ask("started"), "0");

  device->Ask("fail get");
  EXPECT_FALSE(GetReportBuffer());
  device->Ask("setmem 24 a1a2a3a4");
  std::array<std::uint8_t, 4> read{9, 9, 9, 9};
  ReadMemBlock(0x18, read.data(), static_cast<int>(read.size()));
  EXPECT_EQ(read, (std::array<std::uint8_t, 4>{})) << "no reply, no data";

  device->Ask("fail none");
  EXPECT_EQ(SendCmd11(1), 1);
  EXPECT_TRUE(GetReportBuffer());
}

// A mouse may answer a feature read with fewer bytes than the report holds; the bytes
// it did not send must not be read as its answer (byte 6 is the status byte).
TEST_F(CommandsTest, AShortReplyLeavesNothingOfTheRequestInTheBuffer) {
  Connect();
  device->Ask("setmem 24 2a");
  device->Ask("reply-length 2");
  std::uint8_t byte = 0;
  ReadMemBlock(0x18, &byte, 1);
  EXPECT_EQ(byte, 0x2A) << "byte 1 came";

  std::lock_guard lock(g_reportMutex);
  ASSERT_TRUE(SendMemReport(0, 0, 1, 0, 0, 1, 0x18, 0, 0, 0x0C));  // byte 6 = 0x0C: "profile 3"
  ASSERT_TRUE(GetReportBuffer());
  EXPECT_EQ(g_reportBuffer[0], 7);
  for (int i = 2; i < 65; ++i) ASSERT_EQ(g_reportBuffer[static_cast<std::size_t>(i)], 0) << "byte " << i;
}

}  // namespace
}  // namespace vm
