#include "fw/Canvas.h"
#include "fw/FileTestSupport.h"
#include "fw/FolderItem.h"
#include "fw/Text.h"
#include "RunFixture.h"
#include "support/DialogDriver.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

using backup_test::addSet;
using backup_test::entryTexts;
using backup_test::listItems;
using backup_test::runCopyPass;
using filetest::exists;
using filetest::makeFolder;
using filetest::readFile;
using filetest::writeFile;

using Texts = std::vector<std::string>;

namespace {

// The colon path of a destination item as error entries name it.
std::string colonPath(const std::string& nativePath) {
    return fw::FolderItem::fromNativePath(nativePath).AbsolutePath();
}

void setSeconds(const std::string& path, time_t seconds) {
    filetest::setTimes(path, {seconds, 0});
}

QString errorsMessage(int count) {
    return fw::toQString("There were " + std::to_string(count) + " errors during backup!\r\r" +
                         "Do you want to save the error list?\r");
}

void expectIdleLook(const mainwindow::MainWindow& window) {
    EXPECT_FALSE(window.BackingUp);
    EXPECT_EQ(window.btn_Backup->text(), "Start Backup");
    EXPECT_EQ(window.stx_status->text(), "Complete");
    EXPECT_EQ(window.prb_Progress->value(), 100);
    EXPECT_FALSE(window.stx_Scrolling->isVisibleTo(window.stx_Scrolling->parentWidget()));
    EXPECT_TRUE(window.cvs_middle->Backdrop().isNull());
}

} // namespace

TEST(CopyPass, AnItemGoneBeforeItsTurnIsOneErrorAndThePassGoesOn) {
    filetest::TempFolder temp;
    const std::string src = temp / "Work";
    makeFolder(src);
    makeFolder(temp / "dest");
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        writeFile(src + "/" + name, name);
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, src, temp / "dest");
    listItems(window);
    auto complete = answerNextDialog("OK");
    ASSERT_TRUE(runCopyPass(window));
    ASSERT_TRUE(complete->answered);
    EXPECT_EQ(complete->text, "Backup Complete");

    // a.txt has a copy, c.txt none; both are gone from the source when their turn comes.
    ASSERT_EQ(::unlink((temp / "dest/Work/c.txt").c_str()), 0);
    writeFile(src + "/b.txt", "newer b");
    setSeconds(src + "/b.txt", time(nullptr) + 10);
    listItems(window);
    ASSERT_EQ(::unlink((src + "/a.txt").c_str()), 0);
    ASSERT_EQ(::unlink((src + "/c.txt").c_str()), 0);
    auto errors = answerNextDialog("No");
    ASSERT_TRUE(runCopyPass(window));

    ASSERT_TRUE(errors->answered);
    EXPECT_EQ(errors->title, "Errors");
    EXPECT_EQ(errors->text, errorsMessage(2));
    EXPECT_EQ(errors->buttons, (QStringList{"No", "Yes"}));
    EXPECT_EQ(errors->defaultButton, "No");
    EXPECT_EQ(
        entryTexts(window),
        (Texts{"Started Backup", "Could not check - " + colonPath(temp / "dest/Work/a.txt"),
               "Could not copy - " + colonPath(temp / "dest/Work/c.txt"), "Finished Backup"}));
    EXPECT_EQ(window.ErrorCount, 2);
    EXPECT_EQ(window.FilesUpdated, 1);
    EXPECT_EQ(readFile(temp / "dest/Work/b.txt"), "newer b");
    EXPECT_EQ(window.stx_files->text(), "3 / 3");
    expectIdleLook(window);
}

TEST(CopyPass, ACopyThatCannotBeRemovedIsTwoEntriesAndOneError) {
    filetest::TempFolder temp;
    const std::string src = temp / "Work";
    makeFolder(src);
    writeFile(src + "/plan.doc", "new plan");
    setSeconds(src + "/plan.doc", 2'000'000'000);
    makeFolder(temp / "dest");
    makeFolder(temp / "dest/Work");
    makeFolder(temp / "dest/Work/plan.doc");
    writeFile(temp / "dest/Work/plan.doc/keep", "k");
    setSeconds(temp / "dest/Work/plan.doc", 1'000'000'000);
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, src, temp / "dest");
    listItems(window);
    auto errors = answerNextDialog("No");

    ASSERT_TRUE(runCopyPass(window));

    ASSERT_TRUE(errors->answered);
    EXPECT_EQ(errors->text, errorsMessage(1));
    const std::string copy = colonPath(temp / "dest/Work/plan.doc");
    EXPECT_EQ(entryTexts(window),
              (Texts{"Started Backup", "Could not remove - " + copy,
                     "Could not remove - " + copy + "so couldn't write new", "Finished Backup"}));
    EXPECT_EQ(window.ErrorCount, 1);
    EXPECT_EQ(window.FilesUpdated, 0);
    EXPECT_EQ(readFile(temp / "dest/Work/plan.doc/keep"), "k");
}

TEST(CopyPass, ANewPackageWithALinkLoopIsMeasuredOnceAndCopiedWhole) {
    filetest::TempFolder temp;
    const std::string src = temp / "Apps";
    makeFolder(src);
    makeFolder(src + "/Loop.app");
    writeFile(src + "/Loop.app/binary", std::string(1234, 'b'));
    makeFolder(src + "/Loop.app/Contents");
    filetest::makeLink("..", src + "/Loop.app/Contents/up");
    makeFolder(temp / "dest");
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, src, temp / "dest");
    listItems(window);
    auto complete = answerNextDialog("OK");

    ASSERT_TRUE(runCopyPass(window));

    ASSERT_TRUE(complete->answered);
    EXPECT_EQ(window.FilesCopied, 1);
    EXPECT_EQ(window.TotalFileSize, 1234u);
    EXPECT_EQ(window.stx_DataWritten->text(), "1 Kb");
    EXPECT_EQ(readFile(temp / "dest/Apps/Loop.app/binary"), std::string(1234, 'b'));
    EXPECT_TRUE(
        S_ISLNK(filetest::statusOf(temp / "dest/Apps/Loop.app/Contents/up", false).st_mode));
}

TEST(CopyPass, ASetFolderThatCannotBeMadeLeavesTheItemsToFailOneByOne) {
    filetest::TempFolder temp;
    const std::string src = temp / "Work";
    makeFolder(src);
    writeFile(src + "/note.txt", "n");
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, src, temp / "removed-after-the-checks");
    listItems(window);
    auto errors = answerNextDialog("No");

    ASSERT_TRUE(runCopyPass(window));

    ASSERT_TRUE(errors->answered);
    EXPECT_EQ(
        entryTexts(window),
        (Texts{"Started Backup",
               "Could not copy - " + colonPath(temp / "removed-after-the-checks/Work/note.txt"),
               "Could not save to disk - " + colonPath(temp / "removed-after-the-checks"),
               "Finished Backup"}));
    EXPECT_EQ(window.ErrorCount, 2);
    expectIdleLook(window);
}

// The pass's errors, with a folder that must be created where a file stands.
class SavingTheErrorList : public ::testing::Test {
protected:
    void SetUp() override {
        makeFolder(src);
        makeFolder(src + "/Sub");
        writeFile(src + "/Sub/inner.txt", "i");
        makeFolder(temp / "dest");
        makeFolder(temp / "dest/Work");
        writeFile(temp / "dest/Work/Sub", "a file where a folder belongs");
        addSet(window, src, temp / "dest");
        listItems(window);
    }

    std::string desktop() const {
        return fw::SpecialFolder(fw::SpecialFolderKind::Desktop).nativePath();
    }

    filetest::TempFolder temp;
    const std::string src = temp / "Work";
    mainwindow::MainWindow& window = MainWindow();
};

TEST_F(SavingTheErrorList, WritesTheFileAndConfirms) {
    ASSERT_TRUE(QDir().mkpath(fw::toQString(desktop())));
    auto errors = answerNextDialog("Yes");
    auto confirmation = answerNextDialog("OK");

    ASSERT_TRUE(runCopyPass(window));

    ASSERT_TRUE(errors->answered);
    ASSERT_TRUE(confirmation->answered);
    EXPECT_EQ(confirmation->text, "Error list has been saved to your Desktop");
    const std::vector<std::string> files = filetest::namesIn(desktop());
    ASSERT_EQ(files.size(), 1u);
    std::string expected = "Error List\n\n";
    for (const std::string& entry : window.ErrorList)
        expected += entry + "\n";
    EXPECT_EQ(readFile(desktop() + "/" + files[0]), expected);
    EXPECT_EQ(window.ErrorList.size(), 3u);
    expectIdleLook(window);
}

TEST_F(SavingTheErrorList, ReportsAFailureWithItsReasonAndStillEndsTheRun) {
    ASSERT_FALSE(exists(desktop()));
    auto errors = answerNextDialog("Yes");
    auto report = answerNextDialog("OK");

    ASSERT_TRUE(runCopyPass(window));

    ASSERT_TRUE(errors->answered);
    ASSERT_TRUE(report->answered);
    const QString heading = fw::toQString("The error list could not be saved to your Desktop.\r\r");
    EXPECT_TRUE(report->text.startsWith(heading)) << report->text.toStdString();
    EXPECT_GT(report->text.size(), heading.size()) << "the reason is missing";
    EXPECT_FALSE(exists(desktop()));
    expectIdleLook(window);
}
