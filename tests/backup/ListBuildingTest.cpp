#include "fw/FileTestSupport.h"
#include "RunFixture.h"
#include "support/AsUser.h"

#include <deque>
#include <gtest/gtest.h>
#include <QLabel>
#include <QListWidget>
#include <sys/stat.h>

using backup_test::addSet;
using backup_test::listedPaths;
using backup_test::listItems;
using filetest::makeFolder;
using filetest::makeLink;
using filetest::writeFile;
using Paths = std::vector<std::string>;

TEST(SearchDirectory, ExtensionsNeedANameBeforeTheDotAndMatchInAnyCase) {
    filetest::TempFolder temp;
    const std::string src = temp / "src";
    makeFolder(src);
    for (const char* name : {"a.jpg", "b.JPG", ".jpg", "jpg", "c.jpgx", "d.png"})
        writeFile(src + "/" + name, "x");
    makeFolder(src + "/Album.jpg");
    writeFile(src + "/Album.jpg/inside.txt", "x");
    mainwindow::MainWindow& window = MainWindow();
    window.lsb_Extensions->addItem("png");
    window.lsb_Extensions->addItem("JPG");
    addSet(window, src, temp.path());

    listItems(window);

    EXPECT_EQ(listedPaths(window), (Paths{src + "/.jpg", src + "/c.jpgx", src + "/jpg"}));
    EXPECT_EQ(window.TotalItemCount, 3);
}

TEST(SearchDirectory, ContainsEntriesMatchAnywhereAndDropAFolderWithItsContents) {
    filetest::TempFolder temp;
    const std::string src = temp / "src";
    makeFolder(src);
    makeFolder(src + "/Photos");
    writeFile(src + "/Photos/beach.raw", "x");
    makeFolder(src + "/Caches");
    writeFile(src + "/mycache.db", "x");
    writeFile(src + "/notes.txt", "x");
    mainwindow::MainWindow& window = MainWindow();
    window.lsb_Contains->addItem("photo");
    window.lsb_Contains->addItem("CACHE");
    addSet(window, src, temp.path());

    listItems(window);

    EXPECT_EQ(listedPaths(window), (Paths{src + "/notes.txt"}));
}

TEST(SearchDirectory, ListsFoldersBeforeTheirContentsAndPackagesOnce) {
    filetest::TempFolder temp;
    const std::string src = temp / "src";
    makeFolder(src);
    makeFolder(src + "/A");
    writeFile(src + "/A/one", "1");
    makeFolder(src + "/A/B");
    writeFile(src + "/A/B/two", "2");
    makeFolder(src + "/Editor.app");
    writeFile(src + "/Editor.app/skipped.tmp", "x");
    writeFile(src + "/.DS_Store", "x");
    makeFolder(src + "/Z");
    makeFolder(src + "/Z/.DS_Store");
    writeFile(src + "/Z/.DS_Store/kept", "k");
    mainwindow::MainWindow& window = MainWindow();
    window.lsb_Extensions->addItem("tmp");
    addSet(window, src, temp.path());

    listItems(window);

    EXPECT_EQ(listedPaths(window), (Paths{src + "/A", src + "/A/B", src + "/A/B/two",
                                          src + "/A/one", src + "/Editor.app", src + "/Z",
                                          src + "/Z/.DS_Store", src + "/Z/.DS_Store/kept"}));
    EXPECT_EQ(window.stx_fileCount->text(), "8");
}

TEST(SearchDirectory, FollowsLinksOnlyWhenTheyStayInTheirFolder) {
    filetest::TempFolder temp;
    const std::string src = temp / "src";
    makeFolder(src);
    makeFolder(temp / "outside");
    writeFile(temp / "outside/far", "f");
    writeFile(src + "/real", "r");
    makeLink("real", src + "/alias");
    makeLink(temp / "outside", src + "/toOutside");
    makeLink(temp / "outside/far", src + "/toFar");
    makeLink("missing", src + "/broken");
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, src, temp.path());

    listItems(window);

    // The alias inside the folder is listed as the item it leads to.
    EXPECT_EQ(listedPaths(window), (Paths{src + "/real", src + "/real"}));
}

// Names are kept byte for byte, ":" and bytes that are no UTF-8 included; a link to a folder
// of the same folder is listed as that folder and entered like it.
TEST(SearchDirectory, ListsOddNamesAndLinkedFoldersAsTheyAreOnDisk) {
    filetest::TempFolder temp;
    const std::string src = temp / "src";
    const std::string odd = src + "/" + std::string("bad \xff") + " name";
    makeFolder(src);
    makeFolder(odd);
    writeFile(odd + "/a:b", "x");
    writeFile(odd + "/new\nline", "x");
    makeFolder(src + "/sub");
    writeFile(src + "/sub/inner", "i");
    makeLink("sub", src + "/toSub");
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, src, temp.path());

    listItems(window);

    EXPECT_EQ(listedPaths(window), (Paths{odd, odd + "/a:b", odd + "/new\nline", src + "/sub",
                                          src + "/sub/inner", src + "/sub", src + "/sub/inner"}));
    EXPECT_EQ(window.SourceItems[1].Name(), "a/b");
    EXPECT_TRUE(window.SourceItems[5].Directory());
    EXPECT_EQ(window.TotalItemCount, 7);
}

// An AppDir is a package when its AppRun, itself or where its link leads, is an executable
// file: listed once and not entered.
TEST(SearchDirectory, FoldersWithARunnableAppRunAreListedAsPackages) {
    filetest::TempFolder temp;
    const std::string src = temp / "src";
    makeFolder(src);
    makeFolder(src + "/Tool");
    writeFile(src + "/Tool/AppRun", "#!/bin/sh\n", 0755);
    writeFile(src + "/Tool/data", "d");
    makeFolder(src + "/Linked");
    writeFile(src + "/run.sh", "#!/bin/sh\n", 0755);
    makeLink("../run.sh", src + "/Linked/AppRun");
    makeFolder(src + "/Plain");
    writeFile(src + "/Plain/AppRun", "not runnable");
    makeFolder(src + "/Nested");
    makeFolder(src + "/Nested/AppRun");
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, src, temp.path());

    listItems(window);

    EXPECT_EQ(listedPaths(window),
              (Paths{src + "/Linked", src + "/Nested", src + "/Nested/AppRun", src + "/Plain",
                     src + "/Plain/AppRun", src + "/Tool", src + "/run.sh"}));
}

// Permission bits bind only an ordinary user: the test case runs again as one. The names of
// a folder that may be read but not searched cannot be examined, so they are left out
// without an error; a folder that may be searched but not read is still told a package by
// its AppRun.
TEST(SearchDirectory, EntriesThatCannotBeExaminedAreLeftOutAndAppRunIsStillFound) {
    if (!asuser::inUserSide()) {
        if (const std::string reason = asuser::unavailableReason(); !reason.empty())
            GTEST_SKIP() << "needs a user that permissions bind: " << reason;
        filetest::TempFolder temp;
        const std::string shared = temp / "shared";
        for (const char* folder : {"", "/src", "/src/blind", "/src/sealed"})
            makeFolder(shared + folder);
        writeFile(shared + "/src/blind/a.txt", "a");
        makeFolder(shared + "/src/blind/sub");
        writeFile(shared + "/src/sealed/AppRun", "#!/bin/sh\n", 0755);
        writeFile(shared + "/src/seen.txt", "s");
        asuser::shareWithUser(shared);
        ASSERT_EQ(::chmod((shared + "/src/blind").c_str(), 0644), 0);
        ASSERT_EQ(::chmod((shared + "/src/sealed").c_str(), 0111), 0);
        ASSERT_EQ(::chmod(temp.path().c_str(), 0755), 0);
        EXPECT_EQ(asuser::runThisTestAsUser(shared), asuser::kPassed);
        ::chmod((shared + "/src/blind").c_str(), 0755);
        ::chmod((shared + "/src/sealed").c_str(), 0755);
        return;
    }
    const std::string src = asuser::sharedFolder() + "/src";
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, src, std::nullopt);

    listItems(window);

    EXPECT_EQ(listedPaths(window), (Paths{src + "/blind", src + "/sealed", src + "/seen.txt"}));
    EXPECT_EQ(window.ErrorCount, 0);
}

TEST(SearchDirectory, TagsEveryItemWithItsSetAndSkipsDisabledSets) {
    filetest::TempFolder temp;
    for (const char* folder : {"one", "two", "three"}) {
        makeFolder(temp / folder);
        makeFolder(temp / folder + "/Docs");
        writeFile(temp / folder + "/Docs/file", folder);
    }
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, temp / "one", temp.path());
    addSet(window, temp / "two", temp.path(), false);
    addSet(window, temp / "three", temp.path());
    window.stx_fileCount->setText("-");

    listItems(window);

    EXPECT_EQ(listedPaths(window), (Paths{temp / "one/Docs", temp / "one/Docs/file",
                                          temp / "three/Docs", temp / "three/Docs/file"}));
    EXPECT_EQ(window.sourceSet, (std::deque<std::int32_t>{0, 0, 2, 2}));
    EXPECT_EQ(window.stx_fileCount->text(), "4");
}

TEST(SearchDirectory, FoldersAloneLeaveTheFileCountAsItWas) {
    filetest::TempFolder temp;
    makeFolder(temp / "src");
    makeFolder(temp / "src/A");
    makeFolder(temp / "src/A/B");
    mainwindow::MainWindow& window = MainWindow();
    addSet(window, temp / "src", temp.path());
    window.stx_fileCount->setText("-");

    listItems(window);

    EXPECT_EQ(window.TotalItemCount, 2);
    EXPECT_EQ(window.stx_fileCount->text(), "-");
}
