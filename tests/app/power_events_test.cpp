// Power events over D-Bus: a private message bus with a stand-in for logind that sends
// PrepareForSleep and hands out the delay lock as one end of a pipe.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QProcess>

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <vector>

#include "../support/deadline.h"
#include "app_fixture.h"
#include "mainwnd/power_events.h"

namespace {

class FakeLogind : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

 public:
  std::vector<QStringList> inhibitCalls;
  std::vector<int> lockReadEnds;  // read end of each lock handed out

  ~FakeLogind() override {
    for (int fd : lockReadEnds) ::close(fd);
  }

  // True when every holder of lock n has given it up (its pipe reads end of file).
  bool Released(std::size_t n) const {
    pollfd pfd{lockReadEnds.at(n), POLLIN, 0};
    if (::poll(&pfd, 1, 0) <= 0) return false;
    char c;
    return ::read(lockReadEnds.at(n), &c, 1) == 0;
  }

 public slots:
  Q_SCRIPTABLE QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                               const QString& mode) {
    inhibitCalls.push_back({what, who, why, mode});
    int ends[2];
    if (::pipe(ends) != 0) return QDBusUnixFileDescriptor();
    lockReadEnds.push_back(ends[0]);
    QDBusUnixFileDescriptor lock(ends[1]);  // keeps its own copy until it is sent
    ::close(ends[1]);
    return lock;
  }
};

class PowerEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(MC_DBUS_DAEMON).empty()) GTEST_SKIP() << "dbus-daemon is not installed";
    daemon_.setProgram(MC_DBUS_DAEMON);
    daemon_.setArguments({"--session", "--nofork", "--nopidfile", "--print-address=1"});
    daemon_.start();
    ASSERT_TRUE(daemon_.waitForStarted(testdeadline::StretchedMs(20000)));
    ASSERT_TRUE(daemon_.waitForReadyRead(testdeadline::StretchedMs(20000)));
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    ASSERT_FALSE(address_.isEmpty());
    program_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address_, "program"));
    logind_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address_, "logind"));
    ASSERT_TRUE(program_->isConnected());
    ASSERT_TRUE(logind_->isConnected());
  }

  void TearDown() override {
    program_.reset();
    logind_.reset();
    QDBusConnection::disconnectFromBus("program");
    QDBusConnection::disconnectFromBus("logind");
    if (daemon_.state() != QProcess::NotRunning) {
      daemon_.kill();
      daemon_.waitForFinished(testdeadline::StretchedMs(20000));
    }
  }

  void RunLogind() {
    ASSERT_TRUE(logind_->registerService(PowerEvents::kService));
    ASSERT_TRUE(logind_->registerObject(PowerEvents::kPath, &fake_, QDBusConnection::ExportScriptableSlots));
  }

  void SendPrepareForSleep(QDBusConnection& from, bool start) {
    QDBusMessage signal = QDBusMessage::createSignal(PowerEvents::kPath, PowerEvents::kInterface, "PrepareForSleep");
    signal << start;
    ASSERT_TRUE(from.send(signal));
  }

  QProcess daemon_;
  QString address_;
  std::unique_ptr<QDBusConnection> program_;
  std::unique_ptr<QDBusConnection> logind_;
  FakeLogind fake_;
};

TEST_F(PowerEventsTest, SuspendAndResumeAreReportedAndTheDelayLockFollows) {
  RunLogind();
  PowerEvents power;
  std::vector<bool> events;
  std::vector<bool> lockHeldAtEvent;
  QObject::connect(&power, &PowerEvents::powerEvent, [&](bool sleeping) {
    events.push_back(sleeping);
    lockHeldAtEvent.push_back(power.HoldsDelayLock());
  });
  ASSERT_TRUE(power.Start(*program_));
  ASSERT_TRUE(apptest::SpinUntil([&] { return power.HoldsDelayLock(); }));
  ASSERT_EQ(fake_.inhibitCalls.size(), 1u);
  EXPECT_EQ(fake_.inhibitCalls[0][0], "sleep");
  EXPECT_EQ(fake_.inhibitCalls[0][3], "delay");

  // Suspend: reported while the lock is still held, then the lock is given back.
  SendPrepareForSleep(*logind_, true);
  ASSERT_TRUE(apptest::SpinUntil([&] { return events.size() == 1; }));
  EXPECT_TRUE(events[0]);
  EXPECT_TRUE(lockHeldAtEvent[0]) << "the handler runs before the machine may sleep";
  EXPECT_FALSE(power.HoldsDelayLock());
  EXPECT_TRUE(apptest::SpinUntil([&] { return fake_.Released(0); }));

  // Resume: reported, and a new lock for the next suspend.
  SendPrepareForSleep(*logind_, false);
  ASSERT_TRUE(apptest::SpinUntil([&] { return events.size() == 2; }));
  EXPECT_FALSE(events[1]);
  EXPECT_TRUE(apptest::SpinUntil([&] { return power.HoldsDelayLock(); }));
  EXPECT_EQ(fake_.inhibitCalls.size(), 2u);
}

TEST_F(PowerEventsTest, SignalsFromAnyoneButLogindAreIgnored) {
  RunLogind();
  PowerEvents power;
  int events = 0;
  QObject::connect(&power, &PowerEvents::powerEvent, [&](bool) { ++events; });
  ASSERT_TRUE(power.Start(*program_));
  QDBusConnection stranger = QDBusConnection::connectToBus(address_, "stranger");
  SendPrepareForSleep(stranger, true);
  apptest::SpinFor(200);
  EXPECT_EQ(events, 0);
  QDBusConnection::disconnectFromBus("stranger");
}

TEST_F(PowerEventsTest, WithoutLogindThereIsNoLockAndNothingWaits) {
  PowerEvents power;
  EXPECT_TRUE(power.Start(*program_));
  apptest::SpinFor(200);
  EXPECT_FALSE(power.HoldsDelayLock());
}

TEST(PowerEventsNoBusTest, WithoutABusThereAreNoEvents) {
  QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "none");
  PowerEvents power;
  EXPECT_FALSE(power.Start(none));
  EXPECT_FALSE(power.Started());
  QDBusConnection::disconnectFromBus("none");
}

}  // namespace

#include "power_events_test.moc"
