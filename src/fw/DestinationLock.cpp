#include "DestinationLock.h"

#include "Logging.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

using posix::UniqueFd;

namespace {

// The holds of this process, one per folder.
std::mutex holdsMutex;
std::map<FileIdentity, std::weak_ptr<DestinationLock>> holds;

// How often a lock file removed or replaced under a fresh lock is opened again.
constexpr int kAttempts = 8;

bool sameFile(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

UniqueFd openLockFile(int folder) {
    UniqueFd lock(::openat(folder, DestinationLock::lockName,
                           O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    // Another user's lock file can still be locked through a descriptor for reading.
    if (lock.get() < 0 && errno == EACCES)
        lock = UniqueFd(
            ::openat(folder, DestinationLock::lockName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    return lock;
}

// A hold for a folder that takes no lock.
std::shared_ptr<DestinationLock> nothingHeld() {
    return std::make_shared<DestinationLock>(UniqueFd(), UniqueFd(), FileIdentity{});
}

} // namespace

DestinationLock::DestinationLock(UniqueFd folder, UniqueFd lock, FileIdentity identity)
    : folder_(std::move(folder))
    , lock_(std::move(lock))
    , identity_(identity) {}

DestinationLock::~DestinationLock() {
    if (lock_.get() < 0)
        return;
    {
        const std::lock_guard guard(holdsMutex);
        const auto hold = holds.find(identity_);
        if (hold != holds.end() && hold->second.expired())
            holds.erase(hold);
    }
    // Removed while still locked: a run that opened this file meanwhile finds, once it has the
    // lock, that the file is no longer the lock file, and opens the new one.
    ::unlinkat(folder_.get(), lockName, 0);
    lock_.close();
}

std::shared_ptr<DestinationLock> DestinationLock::take(int folder) {
    struct stat folderStatus {};
    if (::fstat(folder, &folderStatus) != 0)
        return nothingHeld();
    const FileIdentity identity{std::uint64_t(folderStatus.st_dev),
                                std::uint64_t(folderStatus.st_ino)};
    const std::lock_guard guard(holdsMutex);
    if (const std::shared_ptr<DestinationLock> held = holds[identity].lock())
        return held;
    UniqueFd kept(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        UniqueFd lock = openLockFile(folder);
        if (lock.get() < 0 || ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
            if (lock.get() >= 0 && errno == EWOULDBLOCK)
                return nullptr;
            qCWarning(lcFw) << "No lock in the destination:" << std::strerror(errno);
            lock = UniqueFd();
        } else {
            struct stat locked {};
            struct stat named {};
            if (::fstat(lock.get(), &locked) != 0 ||
                ::fstatat(folder, lockName, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
                !sameFile(locked, named))
                continue;
        }
        auto hold = std::make_shared<DestinationLock>(std::move(kept), std::move(lock), identity);
        holds[identity] = hold;
        return hold;
    }
    return nullptr;
}

std::shared_ptr<DestinationLock> DestinationLock::take(const FolderItem& folder) {
    const posix::PathAt at(folder.nativePath());
    const UniqueFd open(::openat(at.dir(), at.name(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (open.get() < 0)
        return nothingHeld();
    return take(open.get());
}

} // namespace fw
