#include "fw/DiskThread.h"

#include "fw/Thread.h"
#include "support/Gate.h"

#include <atomic>
#include <gtest/gtest.h>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int waitMs = 20000;

bool waitUntilEnded(const fw::Thread& thread) {
    return QTest::qWaitFor([&thread] { return thread.State() == fw::Thread::NotRunning; }, waitMs);
}

// True once a 0 ms timer started now has fired: the event loop ran.
bool timerFires() {
    bool fired = false;
    QTimer::singleShot(0, qApp, [&fired] { fired = true; });
    return QTest::qWaitFor([&fired] { return fired; }, waitMs);
}

TEST(DiskThread, AWorkerWaitingForABlockedJobLetsTheEventLoopRunAndGoesOnWhenItEnds) {
    Gate gate;
    std::vector<std::string> steps;
    std::thread::id jobThread;
    fw::Thread worker;
    worker.onRun([&] {
        steps.push_back("before");
        fw::onDiskThread([&] {
            jobThread = std::this_thread::get_id();
            gate.pass();
        });
        steps.push_back("after");
    });
    worker.Run();
    ASSERT_TRUE(QTest::qWaitFor([&gate] { return gate.reached(); }, waitMs));

    EXPECT_TRUE(timerFires()) << "the window froze while the worker waited";
    EXPECT_EQ(steps, std::vector<std::string>{"before"}) << "the worker went on before its job";
    EXPECT_EQ(worker.State(), fw::Thread::Running);

    gate.open();
    ASSERT_TRUE(waitUntilEnded(worker));
    EXPECT_EQ(steps, (std::vector<std::string>{"before", "after"}));
    EXPECT_NE(jobThread, std::this_thread::get_id());
}

// The kill answers at once, but the worker's frames stay until its job, which uses them, has
// ended: only then do its destructors run.
TEST(DiskThread, AWorkerKilledWhileItWaitsUnwindsOnlyOnceItsJobHasEnded) {
    Gate gate;
    std::atomic<bool> jobEnded{false};
    bool destroyed = false;
    bool jobEndedFirst = false;
    bool ranOn = false;
    fw::Thread worker;
    worker.onRun([&] {
        struct Witness {
            const std::atomic<bool>& jobEnded;
            bool& destroyed;
            bool& jobEndedFirst;
            ~Witness() {
                jobEndedFirst = jobEnded;
                destroyed = true;
            }
        } witness{jobEnded, destroyed, jobEndedFirst};
        std::vector<char> data(4096, 'x');
        fw::onDiskThread([&] {
            gate.pass();
            data.assign(data.size(), 'y');
            jobEnded = true;
        });
        ranOn = true;
    });
    worker.Run();
    ASSERT_TRUE(QTest::qWaitFor([&gate] { return gate.reached(); }, waitMs));

    worker.Kill();
    EXPECT_FALSE(gate.isOpen()) << "the kill waited for the job";
    EXPECT_FALSE(destroyed) << "unwound while its job still used its data";
    EXPECT_EQ(worker.State(), fw::Thread::Running);

    gate.open();
    ASSERT_TRUE(waitUntilEnded(worker));
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(jobEndedFirst);
    EXPECT_FALSE(ranOn) << "a step after the kill ran";
}

// A job's loops stop at their yield points once the worker waiting for it was killed, so a
// long copy ends soon after a cancel.
TEST(DiskThread, AKilledWorkersJobStopsAtItsNextYieldPoint) {
    std::atomic<bool> looping{false};
    std::atomic<bool> ranOut{false};
    fw::Thread worker;
    worker.onRun([&] {
        fw::onDiskThread([&] {
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (std::chrono::steady_clock::now() < limit) {
                looping = true;
                fw::yieldPointAfterHeavyStep();
            }
            ranOut = true;
        });
    });
    worker.Run();
    ASSERT_TRUE(QTest::qWaitFor([&looping] { return looping.load(); }, waitMs));

    worker.Kill();

    ASSERT_TRUE(waitUntilEnded(worker));
    EXPECT_FALSE(ranOut) << "the job ran to its end after the kill";
}

// Outside a worker the GUI thread handles events while it waits: here a timer is what lets
// the job go on, and the job's failure reaches the caller.
TEST(DiskThread, TheGuiThreadHandlesEventsWhileItWaitsAndGetsTheJobsFailure) {
    Gate gate;
    bool openedByTimer = false;
    QTimer::singleShot(0, qApp, [&] {
        openedByTimer = !gate.isOpen();
        gate.open();
    });

    EXPECT_THROW(fw::onDiskThread([&gate] {
                     gate.pass();
                     throw std::runtime_error("disk gone");
                 }),
                 std::runtime_error);
    EXPECT_TRUE(openedByTimer) << "no event was handled while the GUI thread waited";
}

// Jobs run one after another in the order given, those nobody waits for too.
TEST(DiskThread, JobsRunInTheOrderGiven) {
    std::vector<int> order;
    fw::inBackground([&order] { order.push_back(1); });
    fw::inBackground([&order] { order.push_back(2); });
    fw::onDiskThread([&order] { order.push_back(3); });
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

} // namespace
