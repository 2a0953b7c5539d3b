#pragma once

#include "FolderItem.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// A list of the items a walk of folders finds, held compactly for lists of millions: each
// item is kept as the folder it is in and its name, the folder being an earlier item of the
// list or a folder given whole (where a walk starts). An item is given back by value as the
// FolderItem it stands for: its native path, links followed. Everything is stored in blocks
// that are added as the list grows, so growing never holds the list twice.
class FolderItemList {
public:
    // The folder of the items appended with it.
    using Folder = std::uint32_t;

    // A folder that is not an item of the list, such as where a walk starts.
    Folder outsideFolder(const FolderItem& folder);
    // The item `index` of the list, as a folder.
    static Folder listedFolder(std::size_t index);
    // Appends the entry `name` (a native name) of `folder`.
    void push_back(Folder folder, std::string_view name);

    FolderItem operator[](std::size_t index) const;
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    void clear();
    void pop_back();

private:
    struct Entry {
        std::uint64_t nameEnd; // the name ends here in names_ and starts where the previous ends
        Folder folder;
    };

    std::uint64_t nameStart(std::size_t index) const;

    std::deque<Entry> entries_;
    std::deque<char> names_;
    std::vector<std::string> outside_; // native paths of the outside folders
};

} // namespace fw
