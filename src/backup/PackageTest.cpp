#include "PackageTest.h"

#include "fw/FolderItem.h"
#include "fw/Services.h"

namespace backup {

// The item-information query answers false for a missing item itself.
bool IsPackage(const fw::FolderItem& item) {
    return fw::isPackageFolder(item);
}

} // namespace backup
