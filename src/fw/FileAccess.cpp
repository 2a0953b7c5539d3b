#include "FileAccess.h"

#include "Logging.h"
#include "NativePath.h"
#include "PosixFile.h"
#include "Text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fw {

std::string realPath(const std::string& nativePath) {
    char resolved[PATH_MAX];
    return ::realpath(nativePath.c_str(), resolved) ? std::string(resolved)
                                                    : nativepath::normalise(nativePath);
}

std::string writtenPath(const std::string& nativePath) {
    // As many links as the system itself follows in one path.
    constexpr int maxLinks = 40;
    std::string path = nativepath::normalise(nativePath);
    for (int links = 0; links < maxLinks && path != "/"; ++links) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved))
            return resolved;
        const std::string folder = realPath(nativepath::parent(path));
        const std::string here = nativepath::join(folder, nativepath::lastPiece(path));
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(here.c_str(), target.data(), target.size());
        // Nothing at all is there: a write creates it.
        if (length < 0)
            return here;
        target.resize(std::size_t(length));
        path = nativepath::normalise(target.starts_with('/') ? target
                                                             : nativepath::join(folder, target));
    }
    return path;
}

FolderItem realItem(const FolderItem& item) {
    return item.Exists() ? FolderItem::fromNativePath(realPath(item.nativePath())) : item;
}

bool readingDenied(const FolderItem& item) {
    // Non-blocking, so that a pipe in the file's place does not wait for a writer.
    const posix::UniqueFd file(
        ::open(item.nativePath().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    return file.get() < 0 && (errno == EACCES || errno == EPERM);
}

std::optional<FolderItem> unreachableLinkTarget(const FolderItem& item) {
    struct stat status {};
    if (::lstat(item.nativePath().c_str(), &status) != 0 || !S_ISLNK(status.st_mode) ||
        ::stat(item.nativePath().c_str(), &status) == 0)
        return std::nullopt;
    const std::string target = writtenPath(item.nativePath());
    if (::stat(nativepath::parent(target).c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        return std::nullopt;
    return FolderItem::fromNativePath(target);
}

void removeSaveTemporaries(const FolderItem& file) {
    const std::string folder = nativepath::parent(writtenPath(file.nativePath()));
    const posix::UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<posix::FolderEntry> entries;
    if (dir.get() < 0 || posix::readFolder(dir.get(), entries) != 0)
        return;
    for (const posix::FolderEntry& entry : entries) {
        struct stat status {};
        if (!posix::isTemporaryName(entry.name) ||
            ::fstatat(dir.get(), entry.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode))
            continue;
        const QString path = toQString(nativepath::join(folder, entry.name));
        if (::unlinkat(dir.get(), entry.name.c_str(), 0) == 0)
            qCInfo(lcFw) << "removed the temporary of a save that did not end:" << path;
        else
            qCWarning(lcFw) << "cannot remove the temporary of a save that did not end:" << path
                            << std::strerror(errno);
    }
}

} // namespace fw
