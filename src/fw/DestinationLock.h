#pragma once

#include "FileIdentity.h"
#include "FolderItem.h"
#include "PosixFile.h"

#include <memory>

namespace fw {

// A run's hold on a destination folder, so that no other run uses its staging folder
// meanwhile: another process, another user, or another machine sharing the disk. It is an
// flock on the lock file ".tolvane-staging.lock" in the folder, a lock the file system
// carries; the file is removed when the hold goes. A lock file left by a run that crashed
// holds no lock any more (the lock went with its process) and is taken over.
class DestinationLock {
public:
    static constexpr char lockName[] = ".tolvane-staging.lock";

    // The hold on the folder open as `folder` (any descriptor of it). Every holder in this
    // process shares one hold per folder. None when another process holds the folder. A folder
    // that takes no lock (a lock file that cannot be made or opened, a file system without
    // locks) gives a hold that holds nothing: the run's writes there meet their own failures.
    static std::shared_ptr<DestinationLock> take(int folder);
    // The same for the folder `folder` leads to.
    static std::shared_ptr<DestinationLock> take(const FolderItem& folder);

    DestinationLock(posix::UniqueFd folder, posix::UniqueFd lock, FileIdentity identity);
    ~DestinationLock();
    DestinationLock(const DestinationLock&) = delete;
    DestinationLock& operator=(const DestinationLock&) = delete;

private:
    posix::UniqueFd folder_;
    posix::UniqueFd lock_;
    FileIdentity identity_;
};

} // namespace fw
