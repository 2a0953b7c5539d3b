#pragma once

#include "FolderItem.h"
#include "PosixFile.h"

#include <optional>
#include <string_view>
#include <vector>

namespace fw {

// The entries of one folder as they are on disk when the listing is made: sorted by name,
// "." and ".." left out. A walk keeps the listing of the folder it is in, so walking n
// entries by index costs O(n), and every walk sees the folder as it is at that moment.
class FolderListing {
public:
    explicit FolderListing(const FolderItem& folder);

    int Count() const { return int(entries_.size()); }
    // Entry `index` (1-based) with its link resolved; none for a broken link or a bad index.
    std::optional<FolderItem> Item(int index) const;
    // Entry `index` (1-based) as it is, a link not followed; none for a bad index.
    std::optional<FolderItem> TrueItem(int index) const;

    // Entry `index` (1-based) as a walk of the tree takes it: Item, and whether that exists
    // and is a folder, links followed. For an entry that is no link the folder's read tells,
    // so it costs no status read; a link, or an entry of a file system that does not give
    // types, is examined. None for a broken link or a bad index.
    struct Examined {
        FolderItem item;
        bool exists = false;
        bool folder = false;
    };
    std::optional<Examined> Examine(int index);

    // True when entry `index` (1-based) is a link; false for a bad index.
    bool IsLink(int index) const;

    // True when the folder has an entry `name` (a native name).
    bool Contains(std::string_view name) const;

    // 0 when the whole folder was read; otherwise why it could not be read, or not all of
    // it (an errno value). A missing folder or a file has no entries and reports ENOENT or
    // ENOTDIR.
    int error() const { return error_; }

private:
    // Whether the entries can be examined at all: a status read of one needs search
    // permission on the folder, which reading its names does not. Asked once, when first
    // needed.
    bool searchable();

    std::string path_;
    bool follow_;
    std::vector<posix::FolderEntry> entries_;
    int error_ = 0;
    std::optional<bool> searchable_;
};

} // namespace fw
