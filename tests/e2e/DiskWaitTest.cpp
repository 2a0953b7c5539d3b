#include "BackupRun.h"
#include "fw/DiskThread.h"
#include "fw/FileCopy.h"
#include "fw/FileTestSupport.h"
#include "mainwindow/MainWindow.h"
#include "support/Gate.h"
#include "Trees.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <utility>
#include <vector>

using namespace e2e;

namespace {

// What the file layer did on its way to the disk, in order, as the test seam tells it.
class DiskSteps {
public:
    using Step = std::pair<fw::DiskStep, std::string>;

    // `onWritten`, when given, is called on the disk thread after a copy's data was written,
    // with the number of the file (1 for the first file written).
    explicit DiskSteps(std::function<void(int)> onWritten = {})
        : onWritten_(std::move(onWritten)) {
        fw::setDiskStepsForTesting([this](fw::DiskStep step, const std::string& path) {
            int file = 0;
            {
                const std::lock_guard lock(mutex_);
                if (step == fw::DiskStep::Written && !seen(path))
                    file = ++files_;
                steps_.emplace_back(step, path);
            }
            if (file && onWritten_)
                onWritten_(file);
        });
    }
    ~DiskSteps() { fw::setDiskStepsForTesting({}); }
    DiskSteps(const DiskSteps&) = delete;
    DiskSteps& operator=(const DiskSteps&) = delete;

    std::vector<Step> steps() const {
        const std::lock_guard lock(mutex_);
        return steps_;
    }
    int filesWritten() const {
        const std::lock_guard lock(mutex_);
        return files_;
    }

private:
    bool seen(const std::string& path) const {
        return std::any_of(steps_.begin(), steps_.end(),
                           [&path](const Step& step) { return step.second == path; });
    }

    mutable std::mutex mutex_;
    std::vector<Step> steps_;
    int files_ = 0;
    std::function<void(int)> onWritten_;
};

class DiskWait : public BackupRunTest {
protected:
    // Three files copied in this order; the second is held on the disk thread.
    void SetUp() override {
        BackupRunTest::SetUp();
        writeOneSet();
        writeFile(source("a.txt"), "alpha");
        writeFile(source("b.bin"), std::string(300'000, 'b'));
        writeFile(source("c.txt"), "charlie");
    }

    // The entries of the destination's staging folder; none when it is gone.
    std::vector<std::string> staged() const {
        const std::string staging = path("dst/.tolvane-staging");
        return filetest::exists(staging) ? filetest::namesIn(staging) : std::vector<std::string>{};
    }

    Gate gate_;
    DiskSteps steps_{[this](int file) {
        if (file == 2)
            gate_.pass();
    }};
};

bool timerFires() {
    bool fired = false;
    QTimer::singleShot(0, qApp, [&fired] { fired = true; });
    return waitUntil([&fired] { return fired; });
}

TEST_F(DiskWait, AWriteThatWaitsLeavesTheWindowAnsweringAndTheRunGoesOnInOrder) {
    mainwindow::MainWindow& shown = window();
    shown.btn_Backup->click();
    ASSERT_TRUE(waitUntil([this] { return gate_.reached(); })) << "the copy never reached b.bin";
    ASSERT_FALSE(gate_.isOpen()) << "the window froze while the disk was busy";

    EXPECT_TRUE(timerFires()) << "the window froze while the disk was busy";
    const auto question = answerNextDialog("No");
    shown.btn_Backup->click();
    ASSERT_TRUE(waitForDialogs());
    EXPECT_TRUE(question->answered);
    EXPECT_EQ(question->title, "Cancel backup?");
    EXPECT_FALSE(gate_.isOpen()) << "the question waited for the disk";
    EXPECT_TRUE(shown.BackingUp);
    EXPECT_EQ(steps_.filesWritten(), 2) << "the run went on past the held item";
    EXPECT_FALSE(filetest::exists(copy("c.txt")));

    gate_.open();
    const auto end = answerNextDialog("OK", kRunTimeoutMs);
    ASSERT_TRUE(waitUntil([] { return !running(); }, kRunTimeoutMs));
    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(end->text, "Backup Complete");
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(shown.FilesCopied, 3);
    EXPECT_EQ(shown.TotalFileSize, 300'012u);
    expectIdleLook("Complete");
}

// "Yes" while a write waits: the window answers at once; a Start pressed meanwhile waits (the
// window still answering, a second press ignored) until the cancelled copy has stopped and its
// partial file is gone; then the next run backs everything up.
TEST_F(DiskWait, CancelWhileAWriteWaitsAnswersAtOnceAndTheNextRunStartsWithoutItsRemains) {
    mainwindow::MainWindow& shown = window();
    shown.btn_Backup->click();
    ASSERT_TRUE(waitUntil([this] { return gate_.reached(); })) << "the copy never reached b.bin";
    ASSERT_FALSE(gate_.isOpen()) << "the window froze while the disk was busy";
    ASSERT_FALSE(staged().empty()) << "no partial copy to remove";

    const auto question = answerNextDialog("Yes");
    shown.btn_Backup->click();
    ASSERT_TRUE(waitForDialogs());
    EXPECT_TRUE(question->answered);
    EXPECT_FALSE(gate_.isOpen()) << "the answer waited for the disk";
    EXPECT_FALSE(shown.BackingUp);
    EXPECT_EQ(shown.stx_status->text(), "Cancelled");

    // From inside the press of Start, which waits for the disk: a second press, then the
    // disk lets go.
    bool startPressed = false;
    bool secondPressReturned = false;
    QTimer meanwhile;
    QObject::connect(&meanwhile, &QTimer::timeout, &meanwhile, [&] {
        if (!startPressed || !shown.checkingSets)
            return;
        meanwhile.stop();
        shown.btn_Backup->click();
        secondPressReturned = !gate_.isOpen();
        gate_.open();
    });
    meanwhile.start(0);
    holdWorkersWhen(listingUnderWay);
    QTimer::singleShot(0, &shown, [&] {
        startPressed = true;
        shown.btn_Backup->click();
    });
    ASSERT_TRUE(waitUntil(listingUnderWay, kRunTimeoutMs)) << "the next run did not start";

    EXPECT_TRUE(gate_.isOpen()) << "the next run started while the cancelled copy still waited";
    EXPECT_TRUE(secondPressReturned) << "a second press of Start waited for the disk";
    EXPECT_EQ(staged(), std::vector<std::string>{}) << "the cancelled copy's remains";
    EXPECT_EQ(errorMessages(), std::vector<std::string>{"Started Backup"}) << "started twice";

    const auto end = answerNextDialog("OK", kRunTimeoutMs);
    releaseWorkers();
    ASSERT_TRUE(waitUntil([] { return !running(); }, kRunTimeoutMs));
    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(end->text, "Backup Complete");
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
}

// For every copy that gets its name: after the last write of its data (a package's: of any
// file in it), the file system was flushed before the name was given.
void expectFlushedBeforeNamed(const std::vector<DiskSteps::Step>& steps, int expectedNames) {
    int names = 0;
    for (std::size_t named = 0; named < steps.size(); ++named) {
        if (steps[named].first != fw::DiskStep::Named)
            continue;
        ++names;
        const std::string& copy = steps[named].second;
        std::optional<std::size_t> lastWrite;
        for (std::size_t i = 0; i < named; ++i)
            if (steps[i].first == fw::DiskStep::Written &&
                (steps[i].second == copy || steps[i].second.starts_with(copy + "/")))
                lastWrite = i;
        ASSERT_TRUE(lastWrite) << "named before any of its data was written: " << copy;
        const bool flushed = std::any_of(
            steps.begin() + std::ptrdiff_t(*lastWrite), steps.begin() + std::ptrdiff_t(named),
            [](const DiskSteps::Step& step) { return step.first == fw::DiskStep::Saved; });
        EXPECT_TRUE(flushed) << "named before its data was flushed: " << copy;
    }
    EXPECT_EQ(names, expectedNames);
}

class Durability : public BackupRunTest {};

TEST_F(Durability, ACopyAndAPackageGetTheirNamesOnlyAfterTheirDataWasFlushed) {
    writeOneSet();
    writeFile(source("a.txt"), "alpha");
    writeFile(source("b.txt"), "bravo");
    makePackage(source("Tool.app"), "version 1");
    window();
    {
        const DiskSteps steps;
        runBackup();
        expectFlushedBeforeNamed(steps.steps(), 3);
    }
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");

    // The replacing copies: a newer file and a newer package.
    writeFile(source("a.txt"), "alpha 2", kBaseTime + 60);
    writeFile(source("Tool.app/Contents/MacOS/tool"), "version 2", kBaseTime + 60);
    setTime(source("Tool.app"), timeOf(copy("Tool.app")) + 60);
    {
        const DiskSteps steps;
        runBackup();
        expectFlushedBeforeNamed(steps.steps(), 2);
    }
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(window().FilesUpdated, 2);
}

// A copy that cannot take its place once it is on the disk (something else took the name
// meanwhile) is that item's error, and its size is no data written; the others are counted.
TEST_F(Durability, ACopyThatCannotTakeItsPlaceIsTheItemsErrorAndNotCounted) {
    writeOneSet();
    writeFile(source("a.txt"), "alpha");
    writeFile(source("b.txt"), "bravo!");
    window();
    const DiskSteps steps([this](int file) {
        if (file == 2)
            writeFile(copy("b.txt"), "someone else's");
    });

    const auto errors = runBackupWithErrors("No");

    EXPECT_EQ(errorMessages(), (std::vector<std::string>{
                                   "Started Backup", "Could not copy - " + colonPath(copy("b.txt")),
                                   "Finished Backup"}));
    EXPECT_EQ(filetest::readFile(copy("b.txt")), "someone else's");
    EXPECT_EQ(filetest::readFile(copy("a.txt")), "alpha");
    EXPECT_EQ(window().FilesCopied, 1);
    EXPECT_EQ(window().TotalFileSize, 5u);
    EXPECT_EQ(window().ErrorCount, 1);
}

} // namespace
