#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

// The thread beside the GUI thread that makes every file-system call that may wait on a disk
// (creating, writing, setting attributes, renaming, deleting and flushing in a destination,
// and the checks before a run). A slow, sleeping or throttled disk then holds that thread, never
// the window. Jobs run one at a time, in the order they were given, so a job given later finds
// done what every earlier one did.
namespace fw {

// One job handed to the disk thread, as the code waiting for it sees it.
struct DiskJob {
    DiskJob(const std::function<void()>& work, std::atomic<bool>* cancelFlag)
        : work(work)
        , cancelled(cancelFlag ? cancelFlag : &ownCancel) {}

    enum State { Queued, Waited, Done, Woken };

    const std::function<void()>& work;
    std::exception_ptr failure;
    // Queued until it has run, then Done; Waited once the code waiting for it has stopped
    // watching and asks to be woken by `wake`: the disk thread then takes `wake`, sets Woken
    // (from then on it no longer touches the job) and calls it.
    std::atomic<int> state{Queued};
    std::function<void()> wake;
    // Tells this wait from every other one that a worker ever made.
    std::uint64_t serial = 0;
    // Set when the worker waiting for the job is killed: the job stops at its next
    // cancellation point (see stopIfJobCancelled).
    std::atomic<bool>* cancelled;
    std::atomic<bool> ownCancel{false};
};

// Runs `job` on the disk thread and returns when it has run, rethrowing what it threw; on the
// disk thread itself it runs `job` at once. Most jobs on a fast disk take microseconds, so the
// caller first watches for the end for a moment; after that a worker gives way until the job
// is done (the event loop and the other workers run meanwhile), and the GUI thread outside a
// worker handles the window's events in a nested event loop. A worker killed meanwhile goes on
// waiting until the job has stopped (its data stays in use until then), then unwinds.
//
// `cancelFlag`, when given, is the flag the kill sets (the job's own otherwise): the same flag
// given to jobs in the background stops them too.
void onDiskThread(const std::function<void()>& job, std::atomic<bool>* cancelFlag = nullptr);

// Gives `job` to the disk thread and returns at once; nothing waits for it. A failure is
// logged. For work that must be done but need not be waited for, such as removing what a
// cancelled copy left, or a copy whose outcome a later job collects: a later job still runs
// after it. Once `cancelled` (when given) is set, the job stops at its next cancellation
// point, as a killed worker's job does.
void inBackground(std::function<void()> job,
                  std::shared_ptr<const std::atomic<bool>> cancelled = {});

// On the disk thread, inside a job that a killed worker waits for or one that was cancelled:
// throws ThreadKilled, so the job stops and removes what it made as it unwinds. Does nothing
// elsewhere. The yield points call it, so every loop of the file layer is a cancellation point when
// it runs there.
void stopIfJobCancelled();

// Waits, without handling events, until every job given so far has run. For the end of the
// application, when nothing is left to answer.
void finishDiskJobs();

} // namespace fw
