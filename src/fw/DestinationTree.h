#pragma once

#include "Date.h"
#include "DestinationLock.h"
#include "FileCopy.h"
#include "FileIdentity.h"
#include "FolderItem.h"
#include "FolderNames.h"
#include "PosixFile.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fw {

// A copy written whole into a destination's staging folder, waiting to be put in place.
// Whatever is still in the staging folder under its name when it goes (a copy never put in
// place, or the old copy it replaced) goes with it, also when a killed worker unwinds.
class StagedCopy {
public:
    StagedCopy(StagedCopy&& other) noexcept;
    StagedCopy& operator=(StagedCopy&&) = delete;
    StagedCopy(const StagedCopy&) = delete;
    StagedCopy& operator=(const StagedCopy&) = delete;
    ~StagedCopy();

    // Entries inside a folder that the copy left out (see copyTree).
    const LeftOut& leftOut() const { return leftOut_; }
    // After a replacement that set the old copy aside: the old copy, in the staging folder,
    // to be deleted. None otherwise.
    std::optional<FolderItem> oldCopy() const;
    // Gives the copy, still in the staging folder, this modification time. Throws FileError.
    void setModificationDate(const Date& date);

private:
    friend class DestinationTree;
    StagedCopy(int staging, std::string stagingPath, std::string name, LeftOut leftOut);

    int staging_;
    std::string stagingPath_;
    std::string name_;
    LeftOut leftOut_;
    bool inStaging_ = true; // something is in the staging folder under name_
    bool holdsOld_ = false;
};

// What is found at a place in a destination, the entry itself (a link not followed).
struct FoundEntry {
    bool folder;
    bool link;
    Date modified;
    // Bytes of a file; 0 for anything else.
    std::uint64_t length;
};

// A set's destination folder, opened once for a run. The folder itself may be reached
// through links (it is the user's choice); below it no link is ever followed and nothing is
// written outside it: every place is reached folder by folder from the open folder. Copies
// are written whole into a staging folder on the same file system and then renamed into
// place, so an entry under its own name is always a whole copy, old or new. The staging
// folder is swept when the tree is opened (what a killed run left) and removed when it goes.
// The tree holds the folder's DestinationLock from before the sweep; a folder that another
// run holds gives a tree in which everything fails and whose staging folder is left alone.
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
    // link or going through something that is no folder.
    std::optional<FoundEntry> look(const std::string& place);
    // False when the folder that holds `place` does not list its name byte for byte, though
    // look() may find an entry there: the folder folds names, and the entry found is another
    // item's, under a name the folder cannot hold apart from this one.
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
    // Copies `source` whole into the staging folder; `status` is the source's as the caller
    // has just read it, and only a file or a folder is copied. The source is opened without
    // following a link: one found there (the item was replaced since it was examined) fails
    // the copy.
    StagedCopy stage(const FolderItem& source, const ItemStatus& status);
    // Puts a staged copy at `place`, where nothing is.
    void placeNew(StagedCopy& copy, const std::string& place);
    // Puts a staged copy in place of what is at `place`, in one step: a file is renamed over
    // the old file; a folder copy is exchanged with the old copy, which is then left in the
    // staging folder (StagedCopy::oldCopy). A file never replaces a folder. When the folder
    // refuses, the old copy stays as it was.
    void replace(StagedCopy& copy, const std::string& place);

private:
    // The open folder that holds `place` and the name in it; -1 (errno set) when it cannot
    // be reached.
    int folderOf(const std::string& place, std::string& name);
    int folderFor(const std::string& place, std::string& name);
    int staging();

    std::string path_;
    std::string stagingPath_; // path_ + "/" + stagingName, for messages and staged copies
    std::shared_ptr<DestinationLock> lock_;
    posix::UniqueFd root_;
    int rootError_ = 0;
    std::optional<FileIdentity> identity_;
    posix::UniqueFd staging_;
    std::string cursorPlace_;
    posix::UniqueFd cursor_;
    FolderNames names_;
    std::optional<std::uint64_t> timeStep_;
    std::optional<bool> holdsLinks_;
};

} // namespace fw
