#include "FolderItemList.h"

#include <cstddef>
#include <stdexcept>

namespace fw {

namespace {

// Folders outside the list are told from listed items by this bit, which limits a list to
// 2^31 items (the most a run counts).
constexpr FolderItemList::Folder outsideBit = FolderItemList::Folder(1) << 31;

} // namespace

FolderItemList::Folder FolderItemList::outsideFolder(const FolderItem& folder) {
    outside_.push_back(folder.nativePath());
    return Folder(outside_.size() - 1) | outsideBit;
}

FolderItemList::Folder FolderItemList::listedFolder(std::size_t index) {
    return Folder(index);
}

void FolderItemList::push_back(Folder folder, std::string_view name) {
    if (entries_.size() == outsideBit)
        throw std::length_error("A list of items cannot hold more than 2^31 items");
    names_.insert(names_.end(), name.begin(), name.end());
    entries_.push_back({names_.size(), folder});
}

FolderItem FolderItemList::operator[](std::size_t index) const {
    // The items from this one up to its outermost listed folder, then their names from the
    // outside folder down.
    std::vector<std::size_t> chain{index};
    while (!(entries_[chain.back()].folder & outsideBit))
        chain.push_back(entries_[chain.back()].folder);
    std::string path = outside_[entries_[chain.back()].folder & ~outsideBit];
    for (auto level = chain.rbegin(); level != chain.rend(); ++level) {
        if (!path.ends_with('/'))
            path += '/';
        path.append(names_.begin() + std::ptrdiff_t(nameStart(*level)),
                    names_.begin() + std::ptrdiff_t(entries_[*level].nameEnd));
    }
    return FolderItem(std::move(path), true, false);
}

void FolderItemList::clear() {
    entries_.clear();
    names_.clear();
    outside_.clear();
}

void FolderItemList::pop_back() {
    names_.erase(names_.begin() + std::ptrdiff_t(nameStart(entries_.size() - 1)), names_.end());
    entries_.pop_back();
    // The outside folders serve only the items listed in them.
    if (entries_.empty())
        outside_.clear();
}

std::uint64_t FolderItemList::nameStart(std::size_t index) const {
    return index == 0 ? 0 : entries_[index - 1].nameEnd;
}

} // namespace fw
