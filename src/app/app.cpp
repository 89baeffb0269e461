#include "app/app.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/dark_palette.h"
#include "app/shutdown_requests.h"
#include "mainwnd/main_dialog.h"
#include "mainwnd/power_events.h"
#include "platform/qt/window_position_sync.h"
#include "platform/single_instance.h"
#include "profile/paths.h"
#include "profile/settings_tree.h"
#include "sim/simulated_mouse.h"
#include "skin/warning_dlg.h"

namespace {

bool EnvSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// Whether Qt can be given a screen: a display, or a platform named on the command line
// or in the environment. Without one Qt would abort.
bool HasDisplay(int argc, const char* const* argv) {
  if (EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY") || EnvSet("QT_QPA_PLATFORM")) return true;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr && std::strcmp(argv[i], "-platform") == 0) return true;
  }
  return false;
}

}  // namespace

QSocketNotifier* ConnectSecondInstanceRequests(platform::SingleInstance& instance, COVK_DOvaruDlg& window,
                                               QObject* parent) {
  if (instance.ListenFd() < 0) return nullptr;
  auto* notifier = new QSocketNotifier(instance.ListenFd(), QSocketNotifier::Read, parent);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&instance, &window] {
    if (instance.TakeRestoreRequests() > 0) window.RestoreFromSecondInstance();
  });
  return notifier;
}

COVK_DOvaruApp::COVK_DOvaruApp() { g_appDir = ExecutableDir(); }

int COVK_DOvaruApp::Run(int argc, char** argv) {
  argc_ = argc;
  argv_ = argv;
  // The raw command line, before Qt takes its own options out of it.
  commandLine_ = JoinCommandLine(argc, argv);
  CommandLine parsed = ParseCommandLine(argc, argv);
  // The folder this start would write its settings into: beside a build, or the user's.
  if (parsed.help) parsed.output += "Settings: " + LocateSettingsTree(g_appDir).settingsDir + "\n";
  if (parsed.exitNow) return PrintCommandLineOutput(parsed);  // --help, --version, errors
  options_ = parsed.options;
  InitInstance();
  return exitCode_;
}

bool COVK_DOvaruApp::InitInstance() {
  exitCode_ = kEndNormal;

  // 1-2. One instance: a later start asks the first to restore its window and ends.
  platform::SingleInstance instance;
  if (instance.Acquire() == platform::SingleInstance::State::Second) {
    instance.RequestRestore();
    return false;
  }

  // 3. The application's window system.
  std::unique_ptr<QApplication> ownApp;
  if (QApplication::instance() == nullptr) {
    if (!HasDisplay(argc_, argv_)) {
      std::fprintf(stderr, "OVK_DOvaru: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set)\n");
      exitCode_ = kEndStartFailed;
      return false;
    }
    ownApp = std::make_unique<QApplication>(argc_, argv_);
  }
  QApplication::setApplicationName(QStringLiteral("OVK_DOvaru"));
  // Hidden to the tray the program has no visible window, and it still runs.
  QApplication::setQuitOnLastWindowClosed(false);
  InstallDarkPalette();
  InstallWarningBoxHandler();
  platform::InstallWindowPositionSync();

  std::shared_ptr<sim::SimulatedMouse> simulated;
  if (options_.simulate) {
    sim::SimOptions mouse;
    // Tests of the whole program read the frames the simulated mouse got from this file.
    if (const char* log = std::getenv("OVK_DOVARU_SIM_FRAME_LOG")) mouse.frameLogPath = log;
    simulated = sim::SimulatedMouse::Install(std::move(mouse));
  }

  // 4. The main window, for the rest of the program's life: the application's event loop
  // runs until it ends.
  {
    COVK_DOvaruDlg window;
    window.SetCommandLine(commandLine_);
    ConnectSecondInstanceRequests(instance, window, &window);

    PowerEvents power;
    QObject::connect(&power, &PowerEvents::powerEvent, &window,
                     [&window](bool goingToSleep) { window.OnPowerBroadcast(goingToSleep ? kPowerSuspend : kPowerResume); });
    power.Start();  // without a system bus there are no power events

    ShutdownRequests shutdown(window);
    window.Run();
    exitCode_ = window.StartFailed() ? kEndStartFailed : kEndNormal;
  }

  if (simulated) simulated->Uninstall();
  return false;
}
