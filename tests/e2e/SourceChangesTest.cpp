#include "BackupRun.h"
#include "fw/FileCopy.h"
#include "fw/FileTestSupport.h"
#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"
#include "Trees.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <QLabel>
#include <QPushButton>
#include <unistd.h>

using namespace e2e;

namespace {

using Strings = std::vector<std::string>;

const Strings kCleanRun = {"Started Backup", "Finished Backup"};

// Larger than the chunk the copy takes at once, so that the source can change in the middle of
// copying it.
constexpr std::size_t kLarge = std::size_t(24) << 20;

// A source that changes between listing and copying, or while it is copied, and copies that
// a power cut left short.
class SourceChanges : public BackupRunTest {
protected:
    void SetUp() override {
        BackupRunTest::SetUp();
        writeOneSet();
    }

    // Calls `whileCopying` on the disk thread once the first chunk of the n-th copy (1 for
    // the first) is written, before the next chunk, for as long as the object lives.
    class ChunkWatch {
    public:
        explicit ChunkWatch(std::function<void(int)> whileCopying)
            : whileCopying_(std::move(whileCopying)) {
            fw::setDiskStepsForTesting([this](fw::DiskStep step, const std::string& path) {
                if (step != fw::DiskStep::Written ||
                    std::find(copies_.begin(), copies_.end(), path) != copies_.end())
                    return;
                copies_.push_back(path);
                whileCopying_(int(copies_.size()));
            });
        }
        ~ChunkWatch() { fw::setDiskStepsForTesting({}); }
        ChunkWatch(const ChunkWatch&) = delete;
        ChunkWatch& operator=(const ChunkWatch&) = delete;
        // The copies begun, seen from the disk thread; read once the run has ended.
        int copiesBegun() const { return int(copies_.size()); }

    private:
        std::function<void(int)> whileCopying_;
        std::vector<std::string> copies_;
    };

    // Waits until the run has ended and its end dialogs were answered.
    static void endRun() {
        ASSERT_TRUE(waitUntil([] { return !running(); }, kRunTimeoutMs)) << "the run did not end";
        ASSERT_TRUE(waitForDialogs(kStepTimeoutMs));
    }

    // The source rewritten in place, at the same time in whole seconds, to a new length.
    void rewrite(const std::string& name, char fill, std::size_t bytes) {
        writeFile(source(name), std::string(bytes, fill));
    }
};

// What a cut leaves (the copy's name and time in place, not its bytes) is found by the length:
// the next run replaces it, and leaves alone a copy whose length and time match, also one
// whose time is exactly an hour off.
TEST_F(SourceChanges, ACopyCutShortIsReplacedByTheNextRunAndAWholeOneIsLeftAlone) {
    writeFile(source("cut.txt"), "all of it made it to the disk");
    writeFile(source("hour.txt"), "an hour apart", kBaseTime + 3600);
    writeFile(source("whole.txt"), "whole");
    window();
    runBackup();
    ASSERT_EQ(treeDifference(sourceTree(), copyTree()), "");

    ASSERT_EQ(::truncate(copy("cut.txt").c_str(), 0), 0);
    ASSERT_EQ(::truncate(copy("hour.txt").c_str(), 3), 0);
    setTime(copy("cut.txt"), kBaseTime);
    setTime(copy("hour.txt"), kBaseTime);
    ASSERT_EQ(timeOf(copy("cut.txt")), timeOf(source("cut.txt")));
    const TreeListing whole = fileIdentities(path("dst/src"));
    runBackup();

    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(fileIdentities(path("dst/src"))["whole.txt"], whole.at("whole.txt"))
        << "a whole copy was written again";
    EXPECT_EQ(window().FilesUpdated, 2);
    EXPECT_EQ(errorMessages(), kCleanRun);

    runBackup();
    EXPECT_EQ(window().FilesUpdated, 0);
    EXPECT_EQ(fileIdentities(path("dst/src")).at("whole.txt"), whole.at("whole.txt"));
}

// The run is held between two chunks of the first copy and the source rewritten there: the
// copy holds bytes of both versions, so it is made again, and the backup holds the new one.
TEST_F(SourceChanges, ASourceRewrittenWhileItIsCopiedIsCopiedAgain) {
    writeLargeFile(source("large.bin"), kLarge);
    const ChunkWatch watch([this](int copy) {
        if (copy == 1)
            rewrite("large.bin", 'b', kLarge / 2 + 1);
    });
    window();
    runBackup();

    EXPECT_EQ(watch.copiesBegun(), 2);
    EXPECT_EQ(errorMessages(), kCleanRun);
    EXPECT_TRUE(sameContents(source("large.bin"), copy("large.bin")));
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(window().FilesCopied, 1);
    EXPECT_TRUE(temporariesBelow(path("dst")).empty());
}

// Rewritten during the copy and again during the copy made again: the copy is kept, reported,
// dated before its source, and replaced by the next run, which finds the source whole.
TEST_F(SourceChanges, ASourceThatKeepsChangingIsReportedAndReplacedByTheNextRun) {
    writeFile(source("large.bin"), std::string(kLarge, 'a'));
    {
        const ChunkWatch watch([this](int copy) {
            if (copy == 1)
                rewrite("large.bin", 'b', kLarge - 1);
            else if (copy == 2)
                rewrite("large.bin", 'c', kLarge - 2);
        });
        const auto errors = answerNextDialog("No", kRunTimeoutMs);
        window().btn_Backup->click();
        endRun();
        EXPECT_EQ(watch.copiesBegun(), 2);
        EXPECT_TRUE(errors->answered);
        EXPECT_EQ(errors->title, "Errors");
    }
    EXPECT_EQ(window().ErrorCount, 1);
    EXPECT_EQ(errorMessages(),
              (Strings{"Started Backup", "Changed while copying - " + colonPath(copy("large.bin")),
                       "Finished Backup"}));
    EXPECT_FALSE(sameContents(source("large.bin"), copy("large.bin")));
    EXPECT_LT(timeOf(copy("large.bin")), timeOf(source("large.bin")));
    EXPECT_EQ(window().FilesCopied, 1);

    runBackup();
    EXPECT_EQ(window().FilesUpdated, 1);
    EXPECT_TRUE(sameContents(source("large.bin"), copy("large.bin")));
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
}

// After the listing and before the copy, files become links. One to a file outside the source
// is left out silently, as the walk leaves such a link out, whether or not the file has a copy;
// one to a file beside it, even one the listing did not see, is followed to that file, as the
// walk would follow it.
TEST_F(SourceChanges, AFileSwappedForALinkAfterTheListingBringsNothingFromOutside) {
    writeFile(source("had-copy.txt"), "own, copied before");
    writeFile(copy("had-copy.txt"), "own, copied before");
    writeFile(source("new.txt"), "own, never copied");
    writeFile(source("within.txt"), "own, within");
    writeFile(path("outside/secret.txt"), "from outside the source", kBaseTime + 100);
    mainwindow::MainWindow& shown = window();

    const auto end = answerNextDialog("OK", kRunTimeoutMs);
    const auto listed = [&shown] {
        return shown.thr_Build->State() != fw::Thread::Running &&
               shown.thr_backup->State() == fw::Thread::Running;
    };
    holdWorkersWhen(listed);
    shown.btn_Backup->click();
    ASSERT_TRUE(waitUntil(listed)) << "the listing did not end";
    ASSERT_EQ(shown.TotalItemCount, 3);
    ASSERT_EQ(copyTree().size(), 1u);
    for (const std::string name : {"had-copy.txt", "new.txt"}) {
        std::filesystem::remove(source(name));
        filetest::makeLink(path("outside/secret.txt"), source(name));
    }
    std::filesystem::remove(source("within.txt"));
    writeFile(source("beside.txt"), "beside, made after the listing");
    filetest::makeLink("beside.txt", source("within.txt"));
    releaseWorkers();
    endRun();

    EXPECT_EQ(end->text, "Backup Complete");
    EXPECT_EQ(filetest::readFile(copy("had-copy.txt")), "own, copied before");
    EXPECT_FALSE(filetest::exists(copy("new.txt")));
    EXPECT_FALSE(filetest::exists(copy("within.txt")));
    EXPECT_EQ(filetest::readFile(copy("beside.txt")), "beside, made after the listing");
    EXPECT_EQ(copyTree().size(), 2u);
    EXPECT_EQ(shown.FilesCopied, 1);
    EXPECT_EQ(shown.FilesUpdated, 0);
    EXPECT_EQ(errorMessages(), kCleanRun);
}

} // namespace
