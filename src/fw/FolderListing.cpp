#include "FolderListing.h"

#include "Logging.h"
#include "NativePath.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

FolderListing::FolderListing(const FolderItem& folder)
    : path_(folder.path_)
    , follow_(folder.follow_) {
    if (folder.foreign_) {
        error_ = ENOENT;
        return;
    }
    const posix::PathAt at(path_);
    const posix::UniqueFd handle(::openat(
        at.dir(), at.name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow_ ? 0 : O_NOFOLLOW)));
    error_ = handle.get() < 0 ? errno : posix::readFolder(handle.get(), entries_);
    if (error_ && handle.get() >= 0)
        qCWarning(lcFw) << "Cannot list all of" << path_.c_str() << ":" << std::strerror(error_);
    std::sort(
        entries_.begin(), entries_.end(),
        [](const posix::FolderEntry& a, const posix::FolderEntry& b) { return a.name < b.name; });
}

std::optional<FolderItem> FolderListing::Item(int index) const {
    if (index < 1 || index > Count())
        return std::nullopt;
    const posix::FolderEntry& entry = entries_[std::size_t(index - 1)];
    FolderItem item(nativepath::join(path_, entry.name), true, false);
    // The folder says which entries are no links, which spares them a readlink each.
    if (entry.type != DT_LNK && entry.type != DT_UNKNOWN)
        return item;
    return item.Resolved();
}

std::optional<FolderItem> FolderListing::TrueItem(int index) const {
    if (index < 1 || index > Count())
        return std::nullopt;
    return FolderItem(nativepath::join(path_, entries_[std::size_t(index - 1)].name), false, false);
}

std::optional<FolderListing::Examined> FolderListing::Examine(int index) {
    std::optional<FolderItem> item = Item(index);
    if (!item)
        return std::nullopt;
    const unsigned char type = entries_[std::size_t(index - 1)].type;
    if (type == DT_LNK || type == DT_UNKNOWN) {
        struct stat status {};
        const bool exists = posix::examine(item->path_, true, status);
        return Examined{std::move(*item), exists, exists && S_ISDIR(status.st_mode)};
    }
    const bool exists = searchable();
    return Examined{std::move(*item), exists, exists && type == DT_DIR};
}

bool FolderListing::IsLink(int index) const {
    if (index < 1 || index > Count())
        return false;
    const posix::FolderEntry& entry = entries_[std::size_t(index - 1)];
    if (entry.type != DT_UNKNOWN)
        return entry.type == DT_LNK;
    struct stat status {};
    return posix::examine(nativepath::join(path_, entry.name), false, status) &&
           S_ISLNK(status.st_mode);
}

bool FolderListing::Contains(std::string_view name) const {
    const auto found =
        std::lower_bound(entries_.begin(), entries_.end(), name,
                         [](const posix::FolderEntry& entry, std::string_view wanted) {
                             return entry.name < wanted;
                         });
    return found != entries_.end() && found->name == name;
}

bool FolderListing::searchable() {
    if (!searchable_) {
        const posix::PathAt at(path_);
        searchable_ = ::faccessat(at.dir(), at.name(), X_OK, AT_EACCESS) == 0;
    }
    return *searchable_;
}

} // namespace fw
