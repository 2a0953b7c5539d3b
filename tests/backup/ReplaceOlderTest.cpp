#include "backup/CopySteps.h"
#include "fw/FileTestSupport.h"
#include "RunFixture.h"
#include "support/DialogDriver.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

using filetest::makeFolder;
using filetest::readFile;
using filetest::writeFile;

TEST(IsSourceNewer, ExceptsExactlyOneHourAndNeverACopyThatIsLater) {
    const std::uint64_t copy = 3'000'000'000;
    EXPECT_FALSE(backup::IsSourceNewer(copy, copy));
    EXPECT_TRUE(backup::IsSourceNewer(copy + 1, copy));
    EXPECT_TRUE(backup::IsSourceNewer(copy + 3599, copy));
    EXPECT_FALSE(backup::IsSourceNewer(copy + 3600, copy));
    EXPECT_TRUE(backup::IsSourceNewer(copy + 3601, copy));
    EXPECT_FALSE(backup::IsSourceNewer(copy - 1, copy));
    EXPECT_FALSE(backup::IsSourceNewer(copy - 3600, copy));
    EXPECT_FALSE(backup::IsSourceNewer(0, std::numeric_limits<std::uint64_t>::max()));
}

namespace {

// A package Tool.app in the source and its copy in dest/Apps, with the given contents and
// times (seconds since 1970).
struct PackagePair {
    filetest::TempFolder temp;
    std::string item = temp / "Apps/Tool.app";
    std::string copy = temp / "dest/Apps/Tool.app";

    PackagePair(const std::string& itemBytes, time_t itemTime, const std::string& copyBytes,
                time_t copyTime) {
        makeFolder(temp / "Apps");
        makeFolder(temp / "dest");
        makeFolder(temp / "dest/Apps");
        for (const auto& [folder, bytes, time] :
             {std::tuple{item, itemBytes, itemTime}, std::tuple{copy, copyBytes, copyTime}}) {
            makeFolder(folder);
            writeFile(folder + "/binary", bytes);
            filetest::setTimes(folder, {time, 0});
        }
    }

    void run() {
        mainwindow::MainWindow& window = MainWindow();
        backup_test::addSet(window, temp / "Apps", temp / "dest");
        backup_test::listItems(window);
        auto complete = answerNextDialog("OK");
        ASSERT_TRUE(backup_test::runCopyPass(window));
        ASSERT_TRUE(complete->answered);
    }
};

} // namespace

TEST(ReplacingPackages, ACopyThatIsNewerButSmallerIsReplaced) {
    PackagePair pair("the whole program", 1'000'000'000, "the wh", 2'000'000'000);
    pair.run();
    EXPECT_EQ(readFile(pair.copy + "/binary"), "the whole program");
    EXPECT_EQ(MainWindow().FilesUpdated, 1);
    EXPECT_EQ(MainWindow().TotalFileSize, 17u);
}

TEST(ReplacingPackages, ACopyOfEqualSizeAndTimeIsLeft) {
    PackagePair pair("same size", 1'000'000'000, "SAME SIZE", 1'000'000'000);
    pair.run();
    EXPECT_EQ(readFile(pair.copy + "/binary"), "SAME SIZE");
    EXPECT_EQ(MainWindow().FilesUpdated, 0);
    EXPECT_EQ(MainWindow().infoText, "Checking : Tool.app (0 Kb)");
}

// A link where the copy should be was not made by a run: neither it nor what it leads to is
// touched, and the item is reported as not updated.
TEST(ReplacingPackages, ALinkStandingForTheCopyIsNeitherFollowedNorReplaced) {
    PackagePair pair("new", 2'000'000'000, "elsewhere", 1'000'000'000);
    const std::string elsewhere = pair.temp / "Elsewhere.app";
    ASSERT_EQ(::rename(pair.copy.c_str(), elsewhere.c_str()), 0);
    filetest::makeLink(elsewhere, pair.copy);
    mainwindow::MainWindow& window = MainWindow();
    backup_test::addSet(window, pair.temp / "Apps", pair.temp / "dest");
    backup_test::listItems(window);
    auto errors = answerNextDialog("No");
    ASSERT_TRUE(backup_test::runCopyPass(window));
    ASSERT_TRUE(errors->answered);
    EXPECT_EQ(readFile(elsewhere + "/binary"), "elsewhere");
    EXPECT_TRUE(S_ISLNK(filetest::statusOf(pair.copy, false).st_mode));
    EXPECT_EQ(window.ErrorCount, 1);
    EXPECT_EQ(backup_test::entryTexts(window).at(1),
              "Could not update - " + fw::FolderItem::fromNativePath(pair.copy).AbsolutePath());
}
