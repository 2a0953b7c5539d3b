#include "BackupRun.h"
#include "FakeDesktop.h"
#include "mainwindow/MainWindow.h"
#include "Trees.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace e2e;

namespace {

// The sleep guard's period in these tests, set on its timer; under 20 ms Qt keeps a timer
// precise, so it never fires sooner than its period.
constexpr int kShortPeriodMs = 10;

// Runs the event loop for a while, as an idle window would.
void idleFor(int milliseconds) {
    waitUntil([] { return false; }, milliseconds);
}

class SleepGuard : public BackupRunTest {};

TEST_F(SleepGuard, CallsTheScreenSaverEveryPeriodWhileARunLastsAndNeverWhenIdle) {
    // Ticks watched while the run is held, a known number of periods.
    constexpr int kHeldTicks = 10;
    FakeDesktop bus;
    ASSERT_TRUE(bus.start({QStringLiteral("screensaver")}))
        << "no private session bus with the fake screen saver";
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
    EXPECT_EQ(bus.count("SimulateUserActivity"), 0) << "called before any run";

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
    EXPECT_TRUE(
        waitUntil([&] { return bus.count("SimulateUserActivity") >= duringRun; }, kStepTimeoutMs));

    idleFor(20 * kShortPeriodMs);
    EXPECT_EQ(ticks, duringRun) << "ticked after the run";
    EXPECT_EQ(bus.count("SimulateUserActivity"), duringRun) << "called after the run";
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

// The desktop services the inhibitor may be held by, in the order they are asked.
const QStringList kInhibitingServices{QStringLiteral("portal"), QStringLiteral("gnome"),
                                      QStringLiteral("powermanagement"), QStringLiteral("login1")};

// A desktop offering the inhibiting services from the one named on: the ones before it are
// missing, so the inhibitor must come from it.
class Inhibitor : public BackupRunTest, public ::testing::WithParamInterface<QString> {
protected:
    void SetUp() override {
        BackupRunTest::SetUp();
        const QStringList offered =
            kInhibitingServices.mid(kInhibitingServices.indexOf(GetParam()));
        ASSERT_TRUE(desktop_.start(offered)) << "no private buses with the fake services";
        writeOneSet();
        writeFile(path("src/a.txt"), "a");
    }

    QByteArray line(const char* event) const {
        return QByteArray(event) + ' ' + GetParam().toUtf8();
    }

    // Held by the one service expected, and by no other.
    void expectHeldOnlyByTheService() {
        EXPECT_TRUE(desktop_.waitFor(line("inhibit"))) << desktop_.lines().toStdString();
        EXPECT_EQ(desktop_.count(line("release")), 0) << desktop_.lines().toStdString();
        for (const QString& other : kInhibitingServices) {
            if (other != GetParam()) {
                EXPECT_EQ(desktop_.count("asked " + other.toUtf8()), 0)
                    << desktop_.lines().toStdString();
            }
        }
    }

    FakeDesktop desktop_;
};

TEST_P(Inhibitor, IsHeldWhileARunLastsAndReleasedAtItsEnd) {
    EXPECT_EQ(desktop_.count(line("inhibit")), 0) << "held before any run";
    runBackup([this] {
        expectHeldOnlyByTheService();
        EXPECT_TRUE(window().BackingUp);
    });
    EXPECT_TRUE(desktop_.waitFor(line("release"))) << desktop_.lines().toStdString();
    EXPECT_EQ(desktop_.count(line("inhibit")), 1);
}

TEST_P(Inhibitor, IsReleasedWhenTheRunIsCancelled) {
    holdWorkersWhen(listingUnderWay);
    window().btn_Backup->click();
    ASSERT_TRUE(waitUntil(listingUnderWay));
    expectHeldOnlyByTheService();
    const auto question = answerNextDialog("Yes");
    window().btn_Backup->click();
    ASSERT_TRUE(waitForDialogs());
    ASSERT_TRUE(question->answered);
    EXPECT_FALSE(window().BackingUp);
    EXPECT_TRUE(desktop_.waitFor(line("release"))) << desktop_.lines().toStdString();
}

INSTANTIATE_TEST_SUITE_P(FirstServiceThere, Inhibitor, ::testing::ValuesIn(kInhibitingServices),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             return info.param.toStdString();
                         });

// A cancel while the portal has not answered yet: what it grants afterwards is given back.
TEST_F(SleepGuard, AnInhibitorGrantedAfterTheRunWasCancelledIsReleased) {
    FakeDesktop desktop;
    ASSERT_TRUE(desktop.start({QStringLiteral("--hold-answers"), QStringLiteral("portal")}));
    writeOneSet();
    writeFile(path("src/a.txt"), "a");
    holdWorkersWhen(listingUnderWay);
    window().btn_Backup->click();
    ASSERT_TRUE(waitUntil(listingUnderWay));
    ASSERT_TRUE(desktop.waitFor("asked portal"));
    const auto question = answerNextDialog("Yes");
    window().btn_Backup->click();
    ASSERT_TRUE(waitForDialogs());
    ASSERT_FALSE(window().BackingUp);
    EXPECT_EQ(desktop.count("inhibit portal"), 0);

    desktop.answer();
    EXPECT_TRUE(desktop.waitFor("inhibit portal"));
    EXPECT_TRUE(desktop.waitFor("release portal")) << desktop.lines().toStdString();
}

} // namespace
