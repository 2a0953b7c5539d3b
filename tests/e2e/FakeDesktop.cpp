#include "FakeDesktop.h"

#include "BackupRun.h"

#include <QCoreApplication>

namespace e2e {

bool FakeDesktop::start(const QStringList& services) {
    if (!session_.start())
        return false;
    // Set before this process first uses the bus, which connects on first use.
    qputenv("DBUS_SESSION_BUS_ADDRESS", session_.address().toUtf8());
    if (services.contains(QStringLiteral("login1"))) {
        if (!system_.start())
            return false;
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", system_.address().toUtf8());
    }
    QObject::connect(&fake_, &QProcess::readyReadStandardOutput, &fake_, [this] { readLines(); });
    fake_.start(QCoreApplication::applicationDirPath() + "/e2e_fake_screensaver", services);
    return fake_.waitForStarted(5000) && waitFor("ready");
}

FakeDesktop::~FakeDesktop() {
    if (fake_.state() != QProcess::NotRunning) {
        fake_.kill();
        fake_.waitForFinished(5000);
    }
}

bool FakeDesktop::waitFor(const QByteArray& line, int times) {
    return waitUntil([&] { return count(line) >= times || fake_.state() == QProcess::NotRunning; },
                     kStepTimeoutMs) &&
           count(line) >= times;
}

void FakeDesktop::answer() {
    fake_.write("answer\n");
}

void FakeDesktop::readLines() {
    while (fake_.canReadLine())
        lines_ << fake_.readLine().trimmed();
}

} // namespace e2e
