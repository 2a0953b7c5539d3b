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

TEST(ExclusionCommands, ControlCharactersGoLikeQuestionMarksBeforeTheTrim) {
    writeSettings({"cont:first?", "ext:"});
    mainwindow::MainWindow& window = ::MainWindow();
    addEntry(window, " Pasted \n", window.btn_AddToContains);
    addEntry(window, "two\r\nlines", window.btn_AddToContains);
    addEntry(window, QString("bell\a") + QChar(0x85) + "c1\x7f", window.btn_AddToContains);
    addEntry(window, "\t\n\r", window.btn_AddToContains);
    addEntry(window, "after", window.btn_AddToContains);
    addEntry(window, ".Log\n", window.btn_AddToExten);
    const QStringList contains = {"first", "pasted", "twolines", "bellc1", "after"};
    EXPECT_EQ(listRows(*window.lsb_Contains), contains);
    const QByteArray saved = "cont:first?pasted?twolines?bellc1?after?\next:log?\n";
    EXPECT_EQ(settingsBytes(), saved);

    mainwindow::MainWindow& again = startAgain();
    EXPECT_EQ(listRows(*again.lsb_Contains), contains);
    EXPECT_EQ(listRows(*again.lsb_Extensions), QStringList({"log"}));
    again.btn_DeleteExt->click();
    EXPECT_EQ(settingsBytes(), saved);
}

TEST(ExclusionCommands, EntriesThatAreNotUtf8KeepTheirBytes) {
    writeSettingsBytes("cont:\xff\xfe?caf\xe9?\next:\x80?\n");
    mainwindow::MainWindow& window = ::MainWindow();
    ASSERT_EQ(window.lsb_Contains->count(), 2);
    // Typed, the text such an entry shows is another entry.
    const QString shown = window.lsb_Contains->item(0)->text();
    addEntry(window, shown, window.btn_AddToContains);
    const QByteArray saved = "cont:\xff\xfe?caf\xe9?" + shown.toUtf8() + "?\next:\x80?\n";
    EXPECT_EQ(settingsBytes(), saved);

    mainwindow::MainWindow& again = startAgain();
    again.lsb_Contains->setCurrentRow(2);
    again.btn_DeleteContain->click();
    EXPECT_EQ(settingsBytes(), "cont:\xff\xfe?caf\xe9?\next:\x80?\n");
}

} // namespace
