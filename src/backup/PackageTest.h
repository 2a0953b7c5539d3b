#pragma once

namespace fw {
class FolderItem;
} // namespace fw

namespace backup {

// True when `item` exists and is a package: a folder the desktop shows as one file (an
// application bundle and its kind, or an AppDir). Files, plain folders and missing items are
// not packages.
bool IsPackage(const fw::FolderItem& item);

} // namespace backup
