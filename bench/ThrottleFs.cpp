// A slow disk for the benchmark: a FUSE file system that passes every call through to a backing
// folder, but lets data through only at a set rate, and can sleep like a disk that spins down.
//
//   throttlefs BACKING MOUNTPOINT [--rate=MBPS] [--read-rate=MBPS] [--spinup=S] [--idle=S]
//              [FUSE options, e.g. -f]
//
// --rate limits writes (and reads, unless --read-rate sets their own limit) to MBPS megabytes
// (10^6 bytes) a second, across all files: each write waits until the bytes before it would
// have passed at that rate. 0 means no limit. --spinup makes the first call after the disk fell
// asleep wait S seconds; the disk falls asleep after --idle seconds without a call (default 30)
// and whenever the process receives SIGUSR1. It starts asleep.
//
// Two uses: mounted as a slow share, a destination on the mount point; or holding a disk image
// that a loop device serves, so the kernel's page cache and dirty-page throttling act as on a
// slow USB disk.

#define FUSE_USE_VERSION 31

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    char* backing = nullptr;
    double rateMbps = 0;
    double readRateMbps = -1;
    double spinupSeconds = 0;
    double idleSeconds = 30;
};

// Lets bytes through at a fixed rate: every request is given the slot after the one before it
// and waits until its slot has passed, so parallel requests share the rate.
class Throttle {
public:
    explicit Throttle(double bytesPerSecond)
        : bytesPerSecond_(bytesPerSecond) {}

    void pass(std::size_t bytes) {
        if (bytesPerSecond_ <= 0)
            return;
        Clock::time_point until;
        {
            const std::lock_guard lock(mutex_);
            // A request that comes a little late (the one before took its time through the
            // backing folder) still gets the slot after the one before, so the rate holds.
            next_ = std::max(next_, Clock::now() - kLateAllowance) +
                    std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(double(bytes) / bytesPerSecond_));
            until = next_;
        }
        std::this_thread::sleep_until(until);
    }

private:
    static constexpr Clock::duration kLateAllowance = std::chrono::milliseconds(50);
    const double bytesPerSecond_;
    std::mutex mutex_;
    Clock::time_point next_ = Clock::now();
};

volatile std::sig_atomic_t sleepRequested = 1;

// Says on standard error when the disk spins up, with the time of day to the millisecond, so
// that a spin-up can be matched with what the program under test did at that moment.
void logSpinup() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
    std::fprintf(stderr, "throttlefs: spinning up at %s.%03ld\n", clock, now.tv_nsec / 1'000'000);
}

// A disk that falls asleep when it is idle and spins up on the next call: every call made while
// it spins up waits until it is up.
class Spindle {
public:
    Spindle(double spinupSeconds, double idleSeconds)
        : spinup_(std::chrono::duration_cast<Clock::duration>(
              std::chrono::duration<double>(spinupSeconds)))
        , idle_(std::chrono::duration_cast<Clock::duration>(
              std::chrono::duration<double>(idleSeconds))) {}

    void access() {
        if (spinup_ == Clock::duration::zero())
            return;
        Clock::time_point ready;
        {
            const std::lock_guard lock(mutex_);
            const Clock::time_point now = Clock::now();
            if (sleepRequested || now - lastAccess_ > idle_) {
                sleepRequested = 0;
                if (now >= ready_) {
                    logSpinup();
                    ready_ = now + spinup_;
                }
            }
            ready = ready_;
            lastAccess_ = std::max(now, ready_);
        }
        std::this_thread::sleep_until(ready);
    }

private:
    const Clock::duration spinup_;
    const Clock::duration idle_;
    std::mutex mutex_;
    Clock::time_point lastAccess_ = Clock::now();
    Clock::time_point ready_ = Clock::now();
};

Options options;
int backingFd = -1;
Throttle* writes = nullptr;
Throttle* reads = nullptr;
Spindle* spindle = nullptr;

// The path below the backing folder that a FUSE path names.
const char* relative(const char* path) {
    return path[1] == '\0' ? "." : path + 1;
}

int result(int returned) {
    return returned < 0 ? -errno : returned;
}

int fsGetattr(const char* path, struct stat* status, fuse_file_info* file) {
    spindle->access();
    if (file)
        return result(::fstat(int(file->fh), status));
    return result(::fstatat(backingFd, relative(path), status, AT_SYMLINK_NOFOLLOW));
}

int fsReadlink(const char* path, char* buffer, std::size_t size) {
    spindle->access();
    const ssize_t length = ::readlinkat(backingFd, relative(path), buffer, size - 1);
    if (length < 0)
        return -errno;
    buffer[length] = '\0';
    return 0;
}

int fsReaddir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
              fuse_readdir_flags) {
    spindle->access();
    const int fd = ::openat(backingFd, relative(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    DIR* folder = ::fdopendir(fd);
    if (!folder) {
        ::close(fd);
        return -ENOMEM;
    }
    while (const dirent* entry = ::readdir(folder)) {
        struct stat status {};
        status.st_ino = entry->d_ino;
        status.st_mode = mode_t(DTTOIF(entry->d_type));
        if (fill(buffer, entry->d_name, &status, 0, fuse_fill_dir_flags(0)) != 0)
            break;
    }
    ::closedir(folder);
    return 0;
}

int fsMknod(const char* path, mode_t mode, dev_t device) {
    spindle->access();
    return result(::mknodat(backingFd, relative(path), mode, device));
}

int fsMkdir(const char* path, mode_t mode) {
    spindle->access();
    return result(::mkdirat(backingFd, relative(path), mode));
}

int fsUnlink(const char* path) {
    spindle->access();
    return result(::unlinkat(backingFd, relative(path), 0));
}

int fsRmdir(const char* path) {
    spindle->access();
    return result(::unlinkat(backingFd, relative(path), AT_REMOVEDIR));
}

int fsSymlink(const char* target, const char* path) {
    spindle->access();
    return result(::symlinkat(target, backingFd, relative(path)));
}

int fsRename(const char* from, const char* to, unsigned int flags) {
    spindle->access();
    return result(::renameat2(backingFd, relative(from), backingFd, relative(to), flags));
}

int fsLink(const char* from, const char* to) {
    spindle->access();
    return result(::linkat(backingFd, relative(from), backingFd, relative(to), 0));
}

int fsChmod(const char* path, mode_t mode, fuse_file_info* file) {
    spindle->access();
    if (file)
        return result(::fchmod(int(file->fh), mode));
    return result(::fchmodat(backingFd, relative(path), mode, 0));
}

int fsChown(const char* path, uid_t owner, gid_t group, fuse_file_info* file) {
    spindle->access();
    if (file)
        return result(::fchown(int(file->fh), owner, group));
    return result(::fchownat(backingFd, relative(path), owner, group, AT_SYMLINK_NOFOLLOW));
}

int fsTruncate(const char* path, off_t size, fuse_file_info* file) {
    spindle->access();
    if (file)
        return result(::ftruncate(int(file->fh), size));
    const int fd = ::openat(backingFd, relative(path), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    const int returned = result(::ftruncate(fd, size));
    ::close(fd);
    return returned;
}

int fsUtimens(const char* path, const timespec times[2], fuse_file_info* file) {
    spindle->access();
    if (file)
        return result(::futimens(int(file->fh), times));
    return result(::utimensat(backingFd, relative(path), times, AT_SYMLINK_NOFOLLOW));
}

int fsOpen(const char* path, fuse_file_info* file) {
    spindle->access();
    const int fd = ::openat(backingFd, relative(path), file->flags | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    file->fh = std::uint64_t(fd);
    return 0;
}

int fsCreate(const char* path, mode_t mode, fuse_file_info* file) {
    spindle->access();
    const int fd = ::openat(backingFd, relative(path), file->flags | O_CREAT | O_CLOEXEC, mode);
    if (fd < 0)
        return -errno;
    file->fh = std::uint64_t(fd);
    return 0;
}

int fsRead(const char*, char* buffer, std::size_t size, off_t offset, fuse_file_info* file) {
    spindle->access();
    reads->pass(size);
    return result(int(::pread(int(file->fh), buffer, size, offset)));
}

int fsWrite(const char*, const char* buffer, std::size_t size, off_t offset, fuse_file_info* file) {
    spindle->access();
    writes->pass(size);
    return result(int(::pwrite(int(file->fh), buffer, size, offset)));
}

int fsStatfs(const char*, struct statvfs* status) {
    spindle->access();
    return result(::fstatvfs(backingFd, status));
}

int fsFlush(const char*, fuse_file_info* file) {
    const int copy = ::dup(int(file->fh));
    return copy < 0 ? -errno : result(::close(copy));
}

int fsRelease(const char*, fuse_file_info* file) {
    ::close(int(file->fh));
    return 0;
}

int fsFsync(const char*, int dataOnly, fuse_file_info* file) {
    spindle->access();
    return result(dataOnly ? ::fdatasync(int(file->fh)) : ::fsync(int(file->fh)));
}

int fsFallocate(const char*, int mode, off_t offset, off_t length, fuse_file_info* file) {
    spindle->access();
    return result(::fallocate(int(file->fh), mode, offset, length));
}

void* fsInit(fuse_conn_info*, fuse_config* config) {
    // The backing folder's inode numbers and times pass through unchanged.
    config->use_ino = 1;
    return nullptr;
}

const fuse_operations operations = [] {
    fuse_operations table{};
    table.getattr = fsGetattr;
    table.readlink = fsReadlink;
    table.mknod = fsMknod;
    table.mkdir = fsMkdir;
    table.unlink = fsUnlink;
    table.rmdir = fsRmdir;
    table.symlink = fsSymlink;
    table.rename = fsRename;
    table.link = fsLink;
    table.chmod = fsChmod;
    table.chown = fsChown;
    table.truncate = fsTruncate;
    table.open = fsOpen;
    table.read = fsRead;
    table.write = fsWrite;
    table.statfs = fsStatfs;
    table.flush = fsFlush;
    table.release = fsRelease;
    table.fsync = fsFsync;
    table.readdir = fsReaddir;
    table.init = fsInit;
    table.create = fsCreate;
    table.utimens = fsUtimens;
    table.fallocate = fsFallocate;
    return table;
}();

enum { kBacking };

int takeBacking(void* data, const char* argument, int key, fuse_args*) {
    auto* parsed = static_cast<Options*>(data);
    if (key != FUSE_OPT_KEY_NONOPT || parsed->backing)
        return 1;
    parsed->backing = ::realpath(argument, nullptr);
    if (!parsed->backing) {
        std::fprintf(stderr, "throttlefs: %s: %s\n", argument, std::strerror(errno));
        std::exit(2);
    }
    return 0;
}

const fuse_opt optionSpecs[] = {
    {"--rate=%lf", offsetof(Options, rateMbps), 0},
    {"--read-rate=%lf", offsetof(Options, readRateMbps), 0},
    {"--spinup=%lf", offsetof(Options, spinupSeconds), 0},
    {"--idle=%lf", offsetof(Options, idleSeconds), 0},
    FUSE_OPT_END,
};

void requestSleep(int) {
    sleepRequested = 1;
}

} // namespace

int main(int argc, char** argv) {
    fuse_args arguments = FUSE_ARGS_INIT(argc, argv);
    if (fuse_opt_parse(&arguments, &options, optionSpecs, takeBacking) != 0 || !options.backing) {
        std::fprintf(stderr, "usage: throttlefs BACKING MOUNTPOINT [--rate=MBPS] "
                             "[--read-rate=MBPS] [--spinup=S] [--idle=S] [FUSE options]\n");
        return 2;
    }
    backingFd = ::open(options.backing, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (backingFd < 0) {
        std::fprintf(stderr, "throttlefs: %s: %s\n", options.backing, std::strerror(errno));
        return 2;
    }
    Throttle writeThrottle(options.rateMbps * 1e6);
    Throttle readThrottle((options.readRateMbps < 0 ? options.rateMbps : options.readRateMbps) *
                          1e6);
    Spindle disk(options.spinupSeconds, options.idleSeconds);
    writes = &writeThrottle;
    reads = &readThrottle;
    spindle = &disk;
    struct sigaction sleepAction {};
    sleepAction.sa_handler = requestSleep;
    ::sigaction(SIGUSR1, &sleepAction, nullptr);
    ::umask(0);
    const int status = fuse_main(arguments.argc, arguments.argv, &operations, nullptr);
    fuse_opt_free_args(&arguments);
    return status;
}
