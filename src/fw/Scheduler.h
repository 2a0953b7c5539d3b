#pragma once

#include "Fiber.h"

#include <chrono>
#include <functional>
#include <memory>
#include <QPointer>
#include <QTimer>
#include <vector>

namespace fw {

class Thread;

// One run of a worker: its fiber and what the scheduler knows about it.
struct Task {
    Task(Thread* owner, std::function<void()> handler);

    Fiber fiber;
    // The Thread that started it; none once that object is gone.
    Thread* owner;
    bool killed = false;
    // Resumed and not yet handed back: its frames are on the stack (it may be the code running
    // now, or sit under a nested event loop), so it must not be resumed again.
    bool active = false;
    unsigned int yieldCalls = 0;
    // Where the worker's own code runs since its last resume: the event-loop level and the
    // depth of event dispatch. Code at any other place (a handler called inside a modal
    // dialog the worker shows, an event sent synchronously) must neither switch the worker
    // out nor unwind it.
    int loopLevel = 0;
    int dispatchDepth = 0;
    std::chrono::steady_clock::time_point sliceEnd;
};

// Runs the workers' fibers on the GUI thread, one time slice at a time, from the event loop.
//
// A slice is started by a 0 ms single-shot timer. Qt never fires a timer again while its own
// slot runs, so while a worker sits in a modal dialog during a slice, the other workers would
// starve if one timer drove everything. Each nesting depth of slices has a timer of its own:
// a slice arms the timer of the next depth, which can only fire inside an event loop nested
// in that slice, and stops it when the slice ends.
class Scheduler {
public:
    static Scheduler& instance();

    // The worker whose frames are on top of the stack, or none on the main stack.
    static Task* current() { return current_; }

    Task* start(Thread& owner, std::function<void()> handler);
    // A suspended worker is unwound at once. A worker killing itself from its own code unwinds
    // from here. Otherwise (the worker sits under a nested event loop) it is only marked and
    // unwinds at its next yield point in its own code.
    void kill(Task& task);
    // The owner is being destroyed: the worker dies as with kill(), but never by an exception
    // thrown from here.
    void abandon(Task& task);
    // At application exit: unwinds every suspended worker and marks the others.
    void killAll();
    // Whether the code running now is a worker's own code or an event it sends at once: a
    // worker's frames are on the stack and no event loop is nested in them.
    static bool inWorkerCode();
    // The slow path of yieldPoint(): gives way when the slice is used up, unwinds when killed.
    void giveWay(Task& task);

    // Test seam: lets a test stop a run between two slices in the state it waits for, and act
    // on it there. From the first moment `when` holds (asked before a slice starts and at
    // every yield point where a worker could give way), the workers are held until the next
    // call: a running worker gives way at its next such yield point, whatever is left of its
    // slice, and no slice starts. No timer is armed meanwhile, so the event loop sleeps until
    // other events come. Killing a suspended worker still unwinds it at once. An empty `when`
    // releases the hold and arms the timer again.
    void holdForTesting(std::function<bool()> when);

    // Counts event dispatch around Application::notify, so that a worker's yield point can
    // tell its own code from an event handler called inside it.
    class DispatchScope {
    public:
        DispatchScope() { ++dispatchDepth_; }
        ~DispatchScope() { --dispatchDepth_; }
        DispatchScope(const DispatchScope&) = delete;
        DispatchScope& operator=(const DispatchScope&) = delete;
    };

private:
    Scheduler() = default;

    void runSlice();
    void resume(Task& task);
    void retire(Task& task);
    // Arms the timer of the current depth when a worker is waiting to run and none is held.
    void arm();
    bool held();
    QTimer* timer(int depth);
    Task* nextRunnable();
    static bool inOwnCode(const Task& task);
    static void unwind();

    std::vector<std::unique_ptr<Task>> tasks_;
    std::vector<QPointer<QTimer>> timers_;
    int depth_ = 0;
    std::function<bool()> holdWhen_;
    bool held_ = false;
    static inline Task* current_ = nullptr;
    static inline int dispatchDepth_ = 0;
};

} // namespace fw
