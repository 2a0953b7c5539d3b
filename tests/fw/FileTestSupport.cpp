#include "FileTestSupport.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <QFile>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace filetest {

void writeFile(const std::string& path, const std::string& content, mode_t mode) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        ASSERT_TRUE(out.good()) << path;
    }
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void makeFolder(const std::string& path, mode_t mode) {
    ASSERT_EQ(::mkdir(path.c_str(), mode), 0) << path;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

void makeLink(const std::string& target, const std::string& path) {
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
}

void setTimes(const std::string& path, timespec modified, bool followLinks) {
    const timespec times[2] = {modified, modified};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, followLinks ? 0 : AT_SYMLINK_NOFOLLOW), 0)
        << path;
}

struct stat statusOf(const std::string& path, bool followLinks) {
    struct stat status {};
    EXPECT_EQ(::fstatat(AT_FDCWD, path.c_str(), &status, followLinks ? 0 : AT_SYMLINK_NOFOLLOW), 0)
        << path;
    return status;
}

bool exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

TempFolder::TempFolder()
    : path_(QFile::encodeName(dir_.path()).toStdString()) {
    dir_.setAutoRemove(false);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    if (isValid())
        std::filesystem::remove_all(path_, ignored);
}

SmallDisk::SmallDisk(const std::string& name)
    : mountPoint_(name.empty() ? folder_.path() : folder_ / name) {
    mounted_ = folder_.isValid() && (name.empty() || ::mkdir(mountPoint_.c_str(), 0755) == 0) &&
               ::unshare(CLONE_NEWNS) == 0 &&
               ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount("tmpfs", mountPoint_.c_str(), "tmpfs", 0, "size=1m") == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted_)
        ::umount2(mountPoint_.c_str(), MNT_DETACH);
}

} // namespace filetest
