#include "mainwnd/power_events.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

#include <unistd.h>

namespace {
// An unanswered call must not hold anything up for long.
constexpr int kInhibitTimeoutMs = 5000;
}  // namespace

PowerEvents::PowerEvents(QObject* parent) : QObject(parent) {}

PowerEvents::~PowerEvents() { ReleaseDelayLock(); }

bool PowerEvents::Start() { return Start(QDBusConnection::systemBus()); }

bool PowerEvents::Start(const QDBusConnection& bus) {
  if (started_) return true;
  if (!bus.isConnected()) return false;
  bus_ = bus;
  started_ = bus_.connect(kService, kPath, kInterface, "PrepareForSleep", this, SLOT(OnPrepareForSleep(bool)));
  if (started_) TakeDelayLock();
  return started_;
}

void PowerEvents::OnPrepareForSleep(bool start) {
  emit powerEvent(start);
  if (start) {
    ReleaseDelayLock();  // the suspend may go on now
  } else {
    TakeDelayLock();
  }
}

void PowerEvents::TakeDelayLock() {
  wantLock_ = true;
  if (lockFd_ >= 0 || lockRequested_) return;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Inhibit");
  call << QStringLiteral("sleep") << QStringLiteral("OVK_DOvaru")
       << QStringLiteral("Writing the settings into the mouse") << QStringLiteral("delay");
  lockRequested_ = true;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kInhibitTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    lockRequested_ = false;
    QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
    w->deleteLater();
    if (reply.isError() || !reply.value().isValid()) return;  // no logind: events only
    // A suspend that came while the call was under way has given the lock up already.
    if (lockFd_ >= 0 || !wantLock_) return;
    lockFd_ = ::dup(reply.value().fileDescriptor());
  });
}

void PowerEvents::ReleaseDelayLock() {
  wantLock_ = false;
  if (lockFd_ < 0) return;
  ::close(lockFd_);
  lockFd_ = -1;
}
