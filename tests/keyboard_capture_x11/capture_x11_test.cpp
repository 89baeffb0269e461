// Keyboard capture on a real X server: a window that goes away gives the keyboard back.
// (Keys reaching only the capturing window, and a keyboard held elsewhere: the dialog
// and recording tests.)
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

#include "platform/qt/keyboard_capture.h"
#include "../app/app_fixture.h"
#include "x11_support.h"

namespace {

using platform::CapturedKey;
using platform::KeyboardCapture;
using apptest::SpinUntil;
using x11test::Xdotool;

struct Shown {
  Shown() {
    window->setWindowTitle("capturing-window");
    window->resize(200, 120);
    window->show();
    EXPECT_TRUE(SpinUntil([this] { return window->windowHandle()->isExposed(); }));
  }
  std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
};

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
  EXPECT_TRUE(SpinUntil([&] { return other.KeyPresses() == 1; }));
  EXPECT_EQ(keys, 0);
}

}  // namespace
