#pragma once

#include <functional>
#include <QObject>

namespace fw {

class Scheduler;
struct Task;

// A cooperative worker thread. Its Run event runs as a fiber on the GUI thread, so worker
// code may touch widgets directly and only one piece of code runs at any moment. A worker
// gives way only at yieldPoint() (and inside blocking framework calls such as a modal
// dialog); the scheduler resumes runnable workers from the Qt event loop.
class Thread : public QObject {
    Q_OBJECT
public:
    enum StateCode { Running = 0, NotRunning = 4 };

    explicit Thread(QObject* parent = nullptr);
    ~Thread() override;

    // Binds the Run event.
    void onRun(std::function<void()> handler);
    // Starts the Run event as a new fiber; does nothing while the thread is running.
    void Run();
    // Stops the worker. A suspended worker is unwound at once (its destructors run, none of
    // its later steps do); a worker that kills itself unwinds from this call; a worker that
    // waits in a modal dialog is marked and dies at its next yield point.
    void Kill();
    // Running from Run until the fiber has ended, NotRunning otherwise.
    int State() const;

private:
    std::function<void()> handler_;
    // The current run, from Run until its fiber has ended; owned by the scheduler.
    Task* task_ = nullptr;
    friend class Scheduler;
};

// The yield point, called at the end of every loop body of worker code. Inside a worker it
// returns to the event loop only when the worker's time slice (one display frame, about 16 ms) is
// used up and otherwise costs a few nanoseconds; on the main thread it does nothing. It does
// nothing either in code that runs on a worker's stack without being the worker's own (a handler
// called inside a modal dialog the worker shows, an event sent synchronously), so such code
// never switches the worker out. In a killed worker's own code it throws ThreadKilled. On the
// disk thread it is a cancellation point instead (see fw::stopIfJobCancelled), so the file
// layer's loops stop soon once the worker that gave them was killed.
void yieldPoint();

// The yield point of a loop whose every step calls the file system (an entry of a folder
// walk, an item of the copy pass, a chunk of a large file). yieldPoint() reads the clock only
// on every 64th call, which would let 64 such steps run before the worker gives way, and a
// step may take milliseconds (a large chunk, a slow disk); this one reads it on every call,
// so the worker gives way as soon as its slice is used up, whatever its steps cost. The
// clock read costs tens of nanoseconds, little beside a call into the file system.
void yieldPointAfterHeavyStep();

// The exception that unwinds a killed worker. It derives from nothing, so a handler for
// std::exception never catches it; code must never swallow it with a bare catch (...).
// It is thrown only in the worker's own code, never inside an event handler or a nested
// event loop that runs on the worker's stack, and it is caught where the worker's fiber
// begins, so it never passes through Qt's event or signal code. Worker code must not let
// a signal it emits run a connected handler that reaches a yield point: such a handler is
// the worker's own code as far as the yield point can tell.
struct ThreadKilled {};

} // namespace fw
