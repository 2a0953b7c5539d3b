#pragma once

#include <string>
#include <string_view>
#include <vector>

// Small POSIX helpers shared by the file operations of the framework layer.
namespace fw::posix {

// Throws FileError with "<what> <path>: <reason of err>".
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

// A fresh hidden name in `folder` for a temporary entry, such as
// "<folder>/.tolvane-tmp-k3Xa9Q". It is created with O_EXCL, so a clash fails instead of
// overwriting anything.
std::string temporaryPath(const std::string& folder);

struct FolderEntry {
    std::string name;
    unsigned char type; // DT_REG, DT_DIR, DT_LNK, ...; DT_UNKNOWN when the file system does not say
};

// Reads the entries of the open folder `fd`, "." and ".." left out, in the order the file
// system gives them; `fd` stays open. Returns 0 or the errno of the failure.
int readFolder(int fd, std::vector<FolderEntry>& entries);

// Removes `path` relative to the folder `dirFd` (AT_FDCWD for a plain path), with
// everything inside it when it is a folder. Failures are logged, never thrown, so it is
// safe while an exception unwinds.
void removeTree(int dirFd, const std::string& path);

} // namespace fw::posix
