// The download as a whole: busy flag, workers, desktop pointer settings, carry-over
// between downloads and the dropping of macro references.
#include <chrono>
#include <stop_token>
#include <thread>

#include "../support/deadline.h"
#include "device/input_listener.h"
#include "device/macro_area.h"
#include "device/worker_gate.h"
#include "download_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class DownloadFlowTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    PlainButtons();
  }
};

struct SpeedCase {
  int step;
  int speed;
};
class PointerSpeedTest : public DownloadFlowTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(PointerSpeedTest, StepGivesTheDesktopSpeed) {
  g_dpiSpeed = static_cast<std::uint8_t>(GetParam().step);
  g_wheelSpeed = 9;
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(desktop->speedWrites, std::vector<int>{GetParam().speed});
  EXPECT_EQ(desktop->lineWrites, std::vector<int>{9});
}

INSTANTIATE_TEST_SUITE_P(Steps, PointerSpeedTest,
                         ::testing::Values(SpeedCase{0, 0}, SpeedCase{1, 1}, SpeedCase{2, 2}, SpeedCase{3, 4},
                                           SpeedCase{4, 6}, SpeedCase{10, 18}, SpeedCase{11, 20},
                                           SpeedCase{12, 6}, SpeedCase{255, 6}));

TEST_F(DownloadFlowTest, UnreadableDesktopSettingsAreNotWritten) {
  desktop->speedReadable = false;
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_TRUE(desktop->speedWrites.empty());
  EXPECT_EQ(desktop->lineWrites.size(), 1u);

  desktop->speedReadable = true;
  desktop->linesReadable = false;
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(desktop->speedWrites.size(), 1u);
  EXPECT_EQ(desktop->lineWrites.size(), 1u);

  // A desktop without either setting: the download still completes.
  pointer::SetPointerSettings(pointer::MakeUnavailablePointerSettings());
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(mouse->ControlPulseCount(), 3);
}

TEST_F(DownloadFlowTest, BusyDuringTheDownloadAndZeroAfterEveryEnding) {
  // Seen from the desktop step at the very end.
  struct Probe : RecordingPointerSettings {
    std::vector<int> busy;
    std::optional<int> ReadPointerSpeed() override {
      busy.push_back(g_downloadBusy.load());
      return 10;
    }
  };
  auto probe = std::make_shared<Probe>();
  pointer::SetPointerSettings(probe);
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(probe->busy, std::vector<int>{1});
  EXPECT_EQ(g_downloadBusy.load(), 0);

  // An overflow of the macro area ends it early; the next download runs again.
  MacroRecord big = NamedMacro("big", 0, 1);
  for (int i = 0; i < 275; ++i) AddEvent(big, 1, 0x04, 10000);  // 78 extension entries each
  WriteLibrary({{"G", {big}}});
  g_keyFunc[0][0] = 256;
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::MacroAreaFull);
  EXPECT_EQ(g_downloadBusy.load(), 0);
  g_keyFunc[0][0] = 0;
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(g_downloadBusy.load(), 0);

  // Without a mouse every report fails: the download ends at the first.
  mouse->Unplug();
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Cut);
  EXPECT_EQ(g_downloadBusy.load(), 0);
}

TEST_F(DownloadFlowTest, UnencodableLightingStepWarnsAndTheDownloadGoesOn) {
  MacroRecord r = NamedMacro("light", 0, 1);
  AddEvent(r, 13, MacroEventCode::LightingStep, 5, 0);  // no lighting blocks
  AddEvent(r, 1, 0x04, 5);
  WriteLibrary({{"G", {r}}});
  g_keyFunc[0][0] = 256;
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(Warnings(), std::vector<int>{6});
  EXPECT_EQ(busyAtWarning, std::vector<int>{1});
  EXPECT_EQ(Mem(0x400, 8), (Bytes{1, 0, 0x85, 0x04, 0, 0, 0, 0}));
  EXPECT_EQ(mouse->ControlPulseCount(), 1);
}

TEST_F(DownloadFlowTest, WorkerStartedThroughTheHookWritesTheMouse) {
  InstallDownloadWorker();
  g_currentProfile = 3;
  StartSettingsDownload();
  ASSERT_TRUE(WaitForDownloadWorkers(std::chrono::seconds(20)));
  SetStartDownloadHandler(nullptr);
  EXPECT_EQ(mouse->MemoryAt(0x001), 0x60 + 3);
  EXPECT_EQ(mouse->ControlPulseCount(), 1);
  EXPECT_EQ(g_downloadBusy.load(), 0);
  EXPECT_EQ(DownloadThreadProc(nullptr), 0u);
}

TEST_F(DownloadFlowTest, SaveWorkerWritesTheProfiles) {
  g_currentProfile = 2;
  g_keyFunc[1][4] = 7;
  StartSaveAllWorker();
  ASSERT_TRUE(WaitForDownloadWorkers(std::chrono::seconds(20)));
  EXPECT_EQ(ini::ReadString(g_configIniPath, "Init", "CurConfig", 5), "2");
  EXPECT_EQ(ini::ReadString(g_configIniPath, "Config1", "K4", 260), "7");
}

TEST_F(DownloadFlowTest, DownloadsStartedTogetherRunOneAfterTheOther) {
  g_fireTime = 80;
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) threads.emplace_back([] { DownloadSettings(); });
  for (auto& t : threads) t.join();
  EXPECT_EQ(g_downloadBusy.load(), 0);
  EXPECT_EQ(mouse->ControlPulseCount(), 3);
  // Each image went out whole: the blocks follow the download order three times.
  const auto blocks = CommittedBlocks();
  ASSERT_EQ(blocks.size() % 3, 0u);
  const std::size_t one = blocks.size() / 3;
  for (std::size_t i = 0; i < one; ++i) {
    EXPECT_EQ(blocks[i], blocks[i + one]) << i;
    EXPECT_EQ(blocks[i], blocks[i + 2 * one]) << i;
  }
  EXPECT_EQ(mouse->MemoryAt(0x01A), 10);
}

// The listener reloads a profile (under the tables lock) when the mouse reports a
// switch of profile; the image a download builds from the same tables must not be read
// while a reload rewrites them. Here the real listener takes a switch to profile 0,
// the one the mouse is on, reported again as soon as it has taken the last one: it
// reloads as often as it can, 2 ms after each report at the soonest. The file holds
// what the tables hold, so every reload leaves them as they were and the image must
// come out as a quiet one.
TEST_F(DownloadFlowTest, ProfileReloadsDuringADownloadLeaveTheImageWhole) {
  g_softHardMac = 1;  // the listener follows the mouse's profile only then
  g_macCor = {1, 2, 3, 4, 5, 6, 0, 1, 2, 3, 4, 5};
  for (int p = 0; p < kProfileCount; ++p)
    for (int i = 0; i < kButtonCount; ++i) g_ledReactType[p][i] = (p + i) % 3;
  g_dpiSetValue = {1, 4, 8, 12, 16, 20};
  g_dpiSetEnable = {1, 1, 1, 0, 1, 1};
  for (int j = 0; j < kDpiLevelCount; ++j) g_dpiColorLevel[j] = {j, 15 - j, 3};
  g_cycColorEnable = {1, 1, 0, 1, 0, 1, 1};
  g_ledType = 7;
  g_ledSpeed = 2;
  g_fireTime = 96;
  g_keyFunc[0] = {1, 2, 3, 7, 8, 9, 10, 11, 12, 15, 16, 17};
  ASSERT_TRUE(SaveAll());

  ResetDownloadCarryOver();
  ASSERT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  const auto quiet = mouse->Memory();

  OpenWorkerGate();
  const std::uint64_t handledBefore = InputReportsHandled();
  std::jthread listener(DeviceInputThread);
  std::jthread switches([this](std::stop_token stop) {
    while (!stop.stop_requested()) {
      const std::uint64_t handled = InputReportsHandled();
      mouse->ChangeProfile(0);
      while (InputReportsHandled() == handled && !stop.stop_requested())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  EXPECT_TRUE(testdeadline::WaitFor([&] { return InputReportsHandled() > handledBefore; }, std::chrono::seconds(20)));
  ResetDownloadCarryOver();
  const std::uint64_t reloadsBefore = InputReportsHandled();
  const DownloadOutcome outcome = DownloadSettings();
  const std::uint64_t reloads = InputReportsHandled() - reloadsBefore;
  switches.request_stop();
  switches.join();
  listener.request_stop();
  listener.join();
  ResetWorkerGate();
  EXPECT_EQ(outcome, DownloadOutcome::Completed);
  EXPECT_GT(reloads, 0u) << "no reload while the download ran";
  EXPECT_TRUE(mouse->Memory() == quiet);
}

TEST_F(DownloadFlowTest, LightingEffectCarriesOverForTypeThirteen) {
  g_ledSpeed = 2;
  g_ledType = 9;
  DownloadSettings();
  EXPECT_EQ(mouse->MemoryAt(0x01C), 0x80 + 1 * 16 + 2) << "effect 9: bits 0..2 here";
  EXPECT_EQ(mouse->MemoryAt(0x033) & 0x80, 0x80) << "and bit 3 in the effect mask block";

  g_ledType = 13;
  DownloadSettings();
  EXPECT_EQ(mouse->MemoryAt(0x01C), 0x80 + 1 * 16 + 7) << "the previous effect, speed 7";
  EXPECT_EQ(mouse->MemoryAt(0x033) & 0x80, 0x80);

  g_ledType = 12;
  DownloadSettings();
  EXPECT_EQ(mouse->MemoryAt(0x01C), 0x80 + 1 * 16 + 8 + 2);
  EXPECT_EQ(mouse->MemoryAt(0x033) & 0x80, 0);

  g_ledType = 40;  // not an effect: effect and flag stay
  DownloadSettings();
  EXPECT_EQ(mouse->MemoryAt(0x01C), 0x80 + 1 * 16 + 8 + 2);

  ResetDownloadCarryOver();
  g_ledType = 13;
  DownloadSettings();
  EXPECT_EQ(mouse->MemoryAt(0x01C), 0x80 + 7) << "the first download has effect 0";
}

TEST_F(DownloadFlowTest, HeaderProfileByteAndLightingModeByte) {
  for (int profile : {0, 1, 3}) {
    g_currentProfile = profile;
    g_modeLight = profile == 1;
    DownloadSettings();
    EXPECT_EQ(mouse->MemoryAt(0x001), ((profile * 32) & 0x60) + 3);
    EXPECT_EQ(mouse->MemoryAt(0x076), (profile == 1 ? 0x80 : 0) + 0x40 + profile);
  }
}

TEST_F(DownloadFlowTest, OutOfRangeTableValuesStayInTheirFields) {
  g_dpiSetValue = {40, 200, 0, 0, 0, 0};  // steps past the table: the highest code, 24
  g_dpiColorLevel[0] = {31, 16, 255};
  g_userLedColorLevel[0] = {17, 0, 0};
  g_keyMap[0] = 0;   // names no slot
  g_keyMap[1] = 20;  // names no slot
  g_keyFunc[0][0] = 2;
  g_keyFunc[0][1] = 3;
  DownloadSettings();
  EXPECT_EQ(mouse->MemoryAt(0x013), 0x03);
  EXPECT_EQ(mouse->MemoryAt(0x015), 0x88);
  EXPECT_EQ(mouse->MemoryAt(0x020), 0x1F);
  EXPECT_EQ(mouse->MemoryAt(0x021), 0x00);
  EXPECT_EQ(mouse->MemoryAt(0x022), 0x0F);
  EXPECT_EQ(mouse->MemoryAt(0x008), 0) << "key number 1 has no button now";
  EXPECT_EQ(mouse->MemoryAt(0x009), 0);
  EXPECT_EQ(mouse->RejectedMemoryReports(), 0);
}

struct ReferenceCase {
  const char* name;
  int groups;           // groups in the library
  int macrosInGroup0;   // macros of group 0
  int presets;          // g_gunMacroCount
  int code;
  bool kept;
};
class ReferenceTest : public DownloadFlowTest, public ::testing::WithParamInterface<ReferenceCase> {};

TEST_P(ReferenceTest, DroppedOrKept) {
  const ReferenceCase& c = GetParam();
  std::vector<Group> groups;
  for (int g = 0; g < c.groups; ++g) {
    Group group{"G" + std::to_string(g), {}};
    const int count = g == 0 ? c.macrosInGroup0 : 2;
    for (int m = 0; m < count; ++m) {
      MacroRecord r = NamedMacro("m", 0, 1);
      AddEvent(r, 1, 0x04, 5);
      group.macros.push_back(r);
    }
    groups.push_back(group);
  }
  WriteLibrary(groups);
  g_gunMacroCount = static_cast<std::int16_t>(c.presets);
  g_keyFunc[1][3] = c.code;
  DownloadSettings();
  EXPECT_EQ(g_keyFunc[1][3], c.kept ? c.code : 0) << c.name;
  if (c.code < 30000) {
    EXPECT_EQ(g_deviceFunc[1][3].load() != 0, c.kept) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    References, ReferenceTest,
    ::testing::Values(ReferenceCase{"no groups", 0, 0, 0, 256, false},
                      ReferenceCase{"empty group", 1, 0, 0, 256, false},
                      ReferenceCase{"first macro", 1, 3, 0, 256, true},
                      ReferenceCase{"last macro", 1, 3, 0, 258, true},
                      ReferenceCase{"one past the last macro", 1, 3, 0, 259, false},
                      ReferenceCase{"macro 5 of 3", 1, 3, 0, 261, false},
                      ReferenceCase{"second group", 2, 3, 0, 512 + 1, true},
                      ReferenceCase{"group past the last", 2, 3, 0, 768, false},
                      ReferenceCase{"group far past the table", 2, 3, 0, 29000, false},
                      ReferenceCase{"no presets", 1, 1, 0, 50, false},
                      ReferenceCase{"last preset", 1, 1, 3, 52, true},
                      ReferenceCase{"past the presets", 1, 1, 3, 53, false},
                      ReferenceCase{"built-in macro", 0, 0, 0, 41, true},
                      ReferenceCase{"reserved code", 0, 0, 0, 30000, true}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

}  // namespace
