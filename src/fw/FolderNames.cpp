#include "FolderNames.h"

#include "Logging.h"
#include "PosixFile.h"

#include <cstring>
#include <vector>

namespace fw {

bool FolderNames::lists(int folder, std::string_view place, const std::string& name) {
    if (!held_ || place != place_) {
        place_ = place;
        held_ = read(folder);
        if (!held_)
            return true;
    }
    if (names_.contains(name))
        return true;
    held_ = read(folder);
    return !held_ || names_.contains(name);
}

bool FolderNames::read(int folder) {
    names_.clear();
    const posix::UniqueFd listed(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<posix::FolderEntry> entries;
    const int err = listed.get() < 0 ? errno : posix::readFolder(listed.get(), entries);
    if (err != 0) {
        qCWarning(lcFw) << "cannot list the destination folder" << place_.c_str() << ":"
                        << std::strerror(err);
        return false;
    }
    names_.reserve(entries.size());
    for (posix::FolderEntry& entry : entries)
        names_.insert(std::move(entry.name));
    return true;
}

} // namespace fw
