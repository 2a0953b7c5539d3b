#include "BackupRun.h"
#include "ImageDisk.h"
#include "mainwindow/MainWindow.h"
#include "Trees.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

using Strings = std::vector<std::string>;
constexpr char clashText[] = "Name clashes with another on the backup disk - ";

// Backups onto real file systems that users format their backup disks with: exFAT, which
// folds letter case and holds no links, and NTFS, which tells case apart.
class DiskImages : public BackupRunTest {
protected:
    // Mounts a disk of `kind` and makes it the one set's destination; false (the test then
    // skips) where this machine cannot mount it.
    bool useDisk(ImageDisk::Kind kind) {
        disk_.emplace(kind);
        if (!disk_->mounted())
            return false;
        makeFolders(path("src"));
        writeSettings({{path("src"), disk_->root()}});
        return true;
    }
    std::string onDisk(const std::string& relative) const {
        return disk_->root() + "/src/" + relative;
    }
    const std::string& diskRoot() const { return disk_->root(); }
    TreeListing diskTree() const { return describeTree(disk_->root() + "/src"); }
    std::string skipReason() const { return "cannot mount the disk here: " + disk_->why(); }

    // A run that meets errors, answered "No"; the run's own entries, the start and finish left
    // out.
    Strings runWithErrors() {
        runBackupWithErrors("No");
        Strings messages = errorMessages();
        EXPECT_GE(messages.size(), 2U);
        if (messages.size() < 2)
            return messages;
        EXPECT_EQ(messages.front(), "Started Backup");
        EXPECT_EQ(messages.back(), "Finished Backup");
        return Strings(messages.begin() + 1, messages.end() - 1);
    }

private:
    std::optional<ImageDisk> disk_;
};

// Walk order is byte order: "Docs", "Photo.JPG", "Report.txt", then "docs", "photo.jpg",
// "report.txt". Of each pair the first is backed up, whichever is newer, and the second is
// never written over, into or in place of it.
TEST_F(DiskImages, OnACaseFoldingDiskTheSecondOfTwoNamesIsReportedOnEveryRunAndWritesNothing) {
    if (!useDisk(ImageDisk::Kind::ExFat))
        GTEST_SKIP() << skipReason();
    writeFile(source("Report.txt"), "Report, older", kBaseTime + 1);
    writeFile(source("report.txt"), "report, newer", kBaseTime + 61);
    writeFile(source("Photo.JPG"), "Photo, newer", kBaseTime + 63);
    writeFile(source("photo.jpg"), "photo, older", kBaseTime + 3);
    writeFile(source("Docs/same.txt"), "Docs same", kBaseTime + 5);
    writeFile(source("Docs/only.txt"), "Docs only", kBaseTime + 7);
    writeFile(source("docs/same.txt"), "docs same, newer", kBaseTime + 99);
    writeFile(source("docs/extra.txt"), "docs extra", kBaseTime + 9);
    const TreeListing expected = without(sourceTree(), {"docs", "photo.jpg", "report.txt"});
    window();

    for (int run = 1; run <= 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const Strings entries = runWithErrors();
        EXPECT_EQ(entries, (Strings{clashText + colonPath(onDisk("docs")),
                                    clashText + colonPath(onDisk("photo.jpg")),
                                    clashText + colonPath(onDisk("report.txt"))}));
        EXPECT_EQ(window().ErrorCount, 3);
        EXPECT_EQ(window().FilesCopied, run == 1 ? 4 : 0);
        EXPECT_EQ(window().FilesUpdated, 0);
        EXPECT_EQ(treeDifference(expected, diskTree()), "");
    }
}

// The name met first has no copy, the one met later has: that copy is kept as it is, the
// later item goes on being backed up, and the first is reported at every run.
TEST_F(DiskImages, OnACaseFoldingDiskACopyOfTheLaterNameIsKeptWhenTheFirstNameIsNew) {
    if (!useDisk(ImageDisk::Kind::ExFat))
        GTEST_SKIP() << skipReason();
    writeFile(source("report.txt"), "report");
    writeFile(source("docs/a.txt"), "docs a");
    window();
    runBackup();
    writeFile(source("Report.txt"), "Report, newer", kBaseTime + 600);
    writeFile(source("Docs/a.txt"), "Docs a, newer", kBaseTime + 600);
    writeFile(source("docs/b.txt"), "docs b");
    const TreeListing expected = without(sourceTree(), {"Docs", "Report.txt"});

    for (int run = 2; run <= 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const Strings entries = runWithErrors();
        EXPECT_EQ(entries, (Strings{clashText + colonPath(onDisk("Docs")),
                                    clashText + colonPath(onDisk("Report.txt"))}));
        EXPECT_EQ(window().FilesCopied, run == 2 ? 1 : 0);
        EXPECT_EQ(window().FilesUpdated, 0);
        EXPECT_EQ(treeDifference(expected, diskTree()), "");
    }
}

// Two sets whose source folders differ only in case share no set folder on such a disk.
TEST_F(DiskImages, OnACaseFoldingDiskASetFolderNamedLikeAnotherSetsIsNotWrittenInto) {
    if (!useDisk(ImageDisk::Kind::ExFat))
        GTEST_SKIP() << skipReason();
    writeFile(source("a.txt"), "lower");
    writeFile(path("other/SRC/a.txt"), "upper", kBaseTime + 600);
    writeSettings({{path("src"), diskRoot()}, {path("other/SRC"), diskRoot()}});
    window();

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const Strings entries = runWithErrors();
        EXPECT_EQ(entries, Strings{clashText + colonPath(diskRoot() + "/SRC")});
        EXPECT_EQ(window().FilesUpdated, 0);
        EXPECT_EQ(treeDifference(sourceTree(), diskTree()), "");
    }
}

// The package's link cannot be made on exFAT: it alone is left out and named, and the
// package, measured as such a disk holds it, is not found grown at the next run.
TEST_F(DiskImages, APackageHoldingALinkIsBackedUpWithoutItWhereTheDiskHoldsNoLinks) {
    if (!useDisk(ImageDisk::Kind::ExFat))
        GTEST_SKIP() << skipReason();
    makePackage(source("Tool.app"), "the tool");
    setTime(source("Tool.app/Contents"), kBaseTime);
    setTime(source("Tool.app"), kBaseTime);
    window();

    const Strings entries = runWithErrors();
    EXPECT_EQ(entries, Strings{"Link left out, the backup disk cannot hold links - " +
                               colonPath(onDisk("Tool.app")) + "Contents:current"});
    EXPECT_EQ(window().FilesCopied, 1);
    const TreeListing expected = without(sourceTree(), {"Tool.app/Contents/current"});
    EXPECT_EQ(treeDifference(expected, diskTree()), "");

    runBackup();
    EXPECT_EQ(window().FilesUpdated, 0);
    EXPECT_EQ(treeDifference(expected, diskTree()), "");
}

// NTFS as ntfs-3g mounts it by default tells case apart: both names of each pair are backed
// up, and a run over an unchanged source replaces nothing.
TEST_F(DiskImages, OnNtfsBothNamesOfAPairAreBackedUpAndAnUnchangedRunReplacesNothing) {
    if (!useDisk(ImageDisk::Kind::Ntfs))
        GTEST_SKIP() << skipReason();
    writeFile(source("Report.txt"), "Report", kBaseTime + 1);
    writeFile(source("report.txt"), "report", kBaseTime + 3);
    writeFile(source("Docs/same.txt"), "Docs same", kBaseTime + 5);
    writeFile(source("docs/same.txt"), "docs same", kBaseTime + 7);
    makePackage(source("Tool.app"), "the tool", kBaseTime + 9);
    window();

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        runBackup();
        EXPECT_EQ(window().FilesCopied, run == 1 ? 5 : 0);
        EXPECT_EQ(window().FilesUpdated, 0);
        EXPECT_EQ(treeDifference(sourceTree(), diskTree()), "");
    }
}

// With windows_names, ntfs-3g refuses what Windows cannot hold: each such item is one entry
// at every run, and the rest is backed up.
TEST_F(DiskImages, NamesTheDiskRefusesGiveOneEntryEachOnEveryRun) {
    if (!useDisk(ImageDisk::Kind::NtfsWindowsNames))
        GTEST_SKIP() << skipReason();
    const Strings refused = {"a<b", "ask?.txt", "pipe|name", "star*"};
    for (const std::string& name : refused)
        writeFile(source(name), name);
    writeFile(source("fine.txt"), "fine");
    window();

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        Strings expected;
        for (const std::string& name : refused)
            expected.push_back("Could not copy - " + colonPath(onDisk(name)));
        const Strings entries = runWithErrors();
        EXPECT_EQ(entries, expected);
        EXPECT_EQ(filetest::readFile(onDisk("fine.txt")), "fine");
    }
}

} // namespace
