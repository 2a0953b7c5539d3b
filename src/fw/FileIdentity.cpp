#include "FileIdentity.h"

#include "FolderItem.h"

#include <sys/stat.h>

namespace fw {

std::optional<FileIdentity> identityOf(const FolderItem& item) {
    struct stat status {};
    if (!item.Exists() || ::stat(item.nativePath().c_str(), &status) != 0)
        return std::nullopt;
    return FileIdentity{std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)};
}

} // namespace fw
