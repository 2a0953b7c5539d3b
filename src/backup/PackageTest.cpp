#include "PackageTest.h"

#include "fw/FolderItem.h"
#include "fw/FolderListing.h"
#include "fw/Services.h"

namespace backup {

// The item-information query answers false for a missing item itself.
bool IsPackage(const fw::FolderItem& item) {
    return fw::isPackageFolder(item);
}

bool IsPackage(const fw::FolderItem& item, const fw::ItemStatus& status) {
    return fw::isPackageFolder(item, status);
}

bool IsPackage(const fw::FolderItem& folder, std::optional<fw::FolderListing>& entries) {
    return fw::isPackageFolder(folder, entries);
}

} // namespace backup
