#include "fw/FileTestSupport.h"
#include "fw/Text.h"
#include "RunFixture.h"
#include "support/DialogDriver.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

using backup_test::addSet;
using filetest::makeFolder;

namespace {

QString crText(const std::string& text) {
    return fw::toQString(text);
}

} // namespace

TEST(CheckSets, RefusesARunWithoutSets) {
    auto seen = answerNextDialog("OK");
    EXPECT_FALSE(MainWindow().checkSets());
    ASSERT_TRUE(seen->answered);
    EXPECT_EQ(seen->text, "You don't have any sets to backup!");
    EXPECT_EQ(seen->buttons, QStringList{"OK"});
}

TEST(CheckSets, ReportsEveryProblemOfEveryEnabledSetInSetOrder) {
    filetest::TempFolder temp;
    makeFolder(temp / "First");
    makeFolder(temp / "Fine");
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, temp / "First", std::nullopt);
    addSet(window, temp / "Off", std::nullopt, false);
    addSet(window, temp / "Gone", temp / "NoDestination");
    addSet(window, temp / "Fine", temp.path());
    std::vector<std::shared_ptr<SeenDialog>> seen;
    for (int i = 0; i < 3; ++i)
        seen.push_back(answerNextDialog("OK"));

    EXPECT_FALSE(window.checkSets());

    for (const auto& dialog : seen)
        ASSERT_TRUE(dialog->answered);
    EXPECT_EQ(seen[0]->text, crText("You have not got a destination folder for set : First\r\r"));
    EXPECT_EQ(seen[1]->text, crText("Cannot find destination folder!\r\r" +
                                    window.makeTextPath(*window.DestinationFolder[2])));
    EXPECT_EQ(seen[2]->text, crText("Cannot find source folder for set 'Gone' !\r\r" +
                                    window.makeTextPath(window.Sets[2])));
    EXPECT_TRUE(waitForDialogs(500)) << "a dialog too many";
}

TEST(CheckSets, PassesWhenNoSetIsEnabled) {
    filetest::TempFolder temp;
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, temp / "Gone", std::nullopt, false);
    EXPECT_TRUE(window.checkSets());
}

TEST(StartBackup, ARefusedStartChangesNothing) {
    filetest::TempFolder temp;
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, temp / "Gone", temp.path());
    window.ErrorList = {"2012-03-15 13:45:07 - Started Backup"};
    window.ErrorCount = 4;
    window.Changed = true;
    window.stx_status->setText("Complete");
    auto seen = answerNextDialog("OK");

    window.btn_Backup->click();

    ASSERT_TRUE(seen->answered);
    EXPECT_EQ(window.ErrorList, std::vector<std::string>{"2012-03-15 13:45:07 - Started Backup"});
    EXPECT_EQ(window.ErrorCount, 4);
    EXPECT_TRUE(window.Changed);
    EXPECT_FALSE(window.BackingUp);
    EXPECT_EQ(window.stx_status->text(), "Complete");
    EXPECT_EQ(window.btn_Backup->text(), "Start Backup");
    EXPECT_FALSE(window.tmrNoSleep->isActive());
}

TEST(StartBackup, RunsTheSleepGuardWithTheTimersPeriodOnlyWhileTheRunLasts) {
    filetest::TempFolder temp;
    makeFolder(temp / "Work");
    filetest::writeFile(temp / "Work/a", "a");
    makeFolder(temp / "dest");
    mainwindow::MainWindow& window = MainWindow();
    window.tmrNoSleep->setInterval(40);
    addSet(window, temp / "Work", temp / "dest");
    window.ErrorCount = 3;
    auto complete = answerNextDialog("OK");

    window.btn_Backup->click();

    EXPECT_TRUE(window.BackingUp);
    EXPECT_EQ(window.btn_Backup->text(), "Cancel");
    EXPECT_EQ(window.ErrorCount, 0);
    EXPECT_FALSE(window.Changed);
    EXPECT_TRUE(window.tmrNoSleep->isActive());
    EXPECT_EQ(window.tmrNoSleep->interval(), 40);
    ASSERT_TRUE(backup_test::waitUntilIdle(window));
    ASSERT_TRUE(complete->answered);
    EXPECT_FALSE(window.tmrNoSleep->isActive());
    EXPECT_EQ(backup_test::entryTexts(window),
              (std::vector<std::string>{"Started Backup", "Finished Backup"}));
    EXPECT_EQ(filetest::readFile(temp / "dest/Work/a"), "a");
}

TEST(BackupPage, ClearsThePanelAfterAChangeAndOffersStartOnlyWithAnEnabledSet) {
    filetest::TempFolder temp;
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, temp.path(), temp.path(), false);
    window.TabPanel1->setCurrentIndex(0);
    window.Changed = true;
    window.stx_status->setText("Complete");
    window.stx_fileCount->setText("12");
    window.prb_Progress->setValue(100);

    window.TabPanel1->setCurrentIndex(2);

    EXPECT_EQ(window.stx_status->text(), "Ready");
    EXPECT_EQ(window.stx_fileCount->text(), "-");
    EXPECT_EQ(window.prb_Progress->value(), 0);
    EXPECT_TRUE(window.Changed);
    EXPECT_FALSE(window.btn_Backup->isEnabled());

    window.setEnable[0] = true;
    window.Changed = false;
    window.stx_status->setText("Complete");
    window.TabPanel1->setCurrentIndex(1);
    window.TabPanel1->setCurrentIndex(2);
    EXPECT_EQ(window.stx_status->text(), "Complete");
    EXPECT_TRUE(window.btn_Backup->isEnabled());
}
