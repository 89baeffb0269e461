#include <gtest/gtest.h>

#include "device/device_commands.h"
#include "device_test_util.h"

namespace {

class DeviceCommands : public ConnectedMouse {};

using Bytes = std::vector<std::uint8_t>;

TEST_F(DeviceCommands, LedModeForTheTwoCallers) {
  g_ledDirection = 2;
  g_ledSymmetry = 1;
  g_ledBright = 5;
  g_ledUserColerEn = 1;
  struct Case {
    const char* name;
    int a1, a2, a3, a4, a8;
    Bytes expected;  // bytes 2..7
  };
  const Case cases[] = {
      // Reaction of a button with colour index 3: mask 1 << 3, effect 1, speed 4.
      {"reaction", 1 << 3, 0, 1, 4, 6, {0x88, 0x14, 0x40 + 0x20 + 6, 5, 0, 2}},
      // Configured lighting: cycle colours 0x7F, type 3, speed 5.
      {"restore", 0x7F, 1, 3, 5, 9, {0xFF, 0x80 + 0x30 + 5, 0x40 + 0x20 + 9, 5, 0, 2}},
      // Type 8 with a2 = 1: 128 + 8 x 16 overflows the byte and leaves the speed alone.
      {"type 8", 0x01, 1, 8, 3, 0, {0x81, 0x03, 0x60, 5, 0, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mouse->ClearFrames();
    EXPECT_TRUE(SendLedMode(c.a1, c.a2, c.a3, c.a4, 1, 1, 2, c.a8, 5, 0, 0x4002));
    auto sent = SentHeads();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][0], 7);
    EXPECT_EQ(sent[0][1], 0x13);
    EXPECT_EQ(Bytes(sent[0].begin() + 2, sent[0].end()), c.expected);
  }
}

TEST_F(DeviceCommands, LedModeFieldsAreAddedNotMasked) {
  g_ledDirection = 7;  // x 16 = 0x70, masked to 0x30
  g_ledFeatureScolor = 0;
  g_ledSymmetry = 0;
  g_ledBright = 0x0F;  // masked to 7
  EXPECT_TRUE(SendLedMode(0x1FF, 0, 0, 0x0F, 0, 0, 0, 0x20, 0, 1, 0x0305));
  auto sent = SentHeads();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][2], (128 + 0x1FF) & 0xFF);
  EXPECT_EQ(sent[0][3], 8 + 7);
  EXPECT_EQ(sent[0][4], 0x30 + 0x20);
  EXPECT_EQ(sent[0][5], 7);
  EXPECT_EQ(sent[0][6], 3);
  EXPECT_EQ(sent[0][7], 5);
}

TEST_F(DeviceCommands, DpiColourSlotAndLevels) {
  struct Case {
    int j, r, g, b;
    std::uint8_t byte2, byte3;
  };
  const Case cases[] = {{5, 15, 0, 15, 0xA0, 0xFF}, {0, 0, 0, 0, 0x00, 0x00}, {3, 1, 2, 3, 0x62, 0x13},
                        {1, 0x1F, 0x12, 0x10, 0x22, 0xF0}};  // stored levels above 15 keep their low nibble
  for (const Case& c : cases) {
    SCOPED_TRACE(c.j);
    g_dpiColorLevel[c.j] = {c.r, c.g, c.b};
    g_reportBuffer[4] = 0x44;
    g_reportBuffer[7] = 0x77;
    mouse->ClearFrames();
    EXPECT_TRUE(SendDpiColor(c.j));
    auto sent = SentHeads();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][1], 0x14);
    EXPECT_EQ(sent[0][2], c.byte2);
    EXPECT_EQ(sent[0][3], c.byte3);
    EXPECT_EQ(sent[0][4], 0x44);  // bytes 4..7 carried over
    EXPECT_EQ(sent[0][7], 0x77);
  }
  mouse->ClearFrames();
  EXPECT_FALSE(SendDpiColor(6));
  EXPECT_FALSE(SendDpiColor(-1));
  EXPECT_TRUE(mouse->Frames().empty());
}

TEST_F(DeviceCommands, StartStop) {
  g_reportBuffer.fill(0xCC);
  EXPECT_EQ(SendCmd11(5), 1);
  EXPECT_TRUE(mouse->Started());
  EXPECT_EQ(SendCmd11(0), 1);
  EXPECT_FALSE(mouse->Started());
  auto sent = SentHeads();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0], (Bytes{7, 0x11, 2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(sent[1], (Bytes{7, 0x11, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(mouse->LastCommand(0x11)[8], 0xCC);  // past byte 7 nothing is rewritten
}

TEST_F(DeviceCommands, InvalidHandleBuildsButDoesNotSend) {
  hid::Handle live = g_writeHandle.exchange(hid::kInvalidHandle);
  EXPECT_EQ(SendCmd11(1), 7);
  EXPECT_EQ(g_reportBuffer[1], 0x11);
  EXPECT_EQ(g_reportBuffer[2], 2);
  EXPECT_EQ(SendKeyCmd10Clear(), 3);
  EXPECT_EQ(SendKeyCmd10Value(0x1A5), 0xA5);
  EXPECT_EQ(g_reportBuffer[3], 0xA5);
  g_keyMap[0] = 4;
  g_keyFunc[0][0] = 41;
  SendKeyCmd10(0, 0);
  EXPECT_TRUE(mouse->Frames().empty());
  g_writeHandle = live;
}

TEST_F(DeviceCommands, KeySettingOnlyForStartStopAndMacroCodes) {
  g_keyMap = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  struct Case {
    int code;
    bool sent;
  };
  const Case cases[] = {{0, false}, {5, false}, {17, false}, {18, true}, {19, false},
                        {40, false}, {41, true}, {300, true}, {40000, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    mouse->ClearFrames();
    g_keyFunc[2][6] = c.code;
    g_reportBuffer[3] = 0x99;
    SendKeyCmd10(2, 6);
    auto sent = SentHeads();
    // Bytes 0..2 are rewritten in any case.
    EXPECT_EQ(g_reportBuffer[1], 0x10);
    EXPECT_EQ(g_reportBuffer[2], 7);
    if (c.sent) {
      ASSERT_EQ(sent.size(), 1u);
      EXPECT_EQ(sent[0][2], 7);
      EXPECT_EQ(sent[0][3], 0);
    } else {
      EXPECT_TRUE(sent.empty());
      EXPECT_EQ(g_reportBuffer[3], 0x99);
    }
  }
  mouse->ClearFrames();
  SendKeyCmd10(4, 0);  // no such profile
  SendKeyCmd10(0, 12);  // no such button
  EXPECT_TRUE(mouse->Frames().empty());
}

TEST_F(DeviceCommands, KeySettingClearAndValueForms) {
  g_reportBuffer[4] = 0x55;
  EXPECT_EQ(SendKeyCmd10Clear(), 1);
  EXPECT_EQ(SendKeyCmd10Value(0x0142), 1);
  auto sent = SentHeads();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(Bytes(sent[0].begin(), sent[0].begin() + 5), (Bytes{7, 0x10, 1, 0, 0x55}));
  EXPECT_EQ(Bytes(sent[1].begin(), sent[1].begin() + 5), (Bytes{7, 0x10, 1, 0x42, 0x55}));
}

}  // namespace
