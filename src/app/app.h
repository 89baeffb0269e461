// The application object: one running instance per user, then the main window run
// under the application's event loop until the program ends.
//
// Command line: see command_line.h.
#pragma once

#include <memory>
#include <string>

#include "app/command_line.h"

class QObject;
class QSocketNotifier;
class COVK_DOvaruDlg;

namespace platform {
class SingleInstance;
}


// Restores `window` whenever a later start connects to `instance` (the first instance's
// socket). Null when the instance has no socket; the notifier belongs to `parent`.
QSocketNotifier* ConnectSecondInstanceRequests(platform::SingleInstance& instance, COVK_DOvaruDlg& window,
                                               QObject* parent);

class COVK_DOvaruApp {
 public:
  // Sets g_appDir, the program folder (the executable's folder).
  COVK_DOvaruApp();

  // InitInstance for this command line; returns the process's exit code.
  int Run(int argc, char** argv);

  // Always false: the program ends when it returns. A second instance asks the first to
  // restore its window and ends at once, before any window or display is touched.
  bool InitInstance();

  int ExitCode() const { return exitCode_; }

 private:
  int argc_ = 0;
  char** argv_ = nullptr;
  std::string commandLine_;
  AppOptions options_;
  int exitCode_ = 0;
};
