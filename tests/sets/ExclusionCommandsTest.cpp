#include "mainwindow/MainWindow.h"
#include "sets/SetsTesting.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace sets_testing;

namespace {

// Types `text` into the field and presses `button`; the field is emptied and Changed set
// every time.
void addEntry(mainwindow::MainWindow& window, const QString& text, QPushButton* button) {
    window.Changed = false;
    typeAndPress(window, text, button);
    EXPECT_EQ(window.txf_String->text(), QString()) << text.toStdString();
    EXPECT_TRUE(window.Changed) << text.toStdString();
}

TEST(ExclusionCommands, ExtensionsAreLowerCaseWithoutDotsAndAddedOnce) {
    mainwindow::MainWindow& window = ::MainWindow();
    addEntry(window, ".MP3 ", window.btn_AddToExten);
    addEntry(window, "tar.gz", window.btn_AddToExten);
    addEntry(window, "\t.Ü?x ", window.btn_AddToExten);
    EXPECT_EQ(listRows(*window.lsb_Extensions), QStringList({"mp3", "targz", "üx"}));
    EXPECT_EQ(window.lsb_Contains->count(), 0);
    EXPECT_EQ(settingsLines(), QStringList({"cont:", "ext:mp3?targz?üx?"}));

    // Neither a repeat in another spelling nor input that normalises to nothing is added
    // or saved.
    writeSettings({"not rewritten"});
    for (const char* text : {"mp3", ".Mp3", " .MP3", "mp3?", "...", "   ", "???", ""})
        addEntry(window, text, window.btn_AddToExten);
    EXPECT_EQ(listRows(*window.lsb_Extensions), QStringList({"mp3", "targz", "üx"}));
    EXPECT_EQ(settingsLines(), QStringList({"not rewritten"}));
}

TEST(ExclusionCommands, ContainsEntriesKeepTheirDotsAndLoseOnlyQuestionMarksAndBlanks) {
    mainwindow::MainWindow& window = ::MainWindow();
    addEntry(window, "  Cache.Old?Files ", window.btn_AddToContains);
    addEntry(window, "...", window.btn_AddToContains);
    addEntry(window, "CACHE.OLDFILES?", window.btn_AddToContains);
    addEntry(window, "cache.oldfiles", window.btn_AddToContains);
    EXPECT_EQ(listRows(*window.lsb_Contains), QStringList({"cache.oldfiles", "..."}));
    EXPECT_EQ(window.lsb_Extensions->count(), 0);
    EXPECT_EQ(settingsLines(), QStringList({"cont:cache.oldfiles?...?", "ext:"}));
}

TEST(ExclusionCommands, RemoveTakesTheSelectedRowAndAlwaysSaves) {
    writeSettings({"cont:Temp?cache?", "ext:LOG?tmp?"});
    mainwindow::MainWindow& window = ::MainWindow();
    // Entries from the file stay as stored; a typed entry is compared as typed.
    addEntry(window, "log", window.btn_AddToExten);
    EXPECT_EQ(listRows(*window.lsb_Extensions), QStringList({"LOG", "tmp", "log"}));

    window.lsb_Extensions->setCurrentRow(0);
    window.btn_DeleteExt->click();
    EXPECT_EQ(listRows(*window.lsb_Extensions), QStringList({"tmp", "log"}));
    EXPECT_EQ(settingsLines(), QStringList({"cont:Temp?cache?", "ext:tmp?log?"}));

    window.lsb_Contains->clearSelection();
    writeSettings({"stale"});
    window.Changed = false;
    window.btn_DeleteContain->click();
    EXPECT_TRUE(window.Changed);
    EXPECT_EQ(listRows(*window.lsb_Contains), QStringList({"Temp", "cache"}));
    EXPECT_EQ(settingsLines(), QStringList({"cont:Temp?cache?", "ext:tmp?log?"}));

    window.lsb_Contains->setCurrentRow(1);
    window.btn_DeleteContain->click();
    EXPECT_EQ(settingsLines(), QStringList({"cont:Temp?", "ext:tmp?log?"}));
}

} // namespace
