#include "CopySteps.h"
#include "ErrorList.h"
#include "fw/Canvas.h"
#include "fw/Date.h"
#include "fw/FolderItem.h"
#include "fw/LabelText.h"
#include "fw/Text.h"
#include "fw/Volume.h"
#include "mainwindow/MainWindow.h"
#include "PackageTest.h"
#include "Panel.h"

#include <QLabel>

namespace backup {

namespace {

std::uint64_t wholeSeconds(const fw::FolderItem& item) {
    return fw::toUInt64(item.ModificationDate().TotalSeconds());
}

// The copy is removed first and the item copied again. A copy that is still there after the
// removal is never overwritten: no new copy is written.
void UpdateOlder(mainwindow::MainWindow& window, const fw::FolderItem& item,
                 const fw::FolderItem& destination, bool package, std::uint64_t sourceSize) {
    showItemFolder(window, item);
    if (IsPackage(destination)) {
        showInfo(window, "Removing old : " + destination.Name());
        // Taken as it is: when the copy is a link, the link goes and what it leads to, which
        // lies outside the backup, is never touched.
        window.DeleteFolder(fw::FolderItem::fromNativePath(destination.nativePath(), false));
    } else {
        // Not counted: the test below finds the copy still there and counts the error once.
        guarded(
            window, "Could not remove - ", destination, [&destination] { destination.Delete(); },
            Counted::No);
    }
    if (destination.Exists()) {
        countError(window,
                   "Could not remove - " + destination.AbsolutePath() + "so couldn't write new");
        return;
    }
    guarded(window, "Could not update - ", destination, [&] {
        if (!package)
            sourceSize = item.Length();
        showInfo(window, "Updating : " + item.Name() + " (" + window.ConvertSize(sourceSize) + ")");
        item.CopyFileTo(destination);
        window.FilesUpdated += 1;
        fw::setText(window.stx_filesUpdated, fw::Str(window.FilesUpdated));
        window.TotalFileSize += sourceSize;
        fw::setText(window.stx_DataWritten, window.ConvertSize(window.TotalFileSize));
    });
}

// The line is not redrawn at once: it shows with the window's next redraw.
void LeaveUnchanged(mainwindow::MainWindow& window, const fw::FolderItem& item) {
    window.infoText = "Checking : " + item.Name() + " (" + window.ConvertSize(item.Length()) + ")";
    fw::setText(window.stx_Info, window.infoText);
}

// Newer as the copy's file system can tell: where it keeps times in two-second steps (FAT
// stores the even second below), the source's time is compared as it would be stored there,
// or an odd-second file would be found newer at every run. Whole seconds count from 1904, an
// even number of seconds before 1970, so the steps fall as the file system's do. The file
// system is asked only when the times say newer, since rounding a time down never makes it
// newer than a copy on such a disk (whose own time is even).
bool newerThanCopy(std::uint64_t sourceTime, std::uint64_t copyTime,
                   const fw::FolderItem& destination) {
    if (!IsSourceNewer(sourceTime, copyTime))
        return false;
    const std::uint64_t step = fw::TimeStepOf(destination);
    return IsSourceNewer(sourceTime / step * step, copyTime);
}

} // namespace

bool IsSourceNewer(std::uint64_t sourceTime, std::uint64_t copyTime) {
    return copyTime < sourceTime && sourceTime != copyTime + ExemptShiftSeconds;
}

// A package is measured on both sides whatever its times, so that a copy left incomplete
// (by a failed removal or an interrupted run) is found smaller and replaced.
void replaceOrLeave(mainwindow::MainWindow& window, const fw::FolderItem& item, bool directory,
                    const fw::FolderItem& destination) {
    const std::uint64_t sourceTime = wholeSeconds(item);
    const std::uint64_t copyTime = wholeSeconds(destination);
    std::uint64_t sourceSize = 0;
    bool grown = false;
    const bool package = isPackage(item, directory);
    if (package) {
        showInfo(window, "Calculating source size : " + item.Name());
        sourceSize = window.calculateDirectorySize(item, 0);
        showInfo(window, "Calculating destination size : " + item.Name());
        const std::uint64_t copySize = window.calculateDirectorySize(destination, 0);
        grown = copySize < sourceSize;
    }
    if (newerThanCopy(sourceTime, copyTime, destination) || grown)
        UpdateOlder(window, item, destination, package, sourceSize);
    else
        LeaveUnchanged(window, item);
}

} // namespace backup
