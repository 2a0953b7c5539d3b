#include "support/PrivateBus.h"

#include <QStandardPaths>

bool PrivateBus::start() {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        return false;
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address"),
                   QStringLiteral("--address=unix:path=") + folder_.filePath("bus")});
    if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000))
        return false;
    address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    return !address_.isEmpty();
}

PrivateBus::~PrivateBus() {
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
}
