#pragma once

#include <compare>
#include <cstdint>
#include <optional>

namespace fw {

class FolderItem;

// What an item leads to on disk, links followed: its device and inode. Two items with equal
// identities are the same file or folder, whatever their paths.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend auto operator<=>(const FileIdentity&, const FileIdentity&) = default;
};

// None when the item does not exist (or cannot be examined).
std::optional<FileIdentity> identityOf(const FolderItem& item);

} // namespace fw
