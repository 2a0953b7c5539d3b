#pragma once

#include "BackupLogging.h"
#include "ErrorList.h"
#include "fw/DestinationTree.h"
#include "fw/FolderItem.h"

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace mainwindow {
class MainWindow;
} // namespace mainwindow

// Steps of the copy pass shared by its parts: the pass itself (CopyPass.cpp) and the
// replacing of older copies (ReplaceOlder.cpp).
namespace backup {

// A copy whose source is exactly this much later is not newer: the same file seen across
// a one-hour clock change.
inline constexpr std::uint64_t ExemptShiftSeconds = 3600;

// True when the source's time (whole seconds) is later than the copy's, by any amount
// other than exactly ExemptShiftSeconds.
bool IsSourceNewer(std::uint64_t sourceTime, std::uint64_t copyTime);

// Shows the folder that holds `item` on the copy path ladder (the item itself when it has
// no parent).
void showItemFolder(mainwindow::MainWindow& window, const fw::FolderItem& item);

// Sets the information line, shown with the window's next frame.
void showInfo(mainwindow::MainWindow& window, const std::string& text);

// Where the copy of an item goes: its destination item, which names it in entries and on
// screen, and its place in the set's destination tree, through which every write goes.
struct Target {
    fw::FolderItem item;
    fw::DestinationTree& tree;
    std::string place;
};

// A file or package whose destination item exists (`found`): the copy is replaced when it is
// older (a package's also when it holds fewer bytes than the item), otherwise left as it is.
// `status` is the item's as the pass read it for this item.
void replaceOrLeave(mainwindow::MainWindow& window, const fw::FolderItem& item,
                    const fw::ItemStatus& status, bool package, const Target& target,
                    const fw::FoundEntry& found);

// The modification time for a copy whose source kept changing while it was copied, from the
// source's statuses seen (at least one that exists) and the destination's time step: a step
// below the earliest, whole seconds on the step, and never exactly ExemptShiftSeconds below
// one of them, which would not count as newer. The next run then finds the copy older and
// replaces it.
fw::Date datedBeforeEvery(const std::vector<fw::ItemStatus>& seen, std::uint64_t step);

// The counted entry "Changed while copying - " + the destination's path, for a copy that
// took its place though its source kept changing while it was copied.
void reportChangedWhileCopying(mainwindow::MainWindow& window, const fw::FolderItem& destination,
                               const fw::StagedCopy& copy);

// One counted entry for every entry that a copy of a package left out, named by its place in
// the copy: "Could not copy - " for a pipe, socket or device, and one that names the cause for
// a link the backup disk cannot hold.
void reportLeftOut(mainwindow::MainWindow& window, const fw::FolderItem& copy,
                   const fw::LeftOut& leftOut);

// The bytes below `folder` as calculateDirectorySize counts them, links left out: what a copy
// of it holds on a disk that cannot hold links.
std::uint64_t sizeWithoutLinks(const fw::FolderItem& folder);

// One counted entry for an item whose name the backup disk cannot hold apart from another
// item's, whose entry stands there (`destination` names the place).
void reportClash(mainwindow::MainWindow& window, const fw::FolderItem& destination);

enum class Counted { No, Yes };

// The entry for a failed file operation: `failureText` + the destination's path goes to the
// error list, counted as an error unless told otherwise.
void reportFailure(mainwindow::MainWindow& window, std::string_view failureText,
                   const fw::FolderItem& destination, const std::exception& failure,
                   Counted counted = Counted::Yes);

// Runs one guarded step of the pass. When a file operation in it fails, its entry goes to the
// error list (reportFailure) and the pass goes on. Only file operations' failures (FileError)
// are caught: the exception that unwinds a cancelled worker passes through, and any other is a
// fault of the program that reaches the unhandled-exception report.
template <typename Step>
bool guarded(mainwindow::MainWindow& window, std::string_view failureText,
             const fw::FolderItem& destination, Step&& step, Counted counted = Counted::Yes) {
    try {
        step();
        return true;
    } catch (const fw::FileError& failure) {
        reportFailure(window, failureText, destination, failure, counted);
        return false;
    }
}

} // namespace backup
