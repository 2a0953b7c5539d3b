#pragma once

#include <optional>

namespace fw {
class FolderItem;
class FolderListing;
class ItemStatus;
} // namespace fw

namespace backup {

// True when `item` exists and is a package: a folder the desktop shows as one file (an
// application bundle and its kind, or an AppDir). Files, plain folders and missing items are
// not packages.
bool IsPackage(const fw::FolderItem& item);
// The same from the item's status as the copy pass read it: the item is not examined again.
bool IsPackage(const fw::FolderItem& item, const fw::ItemStatus& status);
// The same for `folder`, known to be an existing folder, for a walk that enters every folder
// that is no package: the folder itself is not examined again, and when its name does not
// make it a package its entries are read into `entries` for the walk.
bool IsPackage(const fw::FolderItem& folder, std::optional<fw::FolderListing>& entries);

} // namespace backup
