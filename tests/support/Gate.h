#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

// A gate that a thread of the program under test (the disk thread) waits at until the test
// opens it, so that a job stands still in the state the test wants to look at. Should the
// test never open it, it opens itself after a long time, so that a program that waits for
// the wrong thing fails its test instead of hanging it.
class Gate {
public:
    // Waits until the gate is open. False when it opened itself.
    bool pass(std::chrono::milliseconds limit = std::chrono::seconds(20));
    void open();
    // Some thread has come to the gate.
    bool reached() const { return reached_; }
    bool isOpen() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
    std::atomic<bool> reached_{false};
};
