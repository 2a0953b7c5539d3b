#include "PosixFile.h"

#include "FolderItem.h"
#include "Logging.h"
#include "NativePath.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <linux/openat2.h>
#include <QRandomGenerator>
#include <sys/syscall.h>
#include <unistd.h>

namespace fw::posix {

namespace {

constexpr std::string_view temporaryPrefix = ".tolvane-tmp-";

// Where to cut `path` (from `start`) so that the piece before the cut fits one call: the
// last "/" before PATH_MAX characters. A name is at most NAME_MAX bytes, so there is one.
std::size_t cutBefore(std::string_view path, std::size_t start) {
    return path.rfind('/', start + PATH_MAX - 2);
}

int openat2Beneath(int dir, const std::string& relative, int flags) {
    open_how how{};
    how.flags = std::uint64_t(flags | O_CLOEXEC);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    for (;;) {
        const long fd = ::syscall(SYS_openat2, dir, relative.c_str(), &how, sizeof how);
        if (fd >= 0 || errno != EAGAIN)
            return int(fd);
    }
}

} // namespace

std::string errorText(std::string_view what, const std::string& path, int err) {
    std::string message(what);
    message += ' ';
    message += path;
    message += ": ";
    message += std::strerror(err);
    return message;
}

void throwError(std::string_view what, const std::string& path, int err) {
    throw FileError(errorText(what, path, err));
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

PathAt::PathAt(const std::string& path)
    : name_(path.c_str()) {
    std::size_t start = 0;
    while (path.size() - start >= PATH_MAX) {
        const std::size_t cut = cutBefore(path, start);
        if (cut == std::string::npos || cut < start) {
            failed_ = true;
            return;
        }
        // The root's own "/" is the first piece of an absolute path.
        const std::string piece = cut == 0 ? "/" : path.substr(start, cut - start);
        const int dir = folder_.get() >= 0 ? folder_.get() : AT_FDCWD;
        folder_ = UniqueFd(::openat(dir, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (folder_.get() < 0) {
            failed_ = true;
            return;
        }
        start = cut + 1;
        name_ = path.c_str() + start;
    }
}

bool examine(const std::string& path, bool followLinks, struct stat& status) {
    const PathAt at(path);
    return ::fstatat(at.dir(), at.name(), &status, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) == 0;
}

int openBeneath(int root, std::string_view relative, int flags) {
    if (relative.empty())
        return openat2Beneath(root, ".", flags);
    UniqueFd held;
    int dir = root;
    std::size_t start = 0;
    while (relative.size() - start >= PATH_MAX) {
        const std::size_t cut = cutBefore(relative, start);
        if (cut == std::string_view::npos || cut <= start) {
            errno = ENAMETOOLONG;
            return -1;
        }
        held = UniqueFd(openat2Beneath(dir, std::string(relative.substr(start, cut - start)),
                                       O_PATH | O_DIRECTORY));
        if (held.get() < 0)
            return -1;
        dir = held.get();
        start = cut + 1;
    }
    return openat2Beneath(dir, std::string(relative.substr(start)), flags);
}

std::string temporaryName() {
    static constexpr char letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    constexpr std::uint64_t letterCount = sizeof letters - 1;
    // One draw gives all six letters: 62^6 is far below 2^64, and a run makes one name per
    // copied item.
    std::uint64_t draw = QRandomGenerator::global()->generate64();
    std::string name(temporaryPrefix);
    for (int i = 0; i < 6; ++i) {
        name += letters[draw % letterCount];
        draw /= letterCount;
    }
    return name;
}

bool isTemporaryName(std::string_view name) {
    return name.size() == temporaryPrefix.size() + 6 && name.starts_with(temporaryPrefix);
}

std::string temporaryPath(const std::string& folder) {
    return nativepath::join(folder, temporaryName());
}

int readFolder(int fd, std::vector<FolderEntry>& entries) {
    // Read straight from the descriptor: readdir would need a DIR, which fdopendir makes only
    // after examining the descriptor (a status read and a flags query) and which takes the
    // descriptor over. One read takes as many entries as fit.
    std::array<char, 32 * 1024> buffer;
    for (;;) {
        const ssize_t filled = ::getdents64(fd, buffer.data(), buffer.size());
        if (filled < 0)
            return errno;
        if (filled == 0)
            return 0;
        for (std::size_t at = 0; at < std::size_t(filled);) {
            const char* record = buffer.data() + at;
            decltype(dirent64::d_reclen) length = 0;
            std::memcpy(&length, record + offsetof(dirent64, d_reclen), sizeof length);
            const std::string_view name = record + offsetof(dirent64, d_name);
            if (name != "." && name != "..")
                entries.push_back({std::string(name),
                                   static_cast<unsigned char>(record[offsetof(dirent64, d_type)])});
            at += length;
        }
    }
}

void removeTree(int dirFd, const std::string& name) {
    if (::unlinkat(dirFd, name.c_str(), 0) == 0 || errno == ENOENT)
        return;
    if (errno != EISDIR) {
        qCWarning(lcFw) << "Cannot remove" << name.c_str() << ":" << std::strerror(errno);
        return;
    }
    const UniqueFd top(
        ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (top.get() < 0) {
        qCWarning(lcFw) << "Cannot open" << name.c_str() << "to remove it:" << std::strerror(errno);
        return;
    }
    // Folder by folder, one handle at a time: files and links go at once, folders are
    // collected and removed afterwards, the deepest first.
    std::vector<std::string> folders{""};
    for (std::size_t next = 0; next < folders.size(); ++next) {
        const std::string relative = folders[next];
        const UniqueFd folder(openBeneath(top.get(), relative, O_RDONLY | O_DIRECTORY));
        std::vector<FolderEntry> entries;
        if (const int err = folder.get() < 0 ? errno : readFolder(folder.get(), entries))
            qCWarning(lcFw) << "Cannot list" << name.c_str() << relative.c_str()
                            << "to remove it:" << std::strerror(err);
        for (const FolderEntry& entry : entries) {
            if (entry.type != DT_DIR && ::unlinkat(folder.get(), entry.name.c_str(), 0) == 0)
                continue;
            if (entry.type == DT_DIR || errno == EISDIR)
                folders.push_back(nativepath::below(relative, entry.name));
            else
                qCWarning(lcFw) << "Cannot remove" << entry.name.c_str() << ":"
                                << std::strerror(errno);
        }
    }
    for (std::size_t i = folders.size(); i-- > 1;) {
        const std::string& relative = folders[i];
        const std::size_t slash = relative.rfind('/');
        const UniqueFd parent(slash == std::string::npos
                                  ? -1
                                  : openBeneath(top.get(),
                                                std::string_view(relative).substr(0, slash),
                                                O_PATH | O_DIRECTORY));
        const int in = slash == std::string::npos ? top.get() : parent.get();
        const std::string leaf = relative.substr(slash == std::string::npos ? 0 : slash + 1);
        if (::unlinkat(in, leaf.c_str(), AT_REMOVEDIR) != 0)
            qCWarning(lcFw) << "Cannot remove" << relative.c_str() << ":" << std::strerror(errno);
    }
    if (::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0)
        qCWarning(lcFw) << "Cannot remove" << name.c_str() << ":" << std::strerror(errno);
}

} // namespace fw::posix
