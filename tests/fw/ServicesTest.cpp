#include "fw/Services.h"

#include "support/DialogDriver.h"
#include "support/PrivateBus.h"

#include <atomic>
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Collects the warnings and errors logged while it lives.
class LogCapture {
public:
    LogCapture() { previous_ = qInstallMessageHandler(&LogCapture::handle); }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    static QStringList& lines() {
        static QStringList captured;
        return captured;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            lines().append(QString::fromLatin1(context.category) + ": " + text);
    }
    QtMessageHandler previous_;
};

// Stands in for the desktop's screen saver. It counts the calls and never answers, like a
// frozen service.
class FrozenScreenSaver : public QDBusVirtualObject {
public:
    std::atomic<int> calls = 0;

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (message.interface() == "org.freedesktop.ScreenSaver" &&
            message.member() == "SimulateUserActivity")
            ++calls;
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
};

// Runs SimulateUserActivity `count` times and gives the milliseconds taken.
qint64 millisecondsFor(int count) {
    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; i < count; ++i)
        fw::SimulateUserActivity();
    return elapsed.elapsed();
}

} // namespace

TEST(SimulateUserActivity, WithoutASessionBusReturnsAtOnceAndQuietly) {
    QTemporaryDir dir;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(dir.filePath("none")));
    LogCapture log;
    EXPECT_LT(millisecondsFor(100), 50);
    EXPECT_TRUE(LogCapture::lines().isEmpty()) << LogCapture::lines().join('\n').toStdString();
}

TEST(SimulateUserActivity, ReachesTheScreenSaverWithoutWaitingForIt) {
    PrivateBus bus;
    if (!bus.start())
        GTEST_SKIP() << "no dbus-daemon could be started";
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "this process connected to another session bus before; run alone";

    LogCapture log;
    // No service yet: the calls fail on the bus and nobody hears of it.
    EXPECT_LT(millisecondsFor(10), 50);

    QDBusConnection service =
        QDBusConnection::connectToBus(bus.address(), QStringLiteral("fake-screensaver"));
    ASSERT_TRUE(service.isConnected());
    FrozenScreenSaver screenSaver;
    ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/ScreenSaver"), &screenSaver));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));

    EXPECT_LT(millisecondsFor(100), 50);
    EXPECT_TRUE(QTest::qWaitFor([&] { return screenSaver.calls == 100; }, 5000))
        << screenSaver.calls << " calls arrived";
    EXPECT_TRUE(LogCapture::lines().isEmpty()) << LogCapture::lines().join('\n').toStdString();

    service.unregisterObject(QStringLiteral("/ScreenSaver"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-screensaver"));
}

class PackageFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(root.isValid()); }

    fw::FolderItem item(const QString& name) const {
        return fw::FolderItem::fromNativePath(QFile::encodeName(root.filePath(name)).toStdString());
    }
    void makeFolder(const QString& name) const { ASSERT_TRUE(QDir(root.path()).mkpath(name)); }
    void makeFile(const QString& name, QFile::Permissions permissions) const {
        QFile file(root.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        ASSERT_TRUE(file.setPermissions(permissions));
    }

    QTemporaryDir root;
};

TEST_F(PackageFolderTest, BundleExtensionsInAnyCase) {
    for (const QString name : {"Mail.app", "Numbers.APP", "Notes.Pages", "Disk.sparsebundle",
                               "Kit.framework", "Ed.rtfd", "Proj.xcodeproj"}) {
        makeFolder(name);
        EXPECT_TRUE(fw::isPackageFolder(item(name))) << name.toStdString();
    }
}

TEST_F(PackageFolderTest, PlainFoldersFilesAndMissingItemsAreNot) {
    makeFolder("Documents");
    makeFolder("apps");
    makeFolder("Notes.txt");
    makeFile("x.app", QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_FALSE(fw::isPackageFolder(item("Documents")));
    EXPECT_FALSE(fw::isPackageFolder(item("apps")));
    EXPECT_FALSE(fw::isPackageFolder(item("Notes.txt")));
    EXPECT_FALSE(fw::isPackageFolder(item("x.app")));
    EXPECT_FALSE(fw::isPackageFolder(item("gone.app")));
    EXPECT_FALSE(fw::isPackageFolder(fw::GetFolderItem("Backup:Mail.app:")));
}

TEST_F(PackageFolderTest, AppDirNeedsAnExecutableAppRunFile) {
    makeFolder("Tool.AppDir");
    makeFile("Tool.AppDir/AppRun", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(fw::isPackageFolder(item("Tool.AppDir")));

    makeFolder("Linked");
    ASSERT_TRUE(QFile::link("../Tool.AppDir/AppRun", root.filePath("Linked/AppRun")));
    EXPECT_TRUE(fw::isPackageFolder(item("Linked")));

    makeFolder("NotRunnable");
    makeFile("NotRunnable/AppRun", QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_FALSE(fw::isPackageFolder(item("NotRunnable")));

    makeFolder("FolderRun/AppRun");
    EXPECT_FALSE(fw::isPackageFolder(item("FolderRun")));
}

TEST_F(PackageFolderTest, LinksAreFollowed) {
    makeFolder("Real.app");
    ASSERT_TRUE(QFile::link(root.filePath("Real.app"), root.filePath("Alias.app")));
    ASSERT_TRUE(QFile::link(root.filePath("Missing"), root.filePath("Broken.app")));
    EXPECT_TRUE(fw::isPackageFolder(item("Alias.app")));
    EXPECT_FALSE(fw::isPackageFolder(item("Broken.app")));
}

TEST(ReportUnhandledException, ShowsTheErrorAndLogsIt) {
    LogCapture log;
    const auto seen = answerNextDialog("OK");
    fw::reportUnhandledException("std::bad_alloc");
    ASSERT_TRUE(seen->answered);
    EXPECT_EQ(seen->title, QCoreApplication::applicationName());
    EXPECT_EQ(seen->icon, QMessageBox::Critical);
    EXPECT_EQ(seen->buttons, QStringList{"OK"});
    EXPECT_TRUE(seen->text.contains("unexpected error")) << seen->text.toStdString();
    EXPECT_TRUE(seen->text.contains("std::bad_alloc")) << seen->text.toStdString();
    const QStringList logged = LogCapture::lines().filter(QRegularExpression("^tolvane.fw: "));
    ASSERT_EQ(logged.size(), 1) << LogCapture::lines().join('\n').toStdString();
    EXPECT_TRUE(logged.first().contains("std::bad_alloc"));
}
