#include "LinkRule.h"

namespace backup {

std::optional<std::string_view> nameIn(const std::string& folder, std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (path == "/" || path.substr(0, slash == 0 ? 1 : slash) != folder)
        return std::nullopt;
    return path.substr(slash + 1);
}

std::optional<AsListed> asListed(const fw::FolderItem& item) {
    fw::ItemStatus status = item.EntryStatus();
    if (!status.link())
        return AsListed{item, std::move(status)};
    std::optional<fw::FolderItem> target = item.Resolved();
    const std::optional<fw::FolderItem> folder = item.Parent();
    if (!target || !folder || !nameIn(folder->nativePath(), target->nativePath()))
        return std::nullopt;
    fw::ItemStatus targetStatus = target->Status();
    return AsListed{std::move(*target), std::move(targetStatus)};
}

} // namespace backup
