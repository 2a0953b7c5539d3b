#include "FileIdentity.h"

#include "FolderItem.h"
#include "PosixFile.h"

#include <sys/stat.h>

namespace fw {

std::optional<FileIdentity> identityOf(const FolderItem& item) {
    struct stat status {};
    if (item.foreign_)
        return std::nullopt;
    const posix::PathAt at(item.path_);
    if (::fstatat(at.dir(), at.name(), &status, item.follow_ ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return FileIdentity{std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)};
}

} // namespace fw
