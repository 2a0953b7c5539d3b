#include "Volume.h"

#include "DiskThread.h"
#include "FileAccess.h"
#include "Logging.h"
#include "NativePath.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mntent.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

std::string& fileSystemTable() {
    static std::string path;
    return path;
}

using TimeStepProbe = std::function<void(const std::string&, int)>;

TimeStepProbe& timeStepSeam() {
    static TimeStepProbe probe;
    return probe;
}

// A probe time one second before a whole hour, so that every step that divides an hour
// stores it that step minus one second earlier, and half a second past it.
constexpr time_t probeSeconds = time_t(3600) * 444'444 - 1;
constexpr long probeNanoseconds = 500'000'000;
constexpr std::uint64_t longestStep = 60;

std::function<int(int)>& syncSeam() {
    static std::function<int(int)> sync;
    return sync;
}

// The mount points the file-system table lists, swap and other entries without a folder
// left out. getmntent decodes the table's escapes (\040 for a blank).
std::vector<std::string> listedMountPoints() {
    const std::string table = fileSystemTable().empty() ? "/etc/fstab" : fileSystemTable();
    std::vector<std::string> points;
    FILE* file = ::setmntent(table.c_str(), "r");
    if (!file) {
        qCInfo(lcFw) << "no file-system table at" << table.c_str();
        return points;
    }
    mntent entry{};
    char buffer[4096];
    // Links resolved, so that each compares with mount points as the kernel sees them.
    while (::getmntent_r(file, &entry, buffer, sizeof buffer))
        if (entry.mnt_dir[0] == '/')
            points.push_back(realPath(entry.mnt_dir));
    ::endmntent(file);
    return points;
}

// A mount point of /proc/self/mountinfo with its octal escapes (\040 for a blank) decoded.
std::string decodeMountPoint(const std::string& field) {
    const auto octal = [](char c) { return c >= '0' && c <= '7'; };
    std::string point;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) &&
            octal(field[i + 2]) && octal(field[i + 3])) {
            point += char(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            point += field[i];
        }
    }
    return point;
}

// The mount points of the file systems mounted now, seen from this process (the fifth field
// of each line); none when the kernel does not say.
std::optional<std::vector<std::string>> mountedPoints() {
    std::ifstream mountInfo("/proc/self/mountinfo");
    if (!mountInfo) {
        qCWarning(lcFw) << "cannot read /proc/self/mountinfo";
        return std::nullopt;
    }
    std::vector<std::string> points;
    for (std::string line; std::getline(mountInfo, line);) {
        std::istringstream fields(line);
        std::string skipped;
        std::string point;
        if (fields >> skipped >> skipped >> skipped >> skipped >> point)
            points.push_back(decodeMountPoint(point));
    }
    return points;
}

// The deepest of `points` that holds `path`.
std::optional<std::string> deepestHolding(const std::vector<std::string>& points,
                                          const std::string& path) {
    std::optional<std::string> deepest;
    for (const std::string& point : points)
        if (nativepath::holds(point, path) && (!deepest || point.size() > deepest->size()))
            deepest = point;
    return deepest;
}

} // namespace

std::optional<FolderItem> UnmountedMountPoint(const FolderItem& folder) {
    const std::string place = realPath(folder.nativePath());
    const std::optional<std::string> listed = deepestHolding(listedMountPoints(), place);
    if (!listed)
        return std::nullopt;
    const std::optional<std::vector<std::string>> mounted = mountedPoints();
    if (!mounted)
        return std::nullopt;
    // Both hold the folder, so the longer path is the deeper one: the listed disk is mounted,
    // or another disk mounted deeper holds the folder.
    const std::optional<std::string> deepestMounted = deepestHolding(*mounted, place);
    if (deepestMounted && deepestMounted->size() >= listed->size())
        return std::nullopt;
    return FolderItem::fromNativePath(*listed);
}

std::uint64_t MeasureTimeStep(int folder, const std::string& path) {
    const std::string name = posix::temporaryName();
    const std::string probePath = path + "/" + name;
    posix::UniqueFd probe(
        ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (probe.get() < 0)
        posix::throwError("Cannot create", probePath, errno);
    struct Removed {
        int folder;
        const std::string& name;
        ~Removed() { ::unlinkat(folder, name.c_str(), 0); }
    } removed{folder, name};
    const timespec times[2] = {{probeSeconds, probeNanoseconds}, {probeSeconds, probeNanoseconds}};
    if (::futimens(probe.get(), times) != 0)
        posix::throwError("Cannot set the modification time of", probePath, errno);
    if (timeStepSeam())
        timeStepSeam()(path, probe.get());
    // Read back by name, as a later look at a copy reads it.
    struct stat status {};
    if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        posix::throwError("Cannot examine", probePath, errno);
    const time_t kept = status.st_mtim.tv_sec;
    if (kept >= probeSeconds)
        return 1;
    const std::uint64_t step = std::uint64_t(probeSeconds - kept) + 1;
    if (step > longestStep || 3600 % step != 0) {
        qCWarning(lcFw) << "the times kept at" << path.c_str() << "follow no step:" << kept;
        return 1;
    }
    qCInfo(lcFw) << "times kept at" << path.c_str() << "in steps of" << step << "s";
    return step;
}

void VolumeHandle::SaveToDisk() const {
    if (openError_ != 0)
        posix::throwError("Cannot open", folder_.nativePath(), openError_);
    int error = 0;
    onDiskThread([fd = fd_.get(), &error] {
        error = syncSeam() ? syncSeam()(fd) : ::syncfs(fd) == 0 ? 0 : errno;
    });
    if (error != 0)
        posix::throwError("Cannot save to disk", folder_.nativePath(), error);
}

std::vector<VolumeHandle> OpenVolumes(const std::vector<FolderItem>& folders) {
    std::vector<VolumeHandle> volumes;
    std::vector<dev_t> devices;
    // Opening a folder on a disk that sleeps waits until it has spun up.
    onDiskThread([&] {
        for (const FolderItem& folder : folders) {
            VolumeHandle volume(folder);
            volume.fd_ = posix::UniqueFd(
                ::open(folder.nativePath().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            struct stat status {};
            if (volume.fd_.get() < 0 || ::fstat(volume.fd_.get(), &status) != 0)
                volume.openError_ = errno;
            else if (std::ranges::find(devices, status.st_dev) != devices.end())
                continue;
            else
                devices.push_back(status.st_dev);
            volumes.push_back(std::move(volume));
        }
    });
    return volumes;
}

void setFileSystemTableForTesting(std::string path) {
    fileSystemTable() = std::move(path);
}

void setTimeStepProbeForTesting(TimeStepProbe probe) {
    timeStepSeam() = std::move(probe);
}

void setSyncForTesting(std::function<int(int fd)> sync) {
    syncSeam() = std::move(sync);
}

} // namespace fw
