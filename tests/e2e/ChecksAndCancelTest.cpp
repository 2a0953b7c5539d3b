#include "BackupRun.h"
#include "fw/Canvas.h"
#include "fw/DiskThread.h"
#include "fw/FolderItem.h"
#include "fw/Text.h"
#include "mainwindow/MainWindow.h"
#include "shell/Pictures.h"
#include "Trees.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

using namespace e2e;

namespace {

// Message boxes as the user reads them: CR shown as a line break.
QString onScreen(const std::string& text) {
    return fw::toQString(text);
}

TEST(ChecksBeforeARun, NoSetsAtAllIsReportedAndNothingStarts) {
    mainwindow::MainWindow& window = ::MainWindow();
    const auto message = answerNextDialog("OK");
    // Entering the "Backup" page would disable the button with no set enabled; as built,
    // it can be pressed.
    window.btn_Backup->click();
    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(message->text, "You don't have any sets to backup!");
    EXPECT_FALSE(window.BackingUp);
    EXPECT_TRUE(window.ErrorList.empty());
    EXPECT_EQ(window.btn_Backup->text(), "Start Backup");
}

class ChecksAndCancel : public BackupRunTest {};

TEST_F(ChecksAndCancel, EveryProblemOfEveryEnabledSetIsReportedInSetOrderAndNothingStarts) {
    makeFolders(path("A"));
    makeFolders(path("B"));
    makeFolders(path("dst"));
    writeSettings({
        {path("A"), ""},
        {path("B"), path("missing destination")},
        {path("C"), path("dst")},
        {path("D"), ""},
        {path("E"), "", false},
    });
    mainwindow::MainWindow& window = BackupRunTest::window();
    ASSERT_TRUE(window.btn_Backup->isEnabled());
    const std::vector<QString> expected = {
        onScreen("You have not got a destination folder for set : A\r\r"),
        onScreen("Cannot find destination folder!\r\r" +
                 window.makeTextPath(*window.DestinationFolder[1])),
        onScreen("Cannot find source folder for set 'C' !\r\r" +
                 window.makeTextPath(window.Sets[2])),
        onScreen("You have not got a destination folder for set : D\r\r"),
        onScreen("Cannot find source folder for set 'D' !\r\r" +
                 window.makeTextPath(window.Sets[3])),
    };
    std::vector<std::shared_ptr<SeenDialog>> boxes;
    for (std::size_t i = 0; i < expected.size(); ++i)
        boxes.push_back(answerNextDialog("OK"));

    window.btn_Backup->click();

    ASSERT_TRUE(waitForDialogs());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(boxes[i]->text, expected[i]) << "message box " << i + 1;
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a further message box";
    EXPECT_FALSE(running());
    EXPECT_FALSE(window.BackingUp);
    EXPECT_TRUE(window.Changed);
    EXPECT_TRUE(window.ErrorList.empty());
    EXPECT_EQ(window.stx_status->text(), "Ready");
    EXPECT_FALSE(filetest::exists(path("dst/C")));
}

TEST_F(ChecksAndCancel, WithNoSetEnabledTheBackupPageDisablesStart) {
    makeFolders(path("src"));
    makeFolders(path("dst"));
    writeSettings({{path("src"), path("dst"), false}});
    EXPECT_FALSE(window().btn_Backup->isEnabled());
}

// A run over a tree large enough that copying lasts many time slices, so that the test can
// act while the run is in the phase it waits for. The run goes on while the cancel question
// is open. A listing may be over within a slice, so the tests that cancel while listing hold
// the workers as soon as it is under way: it stands still there until the question has been
// answered and the state at that moment checked, however fast the machine lists.
class CancelDuringRun : public BackupRunTest {
protected:
    static constexpr int kItems = 60 + 60 * 100;

    void SetUp() override {
        BackupRunTest::SetUp();
        makeBulkTree(path("src"), 60, 100, 64);
    }

    static bool statusIs(const QString& status) {
        return ::MainWindow().stx_status->text() == status;
    }

    // Presses "Start Backup" and waits until `phase` holds.
    static bool startAndWaitFor(const std::function<bool()>& phase) {
        window().btn_Backup->click();
        return waitUntil(phase);
    }

    // Presses "Cancel" and answers the question with `answer`.
    static std::shared_ptr<SeenDialog> cancelAnswering(const QString& answer) {
        mainwindow::MainWindow& shown = window();
        EXPECT_EQ(shown.btn_Backup->text(), "Cancel");
        const auto question = answerNextDialog(answer);
        shown.btn_Backup->click();
        EXPECT_TRUE(waitForDialogs());
        EXPECT_TRUE(question->answered);
        EXPECT_EQ(question->title, "Cancel backup?");
        EXPECT_EQ(question->text, onScreen("Are you sure you want to cancel the backup\r\r"));
        EXPECT_EQ(question->defaultButton, "No");
        EXPECT_EQ(question->icon, QMessageBox::Question);
        return question;
    }

    // Presses "Cancel" once `phase` holds and answers the question with `answer`.
    static std::shared_ptr<SeenDialog> cancelWhen(const std::function<bool()>& phase,
                                                  const QString& answer) {
        EXPECT_TRUE(startAndWaitFor(phase)) << "the run never reached the phase to cancel in";
        return cancelAnswering(answer);
    }

    // Starts the run and holds it once its listing is under way, so that it stands still
    // there.
    void holdWhileListing() {
        holdWorkersWhen(listingUnderWay);
        ASSERT_TRUE(startAndWaitFor(listingUnderWay)) << "the listing never started";
        ASSERT_LT(window().TotalItemCount, kItems) << "held after the listing";
    }

    // After a confirmed cancel: the idle look, and nothing more happens to the destination
    // or the run's figures.
    void expectStoppedForGood() {
        mainwindow::MainWindow& shown = window();
        // The answer came at once; a worker that waited for the disk ends once its job has
        // stopped, and what it staged is removed in the background.
        ASSERT_TRUE(waitUntil([] { return !running(); })) << "the worker did not stop";
        fw::finishDiskJobs();
        expectIdleLook("Cancelled");
        for (const QLabel* line : shown.stx_copyPath)
            EXPECT_EQ(line->text(), "");
        EXPECT_EQ(shown.prb_Progress->value(), 0);
        const TreeListing atCancel = describeTree(path("dst"));
        const std::int32_t copied = shown.FilesCopied;
        bool dialogAppeared = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &watch,
                         [&] { dialogAppeared |= QApplication::activeModalWidget() != nullptr; });
        watch.start(5);
        waitUntil([] { return false; }, 500);
        EXPECT_FALSE(dialogAppeared) << "an end dialog appeared after the cancel";
        EXPECT_EQ(treeDifference(atCancel, describeTree(path("dst"))), "")
            << "written after the cancel";
        EXPECT_EQ(shown.FilesCopied, copied);
        EXPECT_EQ(errorMessages(), std::vector<std::string>{"Started Backup"});
        expectIdleLook("Cancelled");
    }

    // Every copy made before the cancel is whole and named as its source; nothing else is
    // in the destination, no half-written file under a temporary name either.
    void expectOnlyWholeCopies() {
        const TreeListing original = sourceTree();
        for (const auto& [relative, description] : copyTree()) {
            const auto found = original.find(relative);
            ASSERT_NE(found, original.end()) << "not in the source: " << relative;
            EXPECT_EQ(description, found->second) << relative;
        }
    }
};

TEST_F(CancelDuringRun, AnsweredNoWhileListingTheRunGoesOnToTheEnd) {
    writeOneSet();
    ASSERT_NO_FATAL_FAILURE(holdWhileListing());
    const int listed = window().TotalItemCount;
    cancelAnswering("No");
    EXPECT_TRUE(statusIs("Building list"));
    EXPECT_EQ(window().TotalItemCount, listed);
    EXPECT_TRUE(window().BackingUp);
    EXPECT_EQ(window().btn_Backup->text(), "Cancel");
    EXPECT_TRUE(running());
    releaseWorkers();

    const auto end = answerNextDialog("OK", kRunTimeoutMs);
    ASSERT_TRUE(waitUntil([] { return !running(); }, kRunTimeoutMs));
    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(end->text, "Backup Complete");
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(window().TotalItemCount, kItems);
    expectIdleLook("Complete");
}

TEST_F(CancelDuringRun, AnsweredNoWhileCopyingTheRunGoesOnAndHoldsTheBackupPage) {
    writeOneSet();
    mainwindow::MainWindow& shown = window();
    cancelWhen([] { return statusIs("Backing Up") && ::MainWindow().FilesCopied > 5; }, "No");
    EXPECT_TRUE(shown.BackingUp);
    EXPECT_TRUE(shown.tmrNoSleep->isActive());
    EXPECT_FALSE(shown.stx_Scrolling->isHidden());
    EXPECT_EQ(shown.cvs_topRight->Backdrop().cacheKey(), shell::backup_drive().cacheKey());
    EXPECT_EQ(shown.cvs_middle->Backdrop().cacheKey(), shell::hard_drive2().cacheKey());
    // While the run lasts, the other pages cannot be shown.
    shown.TabPanel1->setCurrentIndex(0);
    EXPECT_EQ(shown.TabPanel1->currentIndex(), 2);
    shown.TabPanel1->setCurrentIndex(1);
    EXPECT_EQ(shown.TabPanel1->currentIndex(), 2);

    const auto end = answerNextDialog("OK", kRunTimeoutMs);
    ASSERT_TRUE(waitUntil([] { return !running(); }, kRunTimeoutMs));
    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(end->text, "Backup Complete");
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(shown.FilesCopied, 6000);
    expectIdleLook("Complete");
}

TEST_F(CancelDuringRun, AnsweredYesWhileListingNothingIsCopied) {
    writeOneSet();
    ASSERT_NO_FATAL_FAILURE(holdWhileListing());
    const int listed = window().TotalItemCount;
    cancelAnswering("Yes");
    // The held listing is unwound by the answer itself, before any further slice.
    EXPECT_FALSE(running());
    EXPECT_EQ(window().TotalItemCount, listed);
    EXPECT_FALSE(window().BackingUp);
    releaseWorkers();

    expectStoppedForGood();
    EXPECT_TRUE(filetest::namesIn(path("dst")).empty()) << "the copy pass started";
    EXPECT_EQ(window().stx_files->text(), "");
}

TEST_F(CancelDuringRun, AnsweredYesWhileCopyingStopsAtOnceAndTheNextRunFinishes) {
    writeOneSet();
    cancelWhen([] { return statusIs("Backing Up") && ::MainWindow().FilesCopied > 5; }, "Yes");
    expectStoppedForGood();
    expectOnlyWholeCopies();
    EXPECT_LT(window().FilesCopied, 6000);

    runBackup();
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
}

} // namespace
