#include "DestinationTree.h"

#include "Logging.h"
#include "NativePath.h"
#include "Volume.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

using posix::throwError;
using posix::UniqueFd;

StagedCopy::StagedCopy(int staging, std::string stagingPath, std::string name, LeftOut leftOut)
    : staging_(staging)
    , stagingPath_(std::move(stagingPath))
    , name_(std::move(name))
    , leftOut_(std::move(leftOut)) {}

StagedCopy::StagedCopy(StagedCopy&& other) noexcept
    : staging_(other.staging_)
    , stagingPath_(std::move(other.stagingPath_))
    , name_(std::move(other.name_))
    , leftOut_(std::move(other.leftOut_))
    , inStaging_(std::exchange(other.inStaging_, false))
    , holdsOld_(other.holdsOld_) {}

StagedCopy::~StagedCopy() {
    if (inStaging_)
        posix::removeTree(staging_, name_);
}

std::optional<FolderItem> StagedCopy::oldCopy() const {
    if (!holdsOld_ || !inStaging_)
        return std::nullopt;
    return FolderItem::fromNativePath(nativepath::join(stagingPath_, name_), false);
}

void StagedCopy::setModificationDate(const Date& date) {
    const timespec times[2] = {{0, UTIME_OMIT}, {date.unixTime(), 0}};
    if (::utimensat(staging_, name_.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throwError("Cannot set the modification time of", nativepath::join(stagingPath_, name_),
                   errno);
}

DestinationTree::DestinationTree(const FolderItem& folder)
    : path_(folder.nativePath())
    , stagingPath_(nativepath::join(path_, stagingName)) {
    // An item made from stored text that is no path has nothing to open.
    const bool exists = folder.Exists();
    const posix::PathAt at(path_);
    root_ = UniqueFd(exists ? ::openat(at.dir(), at.name(), O_PATH | O_DIRECTORY | O_CLOEXEC) : -1);
    if (root_.get() < 0) {
        rootError_ = exists ? errno : ENOENT;
        qCWarning(lcFw) << "Cannot open the destination" << path_.c_str() << ":"
                        << std::strerror(rootError_);
        return;
    }
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
}

DestinationTree::~DestinationTree() {
    if (staging_.get() >= 0) {
        staging_.close();
        posix::removeTree(root_.get(), stagingName);
    }
}

int DestinationTree::staging() {
    if (staging_.get() >= 0)
        return staging_.get();
    if (root_.get() < 0)
        throwError("Cannot open the destination", path_, rootError_);
    if (::mkdirat(root_.get(), stagingName, 0700) != 0 && errno != EEXIST)
        throwError("Cannot create the folder", stagingPath_, errno);
    staging_ = UniqueFd(posix::openBeneath(root_.get(), stagingName, O_PATH | O_DIRECTORY));
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
        try {
            timeStep_ = MeasureTimeStep(staging(), stagingPath_);
        } catch (const FileError& failure) {
            qCWarning(lcFw) << "cannot measure the time step:" << failure.what();
            timeStep_ = 1;
        }
    }
    return *timeStep_;
}

bool DestinationTree::holdsLinks() {
    if (!holdsLinks_) {
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
    }
    return *holdsLinks_;
}

void DestinationTree::createFolder(const std::string& place) {
    std::string name;
    const int folder = folderFor(place, name);
    if (::mkdirat(folder, name.c_str(), 0777) != 0)
        throwError("Cannot create the folder", nativepath::join(path_, place), errno);
}

void DestinationTree::removeFolder(const std::string& place) {
    std::string name;
    const int folder = folderFor(place, name);
    if (::unlinkat(folder, name.c_str(), AT_REMOVEDIR) != 0)
        throwError("Cannot delete", nativepath::join(path_, place), errno);
}

StagedCopy DestinationTree::stage(const FolderItem& source, const ItemStatus& status) {
    if (!status.file() && !status.folder())
        throwError("Cannot copy", source.nativePath(), status.exists() ? EINVAL : ENOENT);
    const int folder = staging();
    std::string name = posix::temporaryName();
    LeftOut leftOut = copyTree(source.nativePath(), false, folder, name,
                               nativepath::join(stagingPath_, name), true);
    return StagedCopy(folder, stagingPath_, std::move(name), std::move(leftOut));
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

void DestinationTree::replace(StagedCopy& copy, const std::string& place) {
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
    if (errno != ENOTEMPTY && errno != EEXIST && errno != ENOTDIR)
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
