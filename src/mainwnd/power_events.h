// Power events of the desktop session: logind's PrepareForSleep signal on the system bus,
// sent before a suspend or hibernation (true) and after the resume (false).
//
// So that the work done for a suspend can end before the machine sleeps, a "delay"
// inhibitor lock for sleep is held while the program runs; it is given back once the
// handler of the suspend has run and taken again after the resume. logind waits for it
// at most its InhibitDelayMaxSec.
//
// Without a system bus or without logind there are no power events: Start() says so and
// nothing else happens. UI thread only.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class PowerEvents : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kService = "org.freedesktop.login1";
  static constexpr const char* kPath = "/org/freedesktop/login1";
  static constexpr const char* kInterface = "org.freedesktop.login1.Manager";

  explicit PowerEvents(QObject* parent = nullptr);
  ~PowerEvents() override;

  // Subscribes to PrepareForSleep on `bus` and asks for the delay lock. False when the
  // bus is not connected (no events will come).
  bool Start(const QDBusConnection& bus);
  bool Start();  // the system bus
  bool Started() const { return started_; }
  // Whether the delay lock is held now.
  bool HoldsDelayLock() const { return lockFd_ >= 0; }

 signals:
  // goingToSleep: true before the suspend, false after the resume.
  void powerEvent(bool goingToSleep);

 private slots:
  void OnPrepareForSleep(bool start);

 private:
  void TakeDelayLock();
  void ReleaseDelayLock();

  QDBusConnection bus_{QString()};
  bool started_ = false;
  bool lockRequested_ = false;  // an Inhibit call is under way
  bool wantLock_ = false;       // the lock should be held (false from a suspend to its resume)
  int lockFd_ = -1;
};
