#include "AsUser.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <pwd.h>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <unistd.h>

namespace asuser {

namespace {

constexpr char kSideVariable[] = "TOLVANE_TEST_USER_SIDE";

// Tests run in parallel: a useradd that loses the race for the account database fails, and
// the account may then exist all the same, made by the other test.
bool accountExists() {
    if (::getpwnam(kUserName))
        return true;
    for (int attempt = 0; attempt < 20 && !::getpwnam(kUserName); ++attempt)
        QProcess::execute("useradd", {"--system", "--no-create-home", "--shell",
                                      "/usr/sbin/nologin", QString::fromLatin1(kUserName)});
    return ::getpwnam(kUserName) != nullptr;
}

} // namespace

std::string unavailableReason() {
    if (::geteuid() != 0)
        return "runs as an ordinary user already, so it cannot set up a second user";
    if (QStandardPaths::findExecutable("runuser").isEmpty() ||
        QStandardPaths::findExecutable("useradd").isEmpty())
        return "runuser or useradd is not installed";
    if (!accountExists())
        return std::string("cannot create the user ") + kUserName;
    return {};
}

bool inUserSide() {
    return std::getenv(kSideVariable) != nullptr;
}

std::string sharedFolder() {
    const char* folder = std::getenv(kSideVariable);
    return folder ? folder : "";
}

void shareWithUser(const std::string& folder) {
    const passwd* user = ::getpwnam(kUserName);
    ASSERT_NE(user, nullptr);
    const auto give = [user](const std::filesystem::path& path) {
        ASSERT_EQ(::lchown(path.c_str(), user->pw_uid, user->pw_gid), 0) << path;
    };
    give(folder);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        give(entry.path());
}

int runThisTestAsUser(const std::string& folder) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter =
        QString("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name());
    const QString program =
        QString::fromLocal8Bit(std::filesystem::read_symlink("/proc/self/exe").c_str());

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kSideVariable, QString::fromLocal8Bit(folder.c_str()));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start("runuser", {"-u", QString::fromLatin1(kUserName), "--", program, filter});
    if (!child.waitForStarted() || !child.waitForFinished(-1) ||
        child.exitStatus() != QProcess::NormalExit)
        return -1;
    return child.exitCode();
}

} // namespace asuser
