// The desktop pointer settings: the GNOME implementation (through a stand-in for the
// gsettings tool), the one without settings, and the command runner.
#include <gtest/gtest.h>

#include <chrono>

#include "../support/deadline.h"
#include "platform/pointer_settings.h"

namespace {

using Argv = std::vector<std::string>;
using testdeadline::Stretched;

// How long a stand-in for a hanging tool sleeps: past every stretched limit here.
std::string Seconds(std::chrono::seconds hang) { return std::to_string(Stretched(hang).count() / 1000 + 1); }

struct FakeGsettings {
  std::optional<std::string> answer = "0.0\n";
  bool setFails = false;
  std::vector<Argv> calls;

  pointer::CommandRunner Runner() {
    return [this](const Argv& argv) -> std::optional<std::string> {
      calls.push_back(argv);
      if (argv.size() > 1 && argv[1] == "set") return setFails ? std::nullopt : std::optional<std::string>("");
      return answer;
    };
  }
};

TEST(GnomePointerSettings, ReadsAndWritesTheMouseSpeed) {
  FakeGsettings fake;
  auto gnome = pointer::MakeGnomePointerSettings(fake.Runner());
  EXPECT_EQ(gnome->Name(), "GNOME");

  fake.answer = "-0.5\n";
  EXPECT_EQ(gnome->ReadPointerSpeed(), 5);
  ASSERT_EQ(fake.calls.size(), 1u);
  EXPECT_EQ(fake.calls[0], (Argv{"gsettings", "get", "org.gnome.desktop.peripherals.mouse", "speed"}));

  EXPECT_TRUE(gnome->WritePointerSpeed(4));
  EXPECT_EQ(fake.calls.back(), (Argv{"gsettings", "set", "org.gnome.desktop.peripherals.mouse", "speed", "-0.60"}));
  EXPECT_TRUE(gnome->WritePointerSpeed(20));
  EXPECT_EQ(fake.calls.back().back(), "1.00");
  EXPECT_TRUE(gnome->WritePointerSpeed(99));
  EXPECT_EQ(fake.calls.back().back(), "1.00") << "clamped to the fastest";
  fake.setFails = true;
  EXPECT_FALSE(gnome->WritePointerSpeed(10));
}

TEST(GnomePointerSettings, UnreadableAnswersReadAsNotAvailable) {
  FakeGsettings fake;
  auto gnome = pointer::MakeGnomePointerSettings(fake.Runner());
  for (const char* answer : {"", "speed", "0.5 extra", "nan", "inf"}) {
    fake.answer = answer;
    EXPECT_EQ(gnome->ReadPointerSpeed(), std::nullopt) << answer;
  }
  fake.answer = std::nullopt;  // the tool failed or is missing
  EXPECT_EQ(gnome->ReadPointerSpeed(), std::nullopt);
  // GNOME has no scroll-lines setting and does not pretend to.
  EXPECT_EQ(gnome->ReadWheelScrollLines(), std::nullopt);
  EXPECT_FALSE(gnome->WriteWheelScrollLines(3));
}

TEST(GnomePointerSettings, ScaleConversionRoundTrips) {
  for (int s = 0; s <= 20; ++s) EXPECT_EQ(pointer::ScaleFromGnomeSpeed(pointer::GnomeSpeedFromScale(s)), s) << s;
  EXPECT_DOUBLE_EQ(pointer::GnomeSpeedFromScale(10), 0.0);
  EXPECT_DOUBLE_EQ(pointer::GnomeSpeedFromScale(0), -1.0);
  EXPECT_DOUBLE_EQ(pointer::GnomeSpeedFromScale(-5), -1.0);
  EXPECT_EQ(pointer::ScaleFromGnomeSpeed(0.04), 10);
  EXPECT_EQ(pointer::ScaleFromGnomeSpeed(0.26), 13);
  EXPECT_EQ(pointer::ScaleFromGnomeSpeed(-3.0), 0);
  EXPECT_EQ(pointer::ScaleFromGnomeSpeed(7.0), 20);
}

TEST(PointerSettings, DesktopNames) {
  EXPECT_TRUE(pointer::IsGnomeDesktop("GNOME"));
  EXPECT_TRUE(pointer::IsGnomeDesktop("ubuntu:GNOME"));
  EXPECT_TRUE(pointer::IsGnomeDesktop("gnome-classic:GNOME"));
  EXPECT_FALSE(pointer::IsGnomeDesktop("KDE"));
  EXPECT_FALSE(pointer::IsGnomeDesktop(""));
  EXPECT_FALSE(pointer::IsGnomeDesktop("XFCE:GNOMEISH"));
}

TEST(PointerSettings, UnavailableReadsNothingAndWritesNothing) {
  auto none = pointer::MakeUnavailablePointerSettings();
  EXPECT_EQ(none->ReadPointerSpeed(), std::nullopt);
  EXPECT_EQ(none->ReadWheelScrollLines(), std::nullopt);
  EXPECT_FALSE(none->WritePointerSpeed(10));
  EXPECT_FALSE(none->WriteWheelScrollLines(3));
}

TEST(PointerSettings, CurrentCanBeReplacedAndChosenAgain) {
  auto mine = pointer::MakeUnavailablePointerSettings();
  auto before = pointer::SetPointerSettings(mine);
  EXPECT_EQ(pointer::CurrentPointerSettings(), mine);
  pointer::SetPointerSettings(nullptr);
  EXPECT_NE(pointer::CurrentPointerSettings(), nullptr);
  pointer::SetPointerSettings(before);
}

TEST(RunCommand, OutputExitStatusAndTimeout) {
  using namespace std::chrono_literals;
  EXPECT_EQ(pointer::RunCommand({"sh", "-c", "printf '0.25\\n'"}, 5s), "0.25\n");
  EXPECT_EQ(pointer::RunCommand({"sh", "-c", "echo out; exit 3"}, 5s), std::nullopt);
  EXPECT_EQ(pointer::RunCommand({"no-such-program-for-pointer-tests"}, 5s), std::nullopt);
  EXPECT_EQ(pointer::RunCommand({}, 5s), std::nullopt);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(pointer::RunCommand({"sleep", Seconds(10s)}, 200ms), std::nullopt);
  EXPECT_LT(std::chrono::steady_clock::now() - start, Stretched(5s)) << "a hanging tool is given up";
}

// The wait follows the program, not its output pipe: a helper left running with the
// pipe must not hold up an answer that is complete, and a program that closed its
// output and hangs is still given up at the time limit.
TEST(RunCommand, TheProgramsEndEndsTheWait) {
  using namespace std::chrono_literals;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(pointer::RunCommand({"sh", "-c", "sleep " + Seconds(3s) + " & echo 0.5"}, Stretched(8s)), "0.5\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, Stretched(2s));

  start = std::chrono::steady_clock::now();
  EXPECT_EQ(pointer::RunCommand({"sh", "-c", "exec >&-; sleep " + Seconds(3s)}, 200ms), std::nullopt);
  EXPECT_LT(std::chrono::steady_clock::now() - start, Stretched(2s));
}

}  // namespace
