#include "BackupRun.h"
#include "fw/FileTestSupport.h"
#include "mainwindow/MainWindow.h"
#include "sets/SetsTesting.h"
#include "Trees.h"

#include <gtest/gtest.h>
#include <QPushButton>
#include <QTabWidget>

using namespace e2e;

namespace {

// The page of the exclusion lists.
constexpr int kAdvancedPage = 1;

class ListingRules : public BackupRunTest {};

TEST_F(ListingRules, ExclusionsLeaveOutMatchingFilesAndFoldersWithEverythingInside) {
    writeOneSet({"cache", "photo"}, {"mp3", "tmp"});
    for (const char* name :
         {"a.mp3", "Song.MP3", ".mp3", "mp3", "b.mp3x", "notes.tmp", "mycache.db",
          "Caches/inside.txt", "Photos/x.txt", "music.mp3/y.txt", "keep/z.txt", "keep/old.TMP"})
        writeFile(source(name), std::string("content of ") + name);
    // A package is one item: the rules see its name, never its contents.
    makePackage(source("Player.app"), "plays");
    writeFile(source("Player.app/Contents/Resources/cache.mp3"), "inside a package");

    window();
    runBackup();

    // At least one character before the dot: ".mp3" and "mp3" are kept.
    const TreeListing expected =
        without(sourceTree(), {"a.mp3", "Song.MP3", "notes.tmp", "mycache.db", "Caches", "Photos",
                               "music.mp3", "keep/old.TMP"});
    EXPECT_EQ(treeDifference(expected, copyTree()), "");
    EXPECT_TRUE(filetest::exists(copy(".mp3")));
    EXPECT_TRUE(filetest::exists(copy("Player.app/Contents/Resources/cache.mp3")));
    // .mp3, mp3, b.mp3x, keep, keep/z.txt and the package.
    EXPECT_EQ(window().TotalItemCount, 6);
}

// A listing lowers the exclusion rows once, at its start: the lists must not change while
// it lasts, and a change made between two runs must reach the next one.
TEST_F(ListingRules, ExclusionsCannotBeEditedWhileListingAndAnEditReachesTheNextRun) {
    writeOneSet({}, {"tmp"});
    writeFile(source("a.log"), "a");
    writeFile(source("b.txt"), "b");
    writeFile(source("c.tmp"), "c");
    mainwindow::MainWindow& shown = window();

    runBackup([&shown] {
        shown.TabPanel1->setCurrentIndex(kAdvancedPage);
        EXPECT_NE(shown.TabPanel1->currentIndex(), kAdvancedPage)
            << "the page of the exclusion lists was shown while listing";
    });
    EXPECT_TRUE(filetest::exists(copy("a.log")));
    EXPECT_FALSE(filetest::exists(copy("c.tmp")));

    shown.TabPanel1->setCurrentIndex(kAdvancedPage);
    ASSERT_EQ(shown.TabPanel1->currentIndex(), kAdvancedPage);
    sets_testing::typeAndPress(shown, "LOG", shown.btn_AddToExten);
    writeFile(source("d.log"), "d");
    runBackup();

    EXPECT_FALSE(filetest::exists(copy("d.log")));
    EXPECT_FALSE(filetest::exists(copy("c.tmp")));
    EXPECT_EQ(shown.TotalItemCount, 1);
}

// Entries keep the bytes the settings file holds, also where they are not UTF-8, and the
// rules match those bytes: an entry must not turn into the replacement characters it shows.
TEST_F(ListingRules, EntriesThatAreNotUtf8MatchTheirOwnBytes) {
    makeFolders(path("src"));
    makeFolders(path("dst"));
    const QByteArray set = sets_testing::setLine(true, QString::fromStdString(path("src")),
                                                 QString::fromStdString(path("dst")))
                               .toUtf8();
    sets_testing::writeSettingsBytes(set + "\ncont:\xff\xfe?\next:d\xe9j\xe0?\n");
    for (const char* name : {"a\xff\xfe"
                             "b.txt",
                             "song.d\xe9j\xe0", "a\xef\xbf\xbd.txt", "kept.txt"})
        writeFile(source(name), std::string("content of ") + name);

    window();
    runBackup();

    EXPECT_EQ(treeDifference(without(sourceTree(), {"a\xff\xfe"
                                                    "b.txt",
                                                    "song.d\xe9j\xe0"}),
                             copyTree()),
              "");
    EXPECT_EQ(window().TotalItemCount, 2);
}

TEST_F(ListingRules, DSStoreFilesAreNeverListedButAFolderOfThatNameIs) {
    writeOneSet();
    writeFile(source(".DS_Store"), "finder data");
    writeFile(source("sub/.DS_Store"), "finder data");
    writeFile(source("sub/kept.txt"), "kept");
    writeFile(source("other/.DS_Store/inside.txt"), "in a folder named .DS_Store");

    window();
    runBackup();

    EXPECT_EQ(treeDifference(without(sourceTree(), {".DS_Store", "sub/.DS_Store"}), copyTree()),
              "");
    EXPECT_TRUE(filetest::exists(copy("other/.DS_Store/inside.txt")));
}

// Links are followed to their targets. One that resolves into the folder that holds it
// lists its target (again); one that leads anywhere else, or nowhere, is skipped, so the
// walk never leaves the source and never loops.
TEST_F(ListingRules, LinksAreFollowedOnlyWithinTheirFolderAndBrokenOnesSkipped) {
    writeOneSet();
    writeFile(source("target.txt"), "the target");
    writeFile(source("sub/own.txt"), "own");
    writeFile(path("outside/secret.txt"), "not to be backed up");
    filetest::makeLink("target.txt", source("same-folder-link"));
    filetest::makeLink("../target.txt", source("sub/link-up"));
    filetest::makeLink(path("outside/secret.txt"), source("outside-file-link"));
    filetest::makeLink(path("outside"), source("outside-folder-link"));
    filetest::makeLink("missing.txt", source("broken-link"));
    filetest::makeLink(".", source("loop"));
    filetest::makeLink("..", source("sub/parent-loop"));

    window();
    runBackup();

    EXPECT_EQ(treeDifference(without(sourceTree(), {"same-folder-link", "sub/link-up",
                                                    "outside-file-link", "outside-folder-link",
                                                    "broken-link", "loop", "sub/parent-loop"}),
                             copyTree()),
              "");
    EXPECT_FALSE(filetest::exists(copy("secret.txt")));
    // target.txt twice (once through the link beside it), sub and sub/own.txt.
    EXPECT_EQ(window().TotalItemCount, 4);
    EXPECT_EQ(window().FilesCopied, 2);
    EXPECT_EQ(errorMessages(), (std::vector<std::string>{"Started Backup", "Finished Backup"}));
}

TEST_F(ListingRules, NamesWithColonsAndBytesThatAreNotUtf8AreCopiedAndComparedWithoutLoss) {
    writeOneSet();
    const std::string latin1 = "caf\xe9.txt";
    const std::string badFolder = "\xff\xfe folder";
    writeFile(source("a:b.txt"), "colon in a name");
    writeFile(source("x:y/in:side.txt"), "colons in folder and file");
    writeFile(source(latin1), "latin-1 name");
    writeFile(source(badFolder + "/\x80.bin"), std::string("\x80\x81\x82", 3));

    window();
    runBackup();
    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(window().FilesCopied, 4);

    writeFile(source(latin1), "latin-1 name, newer", kBaseTime + 60);
    const TreeListing written = fileIdentities(path("dst/src"));
    runBackup();

    EXPECT_EQ(treeDifference(sourceTree(), copyTree()), "");
    EXPECT_EQ(window().FilesUpdated, 1);
    EXPECT_EQ(window().FilesCopied, 0);
    EXPECT_EQ(without(fileIdentities(path("dst/src")), {latin1}), without(written, {latin1}));
}

TEST_F(ListingRules, TwoSetsWithSourcesOfTheSameNameMergeIntoOneSetFolder) {
    writeFile(path("one/Docs/a.txt"), "from one");
    writeFile(path("one/Docs/shared.txt"), "shared, from one");
    writeFile(path("two/Docs/b.txt"), "from two");
    writeFile(path("two/Docs/shared.txt"), "shared, from two", kBaseTime + 10);
    // A folder the first set's items make holds copies when the second set's items come.
    writeFile(path("one/Docs/sub/deep.txt"), "deep, from one");
    writeFile(path("two/Docs/sub/deep.txt"), "deep, from two", kBaseTime + 10);
    writeFile(path("three/Other/c.txt"), "from a disabled set");
    makeFolders(path("dst"));
    writeSettings({{path("one/Docs"), path("dst")},
                   {path("two/Docs"), path("dst")},
                   {path("three/Other"), path("dst"), false}});

    window();
    runBackup();

    TreeListing expected = describeTree(path("one/Docs"));
    expected.merge(describeTree(path("two/Docs")));
    for (const char* both : {"shared.txt", "sub/deep.txt"})
        expected[both] = describeTree(path("two/Docs"))[both];
    EXPECT_EQ(treeDifference(expected, describeTree(path("dst/Docs"))), "");
    EXPECT_FALSE(filetest::exists(path("dst/Other"))) << "a disabled set got its set folder";
    EXPECT_EQ(window().FilesCopied, 4);
    EXPECT_EQ(window().FilesUpdated, 2);
    EXPECT_EQ(errorMessages(), (std::vector<std::string>{"Started Backup", "Finished Backup"}));
}

// The inner set's set folder is made at the start of the run, but the outer set's items
// reach it first: the inner set's items must then be compared with those copies.
TEST_F(ListingRules, NestedSetsOnTheRunThatMakesTheInnerSetFolderCompareWithTheOuterSetsCopies) {
    writeFile(path("Documents/a.txt"), "outer");
    writeFile(path("Documents/Work/w.txt"), "inner");
    writeFile(path("Documents/Work/sub/deep.txt"), "deep");
    makeFolders(path("disk/Documents"));
    writeSettings(
        {{path("Documents"), path("disk")}, {path("Documents/Work"), path("disk/Documents")}});
    ASSERT_FALSE(filetest::exists(path("disk/Documents/Work")));

    window();
    runBackup();

    EXPECT_EQ(treeDifference(describeTree(path("Documents")), describeTree(path("disk/Documents"))),
              "");
    EXPECT_EQ(window().FilesCopied, 3);
    EXPECT_EQ(window().FilesUpdated, 0);
    EXPECT_EQ(window().ErrorCount, 0);
    EXPECT_EQ(errorMessages(), (std::vector<std::string>{"Started Backup", "Finished Backup"}));
}

TEST_F(ListingRules, ASetMadeWithTheNewSetAndDestinationButtonsIsBackedUp) {
    writeFile(path("Mail/inbox/1.eml"), "hello");
    writeFile(path("Mail/sent.eml"), "bye");
    makeFolders(path("Backups"));
    mainwindow::MainWindow& shown = ::MainWindow();

    const auto sourceChooser = chooseFolderInNextDialog(QString::fromStdString(path("Mail")));
    shown.btn_New->click();
    ASSERT_TRUE(waitForDialogs());
    const auto destinationChooser =
        chooseFolderInNextDialog(QString::fromStdString(path("Backups")));
    shown.btn_Destination->click();
    ASSERT_TRUE(waitForDialogs());
    ASSERT_TRUE(sourceChooser->answered && destinationChooser->answered);

    window();
    runBackup();

    EXPECT_EQ(treeDifference(describeTree(path("Mail")), describeTree(path("Backups/Mail"))), "");
}

} // namespace
