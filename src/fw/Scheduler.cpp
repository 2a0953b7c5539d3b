#include "Scheduler.h"

#include "DiskThread.h"
#include "ExceptionText.h"
#include "FrameUpdates.h"
#include "Services.h"
#include "Thread.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <QCoreApplication>
#include <QThread>
#include <utility>

namespace fw {

namespace {

// One display frame: the event loop, which paints, runs once per frame while a worker works.
constexpr std::chrono::milliseconds sliceLength = frameLength;

int currentLoopLevel() {
    return QThread::currentThread()->loopLevel();
}

// The bottom frame of every worker. Nothing may leave a fiber, so every exception stops here:
// the kill ends the worker quietly, anything else is reported and ends it too.
void runWorker(const std::function<void()>& handler) noexcept {
    std::optional<QString> failure;
    try {
        handler();
    } catch (const ThreadKilled&) {
    } catch (...) {
        failure = currentExceptionText();
    }
    // Reported outside the handler, so no exception is held while the report dialog runs.
    if (failure)
        reportUnhandledException(*failure);
}

} // namespace

Task::Task(Thread* owner, std::function<void()> handler)
    : fiber([handler = std::move(handler)]() noexcept { runWorker(handler); })
    , owner(owner) {}

Scheduler& Scheduler::instance() {
    // Never destroyed: workers left at exit belong to objects that outlive the application.
    static Scheduler* const scheduler = new Scheduler;
    return *scheduler;
}

Task* Scheduler::start(Thread& owner, std::function<void()> handler) {
    tasks_.push_back(std::make_unique<Task>(&owner, std::move(handler)));
    arm();
    return tasks_.back().get();
}

void Scheduler::kill(Task& task) {
    task.killed = true;
    if (task.waitingOn) {
        *task.waitingOn->cancelled = true;
    } else if (!task.active) {
        if (task.fiber.started())
            resume(task);
        else
            retire(task);
    } else if (&task == current_ && inOwnCode(task)) {
        unwind();
    }
}

void Scheduler::abandon(Task& task) {
    task.owner = nullptr;
    if (task.active)
        task.killed = true;
    else
        kill(task);
}

void Scheduler::killAll() {
    for (const auto& task : tasks_) {
        task->killed = true;
        if (task->waitingOn)
            *task->waitingOn->cancelled = true;
    }
    // The event loop is gone, so nothing tells the waiting workers that their jobs are done:
    // once the disk thread has run them, they unwind from here.
    finishDiskJobs();
    for (const auto& task : tasks_)
        task->waitingOn = nullptr;
    while (Task* task = nextRunnable())
        kill(*task);
    // What the workers' destructors left to remove.
    finishDiskJobs();
}

void Scheduler::giveWay(Task& task) {
    if (!inOwnCode(task))
        return;
    if (task.killed) {
        unwind();
        return;
    }
    if (std::chrono::steady_clock::now() < task.sliceEnd && !held())
        return;
    task.fiber.suspend();
    if (task.killed)
        unwind();
}

bool Scheduler::waitForDisk(DiskJob& job) {
    Task* const task = current_;
    if (!task || !inOwnCode(*task))
        return false;
    job.serial = ++diskWaits_;
    job.wake = [this, task, serial = job.serial] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this, task, serial] { diskJobDone(task, serial); },
            Qt::QueuedConnection);
    };
    int expected = DiskJob::Queued;
    if (job.state.compare_exchange_strong(expected, DiskJob::Waited, std::memory_order_acq_rel)) {
        task->waitingOn = &job;
        task->fiber.suspend();
    }
    if (task->killed)
        unwind();
    return true;
}

void Scheduler::diskJobDone(const Task* task, std::uint64_t serial) {
    // Only a task that still waits for that very job: one that ended or waits for a later
    // job is left alone.
    const auto found = std::find_if(tasks_.begin(), tasks_.end(), [&](const auto& entry) {
        return entry.get() == task && entry->waitingOn && entry->waitingOn->serial == serial;
    });
    if (found == tasks_.end())
        return;
    Task& waiting = **found;
    waiting.waitingOn = nullptr;
    // A killed worker unwinds at once, so that it has ended before anything given to the disk
    // thread after its job is seen done.
    if (waiting.killed)
        resume(waiting);
    else
        arm();
}

void Scheduler::endKilledWaits() {
    for (;;) {
        const auto found = std::find_if(tasks_.begin(), tasks_.end(), [](const auto& task) {
            return task->killed && task->waitingOn &&
                   task->waitingOn->state.load(std::memory_order_acquire) == DiskJob::Woken;
        });
        if (found == tasks_.end())
            return;
        Task& task = **found;
        task.waitingOn = nullptr;
        resume(task);
    }
}

void Scheduler::holdForTesting(std::function<bool()> when) {
    holdWhen_ = std::move(when);
    held_ = false;
    arm();
}

void Scheduler::runSlice() {
    if (held())
        return;
    const int depth = depth_++;
    arm();
    if (Task* task = nextRunnable())
        resume(*task);
    timer(depth_)->stop();
    depth_ = depth;
    arm();
}

void Scheduler::resume(Task& task) {
    Task* const previous = current_;
    current_ = &task;
    task.active = true;
    task.loopLevel = currentLoopLevel();
    task.dispatchDepth = dispatchDepth_;
    task.sliceEnd = std::chrono::steady_clock::now() + sliceLength;
    task.fiber.resume();
    task.active = false;
    current_ = previous;
    if (task.fiber.finished())
        retire(task);
}

void Scheduler::retire(Task& task) {
    if (task.owner)
        task.owner->task_ = nullptr;
    const auto found = std::find_if(tasks_.begin(), tasks_.end(),
                                    [&task](const auto& entry) { return entry.get() == &task; });
    tasks_.erase(found);
}

void Scheduler::arm() {
    if (!held() && std::any_of(tasks_.begin(), tasks_.end(),
                               [](const auto& task) { return !task->active && !task->waitingOn; }))
        timer(depth_)->start();
}

bool Scheduler::held() {
    if (!held_ && holdWhen_)
        held_ = holdWhen_();
    return held_;
}

QTimer* Scheduler::timer(int depth) {
    if (timers_.size() <= static_cast<std::size_t>(depth))
        timers_.resize(depth + 1);
    QPointer<QTimer>& slot = timers_[depth];
    if (!slot) {
        slot = new QTimer(QCoreApplication::instance());
        slot->setSingleShot(true);
        slot->setInterval(0);
        QObject::connect(slot, &QTimer::timeout, slot, [this] { runSlice(); });
    }
    return slot;
}

Task* Scheduler::nextRunnable() {
    // Round robin: the first worker not on the stack runs, then waits behind all the others.
    const auto found = std::find_if(tasks_.begin(), tasks_.end(), [](const auto& task) {
        return !task->active && !task->waitingOn;
    });
    if (found == tasks_.end())
        return nullptr;
    std::rotate(found, found + 1, tasks_.end());
    return tasks_.back().get();
}

bool Scheduler::inWorkerCode() {
    return current_ && currentLoopLevel() == current_->loopLevel;
}

bool Scheduler::inOwnCode(const Task& task) {
    return currentLoopLevel() == task.loopLevel && dispatchDepth_ == task.dispatchDepth;
}

void Scheduler::unwind() {
    // A destructor that reaches a yield point while the worker unwinds must not throw again;
    // the worker then dies at its next yield point once the unwinding is over.
    if (std::uncaught_exceptions() == 0)
        throw ThreadKilled{};
}

} // namespace fw
