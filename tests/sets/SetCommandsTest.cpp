#include "mainwindow/MainWindow.h"
#include "sets/SetsTesting.h"
#include "support/DialogDriver.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>

using namespace sets_testing;

namespace {

QStringList sourcePaths(const mainwindow::MainWindow& window) {
    QStringList paths;
    for (const fw::FolderItem& source : window.Sets)
        paths << QString::fromStdString(source.AbsolutePath());
    return paths;
}

// Presses "Destination" and chooses `folder`; the message box the choice brings, if any, is
// answered and its text returned.
QString chooseDestination(mainwindow::MainWindow& window, const QString& folder,
                          bool expectMessage) {
    const auto chooser = chooseFolderInNextDialog(folder);
    const auto message = expectMessage ? answerNextDialog("OK") : nullptr;
    window.btn_Destination->click();
    EXPECT_TRUE(waitForDialogs());
    EXPECT_TRUE(chooser->answered);
    EXPECT_EQ(chooser->title, "Destination folder");
    EXPECT_EQ(chooser->text, "Please select a destination folder");
    return message ? message->text : QString();
}

// Presses "Remove" and answers the confirmation with `answer`.
std::shared_ptr<SeenDialog> removeCurrentSet(mainwindow::MainWindow& window,
                                             const QString& answer) {
    const auto confirmation = answerNextDialog(answer);
    window.btn_Delete->click();
    EXPECT_TRUE(waitForDialogs());
    EXPECT_TRUE(confirmation->answered);
    return confirmation;
}

class SetCommands : public ::testing::Test {
protected:
    QString folder(const QString& relative) { return makeFolder(root_.path(), relative); }

private:
    QTemporaryDir root_;
};

TEST_F(SetCommands, NewSetAppendsAnEnabledRowSelectsItAndSaves) {
    const QString first = folder("Projects");
    const QString second = folder("Mail ünd Post");
    mainwindow::MainWindow& window = ::MainWindow();
    window.Changed = false;

    const auto chooser = chooseFolderInNextDialog(first);
    window.btn_New->click();
    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(chooser->title, "Source folder");
    EXPECT_EQ(chooser->text, "Please select a source folder");
    chooseFolderInNextDialog(second);
    window.btn_New->click();
    ASSERT_TRUE(waitForDialogs());

    EXPECT_EQ(popupRows(*window.pmn_Sets), QStringList({"√ Projects", "√ Mail ünd Post"}));
    EXPECT_EQ(window.pmn_Sets->currentIndex(), 1);
    EXPECT_EQ(window.setEnable, (std::vector<bool>{true, true}));
    ASSERT_EQ(window.DestinationFolder.size(), 2u);
    EXPECT_FALSE(window.DestinationFolder[1].has_value());
    EXPECT_TRUE(ladderTexts(window.stx_setPath).contains(":…Mail ünd Post"));
    EXPECT_EQ(window.stx_destPath[0]->text(), "none selected");
    EXPECT_TRUE(window.btn_Destination->isEnabled());
    EXPECT_TRUE(window.chb_enableSet->isChecked());
    EXPECT_FALSE(window.Changed);
    EXPECT_EQ(settingsLines(),
              QStringList({setLine(true, first), setLine(true, second), "cont:", "ext:"}));
}

TEST_F(SetCommands, CancelledChooserAddsNothingButSelectsTheLastRowAndSaves) {
    const QString a = folder("a");
    const QString b = folder("b");
    writeSettings({setLine(true, a), setLine(false, b, a), "cont:", "ext:", "a line to drop"});
    mainwindow::MainWindow& window = ::MainWindow();
    ASSERT_EQ(window.pmn_Sets->currentIndex(), 0);

    const auto chooser = cancelNextFolderDialog();
    window.btn_New->click();
    ASSERT_TRUE(waitForDialogs());
    EXPECT_TRUE(chooser->answered);
    EXPECT_EQ(window.Sets.size(), 2u);
    EXPECT_EQ(window.pmn_Sets->currentIndex(), 1);
    EXPECT_FALSE(window.chb_enableSet->isChecked());
    EXPECT_EQ(settingsLines(),
              QStringList({setLine(true, a), setLine(false, b, a), "cont:", "ext:"}));

    // A cancelled destination chooser changes nothing and saves nothing.
    writeSettings({"untouched"});
    cancelNextFolderDialog();
    window.btn_Destination->click();
    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(settingsLines(), QStringList({"untouched"}));
    EXPECT_EQ(QString::fromStdString(window.DestinationFolder[1]->AbsolutePath()), colonPath(a));
}

TEST_F(SetCommands, FolderWhosePathTheFileCannotHoldIsRefusedAndChangesNothing) {
    const QString source = folder("source");
    folder("Backup");
    const QStringList lines = {setLine(true, source), "cont:", "ext:"};
    writeSettings(lines);
    mainwindow::MainWindow& window = ::MainWindow();
    window.Changed = false;

    const std::pair<const char*, const char*> refused[] = {
        {"what?", "a \"?\""}, {"Backup\nOld", "a line break"}, {"Backup\rOld", "a line break"}};
    for (const auto& [name, reason] : refused) {
        SCOPED_TRACE(name);
        const QString odd = folder(name);
        chooseFolderInNextDialog(odd);
        const auto refusal = answerNextDialog("OK");
        window.btn_New->click();
        ASSERT_TRUE(waitForDialogs());
        EXPECT_TRUE(refusal->text.contains(reason)) << refusal->text.toStdString();
        EXPECT_TRUE(chooseDestination(window, odd, true).contains(reason));
    }
    EXPECT_EQ(popupRows(*window.pmn_Sets), QStringList({"√ source"}));
    EXPECT_FALSE(window.DestinationFolder[0].has_value());
    EXPECT_FALSE(window.DestFolder.has_value());
    EXPECT_FALSE(window.Changed);
    EXPECT_EQ(settingsLines(), lines);

    mainwindow::MainWindow& again = startAgain();
    EXPECT_EQ(popupRows(*again.pmn_Sets), QStringList({"√ source"}));
    EXPECT_EQ(again.stx_destPath[0]->text(), "none selected");
}

TEST_F(SetCommands, DestinationOverlappingTheSourceIsRejectedAndASiblingAccepted) {
    const QString source = folder("work/src");
    const QString inside = folder("work/src/sub");
    const QString sibling = folder("work/src2");
    const QString parent = source.section('/', 0, -2);
    writeSettings({setLine(true, source), "cont:", "ext:"});
    mainwindow::MainWindow& window = ::MainWindow();
    window.Changed = false;

    EXPECT_EQ(chooseDestination(window, sibling, false), QString());
    EXPECT_TRUE(window.Changed);
    EXPECT_EQ(settingsLines()[0], setLine(true, source, sibling));
    EXPECT_TRUE(ladderTexts(window.stx_destPath).contains(":…src2"));

    struct Rejection {
        QString folder;
        QString message;
    };
    const Rejection rejections[] = {
        {source, "The selected folder is the same as the source folder!"},
        {inside, "The selected folder is inside the source folder!"},
        {parent, "The selected folder contains the source folder!"},
    };
    for (const Rejection& rejection : rejections) {
        SCOPED_TRACE(rejection.message.toStdString());
        chooseFolderInNextDialog(sibling);
        window.btn_Destination->click();
        ASSERT_TRUE(waitForDialogs());
        ASSERT_TRUE(window.DestinationFolder[0].has_value());
        window.Changed = false;

        EXPECT_EQ(chooseDestination(window, rejection.folder, true), rejection.message);
        EXPECT_FALSE(window.DestinationFolder[0].has_value());
        EXPECT_FALSE(window.Changed);
        EXPECT_EQ(window.stx_destPath[0]->text(), "none selected");
        EXPECT_EQ(settingsLines(), QStringList({setLine(true, source), "cont:", "ext:"}));
    }
}

TEST_F(SetCommands, OverlapIsJudgedOnTheFoldersLinksLeadTo) {
    const QString source = folder("work/src");
    const QString inside = folder("work/src/sub");
    const QString alias = folder("links") + "/alias";
    ASSERT_TRUE(QFile::link(source, alias));
    mainwindow::MainWindow& window = ::MainWindow();

    chooseFolderInNextDialog(source);
    window.btn_New->click();
    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(chooseDestination(window, alias + "/sub", true),
              "The selected folder is inside the source folder!");
    EXPECT_EQ(chooseDestination(window, alias, true),
              "The selected folder is the same as the source folder!");

    // A source chosen through the link holds what the folder it leads to holds.
    chooseFolderInNextDialog(alias);
    window.btn_New->click();
    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(chooseDestination(window, inside, true),
              "The selected folder is inside the source folder!");
    EXPECT_EQ(chooseDestination(window, folder("work"), true),
              "The selected folder contains the source folder!");

    const QStringList lines = {setLine(true, source), setLine(true, alias), "cont:", "ext:"};
    EXPECT_EQ(settingsLines(), lines);
    mainwindow::MainWindow& again = startAgain();
    EXPECT_EQ(popupRows(*again.pmn_Sets), QStringList({"√ src", "√ alias"}));
    EXPECT_EQ(again.stx_destPath[0]->text(), "none selected");
    EXPECT_EQ(settingsLines(), lines);
}

TEST_F(SetCommands, ChosenFoldersThatGoMissingKeepTheColonOfAFolder) {
    const QString source = folder("source");
    const QString backup = folder("drive/backup");
    mainwindow::MainWindow& window = ::MainWindow();
    chooseFolderInNextDialog(source);
    window.btn_New->click();
    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(chooseDestination(window, backup, false), QString());

    // Both unplugged, then the set is disabled, which saves.
    ASSERT_TRUE(QDir(source).removeRecursively());
    ASSERT_TRUE(QDir(backup).removeRecursively());
    window.chb_enableSet->click();
    const QStringList sourceLadder = ladderTexts(window.stx_setPath);
    const QStringList destinationLadder = ladderTexts(window.stx_destPath);
    EXPECT_TRUE(sourceLadder.contains(":…source"));
    EXPECT_TRUE(destinationLadder.contains(":…backup"));
    EXPECT_EQ(settingsLines(), QStringList({setLine(false, source, backup), "cont:", "ext:"}));

    mainwindow::MainWindow& again = startAgain();
    EXPECT_EQ(ladderTexts(again.stx_setPath), sourceLadder);
    EXPECT_EQ(ladderTexts(again.stx_destPath), destinationLadder);
    again.chb_enableSet->click();
    EXPECT_EQ(settingsLines(), QStringList({setLine(true, source, backup), "cont:", "ext:"}));
}

TEST_F(SetCommands, RemoveAsksAndOnlyYesRemoves) {
    const QString a = folder("a");
    writeSettings({setLine(true, a), "cont:", "ext:", "a line to drop"});
    mainwindow::MainWindow& window = ::MainWindow();
    window.Changed = false;

    const auto asked = removeCurrentSet(window, "No");
    EXPECT_EQ(asked->title, "Delete?");
    EXPECT_EQ(asked->text, "Are you sure you want to remove this backup set\n\na ?\n\n");
    EXPECT_EQ(asked->buttons, QStringList({"No", "Yes"}));
    EXPECT_EQ(asked->defaultButton, "No");
    EXPECT_EQ(asked->icon, QMessageBox::Question);
    EXPECT_EQ(window.Sets.size(), 1u);
    EXPECT_FALSE(window.Changed);
    EXPECT_EQ(settingsLines(), QStringList({setLine(true, a), "cont:", "ext:"}));

    removeCurrentSet(window, "Yes");
    EXPECT_TRUE(window.Sets.empty());
    EXPECT_TRUE(window.DestinationFolder.empty());
    EXPECT_TRUE(window.setEnable.empty());
    EXPECT_EQ(window.pmn_Sets->count(), 0);
    EXPECT_EQ(window.pmn_Sets->currentIndex(), -1);
    EXPECT_FALSE(window.chb_enableSet->isChecked());
    EXPECT_FALSE(window.chb_enableSet->isEnabled());
    EXPECT_FALSE(window.btn_Destination->isEnabled());
    EXPECT_EQ(window.stx_setPath[0]->text(), "Please add a backup set");
    EXPECT_TRUE(window.Changed);
    EXPECT_EQ(settingsLines(), QStringList({"cont:", "ext:"}));

    // With no set left there is nothing to ask, but the file is still rewritten.
    writeSettings({"stale"});
    window.btn_Delete->click();
    EXPECT_EQ(settingsLines(), QStringList({"cont:", "ext:"}));
}

TEST_F(SetCommands, RemovingTheThirdOfFourMovesTheFourthDown) {
    QStringList lines;
    QStringList paths;
    for (const char* name : {"one", "two", "three", "four"}) {
        const QString source = folder(name);
        const QString destination = folder(QStringLiteral("copies/%1").arg(name));
        lines << setLine(QString(name) != "two", source, destination);
        paths << colonPath(source);
    }
    writeSettings(lines + QStringList({"cont:", "ext:"}));
    mainwindow::MainWindow& window = ::MainWindow();
    window.pmn_Sets->setCurrentIndex(2);

    removeCurrentSet(window, "Yes");
    EXPECT_EQ(sourcePaths(window), QStringList({paths[0], paths[1], paths[3]}));
    EXPECT_EQ(window.setEnable, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(
        QString::fromStdString(window.DestinationFolder[2]->AbsolutePath()).endsWith(":four:"));
    EXPECT_EQ(popupRows(*window.pmn_Sets), QStringList({"√ one", "- two", "√ four"}));
    EXPECT_EQ(window.pmn_Sets->currentIndex(), 0);
    EXPECT_TRUE(ladderTexts(window.stx_setPath).contains(":…one"));
    EXPECT_EQ(settingsLines(), QStringList({lines[0], lines[1], lines[3], "cont:", "ext:"}));
}

TEST_F(SetCommands, OneFolderInTwoSetsLosesOnlyTheCurrentSet) {
    const QString shared = folder("shared");
    const QString first = folder("first");
    const QString second = folder("second");
    writeSettings({setLine(true, shared, first), setLine(true, shared, second), "cont:", "ext:"});
    mainwindow::MainWindow& window = ::MainWindow();
    window.pmn_Sets->setCurrentIndex(1);

    removeCurrentSet(window, "Yes");
    EXPECT_EQ(settingsLines(), QStringList({setLine(true, shared, first), "cont:", "ext:"}));
}

TEST_F(SetCommands, EnableSetRewritesTheRowInPlaceAndSaves) {
    const QString a = folder("a");
    const QString b = folder("b");
    writeSettings({setLine(true, a), setLine(false, b, a), "cont:", "ext:"});
    mainwindow::MainWindow& window = ::MainWindow();
    window.pmn_Sets->setCurrentIndex(1);
    ASSERT_FALSE(window.chb_enableSet->isChecked());
    window.Changed = false;

    window.chb_enableSet->click();
    EXPECT_EQ(popupRows(*window.pmn_Sets), QStringList({"√ a", "√ b"}));
    EXPECT_EQ(window.pmn_Sets->currentIndex(), 1);
    EXPECT_EQ(window.setEnable, (std::vector<bool>{true, true}));
    EXPECT_EQ(window.stx_setPath[6]->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_TRUE(window.Changed);
    EXPECT_EQ(settingsLines(),
              QStringList({setLine(true, a), setLine(true, b, a), "cont:", "ext:"}));

    window.chb_enableSet->click();
    EXPECT_EQ(popupRows(*window.pmn_Sets), QStringList({"√ a", "- b"}));
    EXPECT_EQ(window.setEnable, (std::vector<bool>{true, false}));
    EXPECT_EQ(window.stx_setPath[0]->palette().color(QPalette::WindowText), QColor(160, 160, 160));
    EXPECT_EQ(window.stx_destPath[0]->palette().color(QPalette::WindowText), QColor(160, 160, 160));
    EXPECT_EQ(settingsLines(),
              QStringList({setLine(true, a), setLine(false, b, a), "cont:", "ext:"}));
}

TEST_F(SetCommands, OpeningThePopupClearsTheSelectionAndLeavingItRestoresIt) {
    const QString a = folder("a");
    const QString b = folder("b");
    writeSettings({setLine(true, a), setLine(true, b), "cont:", "ext:"});
    mainwindow::MainWindow& window = ::MainWindow();
    window.show();
    window.pmn_Sets->setCurrentIndex(1);

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5),
                      window.pmn_Sets->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(window.pmn_Sets, &press);
    EXPECT_EQ(window.pmnCurrent, 1);
    EXPECT_EQ(window.pmn_Sets->currentIndex(), -1);
    window.pmn_Sets->hidePopup();

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(window.pmn_Sets, &leave);
    EXPECT_EQ(window.pmn_Sets->currentIndex(), 1);
    EXPECT_TRUE(ladderTexts(window.stx_setPath).contains(":…b"));
}

} // namespace
