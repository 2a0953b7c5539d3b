#include "FileCopy.h"

#include "FolderItem.h"
#include "NativePath.h"
#include "PosixFile.h"
#include "Thread.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

using posix::throwError;
using posix::UniqueFd;

namespace {

// Large files are copied in chunks with a yield point between them, so the window stays
// responsive and a cancelled worker stops soon.
constexpr std::size_t chunkSize = std::size_t(8) << 20;
// The read and write loop (across file systems, to FUSE and network shares) moves data in
// blocks this large: a share answers each write after a round trip, so small blocks cost time.
constexpr std::size_t bufferSize = std::size_t(1) << 20;

std::function<void(DiskStep, const std::string&)>& diskStepSeam() {
    static std::function<void(DiskStep, const std::string&)> observer;
    return observer;
}

// Made on first use on each thread that copies and kept, so an empty file, which never needs
// it, costs nothing, and no file allocates one of its own.
char* copyBuffer() {
    thread_local const std::unique_ptr<char[]> buffer(new char[bufferSize]);
    return buffer.get();
}

// An entry to copy from or to: its name in the folder `dir`, and the path shown in messages.
struct Entry {
    int dir;
    const char* name;
    const std::string& path;
};

void writeAll(int out, const char* data, std::size_t size, const std::string& toPath) {
    for (std::size_t written = 0; written < size;) {
        const ssize_t n = ::write(out, data + written, size - written);
        if (n < 0 && errno != EINTR)
            throwError("Cannot write", toPath, errno);
        written += std::size_t(std::max<ssize_t>(n, 0));
    }
}

// Copies from the current positions until the end of `in`, or `limit` bytes when one is
// given. Returns the bytes copied. The kernel copies where it can; where it cannot (another
// device, a pseudo file system) a plain read and write loop does.
off_t copyBytes(int in, int out, std::optional<off_t> limit, const std::string& fromPath,
                const std::string& toPath) {
    char* buffer = nullptr;
    // Without a limit (a file whose size says nothing) only reading finds the end.
    bool inKernel = limit.has_value();
    off_t copied = 0;
    while (!limit || copied < *limit) {
        const std::size_t wanted =
            limit ? std::min<std::size_t>(chunkSize, std::size_t(*limit - copied)) : chunkSize;
        ssize_t n = 0;
        if (inKernel) {
            n = ::copy_file_range(in, nullptr, out, nullptr, wanted, 0);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                const bool unsupported =
                    errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
                if (copied != 0 || !unsupported)
                    throwError("Cannot copy", fromPath, errno);
                inKernel = false;
                continue;
            }
        } else {
            if (!buffer)
                buffer = copyBuffer();
            n = ::read(in, buffer, std::min(wanted, bufferSize));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throwError("Cannot read", fromPath, errno);
            }
            writeAll(out, buffer, std::size_t(n), toPath);
        }
        if (n == 0)
            break;
        copied += n;
        tellDiskStep(DiskStep::Written, toPath);
        yieldPointAfterHeavyStep();
    }
    return copied;
}

// A file with fewer blocks than its size has holes: only its data is copied, each stretch
// at its own offset, and the size set at the end, so the holes stay holes.
bool copySparse(int in, int out, off_t size, const std::string& fromPath,
                const std::string& toPath) {
    for (off_t position = 0; position < size;) {
        const off_t data = ::lseek(in, position, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break;
        if (data < 0) {
            // A file system that cannot tell data from holes: the caller copies all of it.
            if (position == 0 && (errno == EINVAL || errno == EOPNOTSUPP))
                return false;
            throwError("Cannot read", fromPath, errno);
        }
        const off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0 || ::lseek(in, data, SEEK_SET) < 0)
            throwError("Cannot read", fromPath, errno);
        if (::lseek(out, data, SEEK_SET) < 0)
            throwError("Cannot write", toPath, errno);
        copyBytes(in, out, hole - data, fromPath, toPath);
        position = hole;
    }
    if (::ftruncate(out, size) != 0)
        throwError("Cannot write", toPath, errno);
    return true;
}

void copyData(int in, int out, const struct stat& status, const std::string& fromPath,
              const std::string& toPath) {
    const off_t size = status.st_size;
    const bool sparse = status.st_blocks * 512 < size;
    if (sparse && copySparse(in, out, size, fromPath, toPath))
        return;
    // A file of size 0 may still have contents (a pseudo file), and one that shrank or grew
    // while being copied is read to its end.
    if (size > 0 && copyBytes(in, out, size, fromPath, toPath) == size)
        return;
    copyBytes(in, out, std::nullopt, fromPath, toPath);
}

// Permission bits and times, taken over from the source's status.
void setAttributes(int fd, const struct stat& status, const std::string& path) {
    if (::fchmod(fd, status.st_mode & 07777) != 0)
        throwError("Cannot set the permissions of", path, errno);
    const timespec times[2] = {status.st_atim, status.st_mtim};
    if (::futimens(fd, times) != 0)
        throwError("Cannot set the modification time of", path, errno);
}

// False, with errno set, when the destination cannot hold links.
bool copyLink(const Entry& from, const struct stat& status, const Entry& to) {
    // The link may change between its examination and readlinkat: a full buffer means read
    // again.
    std::string target(std::size_t(status.st_size) + 1, '\0');
    for (;;) {
        const ssize_t n = ::readlinkat(from.dir, from.name, target.data(), target.size());
        if (n < 0)
            throwError("Cannot read the link", from.path, errno);
        if (std::size_t(n) < target.size()) {
            target.resize(std::size_t(n));
            break;
        }
        target.resize(target.size() * 2);
    }
    if (::symlinkat(target.c_str(), to.dir, to.name) != 0) {
        if (holdsNoLinks(errno))
            return false;
        throwError("Cannot create the link", to.path, errno);
    }
    const timespec times[2] = {status.st_atim, status.st_mtim};
    if (::utimensat(to.dir, to.name, times, AT_SYMLINK_NOFOLLOW) != 0)
        throwError("Cannot set the modification time of", to.path, errno);
    return true;
}

// Devices, pipes and sockets are never opened: opening one can block or act on a device.
// The open does not block either should the entry have become one since it was examined.
UniqueFd openToRead(const Entry& from, int flags, struct stat& status) {
    UniqueFd in(
        ::openat(from.dir, from.name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | flags));
    if (in.get() < 0)
        throwError("Cannot open", from.path, errno);
    if (::fstat(in.get(), &status) != 0)
        throwError("Cannot examine", from.path, errno);
    return in;
}

void copyFile(int in, const struct stat& status, const std::string& fromPath, const Entry& to) {
    UniqueFd out(::openat(to.dir, to.name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0)
        throwError("Cannot create", to.path, errno);
    copyData(in, out.get(), status, fromPath, to.path);
    setAttributes(out.get(), status, to.path);
    if (const int err = out.close())
        throwError("Cannot write", to.path, err);
}

[[noreturn]] void notCopyable(const std::string& path) {
    throw FileError("Cannot copy " + path + ": not a file, folder or link");
}

// The contents of one folder of the tree being copied: files and links are copied, folders
// made (owner-only until their contents are in) and handed back to be filled in turn,
// anything else left out.
struct Folder {
    std::string relative; // "" for the top of the tree
    struct stat status;
};

void fillFolder(int in, int out, const std::string& relative, const std::string& fromTop,
                const std::string& toTop, std::vector<Folder>& folders, LeftOut& leftOut) {
    const std::string fromFolder = relative.empty() ? fromTop : nativepath::join(fromTop, relative);
    std::vector<posix::FolderEntry> entries;
    if (const int err = posix::readFolder(in, entries))
        throwError("Cannot list", fromFolder, err);
    for (const posix::FolderEntry& entry : entries) {
        const std::string below = nativepath::below(relative, entry.name);
        const std::string fromPath = nativepath::join(fromTop, below);
        const std::string toPath = nativepath::join(toTop, below);
        const Entry from{in, entry.name.c_str(), fromPath};
        const Entry to{out, entry.name.c_str(), toPath};
        struct stat status {};
        unsigned char type = entry.type;
        if (type == DT_UNKNOWN || type == DT_DIR || type == DT_LNK) {
            if (::fstatat(in, from.name, &status, AT_SYMLINK_NOFOLLOW) != 0)
                throwError("Cannot examine", fromPath, errno);
            type = IFTODT(status.st_mode);
        }
        if (type == DT_LNK) {
            if (!copyLink(from, status, to))
                leftOut.push_back({below, true});
        } else if (type == DT_DIR) {
            if (::mkdirat(out, to.name, 0700) != 0)
                throwError("Cannot create the folder", toPath, errno);
            folders.push_back({below, status});
        } else if (type == DT_REG) {
            const UniqueFd file = openToRead(from, O_NOFOLLOW, status);
            if (!S_ISREG(status.st_mode))
                notCopyable(fromPath);
            copyFile(file.get(), status, fromPath, to);
        } else {
            leftOut.push_back({below});
        }
        yieldPointAfterHeavyStep();
    }
}

// Folder by folder from the top, each opened below the top without following links, so
// only the two tops and the folder being filled are open, however deep the tree. The
// source's modes and times are set last, deepest first: adding entries would change a
// folder's time again, and a folder without write permission could not be filled.
void copyFolderTree(int in, const struct stat& status, const std::string& fromPath, const Entry& to,
                    LeftOut& leftOut) {
    if (::mkdirat(to.dir, to.name, 0700) != 0)
        throwError("Cannot create the folder", to.path, errno);
    const UniqueFd out(::openat(to.dir, to.name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (out.get() < 0)
        throwError("Cannot open the folder", to.path, errno);
    std::vector<Folder> folders{{"", status}};
    for (std::size_t next = 0; next < folders.size(); ++next) {
        const std::string relative = folders[next].relative;
        if (relative.empty()) {
            fillFolder(in, out.get(), relative, fromPath, to.path, folders, leftOut);
            continue;
        }
        const UniqueFd source(posix::openBeneath(in, relative, O_RDONLY | O_DIRECTORY));
        if (source.get() < 0)
            throwError("Cannot open the folder", nativepath::join(fromPath, relative), errno);
        const UniqueFd copy(posix::openBeneath(out.get(), relative, O_RDONLY | O_DIRECTORY));
        if (copy.get() < 0)
            throwError("Cannot open the folder", nativepath::join(to.path, relative), errno);
        fillFolder(source.get(), copy.get(), relative, fromPath, to.path, folders, leftOut);
    }
    for (std::size_t i = folders.size(); i-- > 0;) {
        const Folder& folder = folders[i];
        const std::string path = nativepath::join(to.path, folder.relative);
        const UniqueFd copy(posix::openBeneath(out.get(), folder.relative, O_RDONLY | O_DIRECTORY));
        if (copy.get() < 0)
            throwError("Cannot open the folder", path, errno);
        setAttributes(copy.get(), folder.status, path);
    }
}

// Removes what was made of a copy unless it was completed, also when a killed worker
// unwinds through the copy.
class PartialCopy {
public:
    PartialCopy(int dir, const std::string& name)
        : dir_(dir)
        , name_(name) {}
    ~PartialCopy() {
        if (!complete)
            posix::removeTree(dir_, name_);
    }
    PartialCopy(const PartialCopy&) = delete;
    PartialCopy& operator=(const PartialCopy&) = delete;

    bool complete = false;

private:
    int dir_;
    const std::string& name_;
};

void moveIntoPlace(const std::string& temp, const std::string& to) {
    const posix::PathAt from(temp);
    const posix::PathAt at(to);
    if (::renameat2(from.dir(), from.name(), at.dir(), at.name(), RENAME_NOREPLACE) == 0)
        return;
    // A file system without RENAME_NOREPLACE: the destination was checked before copying.
    if ((errno != EINVAL && errno != ENOSYS) ||
        ::renameat(from.dir(), from.name(), at.dir(), at.name()) != 0)
        throwError("Cannot move the copy into place at", to, errno);
}

} // namespace

bool holdsNoLinks(int err) {
    return err == EPERM || err == ENOSYS || err == EOPNOTSUPP;
}

LeftOut copyTree(const std::string& from, bool followLinks, int toDir, const std::string& name,
                 const std::string& toPath, bool fileOrFolder) {
    const posix::PathAt at(from);
    const Entry source{at.dir(), at.name(), from};
    const Entry to{toDir, name.c_str(), toPath};
    struct stat status {};
    if (!fileOrFolder) {
        if (::fstatat(source.dir, source.name, &status, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
            throwError("Cannot examine", from, errno);
        if (!S_ISLNK(status.st_mode) && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))
            notCopyable(from);
    }
    PartialCopy partial(toDir, name);
    LeftOut leftOut;
    if (!fileOrFolder && S_ISLNK(status.st_mode)) {
        if (!copyLink(source, status, to))
            throwError("Cannot create the link", toPath, errno);
    } else {
        const UniqueFd in = openToRead(source, followLinks ? 0 : O_NOFOLLOW, status);
        if (S_ISREG(status.st_mode))
            copyFile(in.get(), status, from, to);
        else if (S_ISDIR(status.st_mode))
            copyFolderTree(in.get(), status, from, to, leftOut);
        else
            notCopyable(from);
    }
    partial.complete = true;
    return leftOut;
}

LeftOut copyItem(const std::string& from, bool followLinks, const std::string& to) {
    struct stat existing {};
    const posix::PathAt at(to);
    if (::fstatat(at.dir(), at.name(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
        throwError("Cannot copy to", to, EEXIST);
    const std::string temp = posix::temporaryPath(nativepath::parent(to));
    const posix::PathAt tempAt(temp);
    const std::string tempName = tempAt.name();
    LeftOut leftOut = copyTree(from, followLinks, tempAt.dir(), tempName, to);
    PartialCopy placed(tempAt.dir(), tempName);
    moveIntoPlace(temp, to);
    placed.complete = true;
    return leftOut;
}

void setDiskStepsForTesting(std::function<void(DiskStep, const std::string&)> observer) {
    diskStepSeam() = std::move(observer);
}

void tellDiskStep(DiskStep step, const std::string& path) {
    if (diskStepSeam())
        diskStepSeam()(step, path);
}

} // namespace fw
