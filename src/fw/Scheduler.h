#pragma once

#include "Fiber.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <QPointer>
#include <QTimer>
#include <vector>

namespace fw {

class Thread;
struct DiskJob;

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
    // The job on the disk thread that the suspended worker waits for: it is not resumed (a kill
    // only marks it) until the job is done.
    DiskJob* waitingOn = nullptr;
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

    // The worker whose frames are on top of the stack, or none on the main stack (and on any
    // thread but the GUI thread).
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
    // In a worker's own code: suspends the worker until `job` is done and returns true, or
    // unwinds when the worker was killed meanwhile. False anywhere else (the main stack, a
    // handler run inside a worker's modal dialog), where the caller must wait in another way.
    bool waitForDisk(DiskJob& job);
    // Unwinds, now, every killed worker whose disk job is done.
    void endKilledWaits();

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
    // Called on the GUI thread when the job `job` that `task` waits for is done.
    void diskJobDone(const Task* task, std::uint64_t serial);
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
    std::uint64_t diskWaits_ = 0;
    std::function<bool()> holdWhen_;
    bool held_ = false;
    static inline thread_local Task* current_ = nullptr;
    static inline int dispatchDepth_ = 0;
};

} // namespace fw
