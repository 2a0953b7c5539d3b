#include "fw/FileTestSupport.h"
#include "RunFixture.h"

#include <deque>
#include <gtest/gtest.h>
#include <QLabel>
#include <QListWidget>

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
