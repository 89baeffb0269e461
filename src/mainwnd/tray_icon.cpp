#include "mainwnd/tray_icon.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWindow>

#include "keys/language.h"
#include "mainwnd/main_dialog.h"
#include "platform/qt/window_state.h"
#include "skin/language_texts.h"


namespace {

constexpr std::size_t kShowText = 34;  // entries of g_textDevMac
constexpr std::size_t kExitText = 35;

}  // namespace

TrayIcon::TrayIcon(QIcon icon, QObject* parent)
    : QObject(parent), icon_(std::move(icon)), menu_(std::make_unique<QMenu>()) {
  showAction_ = menu_->addAction(QString());
  exitAction_ = menu_->addAction(QString());
  showAction_->setData(kTrayCommandShow);
  exitAction_->setData(kTrayCommandExit);
  connect(showAction_, &QAction::triggered, this, [this] { emit command(kTrayCommandShow); });
  connect(exitAction_, &QAction::triggered, this, [this] { emit command(kTrayCommandExit); });
  // The texts follow the language at every opening.
  connect(menu_.get(), &QMenu::aboutToShow, this, &TrayIcon::RebuildMenu);
  RebuildMenu();
}

TrayIcon::~TrayIcon() { Remove(); }

void TrayIcon::RebuildMenu() {
  showAction_->setText(QString::fromStdString(g_textDevMac[kShowText]));
  exitAction_->setText(QString::fromStdString(g_textDevMac[kExitText]));
}

void TrayIcon::Add(const QString& tip) {
  tip_ = tip;
  RebuildMenu();  // the language's texts are loaded by now
  if (!trayObject_) {
    trayObject_ = std::make_unique<QSystemTrayIcon>(icon_);
    trayObject_->setContextMenu(menu_.get());
    connect(trayObject_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
      switch (reason) {
        case QSystemTrayIcon::DoubleClick:
          emit notify(kTrayIconId, static_cast<int>(TrayMouse::LeftDoubleClick));
          break;
        case QSystemTrayIcon::Context:
          emit notify(kTrayIconId, static_cast<int>(TrayMouse::RightButtonUp));
          break;
        default:
          emit notify(kTrayIconId, static_cast<int>(TrayMouse::Other));
          break;
      }
    });
  }
  trayObject_->setToolTip(tip_);
  trayObject_->show();
  added_ = true;
}

void TrayIcon::Remove() {
  if (trayObject_) {
    trayObject_->hide();
    trayObject_->setContextMenu(nullptr);
    trayObject_.reset();
  }
  added_ = false;
}

void TrayIcon::SetTip(const QString& tip) {
  tip_ = tip;
  if (trayObject_) trayObject_->setToolTip(tip_);
}

QString TrayIcon::Tip() const { return tip_; }

bool TrayIcon::Available() const {
  return availability_ ? availability_() : QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::SetAvailabilityCheck(std::function<bool()> check) { availability_ = std::move(check); }

// ---- The main window's part ------------------------------------------------------------

void COVK_DOvaruDlg::AddTrayIcon() { tray_->Add(QString::fromStdString(MainWindowTitle())); }

void COVK_DOvaruDlg::RemoveTrayIcon() { tray_->Remove(); }

int COVK_DOvaruDlg::OnTrayNotify(unsigned iconId, TrayMouse message) {
  if (iconId != kTrayIconId) return 1;
  switch (message) {
    case TrayMouse::LeftDoubleClick:
      OnTrayShow();
      break;
    case TrayMouse::RightButtonUp:
      // The tray shows the menu itself; the window comes to the front and the items
      // take the texts of the current language.
      if (isVisible()) activateWindow();
      tray_->RebuildMenu();
      break;
    case TrayMouse::Other:
      break;
  }
  return 0;
}

void COVK_DOvaruDlg::OnTrayShow() {
  // Back where it was hidden: a window manager places a window that comes back without
  // a position of its own like a new one. The window itself is given its position: a
  // widget's move to where Qt already has it asks the window manager for nothing.
  if (!isVisible() && windowHandle()) windowHandle()->setPosition(windowHandle()->position());
  platform::BringBack(*this);
}

void COVK_DOvaruDlg::OnTrayExit() {
  // The dialogs open over the window (the gun dialog, the key dialog of the macro page,
  // the key-combination dialog) end before the program does; each one's exec() returns
  // once the event loop is back to it, with the program already ending.
  if (g_gunDialog) g_gunDialog->done(0);
  if (g_keyCaptureDialog) g_keyCaptureDialog->done(0);
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(widget);
    if (dialog != nullptr && dialog != this && dialog->isVisible() && dialog->windowModality() == Qt::WindowModal)
      dialog->done(0);
  }
  OnClose();
}

void COVK_DOvaruDlg::HideToTray() {
  // Hidden, the window could only come back through the tray icon: without a tray (or
  // before its icon could be added) it stays minimised on the taskbar instead. Hidden
  // without being minimised first: a window that is hidden while it counts as minimised
  // is mapped minimised again by the restore's race with the window manager.
  if (tray_->Added() && tray_->Available()) {
    hide();
  } else {
    platform::Minimise(*this);
  }
}
