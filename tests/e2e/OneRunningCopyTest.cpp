#include "BackupRun.h"
#include "mainwindow/MainWindow.h"
#include "sets/SetsTesting.h"
#include "shell/Startup.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <sys/stat.h>

using namespace e2e;

namespace {

// The settings file as the file system holds it: a rewrite, even of the same bytes, gives
// another file (it is renamed into place).
struct SettingsState {
    QByteArray bytes;
    ino_t inode = 0;
    timespec modified{};
    QStringList folder; // the entries of the settings folder

    static SettingsState now() {
        SettingsState state;
        const QString path = sets_testing::settingsPath();
        state.bytes = sets_testing::settingsBytes();
        struct stat status {};
        if (::stat(QFile::encodeName(path).constData(), &status) == 0) {
            state.inode = status.st_ino;
            state.modified = status.st_mtim;
        }
        state.folder =
            QFileInfo(path).dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        return state;
    }
};

void expectSame(const SettingsState& before, const SettingsState& after) {
    EXPECT_EQ(after.bytes, before.bytes);
    EXPECT_EQ(after.inode, before.inode) << "the settings file was replaced";
    EXPECT_EQ(after.modified.tv_sec, before.modified.tv_sec);
    EXPECT_EQ(after.modified.tv_nsec, before.modified.tv_nsec);
    EXPECT_EQ(after.folder, before.folder);
}

// This process is the first copy, with the real main window; the later start is the real
// program. The parameter says whether the session has a runtime folder.
class OneRunningCopy : public BackupRunTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        BackupRunTest::SetUp();
        ASSERT_TRUE(runtime_.isValid());
        if (GetParam())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }
    ~OneRunningCopy() override {
        if (later_.state() != QProcess::NotRunning) {
            later_.kill();
            later_.waitForFinished(kStepTimeoutMs);
        }
    }

    // Starts the program again and waits until it has ended.
    bool startAgainAndWaitForItsEnd() {
        later_.setProcessChannelMode(QProcess::ForwardedChannels);
        later_.start(QCoreApplication::applicationDirPath() + "/tolvane", QStringList());
        return later_.waitForStarted(kStepTimeoutMs) &&
               waitUntil([this] { return later_.state() == QProcess::NotRunning; });
    }

    QTemporaryDir runtime_;
    QProcess later_;
};

TEST_P(OneRunningCopy, ALaterStartRaisesTheRunningWindowAndEndsWithoutTouchingTheSettings) {
    writeOneSet();
    ASSERT_TRUE(shell::_ClaimOnlyCopy()) << "this process is not the first copy";
    mainwindow::MainWindow& shown = window();
    shown.showMinimized();
    ASSERT_TRUE(shown.isMinimized());
    const SettingsState before = SettingsState::now();
    ASSERT_FALSE(before.bytes.isEmpty());

    ASSERT_TRUE(startAgainAndWaitForItsEnd()) << "the later start went on running";
    EXPECT_EQ(later_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later_.exitCode(), 0);
    EXPECT_FALSE(shown.isMinimized()) << "the running window was not brought to the front";
    EXPECT_TRUE(shown.isVisible());
    expectSame(before, SettingsState::now());
}

INSTANTIATE_TEST_SUITE_P(RuntimeFolder, OneRunningCopy, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Given" : "Missing");
                         });

} // namespace
