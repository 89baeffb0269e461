// Keyboard capture on a real X server: keys typed anywhere come to the capturing
// window and to no other program, until the capture ends however it ends.
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/qt/keyboard_capture.h"
#include "x11_support.h"

namespace {

using platform::CapturedKey;
using platform::KeyboardCapture;
using x11test::WaitFor;
using x11test::Xdotool;

struct Shown {
  Shown() {
    window->setWindowTitle("capturing-window");
    window->resize(200, 120);
    window->show();
    EXPECT_TRUE(WaitFor([this] { return window->windowHandle()->isExposed(); }));
  }
  std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
};

TEST(KeyboardCaptureX11, KeysTypedAnywhereComeToTheCapturingWindowOnlyWhileItCaptures) {
  x11test::OtherWindow other;
  ASSERT_TRUE(other.Started());
  Shown shown;
  KeyboardCapture capture;
  std::vector<CapturedKey> keys;
  bool failed = false;
  capture.Start(shown.window.get(), [&](const CapturedKey& key) { keys.push_back(key); }, [&] { failed = true; });
  ASSERT_TRUE(capture.Grabbed());
  EXPECT_FALSE(failed);

  // The other program has the focus; the keys still come here.
  ASSERT_TRUE(other.Focus());
  ASSERT_TRUE(Xdotool({"key", "a", "Escape", "ctrl+b"}));
  ASSERT_TRUE(WaitFor([&] { return keys.size() >= 8; }));
  const std::vector<std::pair<bool, int>> expected = {{true, 0x04},  {false, 0x04}, {true, 0x29}, {false, 0x29},
                                                      {true, 0xE0},  {true, 0x05},  {false, 0xE0}, {false, 0x05}};
  ASSERT_EQ(keys.size(), expected.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(keys[i].down, expected[i].first) << i;
    EXPECT_EQ(keys[i].usage, expected[i].second) << i;
  }
  EXPECT_EQ(other.KeyPresses(), 0);

  // Stopped: the keyboard is free again and the keys go to the program with the focus.
  capture.Stop();
  EXPECT_FALSE(capture.Grabbed());
  ASSERT_TRUE(other.Focus());
  ASSERT_TRUE(Xdotool({"key", "c"}));
  EXPECT_TRUE(WaitFor([&] { return other.KeyPresses() == 1; }));
  EXPECT_EQ(keys.size(), expected.size());
}

TEST(KeyboardCaptureX11, AWindowThatGoesAwayGivesTheKeyboardBack) {
  x11test::OtherWindow other;
  ASSERT_TRUE(other.Started());
  Shown shown;
  KeyboardCapture capture;
  int keys = 0;
  capture.Start(shown.window.get(), [&](const CapturedKey&) { ++keys; });
  ASSERT_TRUE(capture.Grabbed());
  shown.window.reset();
  EXPECT_FALSE(capture.Running());
  ASSERT_TRUE(other.Focus());
  ASSERT_TRUE(Xdotool({"key", "x"}));
  EXPECT_TRUE(WaitFor([&] { return other.KeyPresses() == 1; }));
  EXPECT_EQ(keys, 0);
}

TEST(KeyboardCaptureX11, AKeyboardHeldByAnotherProgramIsReported) {
  x11test::KeyboardHolder holder;
  ASSERT_TRUE(holder.Holding());
  Shown shown;
  KeyboardCapture capture;
  int failures = 0;
  capture.Start(shown.window.get(), [](const CapturedKey&) {}, [&] { ++failures; });
  EXPECT_FALSE(capture.Grabbed());
  EXPECT_EQ(failures, 1);
  EXPECT_TRUE(capture.Running());  // keys still come while the window has the focus
}

}  // namespace
