#include "BackupRun.h"
#include "fw/DiskThread.h"
#include "fw/FileTestSupport.h"
#include "fw/FrameUpdates.h"
#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"
#include "support/AsUser.h"
#include "Trees.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <QLabel>
#include <QPushButton>
#include <sys/stat.h>
#include <unistd.h>

using namespace e2e;

namespace {

using Strings = std::vector<std::string>;

const Strings kCleanRun = {"Started Backup", "Finished Backup"};

// Runs that must neither lose a copy nor touch anything the user did not hand over, and
// must leave nothing of their own behind.
class RunSafety : public BackupRunTest {
protected:
    // Entries named ".tolvane-*" anywhere below `root`: a run's temporaries.
    static Strings temporariesBelow(const std::string& root) {
        Strings found;
        for (auto entry = std::filesystem::recursive_directory_iterator(root);
             entry != std::filesystem::recursive_directory_iterator(); ++entry) {
            if (entry->path().filename().string().starts_with(".tolvane-"))
                found.push_back(entry->path().string());
        }
        return found;
    }
};

TEST_F(RunSafety, ASecondRunInTheSameProgramSeesWhatChangedAtTheTop) {
    writeOneSet();
    writeFile(source("monday.txt"), "monday");
    writeFile(source("old name/a.txt"), "a");
    window();
    runBackup();

    writeFile(source("tuesday.txt"), "tuesday");
    writeFile(source("photos/p.jpg"), "a picture");
    std::filesystem::rename(source("old name"), source("new name"));
    runBackup();

    EXPECT_EQ(treeDifference(sourceTree(), without(copyTree(), {"old name"})), "");
    EXPECT_EQ(window().FilesCopied, 3);
    EXPECT_EQ(errorMessages(), kCleanRun);
}

// The new copy is written whole before the old one goes: a destination too full for it
// keeps the old copy of a file and of a package exactly as it was.
TEST_F(RunSafety, AFullDestinationKeepsTheOldCopiesWhole) {
    filetest::SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "no small disk could be mounted here";
    makeFolders(path("src"));
    writeFile(source("report.doc"), "the first report", kBaseTime);
    makePackage(source("Tool.app"), "version 1", kBaseTime);
    writeSettings({{path("src"), disk.folder().path()}});
    const std::string copies = disk.folder().path() + "/src";
    window();
    runBackup();
    const TreeListing before = describeTree(copies);

    writeFile(source("report.doc"), std::string(700'000, 'r'), kBaseTime + 60);
    writeFile(source("Tool.app/Contents/MacOS/big"), std::string(700'000, 'b'), kBaseTime + 60);
    setTime(source("Tool.app"), kBaseTime + 60);
    // The two new copies cannot be on the disk at once: the second fails whichever it is.
    writeFile(disk.folder().path() + "/filler", std::string(200'000, 'f'));
    const auto errors = runBackupWithErrors("No");

    EXPECT_EQ(errors->title, "Errors");
    EXPECT_EQ(window().ErrorCount, 1);
    const Strings messages = errorMessages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_TRUE(messages[1] == "Could not update - " + colonPath(copies + "/report.doc") ||
                messages[1] == "Could not update - " + colonPath(copies + "/Tool.app"))
        << messages[1];
    EXPECT_EQ(window().FilesUpdated, 1);
    const TreeListing after = describeTree(copies);
    const bool reportKept = after.at("report.doc") == before.at("report.doc");
    const std::string kept = reportKept ? "report.doc" : "Tool.app";
    const std::string replaced = reportKept ? "Tool.app" : "report.doc";
    EXPECT_EQ(treeDifference(without(before, {replaced}), without(after, {replaced})), "")
        << kept << " was not kept whole";
    EXPECT_EQ(treeDifference(without(sourceTree(), {kept}), without(after, {kept})), "");
    EXPECT_EQ(temporariesBelow(disk.folder().path()), Strings{});
}

// A link in the set folder to a folder the user keeps elsewhere: nothing there is written
// or deleted, and each item that would go through it fails with its own entry.
TEST_F(RunSafety, ALinkInTheSetFolderIsNeverFollowed) {
    writeOneSet();
    writeFile(source("sub/f.txt"), "the newer f", kBaseTime + 100);
    writeFile(source("sub/deeper/g.txt"), "g");
    writeFile(source("file.txt"), "the newer file", kBaseTime + 100);
    writeFile(source("ok.txt"), "ok");
    writeFile(path("elsewhere/f.txt"), "the user's own f");
    writeFile(path("elsewhere/file.txt"), "the user's own file");
    makeFolders(copy(""));
    filetest::makeLink(path("elsewhere"), copy("sub"));
    filetest::makeLink(path("elsewhere/file.txt"), copy("file.txt"));
    const TreeListing elsewhere = describeTree(path("elsewhere"));
    window();

    runBackupWithErrors("No");

    EXPECT_EQ(describeTree(path("elsewhere")), elsewhere);
    EXPECT_EQ(errorMessages(),
              (Strings{"Started Backup", "Could not update - " + colonPath(copy("file.txt")),
                       "Could not create folder - " + colonPath(copy("sub/deeper")),
                       "Could not copy - " + colonPath(copy("sub/deeper/g.txt")),
                       "Could not copy - " + colonPath(copy("sub/f.txt")), "Finished Backup"}));
    EXPECT_EQ(window().ErrorCount, 4);
    EXPECT_EQ(filetest::readFile(copy("ok.txt")), "ok");
    EXPECT_EQ(temporariesBelow(path("dst")), Strings{});
}

// A folder that cannot be listed is one entry and one error, not an empty folder.
TEST_F(RunSafety, AFolderThatCannotBeReadIsReported) {
    if (!asuser::inUserSide()) {
        if (const std::string reason = asuser::unavailableReason(); !reason.empty())
            GTEST_SKIP() << "needs a user that permissions bind: " << reason;
        writeFile(path("shared/src/closed/secret.txt"), "unreadable");
        writeFile(path("shared/src/open.txt"), "readable");
        makeFolders(path("shared/dst"));
        asuser::shareWithUser(path("shared"));
        ASSERT_EQ(::chmod(path("shared/src/closed").c_str(), 0), 0);
        ::chmod(path("").c_str(), 0755);
        ASSERT_EQ(asuser::runThisTestAsUser(path("shared")), asuser::kPassed);
        EXPECT_EQ(filetest::readFile(path("shared/dst/src/open.txt")), "readable");
        EXPECT_TRUE(filetest::namesIn(path("shared/dst/src/closed")).empty());
        ::chmod(path("shared/src/closed").c_str(), 0755);
        return;
    }
    const std::string shared = asuser::sharedFolder();
    writeSettings({{shared + "/src", shared + "/dst"}});
    window();

    runBackupWithErrors("No");

    EXPECT_EQ(
        errorMessages(),
        (Strings{"Started Backup", "Could not read folder - " + colonPath(shared + "/src/closed"),
                 "Finished Backup"}));
    EXPECT_EQ(window().ErrorCount, 1);
    EXPECT_EQ(window().FilesCopied, 1);
}

// A folder that refuses the rename keeps the old copy: two entries, one error, as for a
// copy that cannot be removed.
TEST_F(RunSafety, AFolderThatRefusesTheReplacementKeepsTheOldCopy) {
    if (!asuser::inUserSide()) {
        if (const std::string reason = asuser::unavailableReason(); !reason.empty())
            GTEST_SKIP() << "needs a user that permissions bind: " << reason;
        writeFile(path("shared/src/report.doc"), "the newer report", kBaseTime + 60);
        writeFile(path("shared/dst/src/report.doc"), "the old report", kBaseTime);
        asuser::shareWithUser(path("shared"));
        ASSERT_EQ(::chmod(path("shared/dst/src").c_str(), 0555), 0);
        ::chmod(path("").c_str(), 0755);
        ASSERT_EQ(asuser::runThisTestAsUser(path("shared")), asuser::kPassed);
        EXPECT_EQ(filetest::readFile(path("shared/dst/src/report.doc")), "the old report");
        EXPECT_EQ(temporariesBelow(path("shared/dst")), Strings{});
        return;
    }
    const std::string shared = asuser::sharedFolder();
    writeSettings({{shared + "/src", shared + "/dst"}});
    window();

    runBackupWithErrors("No");

    const std::string copyPath = colonPath(shared + "/dst/src/report.doc");
    EXPECT_EQ(errorMessages(), (Strings{"Started Backup", "Could not remove - " + copyPath,
                                        "Could not remove - " + copyPath + "so couldn't write new",
                                        "Finished Backup"}));
    EXPECT_EQ(window().ErrorCount, 1);
    EXPECT_EQ(window().FilesUpdated, 0);
    EXPECT_EQ(window().TotalFileSize, 0u);
}

// Deeper than a path the system takes at once: walked, copied and named like any tree.
TEST_F(RunSafety, ATreeFiveThousandFoldersDeepIsBackedUpWhole) {
    constexpr int depth = 5000;
    writeOneSet();
    int folder = ::open(path("src").c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < depth; ++level) {
        ASSERT_EQ(::mkdirat(folder, "d", 0755), 0);
        const int inner = ::openat(folder, "d", O_RDONLY | O_DIRECTORY);
        ::close(folder);
        folder = inner;
    }
    const int file = ::openat(folder, "bottom.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(file, "at the bottom", 13), 13);
    ::close(file);
    ::close(folder);
    window();

    runBackup();

    EXPECT_EQ(window().TotalItemCount, depth + 1);
    EXPECT_EQ(window().FilesCopied, 1);
    int copyFolder = ::open(copy("").c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < depth && copyFolder >= 0; ++level) {
        const int inner = ::openat(copyFolder, "d", O_RDONLY | O_DIRECTORY);
        ::close(copyFolder);
        copyFolder = inner;
    }
    ASSERT_GE(copyFolder, 0) << "the copy is not as deep as the source";
    const int bottom = ::openat(copyFolder, "bottom.txt", O_RDONLY);
    char text[32] = {};
    EXPECT_EQ(::read(bottom, text, sizeof text), 13);
    EXPECT_STREQ(text, "at the bottom");
    ::close(bottom);
    ::close(copyFolder);
}

// A pipe inside a package is left out with an entry of its own; the rest of the package is
// copied, and counts as copied.
TEST_F(RunSafety, APipeInsideAPackageIsLeftOutAndTheRestIsCopied) {
    writeOneSet();
    makePackage(source("Tool.app"), "the tool");
    ASSERT_EQ(::mkfifo(source("Tool.app/Contents/pipe").c_str(), 0600), 0);
    setTime(source("Tool.app/Contents"), kBaseTime);
    window();

    runBackupWithErrors("No");

    EXPECT_EQ(errorMessages(),
              (Strings{"Started Backup",
                       "Could not copy - " + colonPath(copy("Tool.app")) + "Contents:pipe",
                       "Finished Backup"}));
    EXPECT_EQ(window().ErrorCount, 1);
    EXPECT_EQ(window().FilesCopied, 1);
    EXPECT_EQ(treeDifference(without(sourceTree(), {"Tool.app/Contents/pipe"}), copyTree()), "");
}

// A worker killed while it copies a package, writes its replacement or deletes the old copy
// leaves under the package's name the old copy or the new one, whole, and the next run leaves
// nothing of its own, also what a run killed outright had left in the staging folder.
TEST_F(RunSafety, AKilledRunLeavesEveryCopyWholeAndTheNextRunCleansUp) {
    writeOneSet();
    makeBulkTree(source("Old.app"), 10, 300, 64);
    makePackage(source("Old.app"), "version 1");
    window();
    runBackup();
    const TreeListing firstCopy = copyTree();

    makeBulkTree(source("New.app"), 10, 300, 64);
    writeFile(source("Old.app/Contents/MacOS/tool"), "version 2", kBaseTime + 60);
    setTime(source("Old.app"), timeOf(copy("Old.app")) + 60);
    // Held from the moment the information line says `info` and something is in the staging
    // folder, so that the kill finds the run there however fast the disk is.
    const auto killWhenStaging = [this](const std::string& info) {
        const auto staging = [this, &info] {
            return fw::textShown(window().stx_Info).startsWith(QString::fromStdString(info)) &&
                   !temporariesBelow(path("dst")).empty();
        };
        holdWorkersWhen(staging);
        window().btn_Backup->click();
        ASSERT_TRUE(waitUntil(staging)) << "no copy was seen in flight";
        window().thr_backup->Kill();
        releaseWorkers();
        ASSERT_TRUE(waitUntil([] { return !running(); }));
        // What the killed worker had staged is removed in the background.
        fw::finishDiskJobs();
        // Cancel finds the worker gone and gives the window back its idle look.
        const auto question = answerNextDialog("Yes");
        window().btn_Backup->click();
        ASSERT_TRUE(waitForDialogs());
        expectIdleLook("Cancelled");
    };
    killWhenStaging("Copying : New.app");
    EXPECT_FALSE(filetest::exists(copy("New.app")));
    EXPECT_EQ(copyTree(), firstCopy);
    EXPECT_EQ(temporariesBelow(path("dst")), Strings{});

    // The old copy is replaced once New.app is in: wait for Old.app's update.
    killWhenStaging("Updating : Old.app");
    const TreeListing afterKill = copyTree();
    EXPECT_EQ(treeDifference(firstCopy, without(afterKill, {"New.app"})), "");
    EXPECT_EQ(temporariesBelow(path("dst")), Strings{});

    // Killed while the old copy, set aside, is being deleted: the new one is in place.
    killWhenStaging("Removing old : Old.app");
    EXPECT_EQ(treeDifference(describeTree(source("Old.app")), describeTree(copy("Old.app"))), "");
    EXPECT_EQ(temporariesBelow(path("dst")), Strings{});

    writeFile(path("dst/.tolvane-staging/.tolvane-tmp-killed/part"), "left by a killed run");
    runBackup();
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(temporariesBelow(path("dst")), Strings{});
}

// A destination inside its source, named directly or through a link, is never copied into
// itself, however many runs.
TEST_F(RunSafety, ADestinationInsideItsSourceIsNeverEntered) {
    writeFile(source("a.txt"), "a");
    writeFile(path("other/b.txt"), "b");
    makeFolders(source("backups"));
    makeFolders(path("other/kept"));
    filetest::makeLink(path("other"), path("alias"));
    writeSettings({{path("src"), path("src/backups")}, {path("other"), path("alias/kept")}});
    window();
    runBackup();
    runBackup();

    EXPECT_EQ(filetest::namesIn(source("backups")), Strings{"src"});
    EXPECT_EQ(filetest::namesIn(source("backups/src")), Strings{"a.txt"});
    EXPECT_EQ(filetest::namesIn(path("other/kept")), Strings{"other"});
    EXPECT_EQ(filetest::namesIn(path("other/kept/other")), Strings{"b.txt"});
    EXPECT_EQ(window().TotalItemCount, 2);
}

// A source folder named like the staging folder cannot be backed up into the same place:
// its items fail with their entries, and nothing of the run stays behind.
TEST_F(RunSafety, ASourceNamedLikeTheStagingFolderFailsAndLeavesNothing) {
    writeFile(path("x/.tolvane-staging/a.txt"), "a");
    makeFolders(path("dst"));
    writeSettings({{path("x/.tolvane-staging"), path("dst")}});
    window();

    runBackupWithErrors("No");

    EXPECT_EQ(errorMessages(),
              (Strings{"Started Backup",
                       "Could not copy - " + colonPath(path("dst")) + ".tolvane-staging:a.txt",
                       "Finished Backup"}));
    EXPECT_EQ(filetest::readFile(path("x/.tolvane-staging/a.txt")), "a");
    EXPECT_EQ(filetest::namesIn(path("dst")), Strings{});
}

TEST_F(RunSafety, ASparseFileStaysSparse) {
    writeOneSet();
    const off_t size = off_t(4) << 30;
    const int fd = ::open(source("disk.img").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, "data", 4, size / 2), 4);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
    window();

    runBackup();

    const struct stat copied = filetest::statusOf(copy("disk.img"));
    EXPECT_EQ(copied.st_size, size);
    EXPECT_LT(copied.st_blocks * 512, 1 << 20) << "the holes were filled";
    const int in = ::open(copy("disk.img").c_str(), O_RDONLY);
    char data[5] = {};
    EXPECT_EQ(::pread(in, data, 4, size / 2), 4);
    EXPECT_STREQ(data, "data");
    ::close(in);
    EXPECT_EQ(copied.st_mtim.tv_sec, filetest::statusOf(source("disk.img")).st_mtim.tv_sec);
}

} // namespace
