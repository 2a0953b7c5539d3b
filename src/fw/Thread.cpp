#include "Thread.h"

#include "DiskThread.h"
#include "Scheduler.h"

#include <utility>

namespace fw {

Thread::Thread(QObject* parent)
    : QObject(parent) {}

Thread::~Thread() {
    if (task_)
        Scheduler::instance().abandon(*task_);
}

void Thread::onRun(std::function<void()> handler) {
    handler_ = std::move(handler);
}

void Thread::Run() {
    if (task_ || !handler_)
        return;
    task_ = Scheduler::instance().start(*this, handler_);
}

void Thread::Kill() {
    if (task_)
        Scheduler::instance().kill(*task_);
}

int Thread::State() const {
    return task_ ? Running : NotRunning;
}

void yieldPoint() {
    Task* const task = Scheduler::current();
    if (!task) {
        stopIfJobCancelled();
        return;
    }
    // The clock is read only on every 64th call; a killed worker takes the slow path at once.
    if ((++task->yieldCalls & 63) != 0 && !task->killed)
        return;
    Scheduler::instance().giveWay(*task);
}

void yieldPointAfterHeavyStep() {
    if (Task* const task = Scheduler::current())
        Scheduler::instance().giveWay(*task);
    else
        stopIfJobCancelled();
}

} // namespace fw
