#include "FolderItem.h"

#include "FileCopy.h"
#include "FolderListing.h"
#include "NativePath.h"
#include "PosixFile.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QStandardPaths>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

FolderItem::FolderItem(std::string path, bool followLinks, bool foreign)
    : path_(std::move(path))
    , follow_(followLinks)
    , foreign_(foreign) {}

FolderItem FolderItem::fromNativePath(std::string nativePath, bool followLinks) {
    return FolderItem(nativepath::normalise(nativePath), followLinks, false);
}

std::string FolderItem::Name() const {
    if (foreign_) {
        std::string_view path = path_;
        if (path.ends_with(':'))
            path.remove_suffix(1);
        return std::string(path.substr(path.find_last_of(':') + 1));
    }
    if (path_ == "/")
        return path_;
    return nativepath::toDisplayName(nativepath::lastPiece(path_));
}

std::string FolderItem::AbsolutePath() const {
    std::string result = absoluteFolderPath();
    if (!foreign_ && path_ != "/" && !Directory() && !(storedAsFolder_ && !Exists()))
        result.pop_back();
    return result;
}

std::string FolderItem::absoluteFolderPath() const {
    if (foreign_)
        return path_;
    if (path_ == "/")
        return "/:";
    // The volume "/" first, then one ":"-separated name per level; a ":" inside a name
    // shows as "/".
    std::string result = "/";
    result.reserve(path_.size() + 2);
    for (const char c : path_)
        result += c == '/' ? ':' : c == ':' ? '/' : c;
    result += ':';
    return result;
}

bool FolderItem::Exists() const {
    struct stat status {};
    return !foreign_ && posix::examine(path_, follow_, status);
}

bool FolderItem::Directory() const {
    struct stat status {};
    return !foreign_ && posix::examine(path_, follow_, status) && S_ISDIR(status.st_mode);
}

std::uint64_t FolderItem::Length() const {
    return Status().length();
}

Date FolderItem::ModificationDate() const {
    return Status().modificationDate();
}

namespace {

// The most links followed in a chain before it counts as a loop (the kernel's own limit).
constexpr int maxLinkHops = 40;

std::int64_t nanoseconds(const timespec& time) {
    return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

} // namespace

ItemStatus FolderItem::statusOf(bool followLinks) const {
    ItemStatus result;
    struct stat status {};
    if (foreign_ || !posix::examine(path_, followLinks, status)) {
        result.failure_ = posix::errorText("Cannot examine", path_, foreign_ ? ENOENT : errno);
        return result;
    }
    result.folder_ = S_ISDIR(status.st_mode);
    result.file_ = S_ISREG(status.st_mode);
    result.link_ = S_ISLNK(status.st_mode);
    result.length_ = result.file_ ? std::uint64_t(status.st_size) : 0;
    result.modified_ = Date::fromUnixTime(status.st_mtim.tv_sec);
    result.modifiedNs_ = nanoseconds(status.st_mtim);
    result.changedNs_ = nanoseconds(status.st_ctim);
    return result;
}

ItemStatus FolderItem::Status() const {
    return statusOf(follow_);
}

ItemStatus FolderItem::EntryStatus() const {
    return statusOf(false);
}

std::optional<FolderItem> FolderItem::Resolved() const {
    // readlink's EINVAL says "not a link"; any other failure means the target is missing or
    // unreachable.
    if (foreign_)
        return std::nullopt;
    std::string path = path_;
    for (int hop = 0; hop <= maxLinkHops; ++hop) {
        char target[PATH_MAX];
        const posix::PathAt at(path);
        const ssize_t length = ::readlinkat(at.dir(), at.name(), target, sizeof target);
        if (length < 0)
            return errno == EINVAL ? std::optional(FolderItem(path, true, false)) : std::nullopt;
        const std::string_view targetPath(target, std::size_t(length));
        path = nativepath::normalise(targetPath.starts_with('/')
                                         ? std::string(targetPath)
                                         : nativepath::join(nativepath::parent(path), targetPath));
    }
    return std::nullopt;
}

Date ItemStatus::modificationDate() const {
    if (failure_)
        throw FileError(*failure_);
    return modified_;
}

bool ItemStatus::changedSince(const ItemStatus& earlier) const {
    return failure_.has_value() != earlier.failure_.has_value() || folder_ != earlier.folder_ ||
           file_ != earlier.file_ || link_ != earlier.link_ || length_ != earlier.length_ ||
           modifiedNs_ != earlier.modifiedNs_ || changedNs_ != earlier.changedNs_;
}

std::optional<FolderItem> FolderItem::Parent() const {
    if (foreign_ || path_ == "/")
        return std::nullopt;
    return FolderItem(nativepath::parent(path_), true, false);
}

FolderItem FolderItem::Child(const std::string& name) const {
    if (foreign_)
        return FolderItem(path_.ends_with(':') ? path_ + name : path_ + ':' + name, true, true);
    return fromNativePath(nativepath::join(path_, nativepath::toNativeName(name)));
}

int FolderItem::Count() const {
    return FolderListing(*this).Count();
}

std::optional<FolderItem> FolderItem::Item(int index) const {
    return FolderListing(*this).Item(index);
}

std::optional<FolderItem> FolderItem::TrueItem(int index) const {
    return FolderListing(*this).TrueItem(index);
}

void FolderItem::CreateAsFolder() const {
    if (foreign_)
        posix::throwError("Cannot create the folder", path_, ENOENT);
    const posix::PathAt at(path_);
    if (::mkdirat(at.dir(), at.name(), 0777) != 0)
        posix::throwError("Cannot create the folder", path_, errno);
}

std::vector<std::string> FolderItem::CopyFileTo(const FolderItem& destination) const {
    if (foreign_)
        posix::throwError("Cannot copy", path_, ENOENT);
    if (destination.foreign_)
        posix::throwError("Cannot copy to", destination.path_, ENOENT);
    std::vector<std::string> leftOut;
    for (LeftOutEntry& entry : copyItem(path_, follow_, destination.path_))
        leftOut.push_back(std::move(entry.path));
    return leftOut;
}

void FolderItem::Delete() const {
    if (foreign_)
        posix::throwError("Cannot delete", path_, ENOENT);
    // unlink removes files and links (never a link's target); Linux refuses a folder with
    // EISDIR, which then goes to rmdir.
    const posix::PathAt at(path_);
    if (::unlinkat(at.dir(), at.name(), 0) == 0)
        return;
    if (errno == EISDIR && ::unlinkat(at.dir(), at.name(), AT_REMOVEDIR) == 0)
        return;
    posix::throwError("Cannot delete", path_, errno);
}

void FolderItem::MoveFileTo(const FolderItem& destination) const {
    if (foreign_ || destination.foreign_)
        posix::throwError("Cannot move", path_, ENOENT);
    const posix::PathAt from(path_);
    const posix::PathAt to(destination.path_);
    if (::renameat2(from.dir(), from.name(), to.dir(), to.name(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EINVAL)
        posix::throwError("Cannot move", path_, errno);
    // A file system that cannot refuse to replace is asked first instead.
    struct stat status {};
    if (::fstatat(to.dir(), to.name(), &status, AT_SYMLINK_NOFOLLOW) == 0)
        posix::throwError("Cannot move", path_, EEXIST);
    if (::renameat(from.dir(), from.name(), to.dir(), to.name()) != 0)
        posix::throwError("Cannot move", path_, errno);
}

std::unique_ptr<TextOutputStream> FolderItem::CreateTextFile() const {
    if (foreign_)
        posix::throwError("Cannot create", path_, ENOENT);
    return std::make_unique<TextOutputStream>(path_);
}

std::unique_ptr<TextInputStream> FolderItem::OpenAsTextFile() const {
    if (foreign_)
        return nullptr;
    return TextInputStream::open(path_);
}

QPixmap FolderItem::OpenAsPicture() const {
    if (foreign_)
        return {};
    // Opened by its byte path: a QString file name could not hold every native name.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    QImageReader reader(&file);
    return QPixmap::fromImage(reader.read());
}

FolderItem FolderItem::asFolder() const {
    FolderItem folder = *this;
    folder.storedAsFolder_ = !foreign_;
    return folder;
}

bool FolderItem::operator==(const FolderItem& other) const {
    return path_ == other.path_ && foreign_ == other.foreign_;
}

FolderItem GetFolderItem(const std::string& colonPath) {
    if (!colonPath.starts_with("/:"))
        return FolderItem(colonPath, true, true);
    // Built in place: the path grows by one name per component, so a long path costs its
    // length, not its length times its component count.
    std::string native(1, '/');
    native.reserve(colonPath.size());
    std::string_view rest = std::string_view(colonPath).substr(2);
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        if (native.size() > 1)
            native += '/';
        native += nativepath::toNativeName(rest.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    FolderItem item = FolderItem::fromNativePath(native);
    item.storedAsFolder_ = colonPath.size() > 2 && colonPath.back() == ':';
    return item;
}

FolderItem SpecialFolder(SpecialFolderKind kind) {
    const auto location = kind == SpecialFolderKind::ApplicationSupport
                              ? QStandardPaths::GenericDataLocation
                              : QStandardPaths::DesktopLocation;
    return FolderItem::fromNativePath(
        QFile::encodeName(QStandardPaths::writableLocation(location)).toStdString());
}

FolderItem ResourcesFolder() {
    const QString path =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/tolvane");
    return FolderItem::fromNativePath(QFile::encodeName(path).toStdString());
}

} // namespace fw
