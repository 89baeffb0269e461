#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <random>
#include <thread>

#include "device/device_commands.h"
#include "device_test_util.h"

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

class MemoryAccess : public ConnectedMouse {};

TEST_F(MemoryAccess, OneByteBlockSendsDataEndAndIdle) {
  const std::uint8_t byte = 0x5C;
  WriteMemBlock(0x001, &byte, 1);
  auto sent = SentHeads();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0], MemFrame(0x03, 0, 0x001, 0x5C, 0));
  EXPECT_EQ(sent[1], MemFrame(0x09, 0, 0x001, 0, 0));
  EXPECT_EQ(sent[2], MemFrame(0x00, 0, 0x001, 0, 0));
  EXPECT_EQ(mouse->MemoryAt(0x001), 0x5C);
  EXPECT_EQ(mouse->CommitCount(), 1);
}

TEST_F(MemoryAccess, EightByteBlockFramesAndPauses) {
  const std::uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  WriteMemBlock(0x0FA0, data, 8);
  auto frames = mouse->SetFeatureFrames();
  ASSERT_EQ(frames.size(), 10u);
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(std::vector<std::uint8_t>(frames[i].bytes.begin(), frames[i].bytes.begin() + 8),
              MemFrame(0x03, i, 0x0FA0, data[i], 7));
    EXPECT_EQ(frames[i].bytes.size(), sim::kSimFeatureReportLength);
  }
  EXPECT_EQ(frames[0].bytes[4], 0xA0);  // address low byte first
  EXPECT_EQ(frames[0].bytes[5], 0x0F);
  EXPECT_EQ(std::vector<std::uint8_t>(frames[8].bytes.begin(), frames[8].bytes.begin() + 8),
            MemFrame(0x09, 0, 0x0FA0, 0, 7));
  EXPECT_EQ(std::vector<std::uint8_t>(frames[9].bytes.begin(), frames[9].bytes.begin() + 8),
            MemFrame(0x00, 0, 0x0FA0, 0, 0));
  EXPECT_GE(frames[8].time - frames[7].time, milliseconds(4));
  EXPECT_GE(frames[9].time - frames[8].time, milliseconds(2));
  // Data reports follow one another without a pause (2 ms each would add up to 14).
  EXPECT_LT(frames[7].time - frames[0].time, milliseconds(12));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(mouse->MemoryAt(0x0FA0 + i), data[i]);
}

TEST_F(MemoryAccess, WrittenBlocksReadBack) {
  std::mt19937 random(7);
  struct Case {
    int address, length;
  };
  for (Case c : {Case{0x000, 8}, Case{0x018, 8}, Case{0x06E, 2}, Case{0x078, 3}, Case{0xFF8, 8}}) {
    SCOPED_TRACE(c.address);
    std::vector<std::uint8_t> data(c.length);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    WriteMemBlock(c.address, data.data(), c.length);
    std::vector<std::uint8_t> back(c.length, 0xEE);
    ReadMemBlock(c.address, back.data(), c.length);
    EXPECT_EQ(back, data);
  }
  EXPECT_EQ(mouse->RejectedMemoryReports(), 0);
}

TEST_F(MemoryAccess, ReadFramesRepliesAndPauses) {
  mouse->SetMemory(0x18, {0x0B, 0x22, 0x33});
  std::uint8_t out[3] = {};
  ReadMemBlock(0x18, out, 3);
  EXPECT_EQ(out[0], 0x0B);
  EXPECT_EQ(out[1], 0x22);
  EXPECT_EQ(out[2], 0x33);

  auto frames = mouse->Frames();
  // Prepare pass: 3 writes of 0 (no end of block) and the idle report; then per byte a
  // read request and its reply; then a report with every field 0.
  ASSERT_EQ(frames.size(), 3u + 1u + 6u + 1u);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(std::vector<std::uint8_t>(frames[i].bytes.begin(), frames[i].bytes.begin() + 8),
              MemFrame(0x03, i, 0x18, 0, 2));
  EXPECT_EQ(std::vector<std::uint8_t>(frames[3].bytes.begin(), frames[3].bytes.begin() + 8),
            MemFrame(0x00, 0, 0x18, 0, 0));
  for (int i = 1; i < 3; ++i) EXPECT_GE(frames[i].time - frames[i - 1].time, milliseconds(2));
  EXPECT_GE(frames[3].time - frames[2].time, milliseconds(4));  // 2 ms after the last, then 2 more
  for (int i = 0; i < 3; ++i) {
    const auto& request = frames[4 + 2 * i];
    const auto& reply = frames[5 + 2 * i];
    EXPECT_EQ(request.kind, sim::Frame::Kind::SetFeature);
    EXPECT_EQ(std::vector<std::uint8_t>(request.bytes.begin(), request.bytes.begin() + 8),
              MemFrame(0x05, i, 0x18, 0, 2));
    EXPECT_EQ(reply.kind, sim::Frame::Kind::GetFeature);
    EXPECT_GE(reply.time - request.time, milliseconds(2));
  }
  EXPECT_EQ(std::vector<std::uint8_t>(frames[10].bytes.begin(), frames[10].bytes.begin() + 8),
            MemFrame(0x00, 0, 0x000, 0, 0));
  EXPECT_GE(frames[10].time - frames[9].time, milliseconds(2));
  // The prepare pass wrote no data into the mouse.
  EXPECT_EQ(mouse->MemoryAt(0x18), 0x0B);
  EXPECT_EQ(mouse->CommitCount(), 0);
}

TEST_F(MemoryAccess, AfterAReadTheBufferHoldsTheReplyAndSendersRewriteOnlyTheirBytes) {
  mouse->SetActiveProfile(2);
  mouse->SetMemory(0x40, {0x99});
  std::uint8_t out = 0;
  ReadMemBlock(0x40, &out, 1);
  // The closing all-zero report was built over the reply; bytes 8.. still hold what
  // the reply left there (zeros from the mouse) and bytes 0..7 the last frame.
  EXPECT_EQ(g_reportBuffer[0], 7);
  EXPECT_EQ(g_reportBuffer[1], 0x18);

  // A bare status read leaves byte 6 of the reply in the buffer.
  ASSERT_TRUE(GetReportBuffer());
  EXPECT_EQ((g_reportBuffer[6] >> 2) & 3, 2);
  g_reportBuffer[4] = 0xA4;
  g_reportBuffer[9] = 0x77;
  g_dpiColorLevel[1] = {1, 2, 3};
  ASSERT_TRUE(SendDpiColor(1));
  auto last = mouse->LastCommand(0x14);
  ASSERT_FALSE(last.empty());
  EXPECT_EQ(last[4], 0xA4);  // not rewritten by command 0x14
  EXPECT_EQ(last[6], 2 << 2);  // what the status reply left
  EXPECT_EQ(last[9], 0x77);
}

TEST_F(MemoryAccess, ControlPulse) {
  PulseMemControl();
  auto frames = mouse->SetFeatureFrames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(std::vector<std::uint8_t>(frames[0].bytes.begin(), frames[0].bytes.begin() + 8),
            MemFrame(0x10, 0, 0, 0, 0));
  EXPECT_EQ(std::vector<std::uint8_t>(frames[1].bytes.begin(), frames[1].bytes.begin() + 8),
            MemFrame(0x00, 0, 0, 0, 0));
  EXPECT_GE(frames[1].time - frames[0].time, milliseconds(5));
  EXPECT_EQ(mouse->ControlPulseCount(), 1);
}

TEST_F(MemoryAccess, MemReportFlagsFromTheirArguments) {
  struct Case {
    int a, b, c, d, e, f, flags;
  };
  const Case cases[] = {{0, 0, 0, 0, 1, 1, 0x03}, {0, 0, 1, 0, 0, 1, 0x05}, {0, 0, 0, 1, 0, 1, 0x09},
                        {0, 1, 0, 0, 0, 0, 0x10}, {1, 0, 0, 0, 0, 0, 0x20}, {0, 0, 0, 0, 0, 0, 0x00}};
  for (const Case& c : cases) {
    mouse->ClearFrames();
    EXPECT_TRUE(SendMemReport(c.a, c.b, c.c, c.d, c.e, c.f, 0x1234, 5, 7, 0xAB));
    auto sent = SentHeads();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], MemFrame(c.flags, 5, 0x1234, 0xAB, 7));
  }
}

TEST_F(MemoryAccess, BlockLongerThanTheOffsetByteIsWrittenAsConsecutiveBlocks) {
  std::vector<std::uint8_t> data(300);
  std::iota(data.begin(), data.end(), 0);
  WriteMemBlock(0x400, data.data(), static_cast<int>(data.size()));
  EXPECT_EQ(mouse->CommitCount(), 2);
  for (std::size_t i = 0; i < data.size(); ++i) ASSERT_EQ(mouse->MemoryAt(0x400 + i), data[i]) << i;
  EXPECT_EQ(mouse->RejectedMemoryReports(), 0);
}

TEST_F(MemoryAccess, EmptyOrMissingDataSendsNothing) {
  const std::uint8_t byte = 1;
  WriteMemBlock(0x10, &byte, 0);
  WriteMemBlock(0x10, nullptr, 4);
  ReadMemBlock(0x10, nullptr, 4);
  PrepareMemRead(0x10, 0);
  EXPECT_TRUE(mouse->Frames().empty());
}

TEST_F(MemoryAccess, UnplugDuringABlockLosesOnlyThatBlockAndNothingCrashes) {
  const std::uint8_t first[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  WriteMemBlock(0x100, first, 8);
  mouse->UnplugAfterFeatureReports(3);
  const std::uint8_t second[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  WriteMemBlock(0x108, second, 8);
  EXPECT_FALSE(mouse->Plugged());
  EXPECT_EQ(mouse->SetFeatureFrames().size(), 10u + 3u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(mouse->MemoryAt(0x100 + i), 9);
    EXPECT_EQ(mouse->MemoryAt(0x108 + i), 0);  // never committed
  }
  // Everything after the removal fails quietly.
  std::uint8_t back[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  ReadMemBlock(0x100, back, 4);
  for (std::uint8_t b : back) EXPECT_EQ(b, 0);
  PulseMemControl();
  EXPECT_EQ(SendCmd11(1), 0);
  EXPECT_FALSE(GetReportBuffer());
}

TEST_F(MemoryAccess, NoDeviceAtAllSendsNothingAndDoesNotCrash) {
  ResetDeviceConnection();
  const std::uint8_t data[2] = {1, 2};
  WriteMemBlock(0x20, data, 2);
  std::uint8_t back[2] = {0xEE, 0xEE};
  ReadMemBlock(0x20, back, 2);
  EXPECT_EQ(back[0], 0);
  EXPECT_FALSE(SendMemReport(0, 0, 0, 0, 1, 1, 0, 0, 0, 0));
  EXPECT_TRUE(mouse->Frames().empty());
}

TEST_F(MemoryAccess, ConcurrentSendersNeverSplitABlock) {
  // Two threads write blocks while a third sends direct commands: every block must
  // reach the mouse as one run of frames, and every byte must land.
  constexpr int kBlocks = 12;
  auto writer = [](int base, std::uint8_t seed) {
    for (int b = 0; b < kBlocks; ++b) {
      std::uint8_t data[8];
      for (int i = 0; i < 8; ++i) data[i] = static_cast<std::uint8_t>(seed + b * 8 + i);
      WriteMemBlock(base + b * 8, data, 8);
    }
  };
  std::atomic<bool> done{false};
  std::thread commands([&] {
    while (!done) {
      SendCmd11(1);
      SendKeyCmd10Clear();
      std::this_thread::sleep_for(microseconds(300));
    }
  });
  std::thread a(writer, 0x400, 0);
  std::thread b(writer, 0x800, 100);
  a.join();
  b.join();
  done = true;
  commands.join();

  for (int blk = 0; blk < kBlocks; ++blk)
    for (int i = 0; i < 8; ++i) {
      ASSERT_EQ(mouse->MemoryAt(0x400 + blk * 8 + i), static_cast<std::uint8_t>(blk * 8 + i));
      ASSERT_EQ(mouse->MemoryAt(0x800 + blk * 8 + i), static_cast<std::uint8_t>(100 + blk * 8 + i));
    }
  // Between the first data report of a block and its idle report only frames of that
  // block appear.
  auto frames = mouse->SetFeatureFrames();
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const auto& f = frames[i].bytes;
    if (f[1] != 0x18 || f[2] != 0x03 || f[3] != 0) continue;
    const int address = f[4] | (f[5] << 8);
    ASSERT_LE(i + 9, frames.size() - 1);
    for (std::size_t k = i; k <= i + 9; ++k) {
      const auto& g = frames[k].bytes;
      ASSERT_EQ(g[1], 0x18) << "foreign frame inside block at " << address;
      ASSERT_EQ(g[4] | (g[5] << 8), address);
    }
  }
  EXPECT_EQ(mouse->RejectedMemoryReports(), 0);
}

}  // namespace
