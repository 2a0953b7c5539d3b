#include "UserDisks.h"

#include <algorithm>
#include <array>
#include <pwd.h>
#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <string_view>
#include <unistd.h>

namespace fw {

namespace {

std::function<std::vector<MountedVolume>()> mountedForTesting;

std::vector<MountedVolume> mountedVolumes() {
    if (mountedForTesting)
        return mountedForTesting();
    std::vector<MountedVolume> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        volumes.push_back({QFile::encodeName(volume.rootPath()).toStdString(),
                           volume.fileSystemType().toStdString(), volume.isReadOnly()});
    }
    return volumes;
}

// File systems that hold no user's disk: the kernel's views, memory, overlays and images.
constexpr std::array<std::string_view, 29> pseudoTypes = {
    "autofs",       "binfmt_misc", "bpf",         "cgroup",
    "cgroup2",      "configfs",    "debugfs",     "devpts",
    "devtmpfs",     "efivarfs",    "fusectl",     "hugetlbfs",
    "mqueue",       "nsfs",        "overlay",     "proc",
    "pstore",       "ramfs",       "rpc_pipefs",  "securityfs",
    "selinuxfs",    "squashfs",    "sysfs",       "tmpfs",
    "tracefs",      "iso9660",     "fuse.portal", "fuse.gvfsd-fuse",
    "fuse.snapfuse"};

// The system's own places: a mount there, or below, is no disk of the user's. The root, the
// folder of the homes and the home folder's own mount are left out too, since the side bar
// lists the home folder itself; a disk mounted below them is the user's.
constexpr std::array<std::string_view, 12> systemPlaces = {"/boot", "/efi",  "/usr",  "/var",
                                                           "/opt",  "/srv",  "/snap", "/tmp",
                                                           "/run",  "/proc", "/sys",  "/dev"};

bool isBelow(std::string_view path, std::string_view folder) {
    return path == folder ||
           (path.starts_with(folder) && path.size() > folder.size() && path[folder.size()] == '/');
}

bool isUserDisk(const MountedVolume& volume, const std::vector<std::string>& userMountFolders,
                std::string_view home) {
    if (volume.readOnly)
        return false;
    const std::string_view place = volume.mountPoint;
    // Desktops mount the user's removable disks here, whatever their file system.
    if (std::any_of(userMountFolders.begin(), userMountFolders.end(),
                    [place](const std::string& folder) {
                        return place != folder && isBelow(place, folder);
                    }))
        return true;
    // Another user's disk, mounted in that user's folder of /media.
    if (place.starts_with("/media/") && place.find('/', 7) != std::string_view::npos)
        return false;
    if (std::find(pseudoTypes.begin(), pseudoTypes.end(), volume.type) != pseudoTypes.end())
        return false;
    if (place != home && isBelow(place, home))
        return true;
    if (place == "/" || place == "/home" || place == "/root" || place == home ||
        isBelow(home, place))
        return false;
    return std::none_of(systemPlaces.begin(), systemPlaces.end(),
                        [place](std::string_view system) { return isBelow(place, system); });
}

} // namespace

std::vector<std::string> UserDisks() {
    std::string user = QFile::encodeName(qEnvironmentVariable("USER")).toStdString();
    if (const passwd* entry = getpwuid(geteuid()); user.empty() && entry)
        user = entry->pw_name;
    std::vector<std::string> userMountFolders;
    if (!user.empty())
        userMountFolders = {"/media/" + user, "/run/media/" + user};
    const std::string home = QFile::encodeName(QDir::homePath()).toStdString();

    std::vector<std::string> disks;
    for (const MountedVolume& volume : mountedVolumes()) {
        if (isUserDisk(volume, userMountFolders, home) &&
            std::find(disks.begin(), disks.end(), volume.mountPoint) == disks.end())
            disks.push_back(volume.mountPoint);
    }
    return disks;
}

void setMountedVolumesForTesting(std::function<std::vector<MountedVolume>()> volumes) {
    mountedForTesting = std::move(volumes);
}

} // namespace fw
