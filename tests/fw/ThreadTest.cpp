#include "fw/Thread.h"

#include "support/DialogDriver.h"
#include "support/WorkerHold.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <stdexcept>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int waitMs = 10000;

// Sets its flag when destroyed: shows that a killed worker's destructors ran.
struct DestructionFlag {
    bool& destroyed;
    ~DestructionFlag() { destroyed = true; }
};

bool waitUntilEnded(const fw::Thread& thread) {
    return QTest::qWaitFor([&thread] { return thread.State() == fw::Thread::NotRunning; }, waitMs);
}

// Runs the event loop until it has nothing left to do, without waiting for anything, and
// gives the number of turns that found work. A worker's slice is started by a 0 ms timer, so
// a worker still scheduled keeps the loop busy until the cap.
constexpr int busyTurns = 1000;
int turnsUntilIdle() {
    int turns = 0;
    while (turns < busyTurns &&
           QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents))
        ++turns;
    return turns;
}

void busyWaitYielding(std::chrono::milliseconds length) {
    const auto end = Clock::now() + length;
    while (Clock::now() < end)
        fw::yieldPoint();
}

// A worker that counts its loop passes until it is killed.
void countForever(long& passes) {
    for (;;) {
        ++passes;
        fw::yieldPoint();
    }
}

// Runs action once, from a timer on the main loop, as soon as a modal dialog is shown.
void whenModalShown(QObject* context, std::function<void(QWidget*)> action) {
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action = std::move(action)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            action(modal);
            poll->deleteLater();
        }
    });
    poll->start(5);
}

void clickButton(QWidget* dialog, const QString& caption) {
    for (auto* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->text().remove('&') == caption) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button " << caption.toStdString();
}

QMessageBox::StandardButton askYesNo() {
    return QMessageBox::question(nullptr, "Worker", "Go on?", QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No);
}

class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST(Thread, RunStartsOnceAndStateFollowsTheFiber) {
    fw::Thread thread;
    int runs = 0;
    thread.onRun([&runs] {
        ++runs;
        busyWaitYielding(30ms);
    });
    EXPECT_EQ(thread.State(), fw::Thread::NotRunning);

    thread.Run();
    EXPECT_EQ(thread.State(), fw::Thread::Running);
    thread.Run();
    ASSERT_TRUE(waitUntilEnded(thread));
    EXPECT_EQ(runs, 1);

    thread.Run();
    ASSERT_TRUE(waitUntilEnded(thread));
    EXPECT_EQ(runs, 2);

    thread.Kill();
    EXPECT_EQ(thread.State(), fw::Thread::NotRunning);
}

TEST(Thread, YieldInsideASliceIsCheap) {
    constexpr long calls = 10'000'000;
#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
    // Instrumented or unoptimised code: only a gross regression (a clock read or a switch on
    // every call) is caught here.
    constexpr double maxNanosecondsPerCall = 100.0;
#else
    constexpr double maxNanosecondsPerCall = 20.0;
#endif
    fw::Thread thread;
    // Processor time, so that a busy machine taking the processor away does not count.
    std::clock_t used = 0;
    thread.onRun([&used] {
        const std::clock_t start = std::clock();
        for (long i = 0; i < calls; ++i)
            fw::yieldPoint();
        used = std::clock() - start;
    });
    thread.Run();
    ASSERT_TRUE(waitUntilEnded(thread));

    const double nanosecondsPerCall = 1e9 * used / CLOCKS_PER_SEC / calls;
    EXPECT_LT(nanosecondsPerCall, maxNanosecondsPerCall);
}

// Processor time of the GUI thread, which runs both the worker and the event loop. Time the
// machine gives to other processes does not count, so a busy machine cannot stretch it.
Clock::duration guiThreadTime() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

TEST(Thread, LongWorkerReturnsToTheEventLoopEverySlice) {
    constexpr int wantedTicks = 20;
    PaintCounter widget;
    widget.resize(50, 50);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));

    // The application's own event loop, not a test wait (which sleeps between its rounds).
    QEventLoop loop;
    fw::Thread thread;
    bool running = false;
    int ticksDuringRun = 0;
    int paintsDuringRun = 0;
    // The worker never ends by itself: it works until the event loop has had its turns, which
    // only a worker that gives way lets happen (the limit ends a worker that never does).
    thread.onRun([&] {
        running = true;
        const int paintsBefore = widget.paints;
        const auto limit = Clock::now() + std::chrono::milliseconds(waitMs);
        while (ticksDuringRun < wantedTicks && Clock::now() < limit) {
            widget.update();
            fw::yieldPoint();
        }
        paintsDuringRun = widget.paints - paintsBefore;
        running = false;
        loop.quit();
    });

    QTimer ticker;
    Clock::duration longestWork{};
    auto lastTick = guiThreadTime();
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        const auto now = guiThreadTime();
        if (running) {
            ++ticksDuringRun;
            longestWork = std::max(longestWork, now - lastTick);
        }
        lastTick = now;
    });
    ticker.start(0);

    thread.Run();
    loop.exec();
    ASSERT_TRUE(waitUntilEnded(thread));

    ASSERT_EQ(ticksDuringRun, wantedTicks);
    // A slice is about 16 ms of the clock; the processor time between two turns of the loop
    // is at most that plus the loop's own work. A worker that kept the thread would show here.
    EXPECT_LT(longestWork, 50ms);
    EXPECT_GE(paintsDuringRun, 5);
}

// Steps that each take longer than a slice (a chunk of a large file): the worker gives way
// after every one of them, so the event loop runs between any two, whatever a step costs.
TEST(Thread, HeavyStepsGiveWayAfterEachStep) {
    constexpr int stepCount = 6;
    fw::Thread thread;
    int steps = 0;
    thread.onRun([&steps] {
        for (int step = 0; step < stepCount; ++step) {
            const auto end = Clock::now() + 20ms;
            while (Clock::now() < end) {
            }
            ++steps;
            fw::yieldPointAfterHeavyStep();
        }
    });

    QTimer ticker;
    int stepsAtTick = 0;
    int mostStepsBetweenTicks = 0;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        mostStepsBetweenTicks = std::max(mostStepsBetweenTicks, steps - stepsAtTick);
        stepsAtTick = steps;
    });
    ticker.start(0);
    thread.Run();
    ASSERT_TRUE(waitUntilEnded(thread));

    ASSERT_EQ(steps, stepCount);
    EXPECT_EQ(mostStepsBetweenTicks, 1);
}

TEST(Thread, KillFromTheMainThreadUnwindsAtTheYieldPoint) {
    fw::Thread thread;
    bool destroyed = false;
    bool laterStep = false;
    long passes = 0;
    thread.onRun([&] {
        DestructionFlag flag{destroyed};
        countForever(passes);
        laterStep = true;
    });
    thread.Run();
    ASSERT_TRUE(QTest::qWaitFor([&passes] { return passes > 1000; }, waitMs));
    ASSERT_EQ(thread.State(), fw::Thread::Running);

    thread.Kill();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(thread.State(), fw::Thread::NotRunning);
    const long passesAtKill = passes;
    turnsUntilIdle();
    EXPECT_EQ(passes, passesAtKill);
    EXPECT_FALSE(laterStep);
}

TEST(Thread, KillBeforeTheFirstSliceRunsNothing) {
    fw::Thread thread;
    bool ran = false;
    thread.onRun([&ran] { ran = true; });
    thread.Run();
    thread.Kill();
    EXPECT_EQ(thread.State(), fw::Thread::NotRunning);
    turnsUntilIdle();
    EXPECT_FALSE(ran);
}

TEST(Thread, DestroyingAThreadUnwindsItsSuspendedWorker) {
    auto thread = std::make_unique<fw::Thread>();
    bool destroyed = false;
    long passes = 0;
    thread->onRun([&] {
        DestructionFlag flag{destroyed};
        countForever(passes);
    });
    thread->Run();
    ASSERT_TRUE(QTest::qWaitFor([&passes] { return passes > 0; }, waitMs));

    thread.reset();
    EXPECT_TRUE(destroyed);
    const long passesAtDestruction = passes;
    turnsUntilIdle();
    EXPECT_EQ(passes, passesAtDestruction);
}

// The test seam that stops a run in a state a test waits for: the worker stops in the middle
// of its slice once the state holds, stands still with the event loop asleep, can still be
// killed, and no other worker runs until the hold is released.
TEST(Thread, HeldWorkersStandStillUntilReleasedAndCanStillBeKilled) {
    constexpr long heldAt = 1000;
    fw::Thread counting;
    fw::Thread waiting;
    bool destroyed = false;
    long passes = 0;
    bool waitingRan = false;
    counting.onRun([&] {
        DestructionFlag flag{destroyed};
        countForever(passes);
    });
    waiting.onRun([&waitingRan] { waitingRan = true; });
    auto hold = std::make_unique<WorkerHold>([&passes] { return passes >= heldAt; });
    counting.Run();
    ASSERT_TRUE(QTest::qWaitFor([&passes] { return passes >= heldAt; }, waitMs));
    const long passesWhenHeld = passes;
    // yieldPoint() asks on every 64th call, where it reads the clock.
    EXPECT_LT(passesWhenHeld, heldAt + 64);

    waiting.Run();
    // A timer armed for slices would keep the loop busy although no slice may run.
    EXPECT_LT(turnsUntilIdle(), busyTurns);
    EXPECT_EQ(passes, passesWhenHeld);
    EXPECT_FALSE(waitingRan);

    counting.Kill();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(counting.State(), fw::Thread::NotRunning);
    EXPECT_EQ(waiting.State(), fw::Thread::Running);

    hold.reset();
    ASSERT_TRUE(waitUntilEnded(waiting));
    EXPECT_TRUE(waitingRan);
    EXPECT_EQ(passes, passesWhenHeld);
}

TEST(Thread, WorkerKillingItselfUnwindsAtOnce) {
    fw::Thread thread;
    bool destroyed = false;
    bool laterStep = false;
    thread.onRun([&] {
        DestructionFlag flag{destroyed};
        busyWaitYielding(30ms);
        thread.Kill();
        laterStep = true;
    });
    thread.Run();
    ASSERT_TRUE(waitUntilEnded(thread));
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(laterStep);
}

TEST(Thread, WorkerStartsAnotherAndKillsItself) {
    fw::Thread first;
    fw::Thread second;
    bool firstLaterStep = false;
    bool secondFinished = false;
    first.onRun([&] {
        busyWaitYielding(20ms);
        second.Run();
        EXPECT_EQ(second.State(), fw::Thread::Running);
        first.Kill();
        firstLaterStep = true;
    });
    second.onRun([&] {
        EXPECT_EQ(first.State(), fw::Thread::NotRunning);
        busyWaitYielding(50ms);
        secondFinished = true;
    });
    first.Run();
    ASSERT_TRUE(waitUntilEnded(first));
    ASSERT_TRUE(waitUntilEnded(second));
    EXPECT_FALSE(firstLaterStep);
    EXPECT_TRUE(secondFinished);
}

TEST(Thread, WorkerShowsAModalWhileAnotherWorkerKeepsRunning) {
    QObject context;
    fw::Thread asking;
    fw::Thread counting;
    long passes = 0;
    counting.onRun([&passes] { countForever(passes); });

    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    bool finished = false;
    asking.onRun([&] {
        answer = askYesNo();
        busyWaitYielding(30ms);
        finished = true;
    });

    long passesWhileModal = 0;
    bool yieldsInHandlerKeptTheWorker = false;
    whenModalShown(&context, [&](QWidget* dialog) {
        // A handler inside the worker's modal runs on the worker's stack: its yield points
        // must not switch the worker out, so nothing else runs during them.
        const long passesBefore = passes;
        busyWaitYielding(40ms);
        yieldsInHandlerKeptTheWorker = passes == passesBefore;

        const long atStart = passes;
        EXPECT_TRUE(QTest::qWaitFor([&] { return passes > atStart + 1000; }, waitMs));
        passesWhileModal = passes - atStart;
        clickButton(dialog, "Yes");
    });

    counting.Run();
    asking.Run();
    ASSERT_TRUE(waitUntilEnded(asking));
    EXPECT_EQ(answer, QMessageBox::Yes);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(yieldsInHandlerKeptTheWorker);
    EXPECT_GT(passesWhileModal, 1000);
    EXPECT_EQ(counting.State(), fw::Thread::Running);
    counting.Kill();
    EXPECT_EQ(counting.State(), fw::Thread::NotRunning);
}

TEST(Thread, KillWhileInAModalTakesEffectAtTheNextYield) {
    QObject context;
    fw::Thread thread;
    bool destroyed = false;
    bool stepAfterModal = false;
    bool stepAfterYield = false;
    thread.onRun([&] {
        DestructionFlag flag{destroyed};
        askYesNo();
        stepAfterModal = true;
        for (int i = 0; i < 64; ++i)
            fw::yieldPoint();
        stepAfterYield = true;
    });

    bool stillRunningAfterKill = false;
    bool destroyedDuringModal = true;
    whenModalShown(&context, [&](QWidget* dialog) {
        thread.Kill();
        stillRunningAfterKill = thread.State() == fw::Thread::Running;
        destroyedDuringModal = destroyed;
        clickButton(dialog, "No");
    });

    thread.Run();
    ASSERT_TRUE(waitUntilEnded(thread));
    EXPECT_TRUE(stillRunningAfterKill);
    EXPECT_FALSE(destroyedDuringModal);
    EXPECT_TRUE(stepAfterModal);
    EXPECT_FALSE(stepAfterYield);
    EXPECT_TRUE(destroyed);
}

TEST(Thread, ExceptionInAWorkerIsReportedAndTheApplicationGoesOn) {
    fw::Thread failing;
    failing.onRun([] {
        busyWaitYielding(20ms);
        throw std::runtime_error("disk on fire");
    });
    const auto report = answerNextDialog("OK");
    failing.Run();
    ASSERT_TRUE(waitForDialogs());
    ASSERT_TRUE(waitUntilEnded(failing));
    EXPECT_TRUE(report->answered);
    EXPECT_TRUE(report->text.contains("disk on fire")) << report->text.toStdString();

    fw::Thread next;
    bool nextFinished = false;
    next.onRun([&nextFinished] {
        busyWaitYielding(20ms);
        nextFinished = true;
    });
    next.Run();
    ASSERT_TRUE(waitUntilEnded(next));
    EXPECT_TRUE(nextFinished);
}

// Each worker keeps its own record of the exception it is handling, even when it gives way
// inside a catch block and another worker throws and catches meanwhile.
TEST(Thread, ExceptionsBeingHandledStayWithTheirWorker) {
    fw::Thread handling;
    fw::Thread throwing;
    QString rethrown;
    handling.onRun([&rethrown] {
        try {
            try {
                throw std::runtime_error("first worker's");
            } catch (const std::exception&) {
                busyWaitYielding(60ms);
                throw;
            }
        } catch (const std::runtime_error& e) {
            rethrown = e.what();
        }
    });
    int caught = 0;
    throwing.onRun([&caught] {
        const auto end = Clock::now() + 60ms;
        while (Clock::now() < end) {
            try {
                throw std::logic_error("second worker's");
            } catch (const std::logic_error&) {
                ++caught;
                fw::yieldPoint();
            }
        }
    });
    handling.Run();
    throwing.Run();
    ASSERT_TRUE(waitUntilEnded(handling));
    ASSERT_TRUE(waitUntilEnded(throwing));
    EXPECT_EQ(rethrown, "first worker's");
    EXPECT_GT(caught, 0);
}

// Quitting unwinds the workers still waiting to run, both those whose Thread goes with the
// application and those whose Thread outlives it: their destructors run before the
// application object is gone, and nothing they hold leaks (in the sanitizer build a leak
// changes the child's exit code).
TEST(ThreadDeathTest, ApplicationExitUnwindsWaitingWorkers) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static fw::Thread* outliving = new fw::Thread;
            auto* owned = new fw::Thread(qApp);
            int started = 0;
            int unwound = 0;
            long passes = 0;
            for (fw::Thread* thread : {outliving, owned}) {
                thread->onRun([&started, &unwound, &passes] {
                    ++started;
                    struct Count {
                        int& unwound;
                        ~Count() { ++unwound; }
                    } count{unwound};
                    const auto held = std::make_unique<std::vector<long>>(1000);
                    countForever(passes);
                });
                thread->Run();
            }
            if (!QTest::qWaitFor([&started] { return started == 2; }, waitMs))
                std::exit(2);
            delete qApp;
            std::exit(unwound == 2 && outliving->State() == fw::Thread::NotRunning ? 0 : 3);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
