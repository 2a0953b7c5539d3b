#include "BackupRun.h"
#include "mainwindow/MainWindow.h"
#include "support/PrivateBus.h"
#include "Trees.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

using namespace e2e;

namespace {

// The sleep guard's period in these tests, set on its timer; under 20 ms Qt keeps a timer
// precise, so it never fires sooner than its period.
constexpr int kShortPeriodMs = 10;

// A session bus of the test's own, and on it the fake screen saver (a child process) that
// reports every user-activity call it receives.
class PrivateSessionBus {
public:
    // False when no bus or no fake service could be started.
    bool start() {
        if (!bus_.start())
            return false;
        // Set before this process first uses the session bus, which connects on first use.
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus_.address().toUtf8());

        QObject::connect(&screenSaver_, &QProcess::readyReadStandardOutput, &screenSaver_,
                         [this] { readReports(); });
        screenSaver_.start(QCoreApplication::applicationDirPath() + "/e2e_fake_screensaver",
                           QStringList());
        return screenSaver_.waitForStarted(5000) && waitUntil([this] { return ready_; }, 5000);
    }

    ~PrivateSessionBus() {
        if (screenSaver_.state() != QProcess::NotRunning) {
            screenSaver_.kill();
            screenSaver_.waitForFinished(5000);
        }
    }

    int calls() const { return calls_; }

private:
    void readReports() {
        while (screenSaver_.canReadLine()) {
            const QByteArray line = screenSaver_.readLine().trimmed();
            if (line == "ready")
                ready_ = true;
            else if (line == "SimulateUserActivity")
                ++calls_;
        }
    }

    PrivateBus bus_;
    QProcess screenSaver_;
    bool ready_ = false;
    int calls_ = 0;
};

// Runs the event loop for a while, as an idle window would.
void idleFor(int milliseconds) {
    waitUntil([] { return false; }, milliseconds);
}

class SleepGuard : public BackupRunTest {};

TEST_F(SleepGuard, CallsTheScreenSaverEveryPeriodWhileARunLastsAndNeverWhenIdle) {
    // Ticks watched while the run is held, a known number of periods.
    constexpr int kHeldTicks = 10;
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.start()) << "no private session bus with the fake screen saver";
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected())
        << "the process was connected to another session bus before";
    writeOneSet();
    writeFile(path("src/a.txt"), "a");
    mainwindow::MainWindow& shown = window();
    shown.tmrNoSleep->setInterval(kShortPeriodMs);
    int ticks = 0;
    QObject::connect(shown.tmrNoSleep, &QTimer::timeout, shown.tmrNoSleep, [&ticks] { ++ticks; });

    idleFor(20 * kShortPeriodMs);
    EXPECT_EQ(ticks, 0) << "ticked before any run";
    EXPECT_EQ(bus.calls(), 0) << "called before any run";

    // The run is held inside its listing: it lasts, with the event loop running, until the
    // guard has ticked the periods watched.
    QElapsedTimer run;
    run.start();
    runBackup([&] {
        EXPECT_TRUE(waitUntil([&ticks] { return ticks >= kHeldTicks; }))
            << "the guard ticked " << ticks << " times in a held run";
        EXPECT_TRUE(shown.BackingUp);
        EXPECT_TRUE(listingUnderWay());
    });
    const qint64 runMs = run.elapsed();
    EXPECT_FALSE(shown.tmrNoSleep->isActive());

    // The timer never fires more often than its period, and every tick's call reaches the
    // screen saver, however late.
    const int duringRun = ticks;
    EXPECT_GE(duringRun, kHeldTicks);
    EXPECT_LE(duringRun, runMs / kShortPeriodMs + 1) << "in " << runMs << " ms";
    EXPECT_TRUE(waitUntil([&] { return bus.calls() >= duringRun; }, kStepTimeoutMs));

    idleFor(20 * kShortPeriodMs);
    EXPECT_EQ(ticks, duringRun) << "ticked after the run";
    EXPECT_EQ(bus.calls(), duringRun) << "called after the run";
}

TEST_F(SleepGuard, TicksEveryFiveSecondsFromStartToTheEndOfTheRun) {
    writeOneSet();
    writeFile(path("src/a.txt"), "a");
    mainwindow::MainWindow& shown = window();
    EXPECT_FALSE(shown.tmrNoSleep->isActive());

    bool activeInRun = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        activeInRun |=
            shown.BackingUp && shown.tmrNoSleep->isActive() && shown.tmrNoSleep->interval() == 5000;
    });
    watch.start(0);
    runBackup();

    EXPECT_TRUE(activeInRun);
    EXPECT_FALSE(shown.tmrNoSleep->isActive());
}

} // namespace
