#pragma once

#include <functional>

// Holds every worker from the first moment `when` holds until the object goes (the test seam
// of fw::Scheduler): a run stands still between two slices in the state the test waits for,
// while the event loop goes on, so the test can act on it there and check what holds at that
// moment. A held worker can still be killed. The hold ends with the object, so it never
// outlasts the test that made it.
class WorkerHold {
public:
    explicit WorkerHold(std::function<bool()> when);
    ~WorkerHold();
    WorkerHold(const WorkerHold&) = delete;
    WorkerHold& operator=(const WorkerHold&) = delete;
};
