#include "FileIdentity.h"

#include "FolderItem.h"
#include "PosixFile.h"

#include <sys/stat.h>

namespace fw {

std::optional<FileIdentity> identityOf(const FolderItem& item) {
    struct stat status {};
    if (item.foreign_ || !posix::examine(item.path_, item.follow_, status))
        return std::nullopt;
    return FileIdentity{std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)};
}

} // namespace fw
