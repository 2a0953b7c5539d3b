#include "CopySteps.h"
#include "ErrorList.h"
#include "fw/Date.h"
#include "fw/FolderItem.h"
#include "fw/FrameUpdates.h"
#include "fw/Text.h"
#include "mainwindow/MainWindow.h"
#include "PackageTest.h"
#include "Panel.h"

#include <cstdlib>
#include <QLabel>

namespace backup {

namespace {

std::uint64_t wholeSeconds(const fw::Date& date) {
    return fw::toUInt64(date.TotalSeconds());
}

// The copy is written whole into the staging folder first and then put in place of the old
// one in one step, so a failure or a kill at any moment leaves the old copy or the new one
// whole under the item's name. A folder where the copy of a file would be is no copy of it:
// only an empty one is removed to make room, and a package copy (the item was a package
// before) is exchanged with the new copy and then removed whole.
void UpdateOlder(mainwindow::MainWindow& window, const fw::FolderItem& item,
                 const fw::ItemStatus& status, const Target& target, const fw::FoundEntry& found,
                 bool package, std::uint64_t sourceSize) {
    showItemFolder(window, item);
    const fw::FolderItem& destination = target.item;
    const auto refused = [&window, destination] {
        countError(window,
                   "Could not remove - " + destination.AbsolutePath() + "so couldn't write new");
    };
    const bool packageCopy =
        !package && found.folder && IsPackage(destination, destination.EntryStatus());
    const bool emptied = !package && found.folder && !packageCopy;
    const fw::Placing placing = emptied       ? fw::Placing::New
                                : packageCopy ? fw::Placing::ReplacingPackage
                                              : fw::Placing::Replacing;
    // Not counted: the entry that follows counts the error once.
    if (emptied && !guarded(
                       window, "Could not remove - ", destination,
                       [&target] { target.tree.removeFolder(target.place); }, Counted::No)) {
        refused();
        return;
    }
    if (!package)
        sourceSize = status.length();
    showInfo(window, "Updating : " + item.Name() + " (" + window.ConvertSize(sourceSize) + ")");
    // Counted once the new copy is in place; until then the old copy stays where it is.
    guarded(window, "Could not update - ", destination, [&] {
        target.tree.copyWhenSaved(
            item, status, target.place, placing, sourceSize, datedBeforeEvery,
            [&window, destination, sourceSize, refused](fw::StagedCopy* copy,
                                                        const std::exception* failure) {
                if (failure && !copy) {
                    reportFailure(window, "Could not update - ", destination, *failure);
                    return;
                }
                if (failure) {
                    reportFailure(window, "Could not remove - ", destination, *failure,
                                  Counted::No);
                    refused();
                    return;
                }
                window.FilesUpdated += 1;
                fw::showText(window.stx_filesUpdated, fw::Str(window.FilesUpdated));
                window.TotalFileSize += sourceSize;
                fw::showText(window.stx_DataWritten, window.ConvertSize(window.TotalFileSize));
                reportChangedWhileCopying(window, destination, *copy);
                reportLeftOut(window, destination, copy->leftOut());
                if (copy->holdsOldCopy()) {
                    showInfo(window, "Removing old : " + destination.Name());
                    copy->removeOldCopy();
                }
            });
    });
}

void LeaveUnchanged(mainwindow::MainWindow& window, const fw::FolderItem& item,
                    const fw::ItemStatus& status) {
    window.infoText =
        "Checking : " + item.Name() + " (" + window.ConvertSize(status.length()) + ")";
    fw::showText(window.stx_Info, window.infoText);
}

// Newer as the copy's file system can tell: where it keeps times in steps of more than a
// second (FAT stores the even second below), the source's time is compared as it would be
// stored there, or an odd-second file would be found newer at every run. Whole seconds count
// from 1904, a whole number of hours before 1970, so the steps fall as the file system's do.
// The step is measured only when the times say newer, since rounding a time down never makes
// it newer than a copy on such a disk.
bool newerThanCopy(std::uint64_t sourceTime, std::uint64_t copyTime, const Target& target) {
    if (!IsSourceNewer(sourceTime, copyTime))
        return false;
    const std::uint64_t step = target.tree.timeStep();
    return IsSourceNewer(sourceTime / step * step, copyTime);
}

// What a power cut can leave: a copy under its final name with its source's time but not all
// of its bytes. A file copy whose time the comparison finds the same as its source's (equal
// within the copy's time step, or an hour apart either way) but whose length differs is
// replaced. The file system is asked only when the lengths differ.
bool cutShort(std::uint64_t sourceTime, std::uint64_t copyTime, const fw::ItemStatus& status,
              const fw::FoundEntry& found, const Target& target) {
    if (found.folder || found.length == status.length())
        return false;
    const std::int64_t step = std::int64_t(target.tree.timeStep());
    const std::int64_t apart = std::int64_t(sourceTime - copyTime);
    const std::int64_t hour = std::int64_t(ExemptShiftSeconds);
    for (const std::int64_t shift : {std::int64_t(0), hour, -hour})
        if (std::abs(apart - shift) < step)
            return true;
    return false;
}

} // namespace

bool IsSourceNewer(std::uint64_t sourceTime, std::uint64_t copyTime) {
    return copyTime < sourceTime && sourceTime != copyTime + ExemptShiftSeconds;
}

// A package is measured on both sides whatever its times, so that a copy left incomplete
// is found smaller and replaced. A link where the copy should be was not made by a run: it is
// never followed, replaced or removed, and the item is not backed up.
void replaceOrLeave(mainwindow::MainWindow& window, const fw::FolderItem& item,
                    const fw::ItemStatus& status, bool package, const Target& target,
                    const fw::FoundEntry& found) {
    if (found.link) {
        countError(window, "Could not update - " + target.item.AbsolutePath());
        return;
    }
    const std::uint64_t sourceTime = wholeSeconds(status.modificationDate());
    const std::uint64_t copyTime = wholeSeconds(found.modified);
    std::uint64_t sourceSize = 0;
    bool grown = false;
    if (package) {
        showInfo(window, "Calculating source size : " + item.Name());
        // Measured as the copy can hold it: where links are left out, they do not count.
        sourceSize = target.tree.holdsLinks() ? window.calculateDirectorySize(item, 0)
                                              : sizeWithoutLinks(item);
        showInfo(window, "Calculating destination size : " + item.Name());
        const std::uint64_t copySize = window.calculateDirectorySize(target.item, 0);
        grown = copySize < sourceSize;
    }
    if (newerThanCopy(sourceTime, copyTime, target) || grown ||
        (!package && cutShort(sourceTime, copyTime, status, found, target)))
        UpdateOlder(window, item, status, target, found, package, sourceSize);
    else
        LeaveUnchanged(window, item, status);
}

} // namespace backup
