#include "FileCopy.h"

#include "FolderItem.h"
#include "NativePath.h"
#include "PosixFile.h"
#include "Thread.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fw {

using posix::throwError;
using posix::UniqueFd;

namespace {

// Large files are copied in chunks with a yield point between them, so the window stays
// responsive and a cancelled worker stops soon.
constexpr std::size_t chunkSize = std::size_t(8) << 20;
// The read and write loop's buffer lives on the stack: it runs for every empty file, where a
// heap buffer of this size would cost more than the copy.
constexpr std::size_t bufferSize = std::size_t(64) << 10;

// An entry to copy from or to: its name in the folder `dir` (AT_FDCWD with a whole path as
// the name), and the path shown in messages.
struct Entry {
    int dir;
    std::string name;
    std::string path;
};

void copyByReading(int in, int out, const std::string& fromPath, const std::string& toPath) {
    std::array<char, bufferSize> buffer;
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got == 0)
            return;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throwError("Cannot read", fromPath, errno);
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t n = ::write(out, buffer.data() + written, std::size_t(got - written));
            if (n < 0 && errno != EINTR)
                throwError("Cannot write", toPath, errno);
            written += std::max<ssize_t>(n, 0);
        }
        yieldPointAfterHeavyStep();
    }
}

// Copies `size` bytes (the size examined when the file was opened) in the kernel. Where the
// kernel cannot (another device, a pseudo file system whose files report size 0 or copy
// nothing), a plain read and write loop takes over from where it stopped.
void copyData(int in, int out, off_t size, const std::string& fromPath, const std::string& toPath) {
    for (off_t copied = 0; copied < size;) {
        const std::size_t chunk = std::min<std::size_t>(chunkSize, std::size_t(size - copied));
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const bool unsupported =
                errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
            if (copied == 0 && unsupported)
                break;
            throwError("Cannot copy", fromPath, errno);
        }
        copied += n;
        if (copied == size)
            return;
        yieldPointAfterHeavyStep();
    }
    copyByReading(in, out, fromPath, toPath);
}

// Permission bits and times, taken over from the source's status.
void setAttributes(int fd, const struct stat& status, const std::string& path) {
    if (::fchmod(fd, status.st_mode & 07777) != 0)
        throwError("Cannot set the permissions of", path, errno);
    const timespec times[2] = {status.st_atim, status.st_mtim};
    if (::futimens(fd, times) != 0)
        throwError("Cannot set the modification time of", path, errno);
}

void copyLink(const Entry& from, const Entry& to, bool& created) {
    struct stat status {};
    if (::fstatat(from.dir, from.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        throwError("Cannot examine", from.path, errno);
    // The link may change between fstatat and readlinkat: a full buffer means read again.
    std::string target(std::size_t(status.st_size) + 1, '\0');
    for (;;) {
        const ssize_t n = ::readlinkat(from.dir, from.name.c_str(), target.data(), target.size());
        if (n < 0)
            throwError("Cannot read the link", from.path, errno);
        if (std::size_t(n) < target.size()) {
            target.resize(std::size_t(n));
            break;
        }
        target.resize(target.size() * 2);
    }
    if (::symlinkat(target.c_str(), to.dir, to.name.c_str()) != 0)
        throwError("Cannot create the link", to.path, errno);
    created = true;
    const timespec times[2] = {status.st_atim, status.st_mtim};
    if (::utimensat(to.dir, to.name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throwError("Cannot set the modification time of", to.path, errno);
}

void copyEntry(const Entry& from, unsigned char type, const Entry& to, bool followLinks,
               bool& created);

void copyFile(int in, const struct stat& status, const std::string& fromPath, const Entry& to,
              bool& created) {
    UniqueFd out(::openat(to.dir, to.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0)
        throwError("Cannot create", to.path, errno);
    created = true;
    copyData(in, out.get(), status.st_size, fromPath, to.path);
    setAttributes(out.get(), status, to.path);
    if (const int err = out.close())
        throwError("Cannot write", to.path, err);
}

void copyFolder(int in, const struct stat& status, const std::string& fromPath, const Entry& to,
                bool& created) {
    // Owner-only until the contents are in; the source's mode and times are set last, as
    // adding entries would change the time again.
    if (::mkdirat(to.dir, to.name.c_str(), 0700) != 0)
        throwError("Cannot create the folder", to.path, errno);
    created = true;
    const UniqueFd out(
        ::openat(to.dir, to.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (out.get() < 0)
        throwError("Cannot open the folder", to.path, errno);
    std::vector<posix::FolderEntry> entries;
    if (const int err = posix::readFolder(in, entries))
        throwError("Cannot list", fromPath, err);
    for (const posix::FolderEntry& entry : entries) {
        bool inside = false;
        copyEntry({in, entry.name, nativepath::join(fromPath, entry.name)}, entry.type,
                  {out.get(), entry.name, nativepath::join(to.path, entry.name)}, false, inside);
        yieldPointAfterHeavyStep();
    }
    setAttributes(out.get(), status, to.path);
}

unsigned char typeOf(const Entry& entry, bool followLinks) {
    struct stat status {};
    if (::fstatat(entry.dir, entry.name.c_str(), &status, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) !=
        0)
        throwError("Cannot examine", entry.path, errno);
    return IFTODT(status.st_mode);
}

// Copies `from` to the new entry `to`. `created` turns true once `to` exists, so the
// caller knows there is something to remove after a failure.
void copyEntry(const Entry& from, unsigned char type, const Entry& to, bool followLinks,
               bool& created) {
    if (type == DT_UNKNOWN)
        type = typeOf(from, followLinks);
    if (type == DT_LNK) {
        copyLink(from, to, created);
        return;
    }
    // Devices, pipes and sockets are never opened: opening one can block or act on a device.
    if (type != DT_REG && type != DT_DIR)
        throw FileError("Cannot copy " + from.path + ": not a file, folder or link");
    const UniqueFd in(
        ::openat(from.dir, from.name.c_str(),
                 O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW)));
    if (in.get() < 0)
        throwError("Cannot open", from.path, errno);
    struct stat status {};
    if (::fstat(in.get(), &status) != 0)
        throwError("Cannot examine", from.path, errno);
    if (S_ISREG(status.st_mode))
        copyFile(in.get(), status, from.path, to, created);
    else if (S_ISDIR(status.st_mode))
        copyFolder(in.get(), status, from.path, to, created);
    else
        throw FileError("Cannot copy " + from.path + ": not a file, folder or link");
}

// Removes a temporary copy unless it was renamed into place, also when a killed worker
// unwinds through the copy.
class TemporaryGuard {
public:
    explicit TemporaryGuard(std::string path)
        : path_(std::move(path)) {}
    ~TemporaryGuard() {
        if (created)
            posix::removeTree(AT_FDCWD, path_);
    }
    TemporaryGuard(const TemporaryGuard&) = delete;
    TemporaryGuard& operator=(const TemporaryGuard&) = delete;

    bool created = false;

private:
    std::string path_;
};

void moveIntoPlace(const std::string& temp, const std::string& to) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return;
    // A file system without RENAME_NOREPLACE: the destination was checked before copying.
    if ((errno != EINVAL && errno != ENOSYS) || ::rename(temp.c_str(), to.c_str()) != 0)
        throwError("Cannot move the copy into place at", to, errno);
}

} // namespace

void copyItem(const std::string& from, bool followLinks, const std::string& to) {
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0)
        throwError("Cannot copy to", to, EEXIST);
    const Entry source{AT_FDCWD, from, from};
    const unsigned char type = typeOf(source, followLinks);
    const std::string temp = posix::temporaryPath(nativepath::parent(to));
    TemporaryGuard guard(temp);
    copyEntry(source, type, {AT_FDCWD, temp, to}, followLinks, guard.created);
    moveIntoPlace(temp, to);
    guard.created = false;
}

} // namespace fw
