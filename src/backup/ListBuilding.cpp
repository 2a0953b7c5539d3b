#include "ErrorList.h"
#include "fw/Dialogs.h"
#include "fw/FileIdentity.h"
#include "fw/FolderItem.h"
#include "fw/FolderListing.h"
#include "fw/LabelText.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "ListEmptying.h"
#include "mainwindow/MainWindow.h"
#include "PackageTest.h"
#include "Panel.h"
#include "sets/ExclusionEntry.h"

#include <algorithm>
#include <QLabel>
#include <QListWidget>

namespace mainwindow {

namespace {

// Characters of UTF-8 text: every byte that does not continue a sequence starts one (a
// stray byte of a name that is not valid UTF-8 counts as one character).
std::size_t characterCount(const std::string& text) {
    return std::size_t(std::count_if(text.begin(), text.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }));
}

// An item's name, lower-cased the first time a rule asks for it.
class LoweredName {
public:
    explicit LoweredName(const fw::FolderItem& item)
        : item_(item) {}
    const std::string& text() {
        if (!lowered_)
            lowered_ = fw::Lowercase(item_.Name());
        return *lowered_;
    }

private:
    const fw::FolderItem& item_;
    std::optional<std::string> lowered_;
};

// Every row of both lists is tested, also after a match, with a yield after each row.
// Extensions match only with at least one character before the dot; contains entries
// match anywhere in the name. Both sides are compared lower-cased.
bool passesExclusions(const MainWindow& window, const std::optional<fw::FolderItem>& item,
                      bool exists) {
    std::optional<LoweredName> name;
    if (item && exists)
        name.emplace(*item);
    bool keep = true;
    for (int r = 0; r < window.lsb_Extensions->count(); ++r) {
        if (name) {
            const std::string ending =
                "." + fw::Lowercase(sets::entryText(*window.lsb_Extensions, r));
            const std::string& lowered = name->text();
            if (characterCount(ending) < characterCount(lowered) && lowered.ends_with(ending))
                keep = false;
        }
        fw::yieldPoint();
    }
    for (int r = 0; r < window.lsb_Contains->count(); ++r) {
        if (name) {
            const std::string part = fw::Lowercase(sets::entryText(*window.lsb_Contains, r));
            const std::string& lowered = name->text();
            if (characterCount(part) <= characterCount(lowered) && fw::InStr(lowered, part) > 0)
                keep = false;
        }
        fw::yieldPoint();
    }
    return keep;
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
        for (std::size_t i = 0; i < Sets.size(); ++i) {
            if (setEnable[i]) {
                sett = std::int32_t(i);
                SearchDirectory(Sets[i]);
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
// tree of any depth is walked whole and every run sees the disk as it is.
void MainWindow::SearchDirectory(const fw::FolderItem& folder) {
    const std::vector<fw::FileIdentity> destinations = destinationIdentities(*this);
    struct Walked {
        fw::FolderItem folder;
        fw::FolderListing listing;
        int next = 1;
    };
    std::vector<Walked> walked;
    const auto enter = [this, &walked](const fw::FolderItem& entered) {
        fw::FolderListing listing(entered);
        if (listing.error())
            backup::countError(*this, "Could not read folder - " + entered.AbsolutePath());
        walked.push_back({entered, std::move(listing)});
    };
    enter(folder);
    while (!walked.empty()) {
        Walked& current = walked.back();
        if (current.next > current.listing.Count()) {
            walked.pop_back();
            continue;
        }
        const std::optional<fw::FolderItem> item = current.listing.Item(current.next++);
        const bool directory = item && item->Directory();
        const bool exists = directory || (item && item->Exists());
        const bool keep = passesExclusions(*this, item, exists);
        // Both paths are folders here, so comparing native paths is comparing their colon
        // paths, without examining the parent again for every entry.
        const std::optional<fw::FolderItem> parent = exists ? item->Parent() : std::nullopt;
        const auto isDestination = [&destinations, &item] {
            const std::optional<fw::FileIdentity> identity = fw::identityOf(*item);
            return identity && std::find(destinations.begin(), destinations.end(), *identity) !=
                                   destinations.end();
        };
        if (keep && parent && parent->nativePath() == current.folder.nativePath() &&
            !(directory && isDestination())) {
            const auto list = [this, &item] {
                SourceItems.push_back(*item);
                sourceSet.push_back(sett);
                TotalItemCount += 1;
            };
            if (directory && !backup::IsPackage(*item)) {
                list();
                fw::yieldPoint();
                enter(*item);
                continue;
            }
            if (item->Name() != ".DS_Store") {
                list();
                fw::setText(stx_fileCount, fw::Str(TotalItemCount));
                ShowCopyPath(current.folder);
            }
        }
        fw::yieldPointAfterHeavyStep();
    }
}

} // namespace mainwindow
