#include "support/WorkerHold.h"

#include "fw/Scheduler.h"

#include <utility>

WorkerHold::WorkerHold(std::function<bool()> when) {
    fw::Scheduler::instance().holdForTesting(std::move(when));
}

WorkerHold::~WorkerHold() {
    fw::Scheduler::instance().holdForTesting({});
}
