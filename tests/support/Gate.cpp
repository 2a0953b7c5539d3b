#include "Gate.h"

bool Gate::pass(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    reached_ = true;
    const bool opened = opened_.wait_for(lock, limit, [this] { return open_; });
    open_ = true;
    return opened;
}

void Gate::open() {
    const std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
}

bool Gate::isOpen() const {
    const std::lock_guard lock(mutex_);
    return open_;
}
