#include "BackupRun.h"
#include "fw/FileTestSupport.h"
#include "fw/FolderItem.h"
#include "fw/Text.h"
#include "fw/Volume.h"
#include "mainwindow/MainWindow.h"
#include "Trees.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace e2e;

namespace {

using Strings = std::vector<std::string>;

// The disks beneath the destinations: a backup disk that is not mounted, the flush at the end
// of a run, and a file system that keeps times in two-second steps.
class Disks : public BackupRunTest {
protected:
    // Writes a file-system table with these lines and has the checks read it.
    void useTable(const Strings& lines) {
        std::string table;
        for (const std::string& line : lines)
            table += line + "\n";
        writeFile(path("fstab"), table);
        fw::setFileSystemTableForTesting(path("fstab"));
    }

    static std::string escaped(const std::string& mountPoint) {
        return fw::ReplaceAll(mountPoint, " ", "\\040");
    }

    static std::uint64_t deviceOf(const std::string& path) {
        return std::uint64_t(filetest::statusOf(path).st_dev);
    }
};

TEST_F(Disks, ADestinationOnADiskThatIsNotMountedIsRefusedNamingItsMountPoint) {
    makeFolders(path("src"));
    writeFile(source("a.txt"), "alpha");
    // The empty mount-point folder, as it stands on the disk beneath while the backup disk is
    // not mounted, and a folder below it.
    makeFolders(path("backup disk/Backups"));
    useTable({"# <file system> <mount point> <type> <options> <dump> <pass>",
              "UUID=0a1b / ext4 errors=remount-ro 0 1", "/swapfile none swap sw 0 0",
              "LABEL=Backup " + escaped(path("backup disk")) + " ext4 noauto,user 0 2"});
    writeSettings({{path("src"), path("backup disk")},
                   {path("src"), path("backup disk/Backups")},
                   {path("src"), path("backup disk"), false}});
    mainwindow::MainWindow& shown = window();
    const QString expected =
        fw::toQString("Destination disk is not mounted!\r\r" +
                      shown.makeTextPath(fw::FolderItem::fromNativePath(path("backup disk"))));
    const auto first = answerNextDialog("OK");
    const auto second = answerNextDialog("OK");

    shown.btn_Backup->click();

    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(first->text, expected);
    EXPECT_EQ(second->text, expected);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a further message box";
    EXPECT_FALSE(running());
    EXPECT_FALSE(shown.BackingUp);
    EXPECT_TRUE(shown.ErrorList.empty());
    EXPECT_EQ(shown.stx_status->text(), "Ready");
    EXPECT_EQ(filetest::namesIn(path("backup disk")), Strings{"Backups"});
    EXPECT_EQ(filetest::namesIn(path("backup disk/Backups")), Strings{});
}

TEST_F(Disks, ADestinationOnAMountedDiskThatTheTableListsIsBackedUp) {
    filetest::SmallDisk disk("Small Disk");
    if (!disk.mounted())
        GTEST_SKIP() << "no small disk could be mounted here";
    makeFolders(path("src"));
    makeFolders(path("dst"));
    makeFolders(path("not mounted"));
    writeFile(source("a.txt"), "alpha");
    useTable({"UUID=0a1b / ext4 defaults 0 1",
              "LABEL=Small " + escaped(disk.mountPoint()) + " tmpfs defaults 0 2",
              "LABEL=Other " + escaped(path("not mounted")) + " ext4 noauto 0 2"});
    writeSettings({{path("src"), disk.mountPoint()}, {path("src"), path("dst")}});
    window();

    runBackup();

    EXPECT_EQ(filetest::readFile(disk.mountPoint() + "/src/a.txt"), "alpha");
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    expectIdleLook("Complete");
}

// Holds each flush of a disk until the window has been seen while it waits, the way the user
// sees it: a timer looks at the window from inside the event loop that runs during the flush,
// then does what the user does meanwhile (`meanwhile`, when given), then lets the flush go.
class HeldFlushes {
public:
    explicit HeldFlushes(std::function<void()> meanwhile = {})
        : meanwhile_(std::move(meanwhile)) {
        fw::setSyncForTesting([this](int fd) { return flush(fd); });
        QObject::connect(&look_, &QTimer::timeout, &look_, [this] { lookAtWindow(); });
        look_.start(1);
    }
    ~HeldFlushes() { fw::setSyncForTesting({}); }
    HeldFlushes(const HeldFlushes&) = delete;
    HeldFlushes& operator=(const HeldFlushes&) = delete;

    // The devices flushed, in order, and what the window showed while each waited.
    std::vector<std::uint64_t> devices() const {
        const std::lock_guard lock(mutex_);
        return devices_;
    }
    const std::vector<QString>& statusSeen() const { return statusSeen_; }
    bool endDialogSeen() const { return endDialogSeen_; }

private:
    int flush(int fd) {
        struct stat status {};
        std::unique_lock lock(mutex_);
        devices_.push_back(::fstat(fd, &status) == 0 ? std::uint64_t(status.st_dev) : 0);
        const std::size_t held = devices_.size();
        // Let go after a while all the same, so that a window that never shows the flush fails
        // the test instead of hanging it.
        released_.wait_for(lock, std::chrono::milliseconds(kStepTimeoutMs),
                           [&] { return seen_ >= held; });
        lock.unlock();
        return ::syncfs(fd) == 0 ? 0 : errno;
    }

    void lookAtWindow() {
        std::unique_lock lock(mutex_);
        if (seen_ == devices_.size())
            return;
        lock.unlock();
        const mainwindow::MainWindow& shown = ::MainWindow();
        statusSeen_.push_back(shown.stx_status->text());
        endDialogSeen_ |= QApplication::activeModalWidget() != nullptr || !shown.BackingUp;
        if (meanwhile_)
            meanwhile_();
        lock.lock();
        seen_ = devices_.size();
        released_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::vector<std::uint64_t> devices_;
    std::size_t seen_ = 0;
    std::vector<QString> statusSeen_;
    bool endDialogSeen_ = false;
    std::function<void()> meanwhile_;
    QTimer look_;
};

TEST_F(Disks, TheEndOfARunSavesEachDestinationDiskOnceWhileTheStatusSaysSo) {
    filetest::SmallDisk disk;
    makeFolders(path("src"));
    makeFolders(path("other"));
    makeFolders(path("dst"));
    makeFolders(path("dst2"));
    writeFile(source("a.txt"), "alpha");
    writeFile(path("other/b.txt"), "bravo");
    std::vector<SetLine> sets = {{path("src"), path("dst")}, {path("other"), path("dst2")}};
    std::set<std::uint64_t> expectedDevices = {deviceOf(path("dst"))};
    if (disk.mounted()) {
        sets.push_back({path("src"), disk.folder().path()});
        expectedDevices.insert(deviceOf(disk.folder().path()));
    }
    writeSettings(sets);
    window();
    HeldFlushes flushes;

    runBackup();

    const std::vector<std::uint64_t> devices = flushes.devices();
    EXPECT_EQ(devices.size(), expectedDevices.size()) << "a disk was saved more than once";
    EXPECT_EQ(std::set<std::uint64_t>(devices.begin(), devices.end()), expectedDevices);
    EXPECT_EQ(flushes.statusSeen(), std::vector<QString>(devices.size(), "Saving to disk"));
    EXPECT_FALSE(flushes.endDialogSeen()) << "the run said it was done before the disks were";
    EXPECT_EQ(filetest::readFile(path("dst2/other/b.txt")), "bravo");
    expectIdleLook("Complete");
}

TEST_F(Disks, ACancelWhileTheDisksAreSavedEndsTheRunWithoutTheEndDialog) {
    writeOneSet();
    writeFile(source("a.txt"), "alpha");
    mainwindow::MainWindow& shown = window();
    std::shared_ptr<SeenDialog> question;
    HeldFlushes flushes([&] {
        question = answerNextDialog("Yes");
        shown.btn_Backup->click();
    });

    shown.btn_Backup->click();

    ASSERT_TRUE(waitUntil([] { return !running(); }, kRunTimeoutMs)) << "the run did not end";
    ASSERT_TRUE(question);
    EXPECT_TRUE(waitForDialogs());
    EXPECT_EQ(question->title, "Cancel backup?");
    EXPECT_EQ(flushes.statusSeen(), std::vector<QString>{"Saving to disk"});
    EXPECT_EQ(errorMessages(), Strings{"Started Backup"});
    EXPECT_EQ(filetest::readFile(copy("a.txt")), "alpha");
    expectIdleLook("Cancelled");
}

TEST_F(Disks, ADiskThatCannotBeSavedIsAnErrorOfTheRun) {
    writeOneSet();
    writeFile(source("a.txt"), "alpha");
    fw::setSyncForTesting([](int) { return EIO; });
    window();

    const auto errors = runBackupWithErrors("No");

    EXPECT_EQ(errors->text, fw::toQString("There were 1 errors during backup!\r\rDo you want to "
                                          "save the error list?\r"));
    EXPECT_EQ(errorMessages(),
              (Strings{"Started Backup", "Could not save to disk - " + colonPath(path("dst")),
                       "Finished Backup"}));
    EXPECT_EQ(window().ErrorCount, 1);
    expectIdleLook("Complete");
}

// Two destinations of the same source: "fat" answers that it keeps times in two-second steps
// (as FAT does: a time is stored as the even second below), "plain" is this machine's own.
TEST_F(Disks, OnADiskWithTwoSecondTimesAnOddSecondSourceIsNotFoundNewer) {
    static_assert(kBaseTime % 2 == 0);
    makeFolders(path("src"));
    writeSettings({{path("src"), path("fat")}, {path("src"), path("plain")}});
    fw::setTimeStepProbeForTesting([fat = path("fat/")](const std::string& folder, int fd) {
        if (!folder.starts_with(fat))
            return;
        struct stat status {};
        ASSERT_EQ(::fstat(fd, &status), 0);
        const timespec kept = {status.st_mtim.tv_sec / 2 * 2, 0};
        const timespec times[2] = {kept, kept};
        ASSERT_EQ(::futimens(fd, times), 0);
    });
    const std::vector<std::pair<std::string, std::int64_t>> sourceTimes = {
        {"odd.txt", kBaseTime + 1}, {"newer.txt", kBaseTime + 3}, {"hour.txt", kBaseTime + 3600}};
    for (const auto& [name, seconds] : sourceTimes) {
        writeFile(source(name), "new " + name, seconds);
        for (const std::string destination : {"fat", "plain"})
            writeFile(path(destination + "/src/" + name), "old " + name, kBaseTime);
    }
    mainwindow::MainWindow& shown = window();

    runBackup();

    const auto content = [this](const std::string& destination, const std::string& name) {
        return filetest::readFile(path(destination + "/src/" + name));
    };
    EXPECT_EQ(content("fat", "odd.txt"), "old odd.txt");
    EXPECT_EQ(content("plain", "odd.txt"), "new odd.txt");
    EXPECT_EQ(content("fat", "newer.txt"), "new newer.txt");
    EXPECT_EQ(content("plain", "newer.txt"), "new newer.txt");
    EXPECT_EQ(content("fat", "hour.txt"), "old hour.txt");
    EXPECT_EQ(content("plain", "hour.txt"), "old hour.txt");
    EXPECT_EQ(shown.FilesUpdated, 3);
    EXPECT_EQ(shown.FilesCopied, 0);
}

} // namespace
