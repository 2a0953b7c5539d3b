#include "ImageDisk.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/loop.h>
#include <QProcess>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace e2e {

namespace {

constexpr off_t imageBytes = off_t(64) << 20;
constexpr long fuseMagic = 0x65735546;

// Runs a program to its end; empty when it exited 0, otherwise what it said.
std::string run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return (program + " failed: " + QString::fromLocal8Bit(process.readAll()) +
                process.errorString())
            .toStdString();
    return {};
}

// A free loop device attached to `image`, cleared by the kernel once the last holder closes
// it. Another process may take the device found free before it is attached: then another
// one is asked for.
int attachLoop(const std::string& image, std::string& device, std::string& why) {
    const int control = ::open("/dev/loop-control", O_RDWR | O_CLOEXEC);
    const int backing = ::open(image.c_str(), O_RDWR | O_CLOEXEC);
    int loop = -1;
    for (int attempt = 0; control >= 0 && backing >= 0 && attempt < 100 && loop < 0; ++attempt) {
        const int number = ::ioctl(control, LOOP_CTL_GET_FREE);
        if (number < 0)
            break;
        device = "/dev/loop" + std::to_string(number);
        const int candidate = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
        if (candidate < 0)
            break;
        loop_config config{};
        config.fd = std::uint32_t(backing);
        config.info.lo_flags = LO_FLAGS_AUTOCLEAR;
        if (::ioctl(candidate, LOOP_CONFIGURE, &config) == 0)
            loop = candidate;
        else if (errno != EBUSY)
            break;
        else
            ::close(candidate);
    }
    if (loop < 0)
        why = std::string("no loop device: ") + std::strerror(errno);
    if (backing >= 0)
        ::close(backing);
    if (control >= 0)
        ::close(control);
    return loop;
}

} // namespace

ImageDisk::ImageDisk(Kind kind)
    : root_(folder_ / "disk") {
    mounted_ = mount(kind);
}

bool ImageDisk::mount(Kind kind) {
    const std::string image = folder_ / "disk.img";
    if (::getuid() != 0) {
        why_ = "mounting a disk image needs root";
        return false;
    }
    const int made = ::open(image.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    const bool sized = made >= 0 && ::ftruncate(made, imageBytes) == 0;
    if (made >= 0)
        ::close(made);
    if (!folder_.isValid() || ::mkdir(root_.c_str(), 0755) != 0 || !sized) {
        why_ = std::string("no image file: ") + std::strerror(errno);
        return false;
    }
    const bool exfat = kind == Kind::ExFat;
    why_ = exfat ? run("mkfs.exfat", {QString::fromStdString(image)})
                 : run("mkfs.ntfs", {"-Q", "-F", QString::fromStdString(image)});
    if (!why_.empty())
        return false;
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        why_ = std::string("no private mount namespace: ") + std::strerror(errno);
        return false;
    }
    std::string device;
    loop_ = attachLoop(image, device, why_);
    if (loop_ < 0)
        return false;
    QStringList arguments = {QString::fromStdString(device), QString::fromStdString(root_)};
    if (kind == Kind::NtfsWindowsNames)
        arguments << "-o"
                  << "windows_names";
    why_ = run(exfat ? "mount.exfat-fuse" : "ntfs-3g", arguments);
    struct statfs info {};
    if (why_.empty() && (::statfs(root_.c_str(), &info) != 0 || info.f_type != fuseMagic))
        why_ = "the disk is not mounted at " + root_;
    return why_.empty();
}

ImageDisk::~ImageDisk() {
    // A mount that was made but not found where it should be is taken down too.
    if (loop_ >= 0 && ::umount2(root_.c_str(), 0) != 0)
        ::umount2(root_.c_str(), MNT_DETACH);
    if (loop_ >= 0)
        ::close(loop_);
}

} // namespace e2e
