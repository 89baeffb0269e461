// The application object: a second start of the real program restores the running
// window and ends at once; the whole start-up with the simulated mouse runs until the
// tray's exit.
#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "../support/deadline.h"
#include "app/app.h"
#include "app_fixture.h"
#include "mainwnd/tray_icon.h"
#include "platform/single_instance.h"
#include "profile/paths.h"

namespace apptest {
namespace {

class InstanceTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    ASSERT_TRUE(runtime_.isValid());
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) savedRuntime_ = old;
    ::setenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit().constData(), 1);
  }
  void TearDown() override {
    if (savedRuntime_) {
      ::setenv("XDG_RUNTIME_DIR", savedRuntime_->c_str(), 1);
    } else {
      ::unsetenv("XDG_RUNTIME_DIR");
    }
    ProgramTest::TearDown();
  }
  // The whole program with --simulate; `onceShown` runs once its window is shown.
  // Returns the program's exit code.
  int RunSimulated(const std::function<void()>& onceShown) {
    COVK_DOvaruApp app;
    g_appDir = ProgramDir();
    bool done = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (done || g_mainDlg == nullptr || !g_mainDlg->isVisible()) return;
      done = true;
      onceShown();
    });
    poll.start(50);
    char program[] = "OVK_DOvaru";
    char simulate[] = "--simulate";
    char* argv[] = {program, simulate, nullptr};
    const int code = app.Run(2, argv);
    EXPECT_TRUE(done) << "the window was shown";
    return code;
  }

  QTemporaryDir runtime_;
  std::optional<std::string> savedRuntime_;
};

TEST_F(InstanceTest, SecondStartOfTheProgramRestoresTheFirstAndEnds) {
  platform::SingleInstance instance(platform::kInstanceName, runtime_.path().toStdString());
  ASSERT_EQ(instance.Acquire(), platform::SingleInstance::State::First);
  PlugMouse();
  COVK_DOvaruDlg& window = Start();
  ASSERT_NE(ConnectSecondInstanceRequests(instance, window, &window), nullptr);
  window.Tray().SetAvailabilityCheck([] { return true; });
  window.show();
  window.HideToTray();
  ASSERT_FALSE(window.isVisible());

  // The second process has no display at all: it must not need one.
  QProcess second;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_RUNTIME_DIR", runtime_.path());
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  second.setProcessEnvironment(env);
  second.start(MC_PROGRAM_EXE, {"--simulate"});
  ASSERT_TRUE(second.waitForStarted(testdeadline::StretchedMs(20000)));
  ASSERT_TRUE(SpinUntil([&] { return second.state() == QProcess::NotRunning; })) << "the second start ends";
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(second.readAllStandardError().isEmpty());

  EXPECT_TRUE(SpinUntil([&] { return window.isVisible() && !window.isMinimized(); }));
  EXPECT_FALSE(window.Ending());
}

TEST_F(InstanceTest, SimulatedRunStartsWithTheMouseAndEndsFromTheTray) {
  // InitInstance with --simulate: the simulated mouse is found, the window runs, and the
  // tray's exit ends it with the final reports.
  bool trayAdded = false;
  EXPECT_EQ(RunSimulated([&] {
              trayAdded = g_mainDlg->Tray().Added();
              g_mainDlg->OnTrayExit();
            }),
            0);
  EXPECT_TRUE(trayAdded);
  EXPECT_EQ(g_mainDlg, nullptr);
}

TEST_F(InstanceTest, TheApplicationsQuitEndsInOrderWithTheFinalFramesOnce) {
  // The session manager's quit arrives as the application's quit: it runs the window's
  // orderly end instead of leaving the event loop under it.
  const QString log = runtime_.filePath("frames.log");
  ::setenv("OVK_DOVARU_SIM_FRAME_LOG", log.toLocal8Bit().constData(), 1);
  bool trayAdded = false;
  EXPECT_EQ(RunSimulated([&] {
              trayAdded = g_mainDlg->Tray().Added();
              QCoreApplication::quit();
              QCoreApplication::quit();  // a second request finds the end done
            }),
            0);
  ::unsetenv("OVK_DOVARU_SIM_FRAME_LOG");
  EXPECT_TRUE(trayAdded);
  EXPECT_EQ(g_mainDlg, nullptr);

  QFile file(log);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QStringList sent;
  for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
    if (line.startsWith("set ")) sent << line;
  }
  ASSERT_GE(sent.size(), 3);
  EXPECT_EQ(sent.mid(sent.size() - 3), (QStringList{"set 07 18 10 00 00 00 00 00", "set 07 18 00 00 00 00 00 00",
                                                    "set 07 20 00 00 00 00 00 00"}));
  EXPECT_EQ(sent.count("set 07 20 00 00 00 00 00 00"), 1);
}

}  // namespace
}  // namespace apptest
