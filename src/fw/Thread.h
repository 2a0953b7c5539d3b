#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace fw {

class Fiber;

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
    std::unique_ptr<Fiber> fiber_;
    friend class Fiber;
};

// The yield point, called at the end of every loop body of worker code. Inside a worker it
// returns to the event loop only when the worker's time slice (about 10 ms) is used up and
// otherwise costs a few nanoseconds; on the main thread it does nothing.
void yieldPoint();

// The exception that unwinds a killed worker. It derives from nothing, so a handler for
// std::exception never catches it; code must never swallow it with a bare catch (...).
struct ThreadKilled {};

} // namespace fw
