#include "fw/FolderItem.h"
#include "mainwindow/MainWindow.h"
#include "sets/ExclusionEntry.h"
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
#include <QSignalSpy>
#include <QTemporaryDir>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Loading a long list must cost each entry the same: an entry that joins the list and is then
// changed makes the list search all its rows for it, once per entry.
TEST(SettingsFile, EachLoadedEntryJoinsTheListOnceAndChangesNoRow) {
    QListWidget list;
    QSignalSpy inserted(list.model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(list.model(), &QAbstractItemModel::dataChanged);
    for (const char* entry : {"tmp", "caf\xc3\xa9", "bad \xff byte"})
        sets::appendExclusion(list, entry);
    EXPECT_EQ(inserted.count(), 3);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(sets::exclusionText(list, 2), "bad \xff byte");
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// Everything in the folder of the settings file, hidden names included.
QStringList settingsFolderEntries() {
    return QDir(QFileInfo(settingsPath()).path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// What can stand in the settings file's place that is no regular file: a pipe without a
// writer (an open that waits would wait for ever), a link to a device that never ends.
class SettingsFileInPlaceOf : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(settingsPath()).path()));
        if (isPipe())
            ASSERT_EQ(mkfifo(native(settingsPath()).constData(), 0600), 0);
        else
            ASSERT_TRUE(QFile::link(QString::fromLatin1(GetParam()), settingsPath()));
    }
    bool isPipe() const { return std::string(GetParam()) == "pipe"; }
};

TEST_P(SettingsFileInPlaceOf, IsNotReadButKeptAsideAndTheUserIsTold) {
    const auto told = answerNextDialog("OK");
    mainwindow::MainWindow& window = ::MainWindow();
    ASSERT_TRUE(waitForDialogs());
    const QString kept = settingsPath() + ".unreadable";
    EXPECT_TRUE(told->text.startsWith("The settings file could not be read and has been kept as " +
                                      colonPath(kept).chopped(1) + "."))
        << told->text.toStdString();

    EXPECT_EQ(window.pmn_Sets->count(), 0);
    EXPECT_EQ(settingsLines(), QStringList({"cont:", "ext:"}));
    struct stat status = {};
    ASSERT_EQ(lstat(native(kept).constData(), &status), 0);
    if (isPipe())
        EXPECT_TRUE(S_ISFIFO(status.st_mode));
    else
        EXPECT_EQ(QFileInfo(kept).symLinkTarget(), QString::fromLatin1(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Odd, SettingsFileInPlaceOf,
                         ::testing::Values("pipe", "/dev/zero", "/dev/urandom"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             const std::string name = info.param;
                             return name == "pipe" ? name : name.substr(5);
                         });

// A settings file kept in a dotfiles checkout: the link is there before its target is.
TEST(SettingsFile, LinkWhoseTargetIsMissingInAnExistingFolderIsWrittenThrough) {
    QTemporaryDir elsewhere;
    const QString target = makeFolder(elsewhere.path(), "dotfiles") + "/settings";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(settingsPath()).path()));
    ASSERT_TRUE(QFile::link(target, settingsPath()));
    mainwindow::MainWindow& window = ::MainWindow();

    EXPECT_EQ(QFileInfo(settingsPath()).symLinkTarget(), target);
    EXPECT_EQ(settingsBytes(), "cont:\next:\n");
    typeAndPress(window, "new", window.btn_AddToContains);
    EXPECT_EQ(QFileInfo(settingsPath()).symLinkTarget(), target);
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "cont:new?\next:\n");
    EXPECT_EQ(settingsFolderEntries(), QStringList({"settings"}));
    EXPECT_EQ(listRows(*startAgain().lsb_Contains), QStringList({"new"}));
}

// The link leads onto a stick that is not plugged in: nothing may take the place of the file
// on it, also once it is back while the window still holds what it had without the file.
TEST(SettingsFile, LinkIntoAMissingFolderIsLeftAloneAndTheWindowWorksFromMemory) {
    QTemporaryDir elsewhere;
    const QString stick = elsewhere.path() + "/stick";
    const QString target = stick + "/settings";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(settingsPath()).path()));
    ASSERT_TRUE(QFile::link(target, settingsPath()));
    const auto told = answerNextDialog("OK");
    mainwindow::MainWindow& window = ::MainWindow();
    ASSERT_TRUE(waitForDialogs());
    EXPECT_TRUE(told->text.startsWith("The settings file " + colonPath(settingsPath()).chopped(1) +
                                      " is a link to " + colonPath(target).chopped(1) + ","))
        << told->text.toStdString();
    EXPECT_TRUE(told->text.contains("kept only until Tolvane quits.")) << told->text.toStdString();

    typeAndPress(window, "new", window.btn_AddToContains);
    EXPECT_EQ(listRows(*window.lsb_Contains), QStringList({"new"}));
    EXPECT_FALSE(QFileInfo::exists(stick));
    EXPECT_EQ(QFileInfo(settingsPath()).symLinkTarget(), target);
    EXPECT_EQ(settingsFolderEntries(), QStringList({"settings"}));

    const QByteArray stored = "cont:stored?\next:\n";
    ASSERT_TRUE(QDir().mkpath(stick));
    QFile onStick(target);
    ASSERT_TRUE(onStick.open(QIODevice::WriteOnly));
    ASSERT_EQ(onStick.write(stored), stored.size());
    onStick.close();
    typeAndPress(window, "newer", window.btn_AddToContains);
    EXPECT_EQ(settingsBytes(), stored);
    EXPECT_EQ(listRows(*startAgain().lsb_Contains), QStringList({"stored"}));
}

// A save killed before its end leaves its temporary beside the file; the next start removes
// it, and nothing else that merely looks like one.
TEST(SettingsFile, TemporaryOfAKilledSaveIsRemovedAtTheNextStart) {
    writeSettings({"cont:kept?", "ext:"});
    const QByteArray stored = settingsBytes();
    const std::string path = native(settingsPath()).toStdString();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const auto stream = fw::FolderItem::fromNativePath(path).CreateTextFile();
        stream->WriteLine("cont:half");
        raise(SIGKILL);
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    const QStringList left = settingsFolderEntries();
    ASSERT_EQ(left.size(), 2) << left.join(' ').toStdString();
    ASSERT_TRUE(left.first().startsWith(".tolvane-tmp-")) << left.join(' ').toStdString();
    const QString lookalike = ".tolvane-tmp-Folder";
    ASSERT_TRUE(QDir(QFileInfo(settingsPath()).path()).mkdir(lookalike));

    mainwindow::MainWindow& window = ::MainWindow();
    EXPECT_EQ(settingsFolderEntries(), QStringList({lookalike, "settings"}));
    EXPECT_EQ(settingsBytes(), stored);
    EXPECT_EQ(listRows(*window.lsb_Contains), QStringList({"kept"}));
}

} // namespace
