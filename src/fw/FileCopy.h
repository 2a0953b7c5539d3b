#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fw {

// An entry inside a copied folder that was left out, as a path relative to the copy
// ("sub/pipe"): one that is no file, folder or link (a pipe, socket or device), or a link
// where the destination cannot hold links (exFAT, FAT).
struct LeftOutEntry {
    std::string path;
    bool link = false;
    bool operator==(const LeftOutEntry&) const = default;
};
using LeftOut = std::vector<LeftOutEntry>;

// True for the error of making a link where the file system cannot hold any (exFAT, FAT).
bool holdsNoLinks(int err);

// Copies the file, link or folder tree at the native path `from` to the new entry `name` of
// the open folder `toDir`; `toPath` names that entry in messages. With `followLinks` a link
// at `from` is copied as its target, otherwise as a link; links inside a folder are always
// copied as links. Permission bits and modification times are kept, holes of sparse files
// stay holes, and a folder tree is copied folder by folder, a handle or two open at a time,
// whatever its depth. On any failure (and when a worker is killed at a yield point) what was
// made of the new entry is removed. Throws FileError.
//
// `from` is examined before it is opened, so that a device or pipe is never opened. A caller
// that has just read its status (its link followed) and found a file or a folder says so with
// `fileOrFolder`, and it is opened at once; what it is when opened still decides the copy.
LeftOut copyTree(const std::string& from, bool followLinks, int toDir, const std::string& name,
                 const std::string& toPath, bool fileOrFolder = false);

// Copies `from` to the path `to`, which must not exist: under a temporary name in the
// destination folder, renamed into place when complete.
LeftOut copyItem(const std::string& from, bool followLinks, const std::string& to);

// The steps that bring a staged copy's data to the disk and give it its name: its data written
// (a chunk of a file, with the copy's path), the file system flushed (with the staging
// folder's path), a staged copy put in place (with its path in the staging folder).
enum class DiskStep { Written, Saved, Named };

// Test seam: `observer` is told of every step, on the thread that makes it (the disk thread
// for a run), right after it; empty for none. A test may hold a step there to hold the file
// layer in that state.
void setDiskStepsForTesting(std::function<void(DiskStep step, const std::string& path)> observer);
// Tells the observer of the test seam.
void tellDiskStep(DiskStep step, const std::string& path);

} // namespace fw
