#include "FileAccess.h"

#include "NativePath.h"
#include "PosixFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>

namespace fw {

std::string realPath(const std::string& nativePath) {
    char resolved[PATH_MAX];
    return ::realpath(nativePath.c_str(), resolved) ? std::string(resolved)
                                                    : nativepath::normalise(nativePath);
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

} // namespace fw
