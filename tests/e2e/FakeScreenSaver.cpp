#include <cstdio>
#include <map>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QSocketNotifier>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

// Stands in for the desktop's services on the session bus named by DBUS_SESSION_BUS_ADDRESS
// (and logind on the bus named by DBUS_SYSTEM_BUS_ADDRESS). The arguments name the services
// it offers: "screensaver" (the default), "portal", "gnome", "powermanagement", "login1";
// with "--hold-answers" it answers an inhibit call only when a line "answer" arrives on its
// standard input. It prints "ready" once it owns its names, then one line per event:
// "SimulateUserActivity", "asked NAME" (an inhibit call came), "inhibit NAME" (granted),
// "release NAME" (released by its call, or for login1 by closing the lock), "gone NAME" (the
// holder left the bus still holding it).
namespace {

void report(const QString& line) {
    std::fputs(qPrintable(line + '\n'), stdout);
    std::fflush(stdout);
}

// Inhibit calls waiting for "answer", and how to answer each.
struct Waiting {
    QDBusMessage call;
    std::function<void()> answer;
};
std::vector<Waiting> waiting;
bool holdAnswers = false;

void answerLater(const QDBusMessage& call, std::function<void()> answer) {
    if (!holdAnswers) {
        answer();
        return;
    }
    call.setDelayedReply(true);
    waiting.push_back({call, std::move(answer)});
}

class ScreenSaver : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != QLatin1String("org.freedesktop.ScreenSaver") ||
            message.member() != QLatin1String("SimulateUserActivity"))
            return false;
        report(QStringLiteral("SimulateUserActivity"));
        connection.send(message.createReply());
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
};

// An inhibiting service with cookies (or portal request objects): grants, releases, and
// reports a holder that leaves the bus without releasing.
class Inhibiting : public QDBusVirtualObject {
public:
    Inhibiting(QString name, QString interface, QString release)
        : name_(std::move(name))
        , interface_(std::move(interface))
        , release_(std::move(release)) {}

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == QLatin1String("Inhibit") && message.interface() == interface_) {
            report("asked " + name_);
            answerLater(message, [this, message, connection] { grant(message, connection); });
            return true;
        }
        if (message.member() != release_)
            return false;
        const uint cookie = name_ == QLatin1String("portal")
                                ? portalCookie(message.path())
                                : message.arguments().value(0).toUInt();
        if (held_.erase(cookie) > 0)
            report("release " + name_);
        connection.send(message.createReply());
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

private:
    static uint portalCookie(const QString& path) { return path.section('/', -1).toUInt(); }

    void grant(const QDBusMessage& message, const QDBusConnection& connection) {
        const uint cookie = ++lastCookie_;
        held_[cookie] = message.service();
        watch(message.service(), cookie, connection);
        report("inhibit " + name_);
        if (name_ == QLatin1String("portal"))
            connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(
                "/org/freedesktop/portal/desktop/request/" + QString::number(cookie)))));
        else
            connection.send(message.createReply(cookie));
    }

    void watch(const QString& holder, uint cookie, const QDBusConnection& connection) {
        auto* watcher = new QDBusServiceWatcher(holder, connection,
                                                QDBusServiceWatcher::WatchForUnregistration);
        QObject::connect(watcher, &QDBusServiceWatcher::serviceUnregistered, watcher,
                         [this, cookie, watcher] {
                             if (held_.erase(cookie) > 0)
                                 report("gone " + name_);
                             watcher->deleteLater();
                         });
    }

    QString name_;
    QString interface_;
    QString release_;
    uint lastCookie_ = 0;
    std::map<uint, QString> held_;
};

// logind's Manager.Inhibit: the lock is one end of a socket pair; the other end reads the
// end of file when the holder closes it.
class Logind : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("Inhibit") ||
            message.interface() != QLatin1String("org.freedesktop.login1.Manager"))
            return false;
        report(QStringLiteral("asked login1"));
        answerLater(message, [message, connection] {
            int ends[2];
            if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
                connection.send(message.createErrorReply(QDBusError::Failed, "socketpair"));
                return;
            }
            auto* closed = new QSocketNotifier(ends[0], QSocketNotifier::Read);
            QObject::connect(closed, &QSocketNotifier::activated, closed, [closed, ends] {
                char byte;
                if (::read(ends[0], &byte, 1) > 0)
                    return;
                report(QStringLiteral("release login1"));
                closed->setEnabled(false);
                ::close(ends[0]);
                closed->deleteLater();
            });
            report(QStringLiteral("inhibit login1"));
            connection.send(
                message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
            ::close(ends[1]);
        });
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
};

bool offer(QDBusConnection bus, const QString& service, const QString& path,
           QDBusVirtualObject* object) {
    return bus.isConnected() && bus.registerVirtualObject(path, object, QDBusConnection::SubPath) &&
           bus.registerService(service);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QStringList services = application.arguments().mid(1);
    holdAnswers = services.removeAll(QStringLiteral("--hold-answers")) > 0;
    if (services.isEmpty())
        services << QStringLiteral("screensaver");

    QDBusConnection session = QDBusConnection::sessionBus();
    ScreenSaver screenSaver;
    Inhibiting portal(QStringLiteral("portal"), QStringLiteral("org.freedesktop.portal.Inhibit"),
                      QStringLiteral("Close"));
    Inhibiting gnome(QStringLiteral("gnome"), QStringLiteral("org.gnome.SessionManager"),
                     QStringLiteral("Uninhibit"));
    Inhibiting powerManagement(QStringLiteral("powermanagement"),
                               QStringLiteral("org.freedesktop.PowerManagement.Inhibit"),
                               QStringLiteral("UnInhibit"));
    Logind logind;
    for (const QString& service : services) {
        bool offered = false;
        if (service == QLatin1String("screensaver"))
            offered = offer(session, "org.freedesktop.ScreenSaver", "/ScreenSaver", &screenSaver);
        else if (service == QLatin1String("portal"))
            offered = offer(session, "org.freedesktop.portal.Desktop",
                            "/org/freedesktop/portal/desktop", &portal);
        else if (service == QLatin1String("gnome"))
            offered =
                offer(session, "org.gnome.SessionManager", "/org/gnome/SessionManager", &gnome);
        else if (service == QLatin1String("powermanagement"))
            offered = offer(session, "org.freedesktop.PowerManagement",
                            "/org/freedesktop/PowerManagement/Inhibit", &powerManagement);
        else if (service == QLatin1String("login1"))
            offered = offer(QDBusConnection::systemBus(), "org.freedesktop.login1",
                            "/org/freedesktop/login1", &logind);
        if (!offered)
            return 1;
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &input, [&input] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            return;
        }
        for (Waiting& call : std::exchange(waiting, {}))
            call.answer();
    });
    report(QStringLiteral("ready"));
    return application.exec();
}
