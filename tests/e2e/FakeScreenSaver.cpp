#include <cstdio>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>

// Stands in for the desktop's screen saver on the session bus named by
// DBUS_SESSION_BUS_ADDRESS: prints "ready" once it owns org.freedesktop.ScreenSaver, then one
// line "SimulateUserActivity" for every such call it receives.
namespace {

class ScreenSaver : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != QLatin1String("org.freedesktop.ScreenSaver") ||
            message.member() != QLatin1String("SimulateUserActivity"))
            return false;
        std::fputs("SimulateUserActivity\n", stdout);
        std::fflush(stdout);
        connection.send(message.createReply());
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    ScreenSaver screenSaver;
    if (!bus.isConnected() ||
        !bus.registerVirtualObject(QStringLiteral("/ScreenSaver"), &screenSaver) ||
        !bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")))
        return 1;
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    return application.exec();
}
