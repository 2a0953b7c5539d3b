#include "mainwindow/MainWindow.h"
#include "sets/SetsTesting.h"
#include "support/DialogDriver.h"

#include <csignal>
#include <gtest/gtest.h>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace sets_testing;

namespace {

// The two sets, lists and lines of the example of the file format.
const QStringList exampleFile = {
    "set?1?Disk:Users:user:Documents:?Backup:Copies:", "set?0?Disk:Users:user:Pictures:?",
    "cont:cache?temp?", "ext:tmp?log?"};

TEST(SettingsFile, ExampleReadsIntoTheSetsAndIsWrittenBackExactly) {
    writeSettings(exampleFile);
    mainwindow::MainWindow& window = ::MainWindow();

    ASSERT_EQ(window.Sets.size(), 2u);
    EXPECT_EQ(window.Sets[0].AbsolutePath(), "Disk:Users:user:Documents:");
    ASSERT_TRUE(window.DestinationFolder[0].has_value());
    EXPECT_EQ(window.DestinationFolder[0]->AbsolutePath(), "Backup:Copies:");
    EXPECT_FALSE(window.DestinationFolder[1].has_value());
    EXPECT_EQ(window.setEnable, (std::vector<bool>{true, false}));
    EXPECT_EQ(listRows(*window.lsb_Contains), QStringList({"cache", "temp"}));
    EXPECT_EQ(listRows(*window.lsb_Extensions), QStringList({"tmp", "log"}));
    const QStringList rows = {"√ Documents", "- Pictures"};
    EXPECT_EQ(popupRows(*window.pmn_Sets), rows);

    QFile::remove(settingsPath());
    window.SaveSettingsFile();
    EXPECT_EQ(settingsBytes(), exampleFile.join('\n').toUtf8() + '\n');
    EXPECT_EQ(popupRows(*startAgain().pmn_Sets), rows);
}

TEST(SettingsFile, RoundTripKeepsNonAsciiPathsFlagsMissingDestinationsAndEmptyLists) {
    QTemporaryDir root;
    const QString photos = makeFolder(root.path(), "Fotos · Ålborg/日本語");
    const QString backup = makeFolder(root.path(), "Sicherung über/Kopie");
    const QString music = makeFolder(root.path(), "Musique été");
    writeSettings({setLine(true, photos, backup), setLine(false, music),
                   setLine(false, photos, music), "cont:", "ext:"});
    const QByteArray written = settingsBytes();

    mainwindow::MainWindow& window = ::MainWindow();
    ASSERT_EQ(window.Sets.size(), 3u);
    EXPECT_EQ(QString::fromStdString(window.Sets[0].AbsolutePath()), colonPath(photos));
    EXPECT_EQ(window.Sets[0].Name(), "日本語");
    EXPECT_EQ(QString::fromStdString(window.DestinationFolder[0]->AbsolutePath()),
              colonPath(backup));
    EXPECT_FALSE(window.DestinationFolder[1].has_value());
    EXPECT_EQ(window.setEnable, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(window.lsb_Contains->count(), 0);
    EXPECT_EQ(window.lsb_Extensions->count(), 0);

    window.lsb_Contains->addItem(QStringLiteral("брouillon"));
    window.lsb_Extensions->addItem(QStringLiteral("ü"));
    window.SaveSettingsFile();
    EXPECT_EQ(settingsLines(),
              QStringList({setLine(true, photos, backup), setLine(false, music),
                           setLine(false, photos, music), "cont:брouillon?", "ext:ü?"}));

    window.lsb_Contains->clear();
    window.lsb_Extensions->clear();
    window.SaveSettingsFile();
    EXPECT_EQ(settingsBytes(), written);
}

TEST(SettingsFile, ReaderSkipsLinesItCannotUseAndKeepsTheRest) {
    writeSettings({"set?1?Disk:one:?Backup:one:", "set?1?Disk:three-fields:",
                   "set?1?Disk:five:?Backup:five:?extra", "set?0?Disk:two:?",
                   "set??Disk:empty-flag:?",
                   "set?yes?Disk:other-flag:?Backup:x:", " set?1?Disk:leading-blank:?",
                   "settings?1?Disk:other-key:?", "set?", "", "cont:", "cont:solo", "cont:a??b?",
                   "ext:", "ext:x", "ext:MP3??", " ext:blank?", "cont:c?"});
    mainwindow::MainWindow& window = ::MainWindow();

    std::vector<std::string> sources;
    for (const fw::FolderItem& source : window.Sets)
        sources.push_back(source.AbsolutePath());
    EXPECT_EQ(sources, (std::vector<std::string>{
                           "Disk:one:", "Disk:two:", "Disk:empty-flag:", "Disk:other-flag:"}));
    EXPECT_EQ(window.setEnable, (std::vector<bool>{true, false, false, false}));
    ASSERT_EQ(window.DestinationFolder.size(), 4u);
    EXPECT_EQ(window.DestinationFolder[3]->AbsolutePath(), "Backup:x:");
    EXPECT_EQ(listRows(*window.lsb_Contains), QStringList({"a", "b", "c"}));
    EXPECT_EQ(listRows(*window.lsb_Extensions), QStringList({"MP3"}));
    EXPECT_EQ(window.pmn_Sets->count(), 4);
}

TEST(SettingsFile, ByteOrderMarkBeforeTheFirstLineIsSkipped) {
    QTemporaryDir root;
    const QString source = makeFolder(root.path(), "source");
    const QByteArray lines =
        (QStringList({setLine(true, source), "cont:a?", "ext:"}).join('\n') + '\n').toUtf8();
    writeSettingsBytes("\xEF\xBB\xBF" + lines);
    mainwindow::MainWindow& window = ::MainWindow();
    EXPECT_EQ(popupRows(*window.pmn_Sets), QStringList({"√ source"}));
    EXPECT_EQ(listRows(*window.lsb_Contains), QStringList({"a"}));

    window.btn_DeleteExt->click();
    EXPECT_EQ(settingsBytes(), lines);
    EXPECT_EQ(popupRows(*startAgain().pmn_Sets), QStringList({"√ source"}));
}

TEST(SettingsFile, SavingWritesThroughALinkAndKeepsThePermissionBits) {
    QTemporaryDir elsewhere;
    const QString target = elsewhere.path() + "/tolvane-settings";
    writeSettings({"cont:old?", "ext:"});
    ASSERT_TRUE(QFile::rename(settingsPath(), target));
    ASSERT_EQ(chmod(QFile::encodeName(target).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(target, settingsPath()));
    mainwindow::MainWindow& window = ::MainWindow();

    typeAndPress(window, "new", window.btn_AddToContains);
    EXPECT_EQ(QFileInfo(settingsPath()).symLinkTarget(), target);
    EXPECT_EQ(settingsBytes(), "cont:old?new?\next:\n");
    struct stat status = {};
    ASSERT_EQ(stat(QFile::encodeName(target).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(
        QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({"tolvane-settings"}));
    EXPECT_EQ(listRows(*startAgain().lsb_Contains), QStringList({"old", "new"}));
}

TEST(SettingsFile, EmptyFileLoadsNothingAndIsNotRewritten) {
    writeSettings({});
    mainwindow::MainWindow& window = ::MainWindow();
    EXPECT_TRUE(window.Sets.empty());
    EXPECT_EQ(window.pmn_Sets->count(), 0);
    EXPECT_TRUE(QFile::exists(settingsPath()));
    EXPECT_TRUE(settingsBytes().isEmpty());
}

// A limit on the size of written files makes the write of the new file fail part way, as a
// full disk does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
};

TEST(SettingsFile, FailedWriteLeavesTheOldFileWholeAndTheNextChangeSavesEverything) {
    mainwindow::MainWindow& window = ::MainWindow();
    typeAndPress(window, "first", window.btn_AddToContains);
    const QByteArray before = settingsBytes();
    ASSERT_EQ(before, "cont:first?\next:\n");

    {
        const FileSizeLimit limit(qsizetype(before.size()) + 8);
        const auto report = answerNextDialog("OK");
        typeAndPress(window, QString(200, 'x'), window.btn_AddToContains);
        ASSERT_TRUE(waitForDialogs());
        EXPECT_TRUE(report->answered);
        EXPECT_TRUE(report->text.startsWith("The settings could not be saved."))
            << report->text.toStdString();
        EXPECT_TRUE(report->text.contains("too large")) << report->text.toStdString();
    }
    EXPECT_EQ(settingsBytes(), before);
    EXPECT_EQ(QDir(QFileInfo(settingsPath()).path()).entryList(QDir::Files),
              QStringList{"settings"});
    EXPECT_EQ(listRows(*window.lsb_Contains), QStringList({"first", QString(200, 'x')}));

    typeAndPress(window, "third", window.btn_AddToContains);
    EXPECT_EQ(settingsLines(),
              QStringList({"cont:first?" + QString(200, 'x') + "?third?", "ext:"}));
}

} // namespace
