#pragma once

#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

// Small POSIX helpers shared by the file operations of the framework layer.
namespace fw::posix {

// "<what> <path>: <reason of err>".
std::string errorText(std::string_view what, const std::string& path, int err);
// Throws FileError with errorText.
[[noreturn]] void throwError(std::string_view what, const std::string& path, int err);

// Owns a file descriptor and closes it.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept
        : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    int release();
    // Closes now; returns close()'s errno, 0 when it succeeded.
    int close();

private:
    int fd_ = -1;
};

// An absolute path made ready for the *at calls: a folder and a name below it. A path the
// system would refuse as too long (PATH_MAX and more) is opened piece by piece, its links
// followed as the system would follow them; a shorter one is used as it is, at no cost.
// The name points into `path`, which must outlive this.
class PathAt {
public:
    explicit PathAt(const std::string& path);
    // AT_FDCWD for a short path; -1 (every call then fails) when a piece could not be opened.
    int dir() const { return folder_.get() >= 0 || failed_ ? folder_.get() : AT_FDCWD; }
    const char* name() const { return name_; }

private:
    UniqueFd folder_;
    const char* name_;
    bool failed_ = false;
};

// Reads the status of `path` (of the link itself when `followLinks` is false) into `status`;
// false with errno set when it cannot be examined.
bool examine(const std::string& path, bool followLinks, struct stat& status);

// Opens `relative` ("a/b/c", names joined by "/"; "" is `root` itself) below the open folder
// `root` without following any link on the way or at the end and without leaving `root`,
// piece by piece when it is too long for one call. -1 with errno set when it fails.
int openBeneath(int root, std::string_view relative, int flags);

// A fresh hidden name in `folder` for a temporary entry, such as
// "<folder>/.tolvane-tmp-k3Xa9Q". It is created with O_EXCL, so a clash fails instead of
// overwriting anything.
std::string temporaryPath(const std::string& folder);
// The name alone, for a temporary entry in an open folder.
std::string temporaryName();
// True for a name that temporaryName() makes, whatever its letters.
bool isTemporaryName(std::string_view name);

struct FolderEntry {
    std::string name;
    unsigned char type; // DT_REG, DT_DIR, DT_LNK, ...; DT_UNKNOWN when the file system does not say
};

// Reads the entries of the folder `fd`, freshly opened (a descriptor already read from goes
// on where it stopped), "." and ".." left out, in the order the file system gives them; `fd`
// stays open. Returns 0 or the errno of the failure.
int readFolder(int fd, std::vector<FolderEntry>& entries);

// Removes the entry `name` of the open folder `dirFd` (AT_FDCWD for a plain path), with
// everything inside it when it is a folder, without following links and without holding a
// handle per level of depth. Failures are logged, never thrown, so it is safe while an
// exception unwinds.
void removeTree(int dirFd, const std::string& name);

} // namespace fw::posix
