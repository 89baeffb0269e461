#include "app/shutdown_requests.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>

#include "mainwnd/main_dialog.h"

#include <atomic>
#include <cstdlib>

namespace {

// The window whose final frames an exit of the process still owes, while one runs.
std::atomic<COVK_DOvaruDlg*> g_windowAtExit{nullptr};

void SendFinalFramesOnExit() {
  if (COVK_DOvaruDlg* window = g_windowAtExit.load()) window->SendFinalFramesAtExit();
}

}  // namespace

ShutdownRequests::ShutdownRequests(COVK_DOvaruDlg& window) : window_(window) {
  static const bool registered = std::atexit(&SendFinalFramesOnExit) == 0;
  (void)registered;
  g_windowAtExit = &window_;
  if (signals_.Install()) {
    notifier_ = std::make_unique<QSocketNotifier>(signals_.ReadFd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
      while (signals_.TakeSignal() != 0) {
      }
      window_.RequestClose();
    });
  }
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

ShutdownRequests::~ShutdownRequests() {
  g_windowAtExit = nullptr;
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool ShutdownRequests::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
    // The main window's end ends the event loop itself, after the final frames.
    window_.RequestClose();
    return true;
  }
  return QObject::eventFilter(watched, event);
}
