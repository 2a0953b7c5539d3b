#pragma once

#include "Date.h"
#include "DestinationLock.h"
#include "FileCopy.h"
#include "FileIdentity.h"
#include "FolderItem.h"
#include "FolderNames.h"
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
    // Bytes of a file; 0 for anything else.
    std::uint64_t length;
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
    // The source changed while it was copied, and again while it was copied once more: the
    // copy is kept as made, dated before every version of the source seen.
    bool changedWhileCopied() const { return changedWhileCopied_; }

private:
    friend class DestinationTree;
    StagedCopy(int staging, std::string stagingPath, std::string name, LeftOut leftOut,
               FoundEntry entry);

    // Gives the copy, still in the staging folder, this modification time. Throws FileError.
    void setModificationDate(const Date& date);

    int staging_;
    std::string stagingPath_;
    std::string name_;
    LeftOut leftOut_;
    // The copy as it will be found once it is in place.
    FoundEntry entry_;
    bool inStaging_ = true; // something is in the staging folder under name_
    bool holdsOld_ = false;
    bool changedWhileCopied_ = false;
};

// The modification time given to a copy whose source kept changing while it was copied, from
// the statuses of the source seen (at least two) and the destination's time step: one that
// the next run's comparison finds older than every one of them.
using DatedBefore = Date (*)(const std::vector<ItemStatus>& seen, std::uint64_t step);

// How a staged copy takes its place: where nothing is (DestinationTree::placeNew), or in place
// of the old copy (DestinationTree::replace); a file may take the place of a folder only when
// that folder is the copy of a package the item was before.
enum class Placing { New, Replacing, ReplacingPackage };

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
// the tree is opened (what a killed run left) and removed when it goes. The tree holds the
// folder's DestinationLock from before the sweep; a folder that another run holds gives a
// tree in which everything fails and whose staging folder is left alone.
//
// Every call that writes, and the opening and closing, runs on the disk thread (DiskThread.h);
// look() and listsExactly() read on the calling thread.
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
    // False when the folder that holds `place` does not list its name byte for byte, though
    // look() may find an entry there: the folder folds names, and the entry found is another
    // item's, under a name the folder cannot hold apart from this one. A copy waiting for its
    // place is listed as it will be.
    bool listsExactly(const std::string& place);
    // True when look() finds an entry at `place` that the folder lists under another name.
    bool clashesAt(const std::string& place);

    // Seconds between two modification times this destination keeps (2 on FAT and on some
    // network shares), measured once on a probe file in the staging folder; 1 when it cannot
    // be measured.
    std::uint64_t timeStep();
    // False when this destination cannot hold links (exFAT, FAT), found once by making one in
    // the staging folder; true when that cannot be found out.
    bool holdsLinks();

    // Each throws FileError when it fails.
    void createFolder(const std::string& place);
    // Removes the empty folder at `place`.
    void removeFolder(const std::string& place);
    // Copies `source` whole into the staging folder and puts the copy at `place` once its data
    // is on the disk; `status` is the source's as the caller has just read it (its own status,
    // a link not followed), and only a file or a folder is copied. The source is opened without
    // following a link: one found there (the item was replaced since) fails the copy. Once
    // copied, the source's status is read again; a source that changed meanwhile is copied
    // again, once, and one still changing is kept as copied and dated by `datedBefore`
    // (StagedCopy::changedWhileCopied). Returns once the copy is given to the disk thread, so the
    // caller goes on with its next item while the disk works. Copies wait together until some MB,
    // some hundred copies or a fraction of a second have gathered; then one flush of the file
    // system puts the data of all of them on the disk, they are put in place in the order given,
    // and `placed` is told of each, in that order, on the caller's thread (a worker goes on only
    // after that). `bytes` is the copy's size, counted towards the batch. Copies still waiting
    // when the tree goes are stopped and removed; their old copies stay. Throws FileError when
    // the staging folder cannot be made.
    void copyWhenSaved(const FolderItem& source, const ItemStatus& status, std::string place,
                       Placing how, std::uint64_t bytes, DatedBefore datedBefore, Placed placed);
    // Makes the folder at `place` on the disk thread, after the copies given before and before
    // those given after; returns at once. `made` is told in its turn with the copies, at the
    // next flush, with no copy and the failure (none when the folder was made). When it fails
    // because the folder holds another item's entry under a name it cannot hold apart from this
    // one (a clash), nothing given for places inside it is written, and those are told of a
    // failure that `insideClash` recognises.
    void createFolderLater(const std::string& place, Placed made);
    // True for the failure given to a copy or folder inside a folder that clashed.
    static bool insideClash(const std::exception& failure);
    // Puts every copy still waiting in place now, as copyWhenSaved does.
    void placeWaiting();

private:
    // Puts a staged copy at `place`, where nothing is.
    void placeNew(StagedCopy& copy, const std::string& place);
    // Puts a staged copy in place of what is at `place`, in one step: a file is renamed over
    // the old file; a folder copy is exchanged with the old copy, which is then left in the
    // staging folder (StagedCopy::oldCopy). A file replaces a folder only with
    // `folderMayGo` (a package's old copy), and then by the same exchange. When the folder
    // refuses, the old copy stays as it was.
    void replace(StagedCopy& copy, const std::string& place, bool folderMayGo);

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
        bool clashed = false;
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
    std::shared_ptr<DestinationLock> lock_;
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
    FolderNames names_;
    std::optional<std::uint64_t> timeStep_;
    std::optional<bool> holdsLinks_;
    // The places of folders whose making clashed with another item's entry. Only jobs on the
    // disk thread, which run one at a time, touch it.
    std::shared_ptr<std::vector<std::string>> clashedFolders_ =
        std::make_shared<std::vector<std::string>>();
};

} // namespace fw
