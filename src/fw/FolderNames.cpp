#include "FolderNames.h"

#include "Logging.h"
#include "PosixFile.h"

#include <cstring>

namespace fw {

namespace {

// True when the folder at `outer` holds `place` or is it.
bool holdsOrIs(std::string_view outer, std::string_view place) {
    return outer.empty() || place == outer ||
           (place.starts_with(outer) && place.size() > outer.size() && place[outer.size()] == '/');
}

} // namespace

bool FolderNames::lists(int folder, std::string_view place, const std::string& name) {
    while (!around_.empty() && !holdsOrIs(around_.back().place, place))
        around_.pop_back();
    if (around_.empty() || around_.back().place != place) {
        around_.push_back({std::string(place), {}});
        if (!read(folder, around_.back())) {
            around_.pop_back();
            return true;
        }
    } else if (!around_.back().names.contains(name) && !read(folder, around_.back())) {
        around_.pop_back();
        return true;
    }
    return around_.back().names.contains(name);
}

bool FolderNames::read(int folder, Listing& listing) {
    listing.names.clear();
    const posix::UniqueFd listed(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<posix::FolderEntry> entries;
    const int err = listed.get() < 0 ? errno : posix::readFolder(listed.get(), entries);
    if (err != 0) {
        qCWarning(lcFw) << "cannot list the destination folder" << listing.place.c_str() << ":"
                        << std::strerror(err);
        return false;
    }
    listing.names.reserve(entries.size());
    for (posix::FolderEntry& entry : entries)
        listing.names.insert(std::move(entry.name));
    return true;
}

} // namespace fw
