#pragma once

#include "fw/FileTestSupport.h"

#include <string>

namespace e2e {

// A real file system made on an image file by the test and mounted, in a private mount
// namespace of this test process (each test case runs in its own process), through a loop
// device that clears itself once nothing holds it. Needs root, loop devices and FUSE;
// mounted() is false where the machine cannot, and why() says what failed. The disk is
// unmounted when this goes, also after a failed check.
class ImageDisk {
public:
    enum class Kind {
        ExFat,            // mkfs.exfat, mounted by exfat-fuse: folds letter case, holds no links
        Ntfs,             // mkfs.ntfs, mounted by ntfs-3g: tells letter case apart
        NtfsWindowsNames, // the same with windows_names: refuses the names Windows refuses
    };

    explicit ImageDisk(Kind kind);
    ~ImageDisk();
    ImageDisk(const ImageDisk&) = delete;
    ImageDisk& operator=(const ImageDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    // The disk's root folder.
    const std::string& root() const { return root_; }

private:
    bool mount(Kind kind);

    filetest::TempFolder folder_;
    std::string root_;
    int loop_ = -1;
    bool mounted_ = false;
    std::string why_;
};

} // namespace e2e
