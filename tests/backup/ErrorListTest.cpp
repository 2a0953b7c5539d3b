#include "backup/ErrorList.h"

#include "fw/FileTestSupport.h"
#include "fw/FolderItem.h"
#include "fw/Text.h"
#include "mainwindow/MainWindow.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QRegularExpression>

namespace {

const QRegularExpression stamped(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d - (.*)$)",
                                 QRegularExpression::DotMatchesEverythingOption);

std::string desktopPath() {
    return fw::SpecialFolder(fw::SpecialFolderKind::Desktop).nativePath();
}

} // namespace

TEST(ErrorList, EntriesCarryTheTimeStampAndOnlyCountedOnesRaiseTheCount) {
    mainwindow::MainWindow& window = MainWindow();
    window.ErrorList.clear();
    window.ErrorCount = 0;

    backup::appendEntry(window, "Could not remove - /:b:plan.doc");
    backup::countError(window, "Could not remove - /:b:plan.docso couldn't write new");

    ASSERT_EQ(window.ErrorList.size(), 2u);
    EXPECT_EQ(window.ErrorCount, 1);
    const QRegularExpressionMatch first = stamped.match(fw::toQString(window.ErrorList[0]));
    const QRegularExpressionMatch second = stamped.match(fw::toQString(window.ErrorList[1]));
    ASSERT_TRUE(first.hasMatch()) << window.ErrorList[0];
    ASSERT_TRUE(second.hasMatch()) << window.ErrorList[1];
    EXPECT_EQ(first.captured(1), "Could not remove - /:b:plan.doc");
    EXPECT_EQ(second.captured(1), "Could not remove - /:b:plan.docso couldn't write new");
}

TEST(SaveErrorList, WritesTheHeadingAnEmptyLineAndEveryEntryToTheDesktop) {
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(desktopPath())));
    filetest::writeFile(desktopPath() + "/other", "untouched");
    mainwindow::MainWindow& window = MainWindow();
    window.ErrorList = {backup::ErrorListEntry("Started Backup"),
                        backup::ErrorListEntry("Could not copy - /:b:Work:note.txt"),
                        backup::ErrorListEntry("Finished Backup")};

    window.SaveErrorList();

    std::vector<std::string> names = filetest::namesIn(desktopPath());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[1], "other");
    const QRegularExpression name(R"(^Tolvane \d{4}-\d\d-\d\d \d\d;\d\d;\d\d$)");
    EXPECT_TRUE(name.match(QString::fromStdString(names[0])).hasMatch()) << names[0];
    std::string expected = "Error List\n\n";
    for (const std::string& entry : window.ErrorList)
        expected += entry + "\n";
    EXPECT_EQ(filetest::readFile(desktopPath() + "/" + names[0]), expected);
    EXPECT_EQ(filetest::readFile(desktopPath() + "/other"), "untouched");
}

TEST(SaveErrorList, FailsWithTheReasonWhenThereIsNoDesktopFolder) {
    ASSERT_FALSE(filetest::exists(desktopPath()));
    MainWindow().ErrorList = {backup::ErrorListEntry("Started Backup")};
    EXPECT_THROW(MainWindow().SaveErrorList(), fw::FileError);
    EXPECT_FALSE(filetest::exists(desktopPath()));
}
