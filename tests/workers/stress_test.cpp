// The listener, the executor and settings downloads at once, with presses, releases
// and step codes coming in from the mouse all the while (also run under
// ThreadSanitizer). Afterwards nothing may be held, and the mouse's memory must hold
// exactly what a download alone writes: no frame of another thread got into a block.
#include <random>

#include "workers_fixture.h"

namespace workers_test {
namespace {

class StressTest : public WorkersTest {
 protected:
  void SetUp() override {
    WorkersTest::SetUp();
    WriteLibrary({{"Main",
                   {KeyTap("counted", 0, 2, 1), KeyTap("held", 2, 1, 1), KeyTap("toggle", 1, 1, 2),
                    MakeMacro("move", 0, 1, {{246, 5, 1, 3, 2}, {241, 1, 0}, {241, 2, 0}})}}});
    SetPresets({KeyTap("p0", 0, 1, 1)});
    // Keys 1..8: left click, three macros, start/stop (profiles 1..3 only, so the
    // library stays as it is while the downloads run on profile 0), a preset, a DPI
    // button, a key combination.
    const std::vector<int> codes{1, GroupCode(0, 0), GroupCode(0, 1), GroupCode(0, 2), 18, 50, 16, 33};
    for (int p = 0; p < kProfileCount; ++p)
      for (int i = 0; i < kButtons; ++i) {
        const int code = (i == 4 && p == 0) ? 0 : codes[static_cast<std::size_t>(i)];
        SetButton(p, i, code, i == 3 ? 1 : 0,
                  i == 7 ? "Ctrl&split&162&split&Shift&split&&split&Alt&split&&split&Win&split&&split&B&split&66" : "");
      }
    LoadAllProfiles();
  }

  // Ends whatever plays: a press of a button without a macro (key 7, a DPI step)
  // forces the toggle to 0 and so ends a macro that repeats until pressed again, and
  // a held macro ends with the releases already fed.
  bool QuietDown() {
    for (int attempt = 0; attempt < 20; ++attempt) {
      if (WaitFor([this] { return Settled(); }, 300ms)) return true;
      Click(7);
    }
    return false;
  }

  // Random button events and step codes for `duration`.
  // Without profile changes the DPI level stays at 0 as well.
  void Storm(std::chrono::milliseconds duration, bool profileChanges, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> key(1, kButtons), what(0, 9), dpi(0, profileChanges ? 5 : 0);
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
      const int k = key(random);
      switch (what(random)) {
        case 0:
          StepUp();
          break;
        case 1:
          StepDown();
          break;
        case 2:
          if (profileChanges) ChangeProfile(dpi(random) % kProfileCount);
          break;
        default:
          Press(k, dpi(random));
          std::this_thread::sleep_for(std::chrono::milliseconds(what(random)));
          Release(k, dpi(random));
          break;
      }
      std::this_thread::sleep_for(1ms);
    }
  }
};

// The UI changes functions of buttons that the mouse keeps pressing: the workers read
// the assignments under the tables lock that the change takes.
TEST_F(StressTest, AssignmentsChangeWhileTheButtonsArePressed) {
  StartWorkers();
  std::atomic<bool> done{false};
  std::thread ui([&] {
    for (int n = 0; !done.load(); ++n) {
      SetButtonAssignment(0, 1, n % 2 == 0 ? 0 : GroupCode(0, 0));
      SetButtonAssignment(0, 0, n % 2 == 0 ? 0 : 1);
      std::this_thread::sleep_for(1ms);
    }
  });
  Storm(500ms, false, 11);
  done = true;
  ui.join();
  ASSERT_TRUE(QuietDown());
  EXPECT_TRUE(mouse->HeldKeys().empty());
  EXPECT_EQ(mouse->HeldButtons(), 0);
}

TEST_F(StressTest, ListenerExecutorAndDownloadRunTogether) {
  ResetDownloadCarryOver();
  StartWorkers();

  // Downloads while the mouse's buttons are busy. The mouse keeps its profile here: a
  // profile reload changes the very tables a download reads.
  std::vector<DownloadOutcome> outcomes;
  std::thread downloads([&] {
    for (int i = 0; i < 2; ++i) outcomes.push_back(DownloadSettings());
  });
  std::atomic<bool> downloading{true};
  std::thread storm([&] {
    unsigned seed = 1;
    while (downloading.load()) Storm(200ms, false, seed++);
  });
  downloads.join();
  downloading = false;
  storm.join();
  ASSERT_EQ(outcomes.size(), 2u);
  for (DownloadOutcome o : outcomes) EXPECT_EQ(o, DownloadOutcome::Completed);
  EXPECT_EQ(mouse->RejectedMemoryReports(), 0);
  const auto concurrent = mouse->Memory();

  // The same two downloads without the storm write the same memory.
  ASSERT_TRUE(QuietDown());
  ResetDownloadCarryOver();
  mouse->SetMemory(0, std::vector<std::uint8_t>(sim::kSimMemorySize, 0));
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(DownloadSettings(), DownloadOutcome::Completed);
  EXPECT_EQ(mouse->Memory(), concurrent);

  // Profile changes by the mouse with the executor playing.
  Storm(1500ms, true, 99);

  ASSERT_TRUE(QuietDown());
  StopDeviceWorkers();
  EXPECT_TRUE(mouse->HeldKeys().empty());
  EXPECT_EQ(mouse->HeldButtons(), 0);
  for (const auto& slot : g_pressedKeys) EXPECT_EQ(slot.load(), 0);
  EXPECT_EQ(g_mouseButtonBits.load(), 0xFF);
}

}  // namespace
}  // namespace workers_test
