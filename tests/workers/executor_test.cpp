// The two workers together against the simulated mouse: presses and releases come in
// as input report 6, and the test looks at what the mouse would emit.
#include <pthread.h>

#include <csignal>
#include <ctime>
#include <map>
#include <mutex>

#include "keys/key_codes.h"
#include "workers_fixture.h"

namespace workers_test {
namespace {

using Kind = sim::Emission::Kind;
using Clock = std::chrono::steady_clock;

std::atomic<int> g_threadPauses{0};

// Holds the thread it is delivered to for 15 ms wherever it is, as a scheduler that
// gives the core to others does.
void HoldThread(int) {
  timespec left{0, 15'000'000};
  while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
  }
  g_threadPauses.fetch_add(1, std::memory_order_relaxed);
}

// Pauses `thread` for 15 ms every 37 ms while it lives. The handler stays installed
// for the process: a signal still on its way must not meet the default action.
class ThreadPauser {
 public:
  explicit ThreadPauser(pthread_t thread) {
    static std::once_flag installed;
    std::call_once(installed, [] {
      struct sigaction action {};
      action.sa_handler = HoldThread;
      action.sa_flags = SA_RESTART;
      sigemptyset(&action.sa_mask);
      sigaction(SIGUSR2, &action, nullptr);
    });
    pacer_ = std::jthread([thread](std::stop_token stop) {
      for (auto tick = Clock::now() + 37ms; !stop.stop_requested(); tick += 37ms) {
        std::this_thread::sleep_until(tick);
        pthread_kill(thread, SIGUSR2);
      }
    });
  }

 private:
  std::jthread pacer_;
};

class ExecutorTest : public WorkersTest {
 protected:
  void SetUp() override {
    WorkersTest::SetUp();
    WriteLibrary({{"Main",
                   {KeyTap("counted", 0, 3),                  // 0
                    KeyTap("held", 2, 1, 10),                 // 1: repeat while held
                    KeyTap("toggle", 1, 1, 10),               // 2: repeat until pressed again
                    MakeMacro("move", 0, 1, {{246, 6, 5, 0, 4}}),  // 3
                    MakeMacro("clicks", 0, 1, {{241, 1, 10}, {241, 2, 150}, {4, 1, 10}, {4, 2, 10}})}}});
  }

  int Count(Kind kind) const { return static_cast<int>(EmissionsOf(kind).size()); }

  bool AllReleased() const { return mouse->HeldKeys().empty() && mouse->HeldButtons() == 0; }

  // Assigns `code` to the button on device key number `key` in profile 0.
  void Assign(int key, int code, int leftMac = 0, const std::string& text = "") {
    SetButton(0, key - 1, code, leftMac, text);
    LoadAllProfiles();
  }
};

TEST_F(ExecutorTest, CountedMacroPlaysItsRoundsThenReleasesEverything) {
  Assign(2, GroupCode(0, 0));
  StartWorkers();
  Click(2);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyUp) == 3; }));
  ASSERT_TRUE(WaitSettled());
  EXPECT_EQ(Count(Kind::KeyDown), 3);
  EXPECT_TRUE(AllReleased());
  EXPECT_EQ(g_mouseButtonBits.load(), 0xFF);
  // Nothing more after the rounds.
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(Count(Kind::KeyDown), 3);
}

TEST_F(ExecutorTest, RepeatWhileHeldEndsAtTheEventAfterTheRelease) {
  Assign(2, GroupCode(0, 1));
  StartWorkers();
  Press(2);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyDown) >= 4; }));
  Release(2);
  ASSERT_TRUE(WaitSettled());
  const int downs = Count(Kind::KeyDown);
  EXPECT_GE(downs, 4);
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(Count(Kind::KeyDown), downs);
  EXPECT_TRUE(AllReleased());
}

TEST_F(ExecutorTest, RepeatUntilPressedEndsWithTheNextPressOfAnyButton) {
  Assign(2, GroupCode(0, 2));
  Assign(4, GroupCode(0, 0));  // a counted macro on another button
  StartWorkers();

  // A counted macro played before must not keep the next toggle macro from starting.
  Click(4);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyUp) == 3; }));
  ASSERT_TRUE(WaitSettled());

  mouse->ClearEmissions();
  Click(2);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyDown) >= 4; }));
  EXPECT_FALSE(Idle());
  Click(5);  // any button handed to the computer ends it
  ASSERT_TRUE(WaitSettled());
  const int downs = Count(Kind::KeyDown);
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(Count(Kind::KeyDown), downs);
  EXPECT_TRUE(AllReleased());

  // Pressed again it starts again, and its own button ends it.
  mouse->ClearEmissions();
  Click(2);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyDown) >= 2; }));
  Click(2);
  ASSERT_TRUE(WaitSettled());
  EXPECT_TRUE(AllReleased());
}

TEST_F(ExecutorTest, RepeatingMacroStopsAfterTenThousandRounds) {
  // No delays: the rounds follow one another as fast as the reports go.
  WriteLibrary({{"Main", {MakeMacro("fast", 2, 1, {{0, 0, 0}})}}});
  Assign(2, GroupCode(0, 0));
  StartWorkers();
  Press(2);
  ASSERT_TRUE(WaitSettled(20000ms));
  EXPECT_EQ(CommandFrames(0x15).size(), 10000u + 1);  // the rounds and the release
}

TEST_F(ExecutorTest, KeyCombinationIsPressedOnceAndReleased) {
  Assign(3, 33, 0, "Ctrl&split&162&split&Shift&split&&split&Alt&split&&split&Win&split&&split&A&split&65");
  StartWorkers();
  Click(3);
  ASSERT_TRUE(WaitSettled());
  const auto downs = EmissionsOf(Kind::KeyDown);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_EQ(downs[0].code, VkToDeviceKey(162));
  EXPECT_EQ(downs[1].code, VkToDeviceKey(65));
  EXPECT_GE(downs[1].time - downs[0].time, 3ms);
  EXPECT_EQ(Count(Kind::KeyUp), 2);
  EXPECT_TRUE(AllReleased());
}

TEST_F(ExecutorTest, MediaKeysWorkInHardwareModeAndNothingElseDoes) {
  Assign(3, 27);  // media index 4: volume down
  Assign(2, GroupCode(0, 0));
  Assign(4, 33, 0, "Ctrl&split&162&split&Shift&split&&split&Alt&split&&split&Win&split&&split&&split&");
  SetShared("SOFT_HARD_MAC", 0);
  LoadAllProfiles();
  StartWorkers();
  Click(3);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::Consumer) == 1; }));
  EXPECT_EQ(EmissionsOf(Kind::Consumer)[0].code, 0xEA);
  ASSERT_TRUE(WaitSettled());
  Click(2);
  ASSERT_TRUE(WaitSettled());
  Click(4);
  ASSERT_TRUE(WaitSettled());
  std::this_thread::sleep_for(30ms);
  const auto emissions = mouse->Emissions();
  ASSERT_EQ(emissions.size(), 1u);
  EXPECT_TRUE(CommandFrames(0x15).empty());
}

TEST_F(ExecutorTest, MouseButtonEventsWaitTheirMinimumAndKeysTheirDelay) {
  Assign(2, GroupCode(0, 4));
  StartWorkers();
  for (int round = 0; round < 3; ++round) {
    mouse->ClearEmissions();
    Click(2);
    ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyUp) == 1; }));
    ASSERT_TRUE(WaitSettled());
    const auto all = mouse->Emissions();
    ASSERT_GE(all.size(), 4u);
    ASSERT_EQ(all[0].kind, Kind::ButtonDown);
    ASSERT_EQ(all[1].kind, Kind::ButtonUp);
    ASSERT_EQ(all[2].kind, Kind::KeyDown);
    ASSERT_EQ(all[3].kind, Kind::KeyUp);
    const auto down = all[1].time - all[0].time;  // stored 10 ms: 60 + 0..29
    const auto up = all[2].time - all[1].time;    // stored 150 ms: exactly 150
    const auto key = all[3].time - all[2].time;   // a key keeps its 10 ms
    // No gap is shorter than its delay, however late the player was; one held up at a
    // deadline (a busy machine) makes the gap longer, by 15 ms or so at worst.
    constexpr auto kHeldUp = 25ms;
    EXPECT_GE(down, 60ms);
    EXPECT_LT(down, 89ms + kHeldUp);
    EXPECT_GE(up, 150ms);
    EXPECT_LT(up, 150ms + kHeldUp);
    EXPECT_GE(key, 10ms);
    EXPECT_LT(key, 10ms + kHeldUp);
  }
}

// The player held up anywhere, again and again, as on a busy machine: the macro takes
// longer, and still no event follows the one before sooner than its delay.
TEST_F(ExecutorTest, PausedPlayerNeverShortensAGap) {
  WriteLibrary({{"Main", {MakeMacro("clicks", 0, 5, {{241, 1, 10}, {241, 2, 150}, {4, 1, 10}, {4, 2, 10}})}}});
  Assign(2, GroupCode(0, 0));
  OpenWorkerGate();
  std::jthread executor(MacroExecutorThread);
  const int pausesBefore = g_threadPauses.load();
  {
    ThreadPauser pauser(executor.native_handle());
    Feed(240 + 2);
    Feed(240 + 2, 0x80);
    ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyUp) == 5 && Idle(); }));
  }
  EXPECT_GE(g_threadPauses.load() - pausesBefore, 10);

  const std::map<Kind, std::chrono::milliseconds> least{
      {Kind::ButtonDown, 60ms}, {Kind::ButtonUp, 150ms}, {Kind::KeyDown, 10ms}, {Kind::KeyUp, 10ms}};
  const auto all = mouse->Emissions();
  ASSERT_EQ(all.size(), 20u);
  for (std::size_t i = 0; i + 1 < all.size(); ++i)
    EXPECT_GE(all[i + 1].time - all[i].time, least.at(all[i].kind)) << "after event " << i;
}

TEST_F(ExecutorTest, LeftButtonReplaysTheArmingButtonsMacroWhileTheReactionIsOn) {
  Assign(1, 1);                       // left click
  Assign(2, GroupCode(0, 0), 1);      // arming button: its own press plays nothing
  StartWorkers();
  Click(2);
  ASSERT_TRUE(WaitSettled());
  EXPECT_EQ(g_ledReactActive.load(), 1);
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(Count(Kind::KeyDown), 0);

  Click(1);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyUp) == 3; }));
  ASSERT_TRUE(WaitSettled());

  Click(2);  // off again
  ASSERT_TRUE(WaitSettled());
  EXPECT_EQ(g_ledReactActive.load(), 0);
  mouse->ClearEmissions();
  Click(1);
  ASSERT_TRUE(WaitSettled());
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(Count(Kind::KeyDown), 0);
}

TEST_F(ExecutorTest, ProfileChangedByTheMouseSelectsThatProfilesMacros) {
  SetButton(2, 1, GroupCode(0, 3));  // profile 2, key 2: the move macro
  Assign(2, GroupCode(0, 0));
  StartWorkers();
  ChangeProfile(2);
  // The listener takes the profile first and saves it after: wait for both.
  ASSERT_TRUE(WaitFor([] {
    return g_currentProfile.load() == 2 && ini::ReadInt(g_configIniPath, "Init", "CurConfig", 5) == 2;
  }));
  Click(2);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::Move) == 1; }));
  ASSERT_TRUE(WaitSettled());
  EXPECT_EQ(Count(Kind::KeyDown), 0);
}

TEST_F(ExecutorTest, StepCodesReachTheNextPlayThroughTheSavedMacro) {
  Assign(2, GroupCode(0, 3));
  Assign(4, 18);
  g_startStopButton[0][3] = 1;
  StartWorkers();
  Click(2);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::Move) == 1; }));
  ASSERT_TRUE(WaitSettled());
  EXPECT_EQ(EmissionsOf(Kind::Move)[0].dy, 4);

  for (int i = 0; i < 3; ++i) StepUp();
  Click(4);  // start, and on release stop and save the step
  ASSERT_TRUE(WaitFor([&] {
    ini::ClearCache();
    return LoadGroupMacro(0, 3).yOffset == 3;
  }));
  ASSERT_TRUE(WaitSettled());
  Click(2);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::Move) == 2; }));
  EXPECT_EQ(EmissionsOf(Kind::Move)[1].dy, 7);
}

TEST_F(ExecutorTest, ReleaseOfADpiButtonTakesOverTheMousesLevel) {
  g_dpiButton[0][5] = 1;
  StartWorkers();
  Press(6, 1);
  Release(6, 4);
  ASSERT_TRUE(WaitFor([] { return g_dpiLevel.load() == 4; }));
  ASSERT_TRUE(WaitFor([] { return g_buttonReleased.load() == 0; }));
  EXPECT_EQ(g_lastDpiLevel.load(), 4);
  EXPECT_EQ(ini::ReadInt(g_configIniPath, "ShareData", "DPI_LEVEL", 5), 4);
  EXPECT_GE(repaints, 1);

  // Not a level of the mouse: kept as it was. Another button: nothing.
  for (int key : {6, 5}) {
    Press(key);
    Release(key, key == 6 ? 7 : 2);
    ASSERT_TRUE(WaitFor([&] { return Settled() && g_buttonReleased.load() == 0; }));
  }
  EXPECT_EQ(g_dpiLevel.load(), 4);
}

TEST_F(ExecutorTest, HandedOverValuesAreThoseOfTheirOwnReport) {
  // A release that the listener reads before the executor takes a press must not
  // change what the press plays.
  Assign(2, GroupCode(0, 0));  // key taps
  Assign(4, GroupCode(0, 3));  // a move
  Feed(240 + 4);
  Feed(240 + 2);               // handed over while key 4's press is still held
  Feed(240 + 4, 0x80);
  g_buttonPressed = 0;
  g_buttonReleased = 0;
  Feed(240 + 2);
  Feed(240 + 4, 0x80);
  std::stop_source stop;
  RunExecutorPoll(stop.get_token());
  EXPECT_EQ(Count(Kind::KeyDown), 3);
  EXPECT_EQ(Count(Kind::Move), 0);

  // The DPI level of a release stays the one it carried, whatever report the listener
  // read after it.
  g_dpiButton[0][5] = 1;
  g_dpiLevel = 2;
  OpenWorkerGate();
  std::jthread listener(DeviceInputThread);
  Press(6, 1);
  Release(6, 4);
  StepUp();
  ASSERT_TRUE(WaitFor([this] { return Handled(); }));
  RunExecutorPoll(stop.get_token());
  EXPECT_EQ(g_dpiLevel.load(), 4);
  EXPECT_EQ(g_lastDpiLevel.load(), 4);
}

TEST_F(ExecutorTest, CodesThatNameNoRecordPlayNothing) {
  SetPresets({KeyTap("p0", 0, 1)});
  Assign(2, 45);               // 41..49
  Assign(3, 55);               // preset 5 of one loaded
  Assign(4, GroupCode(0, 9));  // beyond the group's five macros
  Assign(5, GroupCode(12, 0)); // beyond the twelve groups
  Assign(6, 50);               // preset 0: plays
  StartWorkers();
  for (int key : {2, 3, 4, 5}) {
    Click(key);
    ASSERT_TRUE(WaitSettled());
  }
  std::this_thread::sleep_for(30ms);
  EXPECT_TRUE(mouse->SetFeatureFrames().empty());
  Click(6);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyUp) == 1; }));
}

TEST_F(ExecutorTest, UnplugWhilePlayingStopsWithoutStuckKeys) {
  WriteLibrary({{"Main", {MakeMacro("hold", 1, 1, {{4, 1, 5}, {5, 1, 5}, {241, 1, 10}, {5, 2, 5}, {4, 2, 5}, {241, 2, 5}})}}});
  Assign(2, GroupCode(0, 0));
  StartWorkers();
  Click(2);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyDown) >= 3; }));
  mouse->Unplug();
  ASSERT_TRUE(WaitSettled());
  EXPECT_TRUE(ReleasePending());
  EXPECT_TRUE(g_pressedKeys[0].load() == 0 && g_mouseButtonBits.load() == 0xFF);

  mouse->PlugIn();
  ASSERT_EQ(FindDevice(), 1);
  ASSERT_TRUE(WaitFor([] { return !ReleasePending(); }));
  EXPECT_TRUE(AllReleased());
  // Every key and button that went down came up again.
  std::map<std::pair<int, int>, int> balance;
  for (const auto& e : mouse->Emissions()) {
    if (e.kind == Kind::KeyDown) ++balance[{0, e.code}];
    if (e.kind == Kind::KeyUp) --balance[{0, e.code}];
    if (e.kind == Kind::ButtonDown) ++balance[{1, e.code}];
    if (e.kind == Kind::ButtonUp) --balance[{1, e.code}];
  }
  for (const auto& [key, n] : balance) EXPECT_EQ(n, 0) << key.first << ":" << key.second;
}

TEST_F(ExecutorTest, WorkersWaitAtTheGateUntilStartUpOpensIt) {
  Assign(2, GroupCode(0, 0));
  StartDeviceWorkers();
  EXPECT_TRUE(DeviceWorkersRunning());
  Click(2);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(Count(Kind::KeyDown), 0);
  EXPECT_EQ(g_buttonPressed.load(), 0);
  OpenWorkerGate();
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyUp) == 3; }));
  StopDeviceWorkers();
  EXPECT_FALSE(DeviceWorkersRunning());
}

// The listener waits for reports without a time-out: for the mouse to be found, for a
// report, for the mouse to be found again after it went away, and for a stop.
TEST_F(ExecutorTest, ListenerFollowsEveryHandleDiscoveryOpensAndStopsWhileWaiting) {
  Assign(2, GroupCode(0, 0));
  ResetDeviceConnection();  // no mouse yet when the workers start
  StartWorkers();
  std::this_thread::sleep_for(20ms);
  ASSERT_EQ(FindDevice(), 1);
  Click(2);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyUp) == 3; }));
  ASSERT_TRUE(WaitSettled());

  mouse->Unplug();
  std::this_thread::sleep_for(20ms);  // the read fails; the listener waits for a new handle
  mouse->PlugIn();
  ASSERT_EQ(FindDevice(), 1);
  Click(2);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyUp) == 6; }));
  ASSERT_TRUE(WaitSettled());

  const auto before = Clock::now();
  StopDeviceWorkers();  // both workers are blocked: the listener in its read
  EXPECT_LT(Clock::now() - before, 500ms);
}

TEST_F(ExecutorTest, StoppingTheWorkersEndsAMacroWithEverythingReleased) {
  Assign(2, GroupCode(0, 2));
  StartWorkers();
  Click(2);
  ASSERT_TRUE(WaitFor([&] { return Count(Kind::KeyDown) >= 1; }));
  const auto before = Clock::now();
  StopDeviceWorkers();
  EXPECT_LT(Clock::now() - before, 500ms);
  EXPECT_TRUE(AllReleased());
}

}  // namespace
}  // namespace workers_test
