// The ends of the program that come from outside the main window: SIGTERM, SIGINT and
// SIGHUP (kill, Ctrl+C, the end of the session or of the terminal) and the application's
// quit (the session manager's, or anyone's QCoreApplication::quit). Each runs the main
// window's one orderly end, RequestClose, on the UI thread, so the mouse gets its final
// frames and the tray icon goes, whichever way the program is ended.
//
// When the display goes away (a logout without a session manager), Qt ends the process
// at once; the exit still sends the final frames (SendFinalFramesAtExit).
#pragma once

#include <QObject>

#include <memory>

#include "platform/termination_signals.h"

class QSocketNotifier;
class COVK_DOvaruDlg;

class ShutdownRequests : public QObject {
  Q_OBJECT

 public:
  // Takes the signals and watches the application's quit for as long as it lives.
  explicit ShutdownRequests(COVK_DOvaruDlg& window);
  ~ShutdownRequests() override;

  // Whether the signals could be taken (without them they keep their default action).
  bool SignalsInstalled() const { return notifier_ != nullptr; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  COVK_DOvaruDlg& window_;
  platform::TerminationSignals signals_;
  std::unique_ptr<QSocketNotifier> notifier_;
};
