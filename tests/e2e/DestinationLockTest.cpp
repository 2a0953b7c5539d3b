#include "fw/DestinationLock.h"

#include "BackupRun.h"
#include "fw/DestinationTree.h"
#include "fw/FileTestSupport.h"
#include "mainwindow/MainWindow.h"
#include "Trees.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

using namespace e2e;

namespace {

// Another process holding the lock file of a destination, as a run of another program (or of
// another user) does: util-linux's flock holds it until its standard input closes.
class ForeignLock {
public:
    ~ForeignLock() { release(); }

    // False when flock is missing or did not take the lock.
    bool take(const std::string& lockFile) {
        if (QStandardPaths::findExecutable(QStringLiteral("flock")).isEmpty())
            return false;
        holder_.start(QStringLiteral("flock"),
                      {QStringLiteral("-n"), QString::fromStdString(lockFile), QStringLiteral("-c"),
                       QStringLiteral("echo locked; exec cat >/dev/null")});
        return holder_.waitForStarted(kStepTimeoutMs) && waitUntil([this] {
                   return holder_.canReadLine() || holder_.state() == QProcess::NotRunning;
               }) &&
               holder_.readLine() == "locked\n";
    }

    void release() {
        if (holder_.state() == QProcess::NotRunning)
            return;
        holder_.closeWriteChannel();
        holder_.waitForFinished(kStepTimeoutMs);
    }

private:
    QProcess holder_;
};

// True when a process of its own could lock `lockFile` now.
bool lockableByAnotherProcess(const std::string& lockFile) {
    return QProcess::execute(QStringLiteral("flock"),
                             {QStringLiteral("-n"), QString::fromStdString(lockFile),
                              QStringLiteral("true")}) == 0;
}

class DestinationLockTest : public BackupRunTest {
protected:
    void SetUp() override {
        BackupRunTest::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("flock")).isEmpty())
            GTEST_SKIP() << "util-linux's flock is not installed";
        writeOneSet();
        writeFile(source("a.txt"), "a");
    }

    std::string lockFile() const { return path("dst/") + fw::DestinationLock::lockName; }
    // A temporary of the other run, in the staging folder they would share.
    std::string othersTemporary() const {
        return path("dst/") + fw::DestinationTree::stagingName + "/a.txt.part";
    }
};

TEST_F(DestinationLockTest, ARunIsRefusedOnADestinationAnotherProcessHoldsAndItsStagingIsKept) {
    writeFile(othersTemporary(), "half a copy");
    ForeignLock other;
    ASSERT_TRUE(other.take(lockFile()));
    mainwindow::MainWindow& shown = window();

    const auto refusal = answerNextDialog("OK");
    shown.btn_Backup->click();
    ASSERT_TRUE(waitForDialogs());
    ASSERT_TRUE(refusal->answered);
    EXPECT_TRUE(refusal->text.startsWith("Destination folder is in use by another backup!"))
        << refusal->text.toStdString();
    EXPECT_TRUE(refusal->text.contains("dst")) << "the message does not name the destination";
    EXPECT_FALSE(shown.BackingUp);
    EXPECT_FALSE(running());
    EXPECT_EQ(shown.btn_Backup->text(), "Start Backup");
    EXPECT_EQ(filetest::readFile(othersTemporary()), "half a copy");
    EXPECT_FALSE(filetest::exists(copy("a.txt")));

    // Once the other run has ended, its lock file holds no lock and the run goes ahead.
    other.release();
    runBackup();
    EXPECT_EQ(filetest::readFile(copy("a.txt")), "a");
    EXPECT_FALSE(filetest::exists(lockFile())) << "the lock file outlived the run";
}

TEST_F(DestinationLockTest, ARunHoldsItsDestinationForOtherProcessesUntilItEnds) {
    window();
    runBackup([this] {
        EXPECT_TRUE(filetest::exists(lockFile()));
        EXPECT_FALSE(lockableByAnotherProcess(lockFile()))
            << "another process could take the destination of a running backup";
    });
    EXPECT_TRUE(lockableByAnotherProcess(lockFile()));
}

// A destination taken by another process between the checks and the copy pass: the tree
// neither sweeps the other run's staging folder nor writes anything.
TEST_F(DestinationLockTest, ATreeOnADestinationAnotherProcessHoldsTouchesNothing) {
    writeFile(othersTemporary(), "half a copy");
    ForeignLock other;
    ASSERT_TRUE(other.take(lockFile()));
    {
        fw::DestinationTree tree(fw::FolderItem::fromNativePath(path("dst")));
        EXPECT_EQ(filetest::readFile(othersTemporary()), "half a copy");
        EXPECT_THROW(tree.createFolder("src"), fw::FileError);
        const fw::FolderItem item = fw::FolderItem::fromNativePath(source("a.txt"));
        const fw::ItemStatus status = item.EntryStatus();
        EXPECT_THROW(
            tree.copyWhenSaved(
                item, status, "src/a.txt", fw::Placing::New, status.length(),
                [](const std::vector<fw::ItemStatus>&, std::uint64_t) { return fw::Date(); },
                [](fw::StagedCopy*, const std::exception*) {}),
            fw::FileError);
    }
    EXPECT_EQ(filetest::readFile(othersTemporary()), "half a copy");
    EXPECT_FALSE(filetest::exists(path("dst/src")));
}

} // namespace
