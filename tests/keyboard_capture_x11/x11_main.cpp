// The X11 tests: one QApplication on the X server of with_x_server.sh.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>

#include "x11_support.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], x11test::kHoldKeyboardSwitch) == 0) return x11test::HoldKeyboard(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
