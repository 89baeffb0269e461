#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "device/device_commands.h"
#include "device_test_util.h"
#include "platform/hid_pause.h"

namespace {

using sim::Emission;
using Kind = sim::Emission::Kind;
using std::chrono::milliseconds;

class SimulatedMouseTest : public ConnectedMouse {
 protected:
  void Send(std::initializer_list<std::uint8_t> head) {
    std::lock_guard lock(g_reportMutex);
    std::size_t i = 0;
    for (std::uint8_t b : head) g_reportBuffer[i++] = b;
    ASSERT_TRUE(SendReportBuffer());
  }
  std::vector<std::pair<Kind, int>> Decoded() const {
    std::vector<std::pair<Kind, int>> out;
    for (const auto& e : mouse->Emissions()) out.emplace_back(e.kind, e.code);
    return out;
  }
};

TEST_F(SimulatedMouseTest, KeyboardStateBecomesKeyDownsAndUps) {
  Send({7, 0x15, 0x04, 0, 0, 0, 0, 0});     // A
  Send({7, 0x15, 0x04, 0x05, 0, 0, 0, 0});  // A + B
  Send({7, 0x15, 0, 0x05, 0, 0, 0, 0});     // A up
  Send({7, 0x15, 0, 0x05, 0, 0, 0, 0});     // repeat of the same state: nothing new
  Send({7, 0x15, 0, 0, 0, 0, 0, 0});
  std::vector<std::pair<Kind, int>> expected = {
      {Kind::KeyDown, 4}, {Kind::KeyDown, 5}, {Kind::KeyUp, 4}, {Kind::KeyUp, 5}};
  EXPECT_EQ(Decoded(), expected);
  EXPECT_TRUE(mouse->HeldKeys().empty());
}

TEST_F(SimulatedMouseTest, ButtonStateIsActiveLow) {
  Send({7, 0x16, 0x00, 0xFE});  // left down
  Send({7, 0x16, 0x00, 0xFA});  // middle down too
  EXPECT_EQ(mouse->HeldButtons(), 1 | 4);
  Send({7, 0x16, 0x00, 0xFF});  // all up
  std::vector<std::pair<Kind, int>> expected = {
      {Kind::ButtonDown, 1}, {Kind::ButtonDown, 4}, {Kind::ButtonUp, 1}, {Kind::ButtonUp, 4}};
  EXPECT_EQ(Decoded(), expected);
}

TEST_F(SimulatedMouseTest, LogsKeepOnlyTheNewestEntriesOfALongRun) {
  sim::SimOptions options;
  options.logLimit = 50;
  Connect(options);
  for (int i = 0; i < 200; ++i) Send({7, 0x0B, 0, 0, 0, static_cast<std::uint8_t>(i), 0, 0});
  auto frames = mouse->Frames();
  ASSERT_EQ(frames.size(), 50u);
  EXPECT_EQ(frames.front().bytes[5], 150);
  EXPECT_EQ(frames.back().bytes[5], 199);
  auto emissions = mouse->Emissions();
  ASSERT_EQ(emissions.size(), 50u);
  EXPECT_EQ(emissions.front().dy, 150);
}

TEST_F(SimulatedMouseTest, MovesAreSignedBigEndianAndConsumerUsagesWhole) {
  Send({7, 0x0B, 0xFF, 0xFB, 0x01, 0x2C, 0, 0});  // -5, +300
  Send({7, 0x17, 0x00, 0xE9});
  auto emissions = mouse->Emissions();
  ASSERT_EQ(emissions.size(), 2u);
  EXPECT_EQ(emissions[0].kind, Kind::Move);
  EXPECT_EQ(emissions[0].dx, -5);
  EXPECT_EQ(emissions[0].dy, 300);
  EXPECT_EQ(emissions[1].kind, Kind::Consumer);
  EXPECT_EQ(emissions[1].code, 0x00E9);
}

TEST_F(SimulatedMouseTest, StatusByteAndReadReply) {
  struct Case {
    bool large;
    int profile;
    std::uint8_t byte6;
  };
  for (Case c : {Case{false, 0, 0x00}, Case{true, 0, 0x02}, Case{true, 3, 0x0E}, Case{false, 1, 0x04}}) {
    mouse->SetLargeCapacity(c.large);
    mouse->SetActiveProfile(c.profile);
    std::lock_guard lock(g_reportMutex);
    ASSERT_TRUE(GetReportBuffer());
    EXPECT_EQ(g_reportBuffer[6], c.byte6);
    EXPECT_EQ(g_reportBuffer[1], 0);  // no read pending
  }
}

TEST_F(SimulatedMouseTest, AddressesOutsideTheMemoryAreRejected) {
  const std::uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  WriteMemBlock(0xFFC, data, 8);  // the last four bytes fall outside
  EXPECT_EQ(mouse->MemoryAt(0xFFC), 1);
  EXPECT_EQ(mouse->MemoryAt(0xFFF), 4);
  EXPECT_EQ(mouse->RejectedMemoryReports(), 4);
}

TEST_F(SimulatedMouseTest, IdleReportDropsAnUncommittedBlock) {
  SendMemReport(0, 0, 0, 0, 1, 1, 0x200, 0, 0, 0x42);
  SendMemReport(0, 0, 0, 0, 0, 0, 0x200, 0, 0, 0);  // idle
  SendMemReport(0, 0, 0, 1, 0, 1, 0x200, 0, 0, 0);  // end of block with nothing staged
  EXPECT_EQ(mouse->MemoryAt(0x200), 0);
}

TEST_F(SimulatedMouseTest, InputReportsReachABlockedReader) {
  std::uint8_t report[16] = {};
  auto reader = std::async(std::launch::async, [&] {
    return ReadDeviceInput(report, g_inputCaps.inputReportByteLength, -1);
  });
  std::this_thread::sleep_for(milliseconds(20));
  mouse->ReleaseButton(3, 5);
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_EQ(reader.get(), static_cast<int>(sim::kSimInputReportLength));
  EXPECT_EQ(report[0], 6);
  EXPECT_EQ(report[1], 243);
  EXPECT_EQ(report[2], 0x85);

  struct Case {
    void (sim::SimulatedMouse::*feed)();
    std::uint8_t code;
  };
  for (Case c : {Case{&sim::SimulatedMouse::StepUp, 1}, Case{&sim::SimulatedMouse::StepDown, 2}}) {
    (mouse.get()->*c.feed)();
    ASSERT_GT(DeviceTransport()->ReadInput(g_readHandle, report, 8, 1000), 0);
    EXPECT_EQ(report[1], c.code);
  }
  mouse->ChangeProfile(2);
  ASSERT_GT(DeviceTransport()->ReadInput(g_readHandle, report, 8, 1000), 0);
  EXPECT_EQ(report[1], 3);
  EXPECT_EQ(mouse->ActiveProfile(), 2);
  mouse->PressButton(1, 2);
  ASSERT_GT(DeviceTransport()->ReadInput(g_readHandle, report, 8, 1000), 0);
  EXPECT_EQ(report[1], 241);
  EXPECT_EQ(report[2], 2);
  EXPECT_EQ(DeviceTransport()->ReadInput(g_readHandle, report, 8, 10), hid::kReadTimeout);
}

TEST_F(SimulatedMouseTest, UnplugEndsABlockedReadWithAnError) {
  std::uint8_t report[8] = {};
  auto reader = std::async(std::launch::async, [&] {
    return DeviceTransport()->ReadInput(g_readHandle, report, 8, -1);
  });
  std::this_thread::sleep_for(milliseconds(20));
  mouse->Unplug();
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_EQ(reader.get(), hid::kReadError);
  EXPECT_EQ(ReadDeviceInput(report, 8, -1), hid::kReadError);  // at once, not blocking
  EXPECT_FALSE(SendReportBuffer());
  mouse->FeedInputReport6(241);  // an unplugged mouse sends nothing
  EXPECT_TRUE(mouse->Frames().empty());
}

TEST_F(SimulatedMouseTest, WriteHandleCannotReadAndProbeCannotSend) {
  std::uint8_t report[8] = {};
  EXPECT_EQ(DeviceTransport()->ReadInput(g_writeHandle, report, 8, 0), hid::kReadError);
  auto interfaces = mouse->Enumerate();
  hid::Handle probe = mouse->Open(interfaces.back(), hid::Access::Probe);
  std::vector<std::uint8_t> frame(sim::kSimFeatureReportLength, 0);
  frame[0] = 7;
  EXPECT_FALSE(mouse->SetFeature(probe, frame.data(), frame.size()));
  EXPECT_FALSE(mouse->SetFeature(g_writeHandle, frame.data(), frame.size() - 1));  // wrong length
  frame[0] = 6;
  EXPECT_FALSE(mouse->SetFeature(g_writeHandle, frame.data(), frame.size()));  // wrong report id
  mouse->Close(probe);
}

TEST_F(SimulatedMouseTest, LatencyDelaysEveryReport) {
  mouse->SetLatency(std::chrono::microseconds(2000));
  auto start = hid::PauseClock::now();
  for (int i = 0; i < 5; ++i) SendCmd11(1);
  auto elapsed = hid::PauseClock::now() - start;
  EXPECT_GE(elapsed, milliseconds(10));
  EXPECT_LT(elapsed, milliseconds(200));
}

TEST(HidPause, EndsAtItsDeadlineNotLongAfter) {
  for (int ms : {1, 2, 4}) {
    auto start = hid::PauseClock::now();
    hid::PauseMs(ms);
    auto took = hid::PauseClock::now() - start;
    EXPECT_GE(took, milliseconds(ms));
    EXPECT_LT(took, milliseconds(ms) + milliseconds(50));
  }
  auto start = hid::PauseClock::now();
  hid::PauseUntil(start - milliseconds(10));  // already passed
  hid::PauseMs(0);
  hid::PauseMs(-3);
  EXPECT_LT(hid::PauseClock::now() - start, milliseconds(50));
}

}  // namespace
