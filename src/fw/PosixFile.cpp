#include "PosixFile.h"

#include "FolderItem.h"
#include "Logging.h"
#include "NativePath.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <QRandomGenerator>
#include <unistd.h>

namespace fw::posix {

void throwError(std::string_view what, const std::string& path, int err) {
    std::string message(what);
    message += ' ';
    message += path;
    message += ": ";
    message += std::strerror(err);
    throw FileError(message);
}

UniqueFd::~UniqueFd() {
    close();
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.release();
    }
    return *this;
}

int UniqueFd::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

int UniqueFd::close() {
    if (fd_ < 0)
        return 0;
    // Linux releases the descriptor even when close() reports an error: never retried.
    return ::close(release()) == 0 ? 0 : errno;
}

std::string temporaryPath(const std::string& folder) {
    static constexpr char letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = ".tolvane-tmp-";
    for (int i = 0; i < 6; ++i)
        name += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
    return nativepath::join(folder, name);
}

int readFolder(int fd, std::vector<FolderEntry>& entries) {
    // fdopendir takes its descriptor over; a duplicate leaves `fd` to the caller.
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return errno;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(copy), ::closedir);
    if (!dir) {
        const int err = errno;
        ::close(copy);
        return err;
    }
    // The duplicate shares the file offset, which an earlier listing may have moved.
    ::rewinddir(dir.get());
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            return errno;
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back({std::string(name), entry->d_type});
    }
}

void removeTree(int dirFd, const std::string& path) {
    if (::unlinkat(dirFd, path.c_str(), 0) == 0 || errno == ENOENT)
        return;
    if (errno != EISDIR) {
        qCWarning(lcFw) << "Cannot remove" << path.c_str() << ":" << std::strerror(errno);
        return;
    }
    const UniqueFd folder(
        ::openat(dirFd, path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<FolderEntry> entries;
    if (const int err = folder.get() < 0 ? errno : readFolder(folder.get(), entries))
        qCWarning(lcFw) << "Cannot list" << path.c_str() << "to remove it:" << std::strerror(err);
    for (const FolderEntry& entry : entries)
        removeTree(folder.get(), entry.name);
    if (::unlinkat(dirFd, path.c_str(), AT_REMOVEDIR) != 0)
        qCWarning(lcFw) << "Cannot remove" << path.c_str() << ":" << std::strerror(errno);
}

} // namespace fw::posix
