#pragma once

#include <QTemporaryDir>
#include <string>
#include <sys/stat.h>
#include <vector>

// Fixtures of the file-layer tests: files, links and times made with plain POSIX calls, so
// the code under test is checked against the file system itself.
namespace filetest {

void writeFile(const std::string& path, const std::string& content, mode_t mode = 0644);
std::string readFile(const std::string& path);
void makeFolder(const std::string& path, mode_t mode = 0755);
void makeLink(const std::string& target, const std::string& path);
void setTimes(const std::string& path, timespec modified, bool followLinks = true);
struct stat statusOf(const std::string& path, bool followLinks = true);
bool exists(const std::string& path);
// Names in a folder, sorted, "." and ".." left out.
std::vector<std::string> namesIn(const std::string& folder);

// A temporary folder whose native path is at hand as bytes. It is removed by that path:
// QTemporaryDir's own clean-up goes through QString names and misses names that are not
// UTF-8.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    bool isValid() const { return dir_.isValid(); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + '/' + name; }

private:
    QTemporaryDir dir_;
    std::string path_;
};

// A 1 MiB tmpfs mounted in a private mount namespace of this test process (each test case
// runs in its own process), to make writes fail on a full disk. mounted() is false where
// the process may not mount (not root, no namespaces). It is mounted on its temporary folder,
// or on a new folder of that name inside it when a name is given.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& name = {});
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    const TempFolder& folder() const { return folder_; }
    const std::string& mountPoint() const { return mountPoint_; }

private:
    TempFolder folder_;
    std::string mountPoint_;
    bool mounted_ = false;
};

} // namespace filetest
