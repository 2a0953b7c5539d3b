#include "DestinationTree.h"

#include "DiskThread.h"
#include "Logging.h"
#include "NativePath.h"
#include "Thread.h"
#include "Volume.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fw {

using posix::throwError;
using posix::UniqueFd;

namespace {

// A batch of staged copies is flushed and put in place when it holds this much data, this
// many copies, or when its first copy has waited this long: a flush costs about one journal
// commit, whatever it holds, and the counters lag the work by no more than a batch.
constexpr std::uint64_t batchBytes = std::uint64_t(64) << 20;
constexpr std::size_t batchCopies = 1000;
constexpr std::chrono::milliseconds batchWait{500};

// How often a source that changed while it was copied is copied again.
constexpr std::size_t copiesAgain = 1;

// What a copy or folder inside a folder whose name clashed is told: nothing was written.
const FileError& insideClashFailure() {
    static const FileError failure("Inside a folder whose name clashes with another");
    return failure;
}

// True when `place` lies inside one of `folders`.
bool insideAny(const std::vector<std::string>& folders, std::string_view place) {
    for (const std::string& folder : folders)
        if (place.size() > folder.size() && place.starts_with(folder) &&
            place[folder.size()] == '/')
            return true;
    return false;
}

// True when the open folder `folder` has an entry found under `name` but does not list that
// name byte for byte: the folder folds names, and the entry is another item's.
bool foldedOnto(int folder, const std::string& name) {
    struct stat status {};
    if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    const UniqueFd listed(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<posix::FolderEntry> entries;
    if (listed.get() < 0 || posix::readFolder(listed.get(), entries) != 0)
        return false;
    for (const posix::FolderEntry& entry : entries)
        if (entry.name == name)
            return false;
    return true;
}

} // namespace

StagedCopy::StagedCopy(int staging, std::string stagingPath, std::string name, LeftOut leftOut,
                       FoundEntry entry)
    : staging_(staging)
    , stagingPath_(std::move(stagingPath))
    , name_(std::move(name))
    , leftOut_(std::move(leftOut))
    , entry_(entry) {}

StagedCopy::StagedCopy(StagedCopy&& other) noexcept
    : staging_(other.staging_)
    , stagingPath_(std::move(other.stagingPath_))
    , name_(std::move(other.name_))
    , leftOut_(std::move(other.leftOut_))
    , entry_(other.entry_)
    , inStaging_(std::exchange(other.inStaging_, false))
    , holdsOld_(other.holdsOld_)
    , changedWhileCopied_(other.changedWhileCopied_) {}

StagedCopy::~StagedCopy() {
    if (inStaging_)
        inBackground([staging = staging_, name = name_] { posix::removeTree(staging, name); });
}

void StagedCopy::setModificationDate(const Date& date) {
    const timespec times[2] = {{0, UTIME_OMIT}, {date.unixTime(), 0}};
    if (::utimensat(staging_, name_.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throwError("Cannot set the modification time of", nativepath::join(stagingPath_, name_),
                   errno);
}

void StagedCopy::removeOldCopy() {
    if (!holdsOldCopy())
        return;
    onDiskThread([this] { posix::removeTree(staging_, name_); });
    inStaging_ = false;
}

DestinationTree::DestinationTree(const FolderItem& folder)
    : path_(folder.nativePath())
    , stagingPath_(nativepath::join(path_, stagingName)) {
    onDiskThread([this, &folder] {
        // An item made from stored text that is no path has nothing to open.
        const bool exists = folder.Exists();
        const posix::PathAt at(path_);
        root_ =
            UniqueFd(exists ? ::openat(at.dir(), at.name(), O_PATH | O_DIRECTORY | O_CLOEXEC) : -1);
        if (root_.get() < 0) {
            rootError_ = exists ? errno : ENOENT;
            qCWarning(lcFw) << "Cannot open the destination" << path_.c_str() << ":"
                            << std::strerror(rootError_);
            return;
        }
        // Held before the sweep: another run's temporaries are in its staging folder.
        lock_ = DestinationLock::take(root_.get());
        if (!lock_) {
            rootError_ = EBUSY;
            root_.close();
            qCWarning(lcFw) << "The destination" << path_.c_str() << "is in use by another backup";
            return;
        }
        struct stat status {};
        if (::fstat(root_.get(), &status) == 0)
            identity_ = FileIdentity{std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)};
        posix::removeTree(root_.get(), stagingName);
    });
}

// The waiting copies go first: their removal uses the staging folder's handle, which the
// removal of the folder then closes.
DestinationTree::~DestinationTree() {
    // Copies and folders not yet made are not made; those given before use only handles that
    // the removal below closes after them.
    abandoned_->store(true);
    waitingPlaces_.clear();
    waiting_.clear();
    cursor_.close();
    const bool staged = staging_.get() >= 0;
    // The hold on the folder goes last, once the staging folder is gone.
    inBackground([root = root_.release(), staging = staging_.release(), staged,
                  lock = std::move(lock_)]() mutable {
        if (staged) {
            ::close(staging);
            posix::removeTree(root, stagingName);
        }
        if (root >= 0)
            ::close(root);
        lock.reset();
    });
}

int DestinationTree::staging() {
    if (staging_.get() >= 0)
        return staging_.get();
    if (root_.get() < 0)
        throwError("Cannot open the destination", path_, rootError_);
    if (::mkdirat(root_.get(), stagingName, 0700) != 0 && errno != EEXIST)
        throwError("Cannot create the folder", stagingPath_, errno);
    // Readable, not only a place: the flush of the file system before copies are put in place
    // is made through it.
    staging_ = UniqueFd(posix::openBeneath(root_.get(), stagingName, O_RDONLY | O_DIRECTORY));
    if (staging_.get() < 0)
        throwError("Cannot open the folder", stagingPath_, errno);
    return staging_.get();
}

int DestinationTree::folderOf(const std::string& place, std::string& name) {
    const std::size_t slash = place.rfind('/');
    name = place.substr(slash == std::string::npos ? 0 : slash + 1);
    if (root_.get() < 0) {
        errno = rootError_;
        return -1;
    }
    // The staging folder is the run's own: no copy goes into it, not even that of a source
    // folder of the same name, which the sweep would take for a killed run's remains.
    const std::string_view top = std::string_view(place).substr(0, place.find('/'));
    if (top == stagingName) {
        errno = EPERM;
        return -1;
    }
    if (slash == std::string::npos)
        return root_.get();
    const std::string_view folder = std::string_view(place).substr(0, slash);
    if (cursor_.get() >= 0 && folder == cursorPlace_)
        return cursor_.get();
    // Going down from the folder that is open is the common step: a folder, then its items.
    const bool below = cursor_.get() >= 0 && folder.size() > cursorPlace_.size() &&
                       folder.starts_with(cursorPlace_) && folder[cursorPlace_.size()] == '/';
    UniqueFd opened(below
                        ? posix::openBeneath(cursor_.get(), folder.substr(cursorPlace_.size() + 1),
                                             O_PATH | O_DIRECTORY)
                        : posix::openBeneath(root_.get(), folder, O_PATH | O_DIRECTORY));
    if (opened.get() < 0) {
        const int err = errno;
        cursor_.close();
        cursorPlace_.clear();
        errno = err;
        return -1;
    }
    cursor_ = std::move(opened);
    cursorPlace_ = folder;
    return cursor_.get();
}

int DestinationTree::folderFor(const std::string& place, std::string& name) {
    const int folder = folderOf(place, name);
    if (folder < 0)
        throwError("Cannot reach the folder of", nativepath::join(path_, place), errno);
    return folder;
}

std::optional<FoundEntry> DestinationTree::look(const std::string& place) {
    if (const auto found = waitingPlaces_.find(place); found != waitingPlaces_.end())
        return found->second;
    std::string name;
    const int folder = folderOf(place, name);
    struct stat status {};
    if (folder < 0 || ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return FoundEntry{S_ISDIR(status.st_mode), S_ISLNK(status.st_mode),
                      Date::fromUnixTime(status.st_mtim.tv_sec),
                      S_ISREG(status.st_mode) ? std::uint64_t(status.st_size) : 0};
}

bool DestinationTree::listsExactly(const std::string& place) {
    if (waitingPlaces_.contains(place))
        return true;
    std::string name;
    const int folder = folderOf(place, name);
    if (folder < 0)
        return true;
    const std::size_t slash = place.rfind('/');
    return names_.lists(
        folder, std::string_view(place).substr(0, slash == std::string::npos ? 0 : slash), name);
}

bool DestinationTree::clashesAt(const std::string& place) {
    return look(place) && !listsExactly(place);
}

std::uint64_t DestinationTree::timeStep() {
    if (!timeStep_) {
        onDiskThread([this] {
            try {
                timeStep_ = MeasureTimeStep(staging(), stagingPath_);
            } catch (const FileError& failure) {
                qCWarning(lcFw) << "cannot measure the time step:" << failure.what();
                timeStep_ = 1;
            }
        });
    }
    return *timeStep_;
}

bool DestinationTree::holdsLinks() {
    if (!holdsLinks_) {
        onDiskThread([this] {
            try {
                const int folder = staging();
                const std::string probe = posix::temporaryName();
                const bool made = ::symlinkat(probe.c_str(), folder, probe.c_str()) == 0;
                holdsLinks_ = made || !holdsNoLinks(errno);
                if (made)
                    ::unlinkat(folder, probe.c_str(), 0);
            } catch (const FileError& failure) {
                qCWarning(lcFw) << "cannot tell whether links can be held:" << failure.what();
                holdsLinks_ = true;
            }
        });
    }
    return *holdsLinks_;
}

bool DestinationTree::insideClash(const std::exception& failure) {
    return &failure == &insideClashFailure();
}

void DestinationTree::createFolder(const std::string& place) {
    onDiskThread([this, &place] {
        std::string name;
        const int folder = folderFor(place, name);
        if (::mkdirat(folder, name.c_str(), 0777) != 0)
            throwError("Cannot create the folder", nativepath::join(path_, place), errno);
    });
}

void DestinationTree::removeFolder(const std::string& place) {
    onDiskThread([this, &place] {
        std::string name;
        const int folder = folderFor(place, name);
        if (::unlinkat(folder, name.c_str(), AT_REMOVEDIR) != 0)
            throwError("Cannot delete", nativepath::join(path_, place), errno);
    });
}

// One job for the whole copy: creating, writing, setting attributes and closing all wait on
// the disk alike, and one hand-off per item costs far less than one per call. Nothing waits
// for it: the flush that puts the copy in place comes after it on the disk thread.
void DestinationTree::copyWhenSaved(const FolderItem& source, const ItemStatus& status,
                                    std::string place, Placing how, std::uint64_t bytes,
                                    DatedBefore datedBefore, Placed placed) {
    if (!status.file() && !status.folder())
        throwError("Cannot copy", source.nativePath(), status.exists() ? EINVAL : ENOENT);
    if (staging_.get() < 0)
        onDiskThread([this] { staging(); });
    const FoundEntry found{status.folder(), false, status.modificationDate(),
                           status.file() ? status.length() : 0};
    auto entry = std::make_shared<Waiting>(Waiting{place, false, how, std::move(placed), {}, {}});
    inBackground(
        [entry, abandoned = abandoned_, folder = staging_.get(), stagingPath = stagingPath_, source,
         status, found, datedBefore, step = timeStep()] {
            if (*abandoned)
                return;
            try {
                // Copied again while the source changes under the copy, up to copiesAgain
                // times; a copy of a source that still changed is kept, dated so that the next
                // run replaces it.
                std::vector<ItemStatus> seen{status};
                for (;;) {
                    const std::string name = posix::temporaryName();
                    LeftOut leftOut = copyTree(source.nativePath(), false, folder, name,
                                               nativepath::join(stagingPath, name), true);
                    StagedCopy copy(folder, stagingPath, name, std::move(leftOut), found);
                    ItemStatus after = source.EntryStatus();
                    if (after.changedSince(seen.back())) {
                        seen.push_back(std::move(after));
                        if (seen.size() <= 1 + copiesAgain) {
                            posix::removeTree(folder, name);
                            copy.inStaging_ = false;
                            continue;
                        }
                        qCWarning(lcFw) << "changed while copying:" << source.nativePath().c_str();
                        copy.setModificationDate(datedBefore(seen, step));
                        copy.changedWhileCopied_ = true;
                    }
                    entry->copy.emplace(std::move(copy));
                    break;
                }
            } catch (const FileError& failure) {
                entry->failure = failure;
            }
        },
        abandoned_);
    addWaiting(std::move(entry), found, bytes);
}

void DestinationTree::createFolderLater(const std::string& place, Placed made) {
    auto entry =
        std::make_shared<Waiting>(Waiting{place, true, Placing::New, std::move(made), {}, {}});
    // The folder that holds it is opened afresh: the tree's open folder belongs to the
    // caller's thread meanwhile.
    inBackground(
        [entry, abandoned = abandoned_, root = root_.get(), rootError = rootError_,
         path = nativepath::join(path_, place), clashed = clashedFolders_] {
            if (*abandoned)
                return;
            if (insideAny(*clashed, entry->place)) {
                entry->clashed = true;
                return;
            }
            try {
                const std::size_t slash = entry->place.rfind('/');
                const std::string name = entry->place.substr(slash + 1);
                UniqueFd opened;
                int folder = root;
                if (root < 0)
                    throwError("Cannot open the destination", path, rootError);
                if (slash != std::string::npos) {
                    opened = UniqueFd(
                        posix::openBeneath(root, std::string_view(entry->place).substr(0, slash),
                                           O_PATH | O_DIRECTORY));
                    if (opened.get() < 0)
                        throwError("Cannot reach the folder of", path, errno);
                    folder = opened.get();
                }
                if (::mkdirat(folder, name.c_str(), 0777) != 0) {
                    const int err = errno;
                    if (err == EEXIST && foldedOnto(folder, name))
                        clashed->push_back(entry->place);
                    throwError("Cannot create the folder", path, err);
                }
            } catch (const FileError& failure) {
                entry->failure = failure;
            }
        },
        abandoned_);
    addWaiting(std::move(entry), FoundEntry{true, false, Date::fromUnixTime(0), 0}, 0);
}

void DestinationTree::addWaiting(std::shared_ptr<Waiting> entry, const FoundEntry& found,
                                 std::uint64_t bytes) {
    if (waiting_.empty())
        firstWaiting_ = std::chrono::steady_clock::now();
    waitingPlaces_.insert_or_assign(entry->place, found);
    waiting_.push_back(std::move(entry));
    waitingBytes_ += bytes;
    if (waitingBytes_ >= batchBytes || waiting_.size() >= batchCopies ||
        std::chrono::steady_clock::now() - firstWaiting_ >= batchWait)
        placeWaiting();
}

void DestinationTree::placeWaiting() {
    std::vector<std::shared_ptr<Waiting>> batch = std::exchange(waiting_, {});
    waitingPlaces_.clear();
    waitingBytes_ = 0;
    if (batch.empty())
        return;
    // After the copies on the disk thread, so they are all made (or failed) by now. A kill
    // meanwhile stops the copies not yet made, and nothing is put in place.
    onDiskThread(
        [&] {
            stopIfJobCancelled();
            const int saved = ::syncfs(staging_.get()) == 0 ? 0 : errno;
            tellDiskStep(DiskStep::Saved, stagingPath_);
            for (const std::shared_ptr<Waiting>& entry : batch) {
                if (!entry->folder && insideAny(*clashedFolders_, entry->place))
                    entry->clashed = true;
                if (!entry->copy || entry->clashed)
                    continue;
                try {
                    if (saved != 0)
                        throwError("Cannot save to disk", stagingPath_, saved);
                    const std::string staged = nativepath::join(stagingPath_, entry->copy->name_);
                    if (entry->how == Placing::New)
                        placeNew(*entry->copy, entry->place);
                    else
                        replace(*entry->copy, entry->place,
                                entry->how == Placing::ReplacingPackage);
                    tellDiskStep(DiskStep::Named, staged);
                } catch (const FileError& failure) {
                    entry->failure = failure;
                }
            }
        },
        abandoned_.get());
    for (const std::shared_ptr<Waiting>& entry : batch) {
        const std::exception* failure = entry->clashed   ? &insideClashFailure()
                                        : entry->failure ? &*entry->failure
                                                         : nullptr;
        entry->placed(entry->copy ? &*entry->copy : nullptr, failure);
        yieldPoint();
    }
}

void DestinationTree::placeNew(StagedCopy& copy, const std::string& place) {
    std::string name;
    const int folder = folderFor(place, name);
    const char* from = copy.name_.c_str();
    if (::renameat2(copy.staging_, from, folder, name.c_str(), RENAME_NOREPLACE) != 0) {
        int err = errno;
        // A file system without RENAME_NOREPLACE: nothing may be there.
        struct stat status {};
        if (err == EINVAL || err == ENOSYS) {
            if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0)
                err = EEXIST;
            else
                err = ::renameat(copy.staging_, from, folder, name.c_str()) == 0 ? 0 : errno;
        }
        if (err)
            throwError("Cannot move the copy into place at", nativepath::join(path_, place), err);
    }
    copy.inStaging_ = false;
}

void DestinationTree::replace(StagedCopy& copy, const std::string& place, bool folderMayGo) {
    std::string name;
    const int folder = folderFor(place, name);
    const std::string path = nativepath::join(path_, place);
    const char* from = copy.name_.c_str();
    // A rename replaces a file with a file, or an empty folder with a folder, in one step.
    // A folder copy in place of a folder with contents or of a file is exchanged with it; a
    // file never takes the place of a folder.
    if (::renameat(copy.staging_, from, folder, name.c_str()) == 0) {
        copy.inStaging_ = false;
        return;
    }
    if (errno != ENOTEMPTY && errno != EEXIST && errno != ENOTDIR &&
        !(errno == EISDIR && folderMayGo))
        throwError("Cannot replace", path, errno);
    if (::renameat2(copy.staging_, from, folder, name.c_str(), RENAME_EXCHANGE) == 0) {
        copy.holdsOld_ = true;
        return;
    }
    if (errno != EINVAL && errno != ENOSYS)
        throwError("Cannot replace", path, errno);
    // A file system that cannot exchange: the old copy goes aside, the new one in, and the
    // old one back should the new one not go in.
    const std::string aside = posix::temporaryName();
    if (::renameat(folder, name.c_str(), copy.staging_, aside.c_str()) != 0)
        throwError("Cannot replace", path, errno);
    if (::renameat2(copy.staging_, from, folder, name.c_str(), RENAME_NOREPLACE) != 0 &&
        ::renameat(copy.staging_, from, folder, name.c_str()) != 0) {
        const int err = errno;
        if (::renameat(copy.staging_, aside.c_str(), folder, name.c_str()) != 0)
            qCWarning(lcFw) << "Cannot put back" << path.c_str() << ":" << std::strerror(errno);
        throwError("Cannot replace", path, err);
    }
    copy.name_ = aside;
    copy.holdsOld_ = true;
}

} // namespace fw
