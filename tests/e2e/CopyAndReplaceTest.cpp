#include "BackupRun.h"
#include "fw/FileTestSupport.h"
#include "fw/FrameUpdates.h"
#include "mainwindow/MainWindow.h"
#include "Trees.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace e2e;

namespace {

using Strings = std::vector<std::string>;

const Strings kCleanRun = {"Started Backup", "Finished Backup"};

class CopyAndReplace : public BackupRunTest {};

// The bar as the screen shows it: the window's last flushed picture, cut to the bar.
QImage barOnScreen(mainwindow::MainWindow& shown) {
    const QRect bar(shown.prb_Progress->mapTo(&shown, QPoint()), shown.prb_Progress->size());
    return shown.screen()
        ->grabWindow(shown.winId(), bar.x(), bar.y(), bar.width(), bar.height())
        .toImage();
}

TEST_F(CopyAndReplace, FirstRunCopiesTheTreeAndASecondRunChangesNothing) {
    writeOneSet();
    writeFile(source("a.txt"), "alpha");
    writeFile(source("docs/b.txt"), "bravo\n", kBaseTime - 86'400);
    writeFile(source("docs/deep/c.bin"), std::string(100'000, '\0') + "end", kBaseTime + 7);
    writeFile(source("docs/notes.txt"), std::string(12'345, 'n'));
    makeFolders(source("empty"));
    mainwindow::MainWindow& shown = window();

    runBackup();

    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    expectIdleLook("Complete");
    EXPECT_EQ(errorMessages(), kCleanRun);
    EXPECT_EQ(shown.ErrorCount, 0);
    // Seven entries: four files and three folders, the source folder itself not among them.
    EXPECT_EQ(shown.TotalItemCount, 7);
    EXPECT_EQ(shown.FilesCopied, 4);
    EXPECT_EQ(shown.FilesUpdated, 0);
    EXPECT_EQ(shown.TotalFileSize, 5u + 6u + 100'003u + 12'345u);
    // Only files and packages update the count shown; the last entry listed is a folder.
    EXPECT_EQ(shown.stx_fileCount->text(), "6");
    EXPECT_EQ(shown.stx_filesCopied->text(), "4");
    EXPECT_EQ(shown.stx_DataWritten->text(), "112 Kb");
    EXPECT_EQ(shown.stx_files->text(), "7 / 7");
    EXPECT_EQ(shown.prb_Progress->value(), 100);
    EXPECT_TRUE(savedErrorLists().empty());

    const TreeListing written = fileIdentities(path("dst/src"));
    runBackup();

    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(fileIdentities(path("dst/src")), written) << "a copy was written again";
    EXPECT_EQ(errorMessages(), kCleanRun);
    EXPECT_EQ(shown.FilesCopied, 0);
    EXPECT_EQ(shown.FilesUpdated, 0);
    EXPECT_EQ(shown.TotalFileSize, 0u);
    // The last file left unchanged in walk order names itself with its own size.
    EXPECT_EQ(shown.infoText, "Checking : notes.txt (12 Kb)");
    expectIdleLook("Complete");
}

// The bar is redrawn with the frame, not at once; the end dialog must find it drawn full.
TEST_F(CopyAndReplace, TheEndDialogFindsTheBarDrawnFull) {
    writeOneSet();
    for (int i = 0; i < 300; ++i)
        writeFile(source("f" + std::to_string(i) + ".txt"), "x");
    mainwindow::MainWindow& shown = window();
    shown.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));
    shown.prb_Progress->setValue(100);
    const QImage full = barOnScreen(shown);
    shown.prb_Progress->setValue(0);
    ASSERT_NE(barOnScreen(shown), full);

    bool drawnFull = false;
    QDeadlineTimer deadline(QDeadlineTimer::Forever);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box->text() != "Backup Complete")
            return;
        if (deadline.isForever())
            deadline.setRemainingTime(kStepTimeoutMs);
        drawnFull = barOnScreen(shown) == full;
        if (drawnFull || deadline.hasExpired()) {
            watch.stop();
            QMetaObject::invokeMethod(box->buttons().constFirst(), &QAbstractButton::click,
                                      Qt::QueuedConnection);
        }
    });
    watch.start(1);
    shown.btn_Backup->click();
    ASSERT_TRUE(waitUntil([&] { return !running() && !watch.isActive(); }, kRunTimeoutMs));
    EXPECT_TRUE(drawnFull) << "the end dialog showed a bar that was not drawn full";
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
}

// Every frame shows the bar and the counter of the same item: a redraw during the run must
// never paint the bar of one item beside the counter of the one before.
TEST_F(CopyAndReplace, EveryFrameShowsTheBarAndTheCounterOfTheSameItem) {
    writeOneSet();
    constexpr int kFiles = 8;
    for (int i = 0; i < kFiles; ++i)
        writeFile(source("f" + std::to_string(i) + ".txt"), "x");
    mainwindow::MainWindow& shown = window();
    runBackup();
    shown.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));

    std::vector<std::pair<int, QString>> painted;
    struct PaintWatch : QObject {
        std::function<void()> seen;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                seen();
            return false;
        }
    } watch;
    watch.seen = [&] {
        painted.emplace_back(shown.prb_Progress->value(), shown.stx_files->text());
    };
    shown.prb_Progress->installEventFilter(&watch);

    // An unchanged re-run, held at an item for longer than a frame, so that the next item's
    // redraw paints at once.
    const auto atThirdItem = [&] { return shown.infoText.find("f3.txt") != std::string::npos; };
    holdWorkersWhen(atThirdItem);
    const auto end = answerNextDialog("OK", kRunTimeoutMs);
    shown.btn_Backup->click();
    ASSERT_TRUE(waitUntil(atThirdItem));
    // The run stands still until a whole frame has passed since it was held, so the next
    // item's redraw paints at once: a state the test makes, whatever the machine's speed.
    QElapsedTimer held;
    held.start();
    ASSERT_TRUE(waitUntil([&] { return held.elapsed() > fw::frameLength.count(); }));
    const std::size_t paintedBeforeRelease = painted.size();
    releaseWorkers();
    ASSERT_TRUE(waitUntil([] { return !running(); }, kRunTimeoutMs));
    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(end->text, "Backup Complete");
    shown.prb_Progress->removeEventFilter(&watch);

    ASSERT_GT(painted.size(), paintedBeforeRelease) << "the bar was not redrawn after the hold";
    const int total = shown.TotalItemCount;
    ASSERT_EQ(total, kFiles);
    for (const auto& [value, counter] : painted) {
        const QStringList parts = counter.split(" / ");
        if (parts.size() != 2) {
            EXPECT_EQ(value, 0) << "the bar moved before any counter was shown";
            continue;
        }
        EXPECT_EQ(parts[1].toInt(), total);
        EXPECT_EQ(value, parts[0].toInt() * 100 / total)
            << "the bar painted at " << value << "% beside the counter " << counter.toStdString();
    }
}

TEST_F(CopyAndReplace, ReplacesACopyOnlyWhenTheSourceIsNewerInWholeSecondsButNotByExactlyAnHour) {
    writeOneSet();
    const Strings names = {"same.txt",     "half-second.txt", "plus1.txt", "plus3599.txt",
                           "plus3600.txt", "plus3601.txt",    "older.txt"};
    for (const std::string& name : names)
        writeFile(source(name), "first " + name);
    window();
    runBackup();
    ASSERT_EQ(treeDifference(sourceTree(), copyTree()), "");

    // Of the same length as the first version: a copy whose time is found equal is then left
    // alone, as one of another length would not be.
    const auto change = [this](const std::string& name, std::int64_t seconds) {
        writeFile(source(name), "later " + name, seconds);
    };
    change("same.txt", kBaseTime);
    change("half-second.txt", kBaseTime);
    filetest::setTimes(source("half-second.txt"), timespec{kBaseTime, 500'000'000});
    change("plus1.txt", kBaseTime + 1);
    change("plus3599.txt", kBaseTime + 3599);
    change("plus3600.txt", kBaseTime + 3600);
    change("plus3601.txt", kBaseTime + 3601);
    change("older.txt", kBaseTime - 100'000);
    const TreeListing before = copyTree();

    runBackup();

    const Strings replaced = {"plus1.txt", "plus3599.txt", "plus3601.txt"};
    TreeListing expected = before;
    for (const std::string& name : replaced)
        expected[name] = sourceTree()[name];
    EXPECT_EQ(treeDifference(expected, copyTree()), "");
    for (const std::string& name : replaced)
        EXPECT_EQ(filetest::readFile(copy(name)), "later " + name);
    EXPECT_EQ(filetest::readFile(copy("plus3600.txt")), "first plus3600.txt");

    mainwindow::MainWindow& shown = window();
    EXPECT_EQ(shown.FilesCopied, 0);
    EXPECT_EQ(shown.FilesUpdated, 3);
    EXPECT_EQ(shown.stx_filesUpdated->text(), "3");
    std::uint64_t replacedBytes = 0;
    for (const std::string& name : replaced)
        replacedBytes += ("later " + name).size();
    EXPECT_EQ(shown.TotalFileSize, replacedBytes);
    EXPECT_EQ(errorMessages(), kCleanRun);
    expectIdleLook("Complete");
}

// A package is one item: copied whole, measured on both sides at every run, replaced when it
// is newer or has grown, and otherwise left alone.
TEST_F(CopyAndReplace, CopiesAPackageWholeAndReplacesItWhenNewerOrGrown) {
    writeOneSet();
    makePackage(source("Tool.app"), "version 1");
    writeFile(source("readme.txt"), "read me");
    mainwindow::MainWindow& shown = window();

    runBackup();

    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(shown.TotalItemCount, 2) << "the package's contents were listed";
    EXPECT_EQ(shown.FilesCopied, 2);
    // The package counts its files (its link measured at its target) and not its .DS_Store.
    const std::uint64_t packageBytes =
        std::string("<plist>version 1</plist>").size() + 2 * std::string("version 1").size();
    EXPECT_EQ(shown.TotalFileSize, packageBytes + 7);

    // Unchanged, and a copy holding more than the package: both left as they are.
    writeFile(copy("Tool.app/Contents/Resources/left-over.txt"), "only in the copy");
    setTime(copy("Tool.app"), timeOf(source("Tool.app")));
    const TreeListing unchanged = fileIdentities(path("dst/src"));
    runBackup();
    EXPECT_EQ(fileIdentities(path("dst/src")), unchanged) << "an unchanged package was rewritten";
    EXPECT_EQ(shown.FilesUpdated, 0);
    EXPECT_EQ(errorMessages(), kCleanRun);

    // Grown, with the same time as its copy: replaced whole, the copy's extra file gone.
    std::filesystem::remove(copy("Tool.app/Contents/Resources/left-over.txt"));
    writeFile(source("Tool.app/Contents/Resources/more.dat"), std::string(5000, 'm'));
    setTime(source("Tool.app"), timeOf(copy("Tool.app")));
    runBackup();
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(shown.FilesUpdated, 1);
    EXPECT_EQ(shown.TotalFileSize, packageBytes + 5000);

    // Newer, with contents of the same size: replaced whole.
    writeFile(source("Tool.app/Contents/MacOS/tool"), "version 2");
    setTime(source("Tool.app"), timeOf(copy("Tool.app")) + 10);
    runBackup();
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(filetest::readFile(copy("Tool.app/Contents/MacOS/tool")), "version 2");
    EXPECT_EQ(shown.FilesUpdated, 1);
    EXPECT_EQ(shown.FilesCopied, 0);
    EXPECT_EQ(errorMessages(), kCleanRun);
    expectIdleLook("Complete");
}

// A document saved as a package before and as a flat file now: its package copy is replaced
// by the file, and the next run leaves the file's copy alone.
TEST_F(CopyAndReplace, AFileWhoseOlderCopyIsAPackageReplacesThePackageCopy) {
    writeOneSet();
    makePackage(source("doc.pages"), "saved as a package");
    mainwindow::MainWindow& shown = window();
    runBackup();
    ASSERT_TRUE(std::filesystem::is_directory(copy("doc.pages")));

    std::filesystem::remove_all(source("doc.pages"));
    writeFile(source("doc.pages"), "saved as one file", timeOf(copy("doc.pages")) + 60);
    runBackup();

    EXPECT_EQ(errorMessages(), kCleanRun);
    EXPECT_EQ(shown.FilesUpdated, 1);
    EXPECT_EQ(filetest::readFile(copy("doc.pages")), "saved as one file");
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_TRUE(temporariesBelow(path("dst")).empty());

    runBackup();
    EXPECT_EQ(shown.FilesUpdated, 0);
}

TEST_F(CopyAndReplace, APackageWithALinkBackIntoItselfIsMeasuredWithoutLooping) {
    writeOneSet();
    makePackage(source("Loop.app"), "loops");
    filetest::makeLink("..", source("Loop.app/Contents/Resources/up"));
    filetest::makeLink("../../..", source("Loop.app/Contents/MacOS/top"));
    mainwindow::MainWindow& shown = window();

    runBackup();
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(shown.FilesCopied, 1);

    const TreeListing written = fileIdentities(path("dst/src"));
    runBackup();
    EXPECT_EQ(fileIdentities(path("dst/src")), written);
    EXPECT_EQ(shown.FilesUpdated, 0);
    EXPECT_EQ(errorMessages(), kCleanRun);
}

} // namespace
