#include "BackupLogging.h"
#include "CopySteps.h"
#include "fw/FileIdentity.h"
#include "fw/FolderItem.h"
#include "fw/FolderListing.h"
#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace mainwindow {

namespace {

// Adds up the bytes below `folder`, links left out unless `links`. `open` holds the folders being
// measured, from the outermost down to `folder`: a link that leads back into one of them is not
// entered again, so a link loop cannot make the walk endless.
std::uint64_t measure(const fw::FolderItem& folder, std::uint64_t size,
                      std::vector<fw::FileIdentity>& open, bool links) {
    const std::optional<fw::FileIdentity> identity = fw::identityOf(folder);
    if (identity)
        open.push_back(*identity);
    std::uint64_t total = size;
    const fw::FolderListing listing(folder);
    for (int n = 1; n <= listing.Count(); ++n) {
        const bool counted = links || !listing.IsLink(n);
        if (const std::optional<fw::FolderItem> entry = counted ? listing.Item(n) : std::nullopt) {
            if (entry->Name() != ".DS_Store")
                total += entry->Length();
            if (entry->Directory()) {
                const std::optional<fw::FileIdentity> inner = fw::identityOf(*entry);
                if (!inner || std::find(open.begin(), open.end(), *inner) == open.end())
                    total = measure(*entry, total, open, links);
            }
        }
        fw::yieldPointAfterHeavyStep();
    }
    if (identity)
        open.pop_back();
    return total;
}

} // namespace

std::uint64_t MainWindow::calculateDirectorySize(const fw::FolderItem& folder, std::uint64_t size) {
    std::vector<fw::FileIdentity> open;
    return measure(folder, size, open, true);
}

// Entries are taken as they are (links not followed), from the last to the first so that
// the indices of those not yet deleted stay valid. A deletion that fails leaves its entry,
// and so its folder, in place; the caller looks at what is left afterwards.
void MainWindow::DeleteFolder(const fw::FolderItem& folder) {
    if (folder.Directory()) {
        const fw::FolderListing listing(folder);
        for (int index = listing.Count(); index >= 1; --index) {
            if (const std::optional<fw::FolderItem> entry = listing.TrueItem(index))
                DeleteFolder(*entry);
            fw::yieldPointAfterHeavyStep();
        }
    }
    try {
        folder.Delete();
    } catch (const fw::FileError& failure) {
        // Not examined here: what stays is found by the caller's existence test.
        qCDebug(backup::lcBackup) << "left in place:" << failure.what();
    }
}

} // namespace mainwindow

namespace backup {

std::uint64_t sizeWithoutLinks(const fw::FolderItem& folder) {
    std::vector<fw::FileIdentity> open;
    return mainwindow::measure(folder, 0, open, false);
}

} // namespace backup
