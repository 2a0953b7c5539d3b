#include "SingleInstance.h"

#include "Logging.h"
#include "PosixFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <sys/file.h>

namespace fw {

namespace {

constexpr char kRaise[] = "raise\n";
constexpr char kRaised[] = "raised\n";
// How long a later start waits for the first to answer before it gives up and ends.
constexpr int kAnswerTimeoutMs = 5000;

QString socketPath(const QString& folder) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(QFile::decodeName(runtime)).exists())
        return QFile::decodeName(runtime) + "/" + QCoreApplication::applicationName() + ".instance";
    return folder + "/instance.socket";
}

// The first copy's lock, held until the process ends.
posix::UniqueFd& lockFile() {
    static posix::UniqueFd lock;
    return lock;
}

void askFirstToRaise(const QString& path) {
    QLocalSocket first;
    first.connectToServer(path);
    if (!first.waitForConnected(kAnswerTimeoutMs)) {
        qCWarning(lcFw) << "the running copy does not answer at" << path << first.errorString();
        return;
    }
    first.write(kRaise);
    if (!first.waitForBytesWritten(kAnswerTimeoutMs) || !first.waitForReadyRead(kAnswerTimeoutMs))
        qCWarning(lcFw) << "the running copy did not raise its window" << first.errorString();
}

void listen(const QString& path, std::function<void()> raise) {
    auto* server = new QLocalServer(QCoreApplication::instance());
    // A socket left by a copy that ended without removing it: the lock shows it is nobody's.
    QLocalServer::removeServer(path);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        qCWarning(lcFw) << "a later start cannot reach this one:" << server->errorString();
        return;
    }
    QObject::connect(server, &QLocalServer::newConnection, server, [server, raise] {
        while (QLocalSocket* later = server->nextPendingConnection()) {
            QObject::connect(later, &QLocalSocket::disconnected, later, &QObject::deleteLater);
            QObject::connect(later, &QLocalSocket::readyRead, later, [later, raise] {
                if (!later->canReadLine())
                    return;
                if (later->readLine() == kRaise) {
                    raise();
                    later->write(kRaised);
                }
                later->disconnectFromServer();
            });
        }
    });
}

} // namespace

bool claimSingleInstance(const std::string& folder, std::function<void()> raise) {
    const QString folderPath = QFile::decodeName(QByteArray::fromStdString(folder));
    QDir().mkpath(folderPath);
    const std::string lockPath = folder + "/instance.lock";
    posix::UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (lock.get() >= 0 && ::flock(lock.get(), LOCK_EX | LOCK_NB) == 0) {
        lockFile() = std::move(lock);
        listen(socketPath(folderPath), std::move(raise));
    } else if (lock.get() >= 0 && errno == EWOULDBLOCK) {
        askFirstToRaise(socketPath(folderPath));
        return false;
    } else {
        // The rule cannot be kept without the lock; the program runs, and leaves the socket of
        // a copy that may be running alone.
        qCWarning(lcFw) << "Cannot lock" << lockPath.c_str() << ":" << std::strerror(errno);
    }
    return true;
}

} // namespace fw
