// The tray icon of the main window: one icon with the program's icon and the window
// title as its tip, a double click that restores the window, and a two-item menu (show
// the window, end the program) whose texts are taken from the current language each
// time it opens. The menu's choices and the double click go to the main window's
// OnTrayNotify, OnTrayShow and OnTrayExit.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

#include "popups/popup_state.h"

class QAction;
class QMenu;
class QSystemTrayIcon;

inline constexpr unsigned kTrayIconId = 153;
inline constexpr unsigned kWmTrayNotify = 0x401;
inline constexpr int kTrayCommandExit = 32800;
inline constexpr int kTrayCommandShow = 32801;

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TrayIcon(QIcon icon, QObject* parent = nullptr);
  ~TrayIcon() override;

  // Adds the icon with the tip; nothing is checked (without a tray there is no icon).
  void Add(const QString& tip);
  void Remove();
  bool Added() const { return added_; }
  void SetTip(const QString& tip);
  QString Tip() const;

  // Whether the desktop offers a tray now (replaceable for tests).
  bool Available() const;
  void SetAvailabilityCheck(std::function<bool()> check);

  // The menu shown on a right click; its two items are rebuilt from texts 34 and 35 of
  // g_textDevMac each time it opens (RebuildMenu).
  QMenu* Menu() const { return menu_.get(); }
  void RebuildMenu();
  QAction* ShowAction() const { return showAction_; }
  QAction* ExitAction() const { return exitAction_; }

 signals:
  void notify(unsigned iconId, int message);  // message: a TrayMouse value
  void command(int id);                         // kTrayCommandShow or kTrayCommandExit

 private:
  QIcon icon_;
  QString tip_;
  std::unique_ptr<QMenu> menu_;
  QAction* showAction_ = nullptr;
  QAction* exitAction_ = nullptr;
  std::unique_ptr<QSystemTrayIcon> trayObject_;
  std::function<bool()> availability_;
  bool added_ = false;
};
