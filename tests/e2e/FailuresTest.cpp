#include "BackupRun.h"
#include "fw/FileTestSupport.h"
#include "fw/Text.h"
#include "mainwindow/MainWindow.h"
#include "Trees.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

using namespace e2e;

namespace {

using Strings = std::vector<std::string>;

// Failures that root cannot override, met by the copy pass: each becomes an entry in the
// error list, the run goes on, and the end offers to save the list on the Desktop.
class Failures : public BackupRunTest {
protected:
    static std::string desktop() { return QDir::homePath().toStdString() + "/Desktop"; }

    static QString errorsQuestion(int count) {
        return fw::toQString("There were " + std::to_string(count) +
                             " errors during backup!\r\rDo you want to save the error list?\r");
    }

    static void expectErrorsDialog(const SeenDialog& dialog, int count) {
        EXPECT_EQ(dialog.title, "Errors");
        EXPECT_EQ(dialog.text, errorsQuestion(count));
        EXPECT_EQ(dialog.defaultButton, "No");
        EXPECT_EQ(dialog.icon, QMessageBox::Question);
        EXPECT_EQ(::MainWindow().ErrorCount, count);
    }

    // The lines of the one error list file saved on the Desktop.
    static Strings savedLines() {
        const Strings saved = savedErrorLists();
        EXPECT_EQ(saved.size(), 1u);
        if (saved.empty())
            return {};
        EXPECT_TRUE(QRegularExpression(R"(^Tolvane \d{4}-\d\d-\d\d \d\d;\d\d;\d\d$)")
                        .match(QString::fromStdString(saved.front()))
                        .hasMatch())
            << saved.front();
        const std::string content = filetest::readFile(desktop() + "/" + saved.front());
        EXPECT_TRUE(content.ends_with('\n'));
        Strings lines = fw::Split(content, "\n");
        lines.pop_back();
        return lines;
    }

    // What the saved file must hold: the heading, an empty line, then the list as it stands.
    static Strings expectedFileLines() {
        Strings lines = {"Error List", ""};
        for (const std::string& entry : ::MainWindow().ErrorList)
            lines.push_back(entry);
        return lines;
    }
};

TEST_F(Failures, AFileWhereAFolderMustBeCreatedFailsThatFolderAndWhatIsInside) {
    writeOneSet();
    writeFile(source("outer/inner/a.txt"), "cannot be copied");
    writeFile(source("ok.txt"), "copied all the same");
    writeFile(copy("outer"), "a file in the way");
    makeFolders(desktop());
    window();

    const auto errors = runBackupWithErrors("Yes");

    expectErrorsDialog(*errors, 2);
    EXPECT_EQ(
        errorMessages(),
        (Strings{"Started Backup", "Could not create folder - " + colonPath(copy("outer/inner")),
                 "Could not copy - " + colonPath(copy("outer/inner/a.txt")), "Finished Backup"}));
    EXPECT_EQ(savedLines(), expectedFileLines());
    EXPECT_EQ(filetest::readFile(copy("ok.txt")), "copied all the same");
    EXPECT_EQ(filetest::readFile(copy("outer")), "a file in the way");
    EXPECT_EQ(window().FilesCopied, 1);
    expectIdleLook("Complete");
}

TEST_F(Failures, ItemsRemovedBetweenListingAndCopyingAreReportedAndTheRunGoesOn) {
    writeOneSet();
    makeBulkTree(path("src"), 20, 100, 32);
    writeFile(source("zz/has-a-copy.txt"), "copied before");
    writeFile(copy("zz/has-a-copy.txt"), "copied before");
    writeFile(source("zz/new.txt"), "never copied");
    makeFolders(desktop());
    window();

    const auto errors = runBackupWithErrors("No", [this] {
        std::filesystem::remove(source("zz/has-a-copy.txt"));
        std::filesystem::remove(source("zz/new.txt"));
    });

    expectErrorsDialog(*errors, 2);
    EXPECT_EQ(
        errorMessages(),
        (Strings{"Started Backup", "Could not check - " + colonPath(copy("zz/has-a-copy.txt")),
                 "Could not copy - " + colonPath(copy("zz/new.txt")), "Finished Backup"}));
    EXPECT_TRUE(savedErrorLists().empty()) << "saved although the answer was No";
    TreeListing expected = sourceTree();
    expected["zz/has-a-copy.txt"] = copyTree()["zz/has-a-copy.txt"];
    EXPECT_EQ(treeDifference(expected, copyTree()), "");
    EXPECT_EQ(window().FilesCopied, 2000);
    expectIdleLook("Complete");
}

TEST_F(Failures, ACopyThatCannotBeRemovedIsTwoEntriesAndOneErrorAndStaysAsItIs) {
    writeOneSet();
    writeFile(source("plan.doc"), "the newer plan", kBaseTime + 100);
    writeFile(source("other.txt"), "other");
    writeFile(copy("plan.doc/kept.txt"), "a folder where the copy of a file would be");
    setTime(copy("plan.doc"), kBaseTime);
    makeFolders(desktop());
    window();

    const auto errors = runBackupWithErrors("Yes");

    expectErrorsDialog(*errors, 1);
    const std::string copyPath = colonPath(copy("plan.doc"));
    ASSERT_TRUE(copyPath.ends_with(":"));
    EXPECT_EQ(errorMessages(), (Strings{"Started Backup", "Could not remove - " + copyPath,
                                        "Could not remove - " + copyPath + "so couldn't write new",
                                        "Finished Backup"}));
    const Strings lines = savedLines();
    EXPECT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines, expectedFileLines());
    EXPECT_EQ(filetest::readFile(copy("plan.doc/kept.txt")),
              "a folder where the copy of a file would be");
    EXPECT_EQ(window().FilesUpdated, 0);
    EXPECT_EQ(window().FilesCopied, 1);
    expectIdleLook("Complete");
}

TEST_F(Failures, AnErrorListThatCannotBeSavedIsReportedAndTheRunStillEnds) {
    writeOneSet();
    writeFile(source("outer/a.txt"), "cannot be copied");
    writeFile(copy("outer"), "a file in the way");
    writeFile(desktop(), "a file where the Desktop folder should be");
    mainwindow::MainWindow& shown = window();
    const auto errors = answerNextDialog("Yes", kRunTimeoutMs);
    const auto report = answerNextDialog("OK", kRunTimeoutMs);

    shown.btn_Backup->click();

    ASSERT_TRUE(waitUntil([] { return !running(); }, kRunTimeoutMs));
    ASSERT_TRUE(waitForDialogs());
    expectErrorsDialog(*errors, 1);
    EXPECT_TRUE(report->answered);
    EXPECT_NE(report->text, "Error list has been saved to your Desktop");
    EXPECT_FALSE(report->text.isEmpty());
    EXPECT_EQ(filetest::readFile(desktop()), "a file where the Desktop folder should be");
    expectIdleLook("Complete");
}

TEST_F(Failures, AFullDiskFailsTheCopyWithoutLeavingAPartialFile) {
    filetest::SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "no small disk could be mounted here";
    makeFolders(path("src"));
    writeFile(source("big.bin"), std::string(2'000'000, 'b'));
    writeFile(source("small.txt"), "fits");
    writeSettings({{path("src"), disk.folder().path()}});
    window();

    const auto errors = runBackupWithErrors("No");

    expectErrorsDialog(*errors, 1);
    const std::string setFolder = disk.folder().path() + "/src";
    EXPECT_EQ(errorMessages(),
              (Strings{"Started Backup", "Could not copy - " + colonPath(setFolder + "/big.bin"),
                       "Finished Backup"}));
    EXPECT_EQ(filetest::namesIn(setFolder), Strings{"small.txt"});
    EXPECT_EQ(window().TotalFileSize, 4u) << "a copy that failed counts as data written";
    EXPECT_EQ(window().stx_DataWritten->text(), "0 Kb");
    expectIdleLook("Complete");
}

} // namespace
