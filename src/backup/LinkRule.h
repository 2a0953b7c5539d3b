#pragma once

#include "fw/FolderItem.h"

#include <optional>
#include <string>
#include <string_view>

// The rule by which links in a source are followed: only to an entry of the folder that holds
// the link. The walk keeps it when it lists a folder, and the copy pass when an item has become
// a link since it was listed.
namespace backup {

// The name of the item at `path` in `folder` (both native paths), or none when the item is
// not an entry of that folder, as where a link leads need not be.
std::optional<std::string_view> nameIn(const std::string& folder, std::string_view path);

// A listed item as the walk would take it now, with its status read once.
struct AsListed {
    fw::FolderItem item;
    fw::ItemStatus status;
};

// The item itself (its entry read without following a link) while it is no link. One that has
// become a link gives the entry its chain of links leads to when that is an entry of the
// item's own folder, and none when it leads anywhere else or nowhere: nothing outside the
// source is ever taken for the item.
std::optional<AsListed> asListed(const fw::FolderItem& item);

} // namespace backup
