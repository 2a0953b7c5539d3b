#include "fw/Canvas.h"
#include "mainwindow/MainWindow.h"
#include "sets/SetsTesting.h"
#include "support/AsUser.h"
#include "support/DialogDriver.h"
#include "support/PackageCopy.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <sys/stat.h>

using namespace sets_testing;

namespace {

const QStringList designLadder(7, "-");

// What every opening leaves, whatever the settings file held.
void expectIdleWindow(mainwindow::MainWindow& window) {
    EXPECT_EQ(window.softwareName, "Tolvane");
    EXPECT_EQ(window.windowTitle(), "Tolvane");
    EXPECT_FALSE(window.stx_Scrolling->isVisibleTo(&window));
    EXPECT_FALSE(window.tmrNoSleep->isActive());
    EXPECT_TRUE(window.cvs_middle->Backdrop().isNull());
    EXPECT_FALSE(window.cvs_topRight->Backdrop().isNull());
    EXPECT_TRUE(window.Changed);
    EXPECT_FALSE(window.BackingUp);
}

TEST(Opening, FirstStartWritesAFreshFileAndLeavesTheDesignDisplay) {
    ASSERT_FALSE(QFile::exists(settingsPath()));
    mainwindow::MainWindow& window = ::MainWindow();

    expectIdleWindow(window);
    EXPECT_FALSE(window.Backdrop().isNull());
    EXPECT_EQ(settingsLines(), QStringList({"cont:", "ext:"}));
    EXPECT_EQ(window.pmn_Sets->count(), 0);
    EXPECT_EQ(ladderTexts(window.stx_setPath), designLadder);
    EXPECT_EQ(ladderTexts(window.stx_destPath), designLadder);
    EXPECT_FALSE(window.btn_Destination->isEnabled());
    EXPECT_TRUE(window.chb_enableSet->isEnabled());
    EXPECT_FALSE(window.chb_enableSet->isChecked());
}

TEST(Opening, ThreeSetsFillThePopupAndShowTheFirst) {
    QTemporaryDir root;
    const QString one = makeFolder(root.path(), "one");
    const QString two = makeFolder(root.path(), "two");
    const QString three = makeFolder(root.path(), "three");
    const QString copies = makeFolder(root.path(), "copies");
    const QStringList lines = {setLine(true, one, copies), setLine(false, two),
                               setLine(true, three, copies), "cont:", "ext:"};
    writeSettings(lines);
    mainwindow::MainWindow& window = ::MainWindow();

    expectIdleWindow(window);
    EXPECT_EQ(popupRows(*window.pmn_Sets), QStringList({"√ one", "- two", "√ three"}));
    EXPECT_EQ(window.pmn_Sets->currentIndex(), 0);
    EXPECT_TRUE(ladderTexts(window.stx_setPath).contains(":…one"));
    EXPECT_TRUE(ladderTexts(window.stx_destPath).contains(":…copies"));
    EXPECT_TRUE(window.btn_Destination->isEnabled());
    EXPECT_TRUE(window.chb_enableSet->isEnabled());
    EXPECT_TRUE(window.chb_enableSet->isChecked());
    EXPECT_EQ(settingsLines(), lines);
}

TEST(Opening, FileWithoutSetsShowsTheNoSetDisplay) {
    writeSettings({"cont:cache?", "ext:"});
    mainwindow::MainWindow& window = ::MainWindow();

    expectIdleWindow(window);
    EXPECT_EQ(window.pmn_Sets->count(), 0);
    EXPECT_EQ(window.pmn_Sets->currentIndex(), -1);
    EXPECT_EQ(ladderTexts(window.stx_setPath),
              QStringList({"Please add a backup set", "", "", "", "", "", ""}));
    EXPECT_EQ(ladderTexts(window.stx_destPath), QStringList({"-", "", "", "", "", "", ""}));
    EXPECT_FALSE(window.chb_enableSet->isEnabled());
    EXPECT_FALSE(window.chb_enableSet->isChecked());
    EXPECT_FALSE(window.btn_Destination->isEnabled());
}

// Builds the window with a folder named `inside` standing in the settings file's place, and
// gives the message the opening showed.
QString openOverAFolderInThePlaceOfTheFile(const QString& inside) {
    EXPECT_TRUE(QDir().mkpath(settingsPath() + "/" + inside));
    const auto told = answerNextDialog("OK");
    ::MainWindow();
    EXPECT_TRUE(waitForDialogs());
    return told->text;
}

TEST(Opening, UnreadableFilesAreKeptUnderFreeNamesAndTheUserIsTold) {
    const QString first = openOverAFolderInThePlaceOfTheFile("first");
    EXPECT_TRUE(first.contains(colonPath(settingsPath() + ".unreadable") + "."))
        << first.toStdString();
    EXPECT_EQ(::MainWindow().pmn_Sets->count(), 0);
    EXPECT_EQ(settingsLines(), QStringList({"cont:", "ext:"}));

    delete &::MainWindow();
    ASSERT_TRUE(QFile::remove(settingsPath()));
    const QString second = openOverAFolderInThePlaceOfTheFile("second");
    EXPECT_TRUE(second.contains(colonPath(settingsPath() + ".unreadable.2")))
        << second.toStdString();
    EXPECT_TRUE(QFileInfo(settingsPath() + ".unreadable/first").isDir());
    EXPECT_TRUE(QFileInfo(settingsPath() + ".unreadable.2/second").isDir());
    EXPECT_EQ(settingsLines(), QStringList({"cont:", "ext:"}));
}

// Permission bits bind only an ordinary user: the test case runs again as one.
TEST(Opening, SettingsFileTheUserMayNotReadIsLeftAloneAndChangesStayInMemory) {
    if (!asuser::inUserSide()) {
        if (const std::string reason = asuser::unavailableReason(); !reason.empty())
            GTEST_SKIP() << "needs a user that permissions bind: " << reason;
        QTemporaryDir shared;
        makeFolder(shared.path(), "source");
        asuser::shareWithUser(shared.path().toStdString());
        ASSERT_EQ(asuser::runThisTestAsUser(shared.path().toStdString()), asuser::kPassed);
        return;
    }
    const QByteArray stored = "cont:kept?\next:\n";
    writeSettingsBytes(stored);
    const QByteArray file = QFile::encodeName(settingsPath());
    ASSERT_EQ(chmod(file.constData(), 0), 0);
    const auto told = answerNextDialog("OK");
    mainwindow::MainWindow& window = ::MainWindow();
    ASSERT_TRUE(waitForDialogs());
    EXPECT_TRUE(told->text.startsWith("Tolvane may not read its settings file " +
                                      colonPath(settingsPath()).chopped(1) + "."))
        << told->text.toStdString();

    chooseFolderInNextDialog(QString::fromStdString(asuser::sharedFolder()) + "/source");
    window.btn_New->click();
    ASSERT_TRUE(waitForDialogs());
    typeAndPress(window, "new", window.btn_AddToContains);
    EXPECT_EQ(popupRows(*window.pmn_Sets), QStringList({"√ source"}));
    EXPECT_EQ(listRows(*window.lsb_Contains), QStringList({"new"}));

    struct stat status = {};
    ASSERT_EQ(stat(file.constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0u);
    EXPECT_EQ(QDir(QFileInfo(settingsPath()).path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"settings"}));
    ASSERT_EQ(chmod(file.constData(), 0600), 0);
    EXPECT_EQ(settingsBytes(), stored);
}

// The opening in a package copy whose Resources folder lacks the window's backdrop.
constexpr char kScenarioVariable[] = "TOLVANE_OPENING_SCENARIO";

TEST(OpeningInPackageCopy, WithoutBackground) {
    if (qgetenv(kScenarioVariable) != "no-background")
        GTEST_SKIP() << "runs inside a package copy started by the test below";
    QTemporaryDir root;
    const QString source = makeFolder(root.path(), "source");
    mainwindow::MainWindow& window = ::MainWindow();

    EXPECT_TRUE(window.Backdrop().isNull());
    expectIdleWindow(window);
    EXPECT_EQ(settingsLines(), QStringList({"cont:", "ext:"}));
    chooseFolderInNextDialog(source);
    window.btn_New->click();
    ASSERT_TRUE(waitForDialogs());
    EXPECT_EQ(popupRows(*window.pmn_Sets), QStringList({"√ source"}));
    EXPECT_EQ(settingsLines(), QStringList({setLine(true, source), "cont:", "ext:"}));
}

TEST(Opening, MissingBackgroundPictureLeavesTheBackdropEmptyAndAllElseWorking) {
    PackageCopy package;
    ASSERT_TRUE(package.copied());
    for (const char* picture :
         {"hard_drive.jpg", "hard_drive2.jpg", "backup_drive.jpg", "help_background.jpg"})
        ASSERT_TRUE(QFile::copy(QDir(TOLVANE_RESOURCES_DIR).filePath(picture),
                                package.resources().filePath(picture)));
    QString output;
    EXPECT_TRUE(package.run("OpeningInPackageCopy.WithoutBackground", kScenarioVariable,
                            "no-background", output))
        << output.toStdString();
}

} // namespace
