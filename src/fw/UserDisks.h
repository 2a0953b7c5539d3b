#pragma once

#include <functional>
#include <string>
#include <vector>

// The disks a user keeps folders on, for the side bar of the folder chooser.
namespace fw {

// A mounted file system as the system lists it.
struct MountedVolume {
    std::string mountPoint; // native path
    std::string type;       // the file system's type, as /proc/self/mounts names it
    bool readOnly = false;
};

// The mount points of the disks a user may write to, in the order the system lists them:
// every writable mount below /media/$USER and /run/media/$USER (where desktops mount USB
// disks), and every other writable mount of a disk file system that is neither one of the
// system's own places (/, /boot, /efi, /usr, /var, ...) nor another user's (/media/bob/...).
// Pseudo, memory and image file systems (proc, tmpfs, overlay, squashfs, ...) are left out.
std::vector<std::string> UserDisks();

// Test seam: the mounted file systems listed instead of the system's; empty for the system's.
void setMountedVolumesForTesting(std::function<std::vector<MountedVolume>()> volumes);

} // namespace fw
