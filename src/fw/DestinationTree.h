#pragma once

#include "Date.h"
#include "FileCopy.h"
#include "FileIdentity.h"
#include "FolderItem.h"
#include "PosixFile.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace fw {

// What is found at a place in a destination, the entry itself (a link not followed).
struct FoundEntry {
    bool folder;
    bool link;
    Date modified;
};

// A copy written whole into a destination's staging folder, waiting to be put in place.
// Whatever is still in the staging folder under its name when it goes (a copy never put in
// place, or the old copy it replaced) goes with it, also when a killed worker unwinds: its
// removal is given to the disk thread, and nothing waits for it.
class StagedCopy {
public:
    StagedCopy(StagedCopy&& other) noexcept;
    StagedCopy& operator=(StagedCopy&&) = delete;
    StagedCopy(const StagedCopy&) = delete;
    StagedCopy& operator=(const StagedCopy&) = delete;
    ~StagedCopy();

    // Entries inside a folder that the copy left out (see copyTree).
    const LeftOut& leftOut() const { return leftOut_; }
    // After a replacement that set the old copy aside: whether the old copy, in the staging
    // folder, is still to be removed.
    bool holdsOldCopy() const { return holdsOld_ && inStaging_; }
    // Removes the old copy that a replacement set aside.
    void removeOldCopy();

private:
    friend class DestinationTree;
    StagedCopy(int staging, std::string stagingPath, std::string name, LeftOut leftOut,
               FoundEntry entry);

    int staging_;
    std::string stagingPath_;
    std::string name_;
    LeftOut leftOut_;
    // The copy as it will be found once it is in place.
    FoundEntry entry_;
    bool inStaging_ = true; // something is in the staging folder under name_
    bool holdsOld_ = false;
};

// How a staged copy takes its place: where nothing is (DestinationTree::placeNew), or in place
// of the old copy (DestinationTree::replace).
enum class Placing { New, Replacing };

// Told of a copy once its turn to be put in place has come: `failure` is none when the copy
// is in place, otherwise what stopped it. `copy` is none when the copy could not be made; a
// copy that was made and could not be put in place is left where it was staged.
using Placed = std::function<void(StagedCopy* copy, const std::exception* failure)>;

// A set's destination folder, opened once for a run. The folder itself may be reached
// through links (it is the user's choice); below it no link is ever followed and nothing is
// written outside it: every place is reached folder by folder from the open folder. Copies
// are written whole into a staging folder on the same file system and then renamed into
// place, so an entry under its own name is always a whole copy, old or new. A copy gets its
// name only once its data is on the disk (see copyWhenSaved), so a power cut or a pulled disk
// never leaves a name on data that did not reach the disk. The staging folder is swept when
// the tree is opened (what a killed run left) and removed when it goes.
//
// Every call that writes, and the opening and closing, runs on the disk thread (DiskThread.h);
// look() reads a status on the calling thread.
//
// Places are relative native paths, names joined by "/" ("Set/sub/a.txt"). The folder of
// the last place used stays open, so the items of one folder, which come one after another
// in a run, cost no more than one open of their folder.
class DestinationTree {
public:
    // The folder that holds a run's temporaries in each destination.
    static constexpr char stagingName[] = ".tolvane-staging";

    // A folder that cannot be opened gives a tree in which everything fails.
    explicit DestinationTree(const FolderItem& folder);
    ~DestinationTree();
    DestinationTree(const DestinationTree&) = delete;
    DestinationTree& operator=(const DestinationTree&) = delete;

    // None when the folder could not be opened.
    std::optional<FileIdentity> identity() const { return identity_; }

    // None when nothing is there, or when the place cannot be reached without following a
    // link or going through something that is no folder. A copy waiting for its place is found
    // there as it will be.
    std::optional<FoundEntry> look(const std::string& place);

    // Each throws FileError when it fails.
    void createFolder(const std::string& place);
    // Removes the empty folder at `place`.
    void removeFolder(const std::string& place);
    // Copies `source` (its link followed) whole into the staging folder and puts the copy at
    // `place` once its data is on the disk; `status` is the source's as the caller has just
    // read it. Returns once the copy is given to the disk thread, so the caller goes on with
    // its next item while the disk works. Copies wait together until some MB, some hundred
    // copies or a fraction of a second have gathered; then one flush of the file system puts
    // the data of all of them on the disk, they are put in place in the order given, and
    // `placed` is told of each, in that order, on the caller's thread (a worker goes on only
    // after that). `bytes` is the copy's size, counted towards the batch. Copies still waiting
    // when the tree goes are stopped and removed; their old copies stay. Throws FileError when
    // the staging folder cannot be made.
    void copyWhenSaved(const FolderItem& source, const ItemStatus& status, std::string place,
                       Placing how, std::uint64_t bytes, Placed placed);
    // Makes the folder at `place` on the disk thread, after the copies given before and before
    // those given after; returns at once. `made` is told in its turn with the copies, at the
    // next flush, with no copy and the failure (none when the folder was made).
    void createFolderLater(const std::string& place, Placed made);
    // Puts every copy still waiting in place now, as copyWhenSaved does.
    void placeWaiting();

private:
    // Puts a staged copy at `place`, where nothing is.
    void placeNew(StagedCopy& copy, const std::string& place);
    // Puts a staged copy in place of what is at `place`, in one step: a file is renamed over
    // the old file; a folder copy is exchanged with the old copy, which is then left in the
    // staging folder (StagedCopy::oldCopy). A file never replaces a folder. When the folder
    // refuses, the old copy stays as it was.
    void replace(StagedCopy& copy, const std::string& place);

    // A copy given to the disk thread and waiting for its place. The disk thread fills in the
    // copy or its failure; the caller reads them after the flush that follows.
    struct Waiting {
        std::string place;
        // A folder to make, not a copy to place.
        bool folder;
        Placing how;
        Placed placed;
        std::optional<StagedCopy> copy;
        std::optional<FileError> failure;
    };

    // The open folder that holds `place` and the name in it; -1 (errno set) when it cannot
    // be reached.
    int folderOf(const std::string& place, std::string& name);
    int folderFor(const std::string& place, std::string& name);
    int staging();
    // Takes a waiting entry; flushes and places the batch when it is full.
    void addWaiting(std::shared_ptr<Waiting> entry, const FoundEntry& found, std::uint64_t bytes);

    std::string path_;
    std::string stagingPath_; // path_ + "/" + stagingName, for messages and staged copies
    posix::UniqueFd root_;
    int rootError_ = 0;
    std::optional<FileIdentity> identity_;
    posix::UniqueFd staging_;
    std::string cursorPlace_;
    posix::UniqueFd cursor_;
    std::vector<std::shared_ptr<Waiting>> waiting_;
    // Set when the tree goes: copies not yet made are not made.
    std::shared_ptr<std::atomic<bool>> abandoned_ = std::make_shared<std::atomic<bool>>(false);
    // The places of the waiting copies, and how each will be found.
    std::unordered_map<std::string, FoundEntry> waitingPlaces_;
    std::uint64_t waitingBytes_ = 0;
    std::chrono::steady_clock::time_point firstWaiting_;
};

} // namespace fw
