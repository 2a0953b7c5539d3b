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

// Seconds between two modification times the file system of the open folder `folder` (at the
// native path `path`) keeps, measured there: a probe file gets a time of odd seconds and a
// fraction, and the time read back says how the file system stored it (FAT and some shares
// keep the even second below: 2). A file system that keeps the time, or rounds it up, gives 1;
// so does one whose step is over a minute or does not divide an hour, which keeps no times to
// compare by. The probe is removed. Throws FileError when the probe cannot be made.
std::uint64_t MeasureTimeStep(int folder, const std::string& path);

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
// Called with the probe of MeasureTimeStep (its folder's native path and the open probe) after its
// time is set and before it is read back, as a file system that stores times coarser than it
// is told would act; empty for none.
void setTimeStepProbeForTesting(std::function<void(const std::string& folder, int fd)> probe);
// Called in place of syncfs with the open folder, on the thread that flushes, returning 0 or
// an errno value; empty for syncfs.
void setSyncForTesting(std::function<int(int fd)> sync);

} // namespace fw
