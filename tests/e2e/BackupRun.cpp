#include "BackupRun.h"

#include "fw/Canvas.h"
#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"
#include "sets/SetsTesting.h"
#include "shell/Pictures.h"
#include "Trees.h"

#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTimer>

namespace e2e {

namespace {

constexpr int kBackupPage = 2;

QString listLine(const QString& key, const QStringList& entries) {
    QString line = key;
    for (const QString& entry : entries)
        line += entry + "?";
    return line;
}

} // namespace

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return done();
}

void BackupRunTest::writeSettings(const std::vector<SetLine>& sets, const QStringList& contains,
                                  const QStringList& extensions) {
    QStringList lines;
    for (const SetLine& set : sets)
        lines << sets_testing::setLine(set.enabled, QString::fromStdString(set.source),
                                       QString::fromStdString(set.destination));
    lines << listLine("cont:", contains) << listLine("ext:", extensions);
    sets_testing::writeSettings(lines);
}

void BackupRunTest::writeOneSet(const QStringList& contains, const QStringList& extensions) {
    makeFolders(path("src"));
    makeFolders(path("dst"));
    writeSettings({{path("src"), path("dst")}}, contains, extensions);
}

mainwindow::MainWindow& BackupRunTest::window() {
    mainwindow::MainWindow& shown = ::MainWindow();
    if (shown.TabPanel1->currentIndex() != kBackupPage)
        shown.TabPanel1->setCurrentIndex(kBackupPage);
    return shown;
}

bool BackupRunTest::running() {
    const mainwindow::MainWindow& shown = ::MainWindow();
    return shown.thr_Build->State() == fw::Thread::Running ||
           shown.thr_backup->State() == fw::Thread::Running;
}

bool BackupRunTest::listingUnderWay() {
    const mainwindow::MainWindow& shown = ::MainWindow();
    return shown.stx_status->text() == "Building list" && shown.TotalItemCount > 0;
}

void BackupRunTest::runBackup(const std::function<void()>& whileListing) {
    const auto end = answerNextDialog("OK", kRunTimeoutMs);
    std::optional<WorkerHold> hold;
    if (whileListing)
        hold.emplace(listingUnderWay);
    window().btn_Backup->click();
    if (whileListing) {
        EXPECT_TRUE(waitUntil(listingUnderWay)) << "the listing never started";
        whileListing();
        hold.reset();
    }
    ASSERT_TRUE(waitUntil([] { return !running(); }, kRunTimeoutMs)) << "the run did not end";
    ASSERT_TRUE(waitForDialogs(kStepTimeoutMs));
    EXPECT_TRUE(end->answered);
    std::string errors;
    for (const std::string& message : errorMessages())
        errors += "\n  " + message;
    EXPECT_EQ(end->text, "Backup Complete") << "error list:" << errors;
}

std::shared_ptr<SeenDialog>
BackupRunTest::runBackupWithErrors(const QString& answer,
                                   const std::function<void()>& onceCopying) {
    const auto errors = answerNextDialog(answer, kRunTimeoutMs);
    const auto confirmation = answer == "Yes" ? answerNextDialog("OK", kRunTimeoutMs) : nullptr;
    window().btn_Backup->click();
    if (onceCopying) {
        EXPECT_TRUE(waitUntil([] { return ::MainWindow().stx_status->text() == "Backing Up"; }))
            << "the copy pass did not start";
        onceCopying();
    }
    EXPECT_TRUE(waitUntil([] { return !running(); }, kRunTimeoutMs)) << "the run did not end";
    EXPECT_TRUE(waitForDialogs(kStepTimeoutMs));
    EXPECT_TRUE(errors->answered);
    EXPECT_EQ(errors->title, "Errors");
    if (confirmation) {
        EXPECT_TRUE(confirmation->answered);
        EXPECT_EQ(confirmation->text, "Error list has been saved to your Desktop");
    }
    return errors;
}

void BackupRunTest::expectIdleLook(const QString& status) {
    const mainwindow::MainWindow& shown = ::MainWindow();
    EXPECT_FALSE(shown.BackingUp);
    EXPECT_FALSE(running());
    EXPECT_EQ(shown.btn_Backup->text(), "Start Backup");
    EXPECT_EQ(shown.stx_status->text(), status);
    EXPECT_EQ(shown.stx_Info->text(), "");
    EXPECT_FALSE(shown.tmrNoSleep->isActive()) << "the sleep guard is still on";
    EXPECT_TRUE(shown.stx_Scrolling->isHidden());
    EXPECT_FALSE(shown.cvs_topRight->Backdrop().isNull());
    EXPECT_EQ(shown.cvs_topRight->Backdrop().cacheKey(), shell::hard_drive().cacheKey());
    EXPECT_TRUE(shown.cvs_middle->Backdrop().isNull());
}

std::vector<std::string> BackupRunTest::errorMessages() {
    static const QRegularExpression stamp(QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d - )"));
    std::vector<std::string> messages;
    for (const std::string& entry : ::MainWindow().ErrorList) {
        const QRegularExpressionMatch match = stamp.match(QString::fromStdString(entry));
        EXPECT_TRUE(match.hasMatch()) << "entry without its time stamp: " << entry;
        messages.push_back(match.hasMatch() ? entry.substr(std::size_t(match.capturedLength()))
                                            : entry);
    }
    return messages;
}

std::vector<std::string> BackupRunTest::savedErrorLists() {
    std::vector<std::string> saved;
    for (const std::string& name : filetest::namesIn(QDir::homePath().toStdString() + "/Desktop"))
        if (name.starts_with("Tolvane "))
            saved.push_back(name);
    return saved;
}

} // namespace e2e
