#include "fw/FileTestSupport.h"
#include "fw/FolderItem.h"
#include "mainwindow/MainWindow.h"

#include <gtest/gtest.h>
#include <string>

using filetest::exists;
using filetest::makeFolder;
using filetest::makeLink;
using filetest::writeFile;

namespace {

std::uint64_t sizeOf(const std::string& path, std::uint64_t start = 0) {
    return MainWindow().calculateDirectorySize(fw::FolderItem::fromNativePath(path), start);
}

void deleteFolder(const std::string& path) {
    MainWindow().DeleteFolder(fw::FolderItem::fromNativePath(path, false));
}

} // namespace

TEST(CalculateDirectorySize, AddsTheBytesOfEveryLevelToTheTotalPassedIn) {
    filetest::TempFolder temp;
    makeFolder(temp / "Empty");
    EXPECT_EQ(sizeOf(temp / "Empty", 77), 77u);

    makeFolder(temp / "Full");
    writeFile(temp / "Full/a", std::string(100, 'a'));
    writeFile(temp / "Full/b", std::string(200, 'b'));
    makeFolder(temp / "Full/Inner");
    writeFile(temp / "Full/Inner/c", std::string(50, 'c'));
    makeFolder(temp / "Full/Inner/Deeper.app");
    writeFile(temp / "Full/Inner/Deeper.app/d", std::string(7, 'd'));
    EXPECT_EQ(sizeOf(temp / "Full"), 357u);
    EXPECT_EQ(sizeOf(temp / "Full", 1000), 1357u);
}

TEST(CalculateDirectorySize, LeavesOutDsStoreFilesButEntersSuchAFolder) {
    filetest::TempFolder temp;
    makeFolder(temp / "Top");
    writeFile(temp / "Top/.DS_Store", std::string(4096, 'x'));
    writeFile(temp / "Top/kept", std::string(10, 'k'));
    makeFolder(temp / "Top/Sub");
    makeFolder(temp / "Top/Sub/.DS_Store");
    writeFile(temp / "Top/Sub/.DS_Store/inside", std::string(5, 'i'));
    EXPECT_EQ(sizeOf(temp / "Top"), 15u);
}

TEST(CalculateDirectorySize, MeasuresLinksAtTheirTargetsAndSkipsBrokenOnes) {
    filetest::TempFolder temp;
    makeFolder(temp / "Elsewhere");
    writeFile(temp / "Elsewhere/far", std::string(40, 'f'));
    makeFolder(temp / "Top");
    writeFile(temp / "Top/near", std::string(2, 'n'));
    makeLink(temp / "Elsewhere", temp / "Top/toElsewhere");
    makeLink(temp / "Elsewhere/far", temp / "Top/toFar");
    makeLink(temp / "missing", temp / "Top/broken");
    EXPECT_EQ(sizeOf(temp / "Top"), 82u);
}

TEST(CalculateDirectorySize, NeverEntersAFolderBeingMeasuredAgain) {
    filetest::TempFolder temp;
    makeFolder(temp / "Loop.app");
    writeFile(temp / "Loop.app/file", std::string(30, 'l'));
    makeFolder(temp / "Loop.app/Inner");
    writeFile(temp / "Loop.app/Inner/more", std::string(3, 'm'));
    // Back to the top, to the folder itself, and through a path that is spelled differently.
    makeLink("..", temp / "Loop.app/Inner/up");
    makeLink(".", temp / "Loop.app/Inner/self");
    makeLink("../../Loop.app", temp / "Loop.app/Inner/again");
    makeLink(temp / "Loop.app/Inner", temp / "Loop.app/sideways");
    // Inner counts twice: once itself, once through the link beside it, which does not lead
    // back into a folder being measured.
    EXPECT_EQ(sizeOf(temp / "Loop.app"), 30u + 3u + 3u);
}

TEST(DeleteFolder, RemovesAFileOrAWholeTreeButNeverALinksTarget) {
    filetest::TempFolder temp;
    writeFile(temp / "single", "x");
    deleteFolder(temp / "single");
    EXPECT_FALSE(exists(temp / "single"));

    makeFolder(temp / "Keep");
    writeFile(temp / "Keep/precious", "p");
    makeFolder(temp / "Old.app");
    makeFolder(temp / "Old.app/Contents");
    writeFile(temp / "Old.app/Contents/a", "a");
    writeFile(temp / "Old.app/b", "b");
    makeLink(temp / "Keep", temp / "Old.app/Contents/link");
    deleteFolder(temp / "Old.app");
    EXPECT_FALSE(exists(temp / "Old.app"));
    EXPECT_EQ(filetest::readFile(temp / "Keep/precious"), "p");
}
