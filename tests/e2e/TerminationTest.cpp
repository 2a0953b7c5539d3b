#include "BackupRun.h"
#include "fw/FileTestSupport.h"
#include "sets/SetsTesting.h"
#include "Trees.h"

#include <csignal>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <string>
#include <sys/stat.h>

using namespace e2e;

namespace {

constexpr int kProcessTimeoutMs = 60'000;

// The real program, started as a process of its own on the offscreen platform, in this test's
// private HOME (whose settings file the test writes), driven by the testability library
// that presses "Start Backup" when it can.
class Termination : public BackupRunTest {
protected:
    ~Termination() override {
        if (tolvane_.state() != QProcess::NotRunning) {
            tolvane_.kill();
            tolvane_.waitForFinished(kProcessTimeoutMs);
        }
    }

    // Starts the program and waits until its driver has written `line`.
    // With `stopWhenCopying`, the driver stops the program as soon as a copy below that folder
    // is under way.
    void startTolvane(const QByteArray& line, const std::string& stopWhenCopying = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!stopWhenCopying.empty())
            environment.insert(QStringLiteral("TOLVANE_TEST_STOP_WHEN_COPYING"),
                               QString::fromStdString(stopWhenCopying));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QT_LOAD_TESTABILITY"), QStringLiteral("1"));
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"),
                           QStringLiteral(TOLVANE_TESTABILITY_DIR));
        tolvane_.setProcessEnvironment(environment);
        tolvane_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The signals keep their default action in the program, whatever this process ignores
        // or blocks.
        tolvane_.setChildProcessModifier([] {
            for (const int signal : {SIGTERM, SIGINT, SIGHUP})
                std::signal(signal, SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
        });
        tolvane_.start(QCoreApplication::applicationDirPath() + "/tolvane", QStringList());
        ASSERT_TRUE(tolvane_.waitForStarted(kProcessTimeoutMs)) << "tolvane did not start";
        QDeadlineTimer deadline(kProcessTimeoutMs);
        QByteArray seen;
        while (!seen.split('\n').contains(line)) {
            ASSERT_TRUE(tolvane_.waitForReadyRead(int(deadline.remainingTime())))
                << "tolvane never wrote \"" << line.toStdString() << "\"; it wrote \""
                << seen.toStdString() << "\"";
            seen += tolvane_.readAllStandardOutput();
        }
    }

    // Waits until the program has ended; its exit as the test sees it.
    void expectEndedLikeQuit() {
        ASSERT_TRUE(tolvane_.waitForFinished(kProcessTimeoutMs)) << "tolvane did not end";
        EXPECT_EQ(tolvane_.exitStatus(), QProcess::NormalExit) << "ended by its signal";
        EXPECT_EQ(tolvane_.exitCode(), 0);
    }

    pid_t pid() const { return pid_t(tolvane_.processId()); }

    // True once the program is stopped (SIGSTOP) and no longer runs any code.
    bool stopped() const {
        std::ifstream status("/proc/" + std::to_string(pid()) + "/stat");
        std::string field;
        // pid, (name without blanks), state
        status >> field >> field >> field;
        return field == "T";
    }

    QProcess tolvane_;
};

class TerminationSignal : public Termination, public ::testing::WithParamInterface<int> {};

TEST_P(TerminationSignal, EndsAnIdleProgramLikeQuitAndKeepsTheSettings) {
    writeSettings({{path("src"), path("dst"), false}}, {QStringLiteral("tmp")},
                  {QStringLiteral("bak")});
    const QByteArray settings = sets_testing::settingsBytes();
    ASSERT_FALSE(settings.isEmpty());
    startTolvane("shown");

    ASSERT_EQ(::kill(pid(), GetParam()), 0);
    expectEndedLikeQuit();
    EXPECT_EQ(sets_testing::settingsBytes(), settings);
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

// A logout while the start-up tells the user about the settings file (a folder stands in its
// place): the box closes and the program ends instead of going on once the box is gone.
TEST_F(Termination, SigtermWhileAStartUpMessageIsOpenEndsTheProgram) {
    ASSERT_TRUE(QDir().mkpath(sets_testing::settingsPath() + "/inside"));
    startTolvane("message");

    ASSERT_EQ(::kill(pid(), SIGTERM), 0);
    expectEndedLikeQuit();
    EXPECT_EQ(sets_testing::settingsLines(), QStringList({"cont:", "ext:"}));
}

// A logout in the middle of a copy: the program ends as "Quit Tolvane" would, the worker
// unwinds and removes the copy's temporary, and the settings file stays as it was.
TEST_F(Termination, SigtermInTheMiddleOfACopyLeavesNoTemporary) {
    constexpr std::uint64_t bytes = std::uint64_t(1) << 30;
    writeOneSet();
    writeLargeFile(source("large.bin"), bytes);
    const QByteArray settings = sets_testing::settingsBytes();
    // The program stops itself where the copy is under way: a temporary below the destination,
    // less than half of the file in it.
    startTolvane("copying", path("dst"));
    ASSERT_TRUE(waitUntil([this] { return stopped(); }));
    std::uint64_t copied = bytes;
    for (const std::string& temporary : temporariesBelow(path("dst"))) {
        struct stat status {};
        if (::lstat(temporary.c_str(), &status) == 0 && S_ISREG(status.st_mode))
            copied = std::uint64_t(status.st_size);
    }
    ASSERT_LT(copied, bytes / 2) << "the copy was nearly or wholly over when the program stopped";

    ASSERT_EQ(::kill(pid(), SIGTERM), 0);
    ASSERT_EQ(::kill(pid(), SIGCONT), 0);
    expectEndedLikeQuit();
    EXPECT_EQ(temporariesBelow(path("dst")), std::vector<std::string>{});
    EXPECT_FALSE(filetest::exists(copy("large.bin"))) << "the copy went on to its end";
    EXPECT_EQ(sets_testing::settingsBytes(), settings);
}

} // namespace
