#include "ErrorList.h"
#include "Exclusions.h"
#include "fw/Dialogs.h"
#include "fw/FileIdentity.h"
#include "fw/FolderItem.h"
#include "fw/FolderListing.h"
#include "fw/FrameUpdates.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "ListEmptying.h"
#include "mainwindow/MainWindow.h"
#include "PackageTest.h"
#include "Panel.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <QLabel>
#include <string_view>

namespace mainwindow {

namespace {

// The name of the item at `path` in `folder` (both native paths), or none when the item is
// not an entry of that folder, as where a link leads need not be.
std::optional<std::string_view> nameIn(const std::string& folder, std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (path == "/" || path.substr(0, slash == 0 ? 1 : slash) != folder)
        return std::nullopt;
    return path.substr(slash + 1);
}

// The folders a walk never enters: every enabled set's destination folder and set folder,
// told by identity, so that neither a link nor a path written another way leads the walk
// into the copies it makes.
std::vector<fw::FileIdentity> destinationIdentities(const MainWindow& window) {
    std::vector<fw::FileIdentity> identities;
    for (std::size_t k = 0; k < window.Sets.size(); ++k) {
        if (!window.setEnable[k] || !window.DestinationFolder[k])
            continue;
        const fw::FolderItem& destination = *window.DestinationFolder[k];
        for (const fw::FolderItem& folder : {destination, destination.Child(window.Sets[k].Name())})
            if (const std::optional<fw::FileIdentity> identity = fw::identityOf(folder))
                identities.push_back(*identity);
    }
    return identities;
}

// One status read of `folder`, for what it leads to: a mount point's entry in its folder
// names the folder it covers, so the identity is never taken from the listing.
bool isDestination(const std::vector<fw::FileIdentity>& destinations,
                   const fw::FolderItem& folder) {
    const std::optional<fw::FileIdentity> identity = fw::identityOf(folder);
    return identity &&
           std::find(destinations.begin(), destinations.end(), *identity) != destinations.end();
}

} // namespace

void MainWindow::thr_Build_Run() {
    bool startCopy = true;
    backup::emptyYielding(SourceItems);
    backup::emptyYielding(sourceSet);
    if (Sets.empty()) {
        fw::MsgBox("You do not have anything to backup");
        startCopy = false;
    } else {
        stx_status->setText(QStringLiteral("Building list"));
        TotalItemCount = 0;
        TotalFileSize = 0;
        const backup::Exclusions exclusions(*lsb_Extensions, *lsb_Contains);
        for (std::size_t i = 0; i < Sets.size(); ++i) {
            if (setEnable[i]) {
                sett = std::int32_t(i);
                SearchDirectory(Sets[i], exclusions);
            }
            fw::yieldPoint();
        }
    }
    if (startCopy)
        thr_backup->Run();
    thr_Build->Kill();
}

// Links are resolved by Item; one that leads out of its folder is neither listed nor
// followed, so the walk stays inside the source and cannot loop. The folders being walked
// are kept on a stack of their own, each with the listing read when it was entered, so a
// tree of any depth is walked whole and every run sees the disk as it is. What an entry is
// comes from its folder's listing where that tells; only links are examined, and folders for
// their identity.
void MainWindow::SearchDirectory(const fw::FolderItem& folder,
                                 const backup::Exclusions& exclusions) {
    const std::vector<fw::FileIdentity> destinations = destinationIdentities(*this);
    struct Walked {
        fw::FolderItem folder;
        fw::FolderItemList::Folder listed;
        fw::FolderListing listing;
        int next = 1;
    };
    // A deque: entering a folder adds to it while `current` below still refers to its folder.
    std::deque<Walked> walked;
    const auto enter = [this, &walked](const fw::FolderItem& entered,
                                       fw::FolderItemList::Folder listed,
                                       fw::FolderListing listing) {
        if (listing.error())
            backup::countError(*this, "Could not read folder - " + entered.AbsolutePath());
        walked.push_back({entered, listed, std::move(listing)});
    };
    enter(folder, SourceItems.outsideFolder(folder), fw::FolderListing(folder));
    while (!walked.empty()) {
        Walked& current = walked.back();
        if (current.next > current.listing.Count()) {
            walked.pop_back();
            continue;
        }
        const std::optional<fw::FolderListing::Examined> entry =
            current.listing.Examine(current.next++);
        const fw::FolderItem* item = entry && entry->exists ? &entry->item : nullptr;
        const bool directory = item && entry->folder;
        const bool keep = exclusions.Passes(item);
        const std::optional<std::string_view> name =
            item ? nameIn(current.folder.nativePath(), item->nativePath()) : std::nullopt;
        if (keep && name && !(directory && isDestination(destinations, *item))) {
            const auto list = [this, &current, &name] {
                SourceItems.push_back(current.listed, *name);
                sourceSet.push_back(sett);
                TotalItemCount += 1;
            };
            std::optional<fw::FolderListing> inside;
            if (directory && !backup::IsPackage(*item, inside)) {
                list();
                fw::yieldPoint();
                enter(*item, fw::FolderItemList::listedFolder(SourceItems.size() - 1),
                      std::move(*inside));
                continue;
            }
            // Display names differ from native ones only in ":", which this one has not.
            if (*name != ".DS_Store") {
                list();
                fw::showText(stx_fileCount, fw::Str(TotalItemCount));
                ShowCopyPath(current.folder);
            }
        }
        fw::yieldPointAfterHeavyStep();
    }
}

} // namespace mainwindow
