#include "app/shutdown_requests.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>

#include "mainwnd/main_dialog.h"

ShutdownRequests::ShutdownRequests(COVK_DOvaruDlg& window) : window_(window) {
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
