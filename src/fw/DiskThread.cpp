#include "DiskThread.h"

#include "ExceptionText.h"
#include "Logging.h"
#include "Scheduler.h"
#include "Thread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <QCoreApplication>
#include <QEventLoop>
#include <thread>

namespace fw {

namespace {

// How long a caller watches for the end of its job before it gives way, and how long the disk
// thread watches for the next job before it sleeps. A thread woken from sleep costs several
// microseconds, so for the small jobs of a fast disk (one file copied in tens of microseconds)
// both sides stay awake; a job that takes longer than this waits on a disk and is worth giving
// way for.
constexpr std::chrono::microseconds callerWatch{40};
constexpr std::chrono::microseconds threadWatch{200};

thread_local bool onTheDiskThread = false;
// The cancellation flag of the job running on this thread, if it has one.
thread_local const std::atomic<bool>* runningCancel = nullptr;

template <typename Predicate>
bool holdsWithin(std::chrono::microseconds watch, Predicate holds) {
    const auto end = std::chrono::steady_clock::now() + watch;
    for (unsigned int n = 1;; ++n) {
        if (holds())
            return true;
        if ((n & 15) == 0 && std::chrono::steady_clock::now() >= end)
            return false;
    }
}

class DiskThread {
public:
    static DiskThread& instance() {
        // Never destroyed: jobs may still be given while the program ends.
        static DiskThread* const thread = new DiskThread;
        return *thread;
    }

    // A job waited for (`waited`) or one nobody waits for (`background`).
    void give(DiskJob* waited, std::function<void()> background,
              std::shared_ptr<const std::atomic<bool>> cancelled) {
        const std::lock_guard lock(mutex_);
        queue_.push_back({waited, std::move(background), std::move(cancelled)});
        queued_.fetch_add(1, std::memory_order_release);
        ++given_;
        if (sleeping_)
            wakeUp_.notify_one();
    }

    void finishAll() {
        std::unique_lock lock(mutex_);
        drained_.wait(lock, [this] { return finished_ == given_; });
    }

private:
    struct Entry {
        DiskJob* waited;
        std::function<void()> background;
        std::shared_ptr<const std::atomic<bool>> cancelled;
    };

    DiskThread() {
        std::thread([this] { loop(); }).detach();
    }

    void loop() {
        onTheDiskThread = true;
        for (;;) {
            holdsWithin(threadWatch,
                        [this] { return queued_.load(std::memory_order_acquire) != 0; });
            std::unique_lock lock(mutex_);
            sleeping_ = true;
            wakeUp_.wait(lock, [this] { return !queue_.empty(); });
            sleeping_ = false;
            Entry entry = std::move(queue_.front());
            queue_.pop_front();
            queued_.fetch_sub(1, std::memory_order_relaxed);
            lock.unlock();
            run(entry);
            lock.lock();
            ++finished_;
            if (finished_ == given_)
                drained_.notify_all();
        }
    }

    static void run(Entry& entry) {
        if (!entry.waited) {
            runningCancel = entry.cancelled.get();
            try {
                entry.background();
            } catch (const ThreadKilled&) {
            } catch (...) {
                qCWarning(lcFw) << "a job on the disk thread failed:" << currentExceptionText();
            }
            runningCancel = nullptr;
            return;
        }
        DiskJob& job = *entry.waited;
        runningCancel = job.cancelled;
        try {
            job.work();
        } catch (...) {
            job.failure = std::current_exception();
        }
        runningCancel = nullptr;
        // Once the job is Done, a caller that still watches may return and end it: only a
        // caller that asked to be woken is still there, and it stays until it is woken.
        if (job.state.exchange(DiskJob::Done, std::memory_order_acq_rel) == DiskJob::Waited) {
            const std::function<void()> wake = job.wake;
            job.state.store(DiskJob::Woken, std::memory_order_release);
            wake();
        }
    }

    std::mutex mutex_;
    std::condition_variable wakeUp_;
    std::condition_variable drained_;
    std::deque<Entry> queue_;
    std::atomic<std::size_t> queued_{0};
    bool sleeping_ = false;
    std::size_t given_ = 0;
    std::size_t finished_ = 0;
};

// The GUI thread outside a worker's own code: the window's events are handled until the job
// is done.
void waitInEventLoop(DiskJob& job) {
    QEventLoop loop;
    job.wake = [&loop] {
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    };
    int expected = DiskJob::Queued;
    if (job.state.compare_exchange_strong(expected, DiskJob::Waited, std::memory_order_acq_rel))
        loop.exec();
}

} // namespace

void onDiskThread(const std::function<void()>& job, std::atomic<bool>* cancelFlag) {
    if (onTheDiskThread) {
        job();
        return;
    }
    // A killed worker starts nothing more.
    yieldPointAfterHeavyStep();
    DiskJob entry(job, cancelFlag);
    DiskThread::instance().give(&entry, {}, {});
    const bool soon = holdsWithin(callerWatch, [&entry] {
        return entry.state.load(std::memory_order_acquire) == DiskJob::Done;
    });
    if (!soon && !Scheduler::instance().waitForDisk(entry))
        waitInEventLoop(entry);
    // Outside a worker, what was given before this job has run too: a killed worker that waited
    // for such a job ends now, before the caller goes on (and perhaps starts a new run).
    if (!Scheduler::inWorkerCode())
        Scheduler::instance().endKilledWaits();
    if (entry.failure)
        std::rethrow_exception(entry.failure);
}

void inBackground(std::function<void()> job, std::shared_ptr<const std::atomic<bool>> cancelled) {
    if (onTheDiskThread) {
        job();
        return;
    }
    DiskThread::instance().give(nullptr, std::move(job), std::move(cancelled));
}

void stopIfJobCancelled() {
    if (runningCancel && runningCancel->load(std::memory_order_relaxed) &&
        std::uncaught_exceptions() == 0)
        throw ThreadKilled{};
}

void finishDiskJobs() {
    DiskThread::instance().finishAll();
}

} // namespace fw
