#pragma once

#include "FolderItem.h"
#include "PosixFile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The file systems that hold folders: whether the disk meant for a folder is mounted, how
// finely they keep modification times, and flushing them to disk.
namespace fw {

// The mount point that the file-system table (/etc/fstab) lists for `folder`, when that disk
// is not mounted now: the folder then lies in the empty mount-point folder on the disk
// beneath. None when the folder lies on the disk its table entry names, or when no entry
// holds it. `folder` must exist.
std::optional<FolderItem> UnmountedMountPoint(const FolderItem& folder);

// Seconds between two modification times the file system holding `item` can keep: 2 on a
// FAT file system, 1 elsewhere.
std::uint64_t TimeStepOf(const FolderItem& item);

// A handle on the file system of one folder, opened before writing to it, so that a write
// that fails on its way to the disk after this moment is reported by SaveToDisk.
class VolumeHandle {
public:
    const FolderItem& folder() const { return folder_; }
    // Writes everything the file system still holds in memory to its disk; the window goes on
    // handling events meanwhile. Throws FileError when that fails, or when the folder could
    // not be opened.
    void SaveToDisk() const;

private:
    friend std::vector<VolumeHandle> OpenVolumes(const std::vector<FolderItem>& folders);
    explicit VolumeHandle(FolderItem folder)
        : folder_(std::move(folder)) {}

    FolderItem folder_;
    posix::UniqueFd fd_;
    int openError_ = 0;
};

// One handle per file system that holds one of `folders`, in their order: a folder on a file
// system met before gets none. A folder that cannot be opened gets a handle of its own, whose
// SaveToDisk reports why.
std::vector<VolumeHandle> OpenVolumes(const std::vector<FolderItem>& folders);

// Test seams. The file-system table read instead of /etc/fstab; empty for /etc/fstab.
void setFileSystemTableForTesting(std::string path);
// Answers which time step the file system of an item keeps; where it gives none, or when it is
// empty, the file system is asked.
void setTimeStepForTesting(std::function<std::optional<std::uint64_t>(const FolderItem&)> step);
// Called in place of syncfs with the open folder, on the thread that flushes, returning 0 or
// an errno value; empty for syncfs.
void setSyncForTesting(std::function<int(int fd)> sync);

} // namespace fw
