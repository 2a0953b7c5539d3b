#include "SleepInhibitor.h"

#include "Logging.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QPointer>
#include <QVariantMap>

namespace fw {

namespace {

const QString kReason = QStringLiteral("A backup is running");
constexpr uint kSuspendAndIdle = 4 | 8;

// The services in the order they are asked.
enum class Service { Portal, GnomeSession, PowerManagement, Logind, None };

Service next(Service service) {
    return Service(int(service) + 1);
}

QDBusConnection busOf(Service service) {
    return service == Service::Logind ? QDBusConnection::systemBus()
                                      : QDBusConnection::sessionBus();
}

QDBusMessage inhibitCall(Service service) {
    QDBusMessage call;
    switch (service) {
    case Service::Portal:
        call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                              QStringLiteral("/org/freedesktop/portal/desktop"),
                                              QStringLiteral("org.freedesktop.portal.Inhibit"),
                                              QStringLiteral("Inhibit"));
        call << QString() << kSuspendAndIdle << QVariantMap{{QStringLiteral("reason"), kReason}};
        // The portal is started on demand.
        return call;
    case Service::GnomeSession:
        call = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.SessionManager"), QStringLiteral("/org/gnome/SessionManager"),
            QStringLiteral("org.gnome.SessionManager"), QStringLiteral("Inhibit"));
        call << QCoreApplication::applicationName() << uint(0) << kReason << kSuspendAndIdle;
        break;
    case Service::PowerManagement:
        call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.PowerManagement"),
            QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
            QStringLiteral("org.freedesktop.PowerManagement.Inhibit"), QStringLiteral("Inhibit"));
        call << QCoreApplication::applicationName() << kReason;
        break;
    case Service::Logind:
        call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
        call << QStringLiteral("sleep:idle") << QCoreApplication::applicationName() << kReason
             << QStringLiteral("block");
        break;
    case Service::None:
        break;
    }
    call.setAutoStartService(false);
    return call;
}

// What a service granted: the portal's request object, a session cookie or a logind lock.
struct Grant {
    Service service = Service::None;
    QDBusObjectPath request;
    uint cookie = 0;
    QDBusUnixFileDescriptor lock;
};

// Sends the call that ends `grant`, without waiting for an answer; a logind lock ends when
// its descriptor closes, as the grant goes.
void end(const Grant& grant) {
    QDBusMessage call;
    switch (grant.service) {
    case Service::Portal:
        call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.portal.Desktop"), grant.request.path(),
            QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close"));
        break;
    case Service::GnomeSession:
        call = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.SessionManager"), QStringLiteral("/org/gnome/SessionManager"),
            QStringLiteral("org.gnome.SessionManager"), QStringLiteral("Uninhibit"));
        call << grant.cookie;
        break;
    case Service::PowerManagement:
        call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.PowerManagement"),
            QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
            QStringLiteral("org.freedesktop.PowerManagement.Inhibit"), QStringLiteral("UnInhibit"));
        call << grant.cookie;
        break;
    case Service::Logind:
    case Service::None:
        return;
    }
    call.setAutoStartService(false);
    busOf(grant.service).send(call);
}

// Reads the grant from a service's answer; a grant of Service::None when it refused.
Grant grantFrom(Service service, const QDBusPendingCall& answer) {
    Grant grant;
    if (answer.isError()) {
        qCDebug(lcFw) << "no inhibitor from" << int(service) << answer.error().message();
        return grant;
    }
    switch (service) {
    case Service::Portal:
        grant.request = QDBusPendingReply<QDBusObjectPath>(answer).value();
        break;
    case Service::GnomeSession:
    case Service::PowerManagement:
        grant.cookie = QDBusPendingReply<uint>(answer).value();
        break;
    case Service::Logind:
        grant.lock = QDBusPendingReply<QDBusUnixFileDescriptor>(answer).value();
        break;
    case Service::None:
        return grant;
    }
    grant.service = service;
    return grant;
}

class Inhibitor : public QObject {
public:
    using QObject::QObject;
    ~Inhibitor() override { end(grant_); }

    void hold() {
        wanted_ = true;
        if (!asking_ && grant_.service == Service::None)
            ask(Service::Portal);
    }

    void release() {
        wanted_ = false;
        end(grant_);
        grant_ = Grant();
    }

private:
    // Asks `service`, or the first one after it whose bus is there.
    void ask(Service service) {
        while (service != Service::None && !busOf(service).isConnected())
            service = next(service);
        if (service == Service::None)
            return;
        asking_ = true;
        auto* watcher =
            new QDBusPendingCallWatcher(busOf(service).asyncCall(inhibitCall(service)), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, service](QDBusPendingCallWatcher* answered) {
                    answered->deleteLater();
                    asking_ = false;
                    Grant grant = grantFrom(service, *answered);
                    if (grant.service == Service::None) {
                        if (wanted_)
                            ask(next(service));
                    } else if (wanted_) {
                        grant_ = std::move(grant);
                    } else {
                        end(grant);
                    }
                });
    }

    bool wanted_ = false;
    bool asking_ = false;
    Grant grant_;
};

// The process's one inhibitor, made on first use and gone with the application object.
Inhibitor& inhibitor() {
    static QPointer<Inhibitor> instance;
    if (!instance)
        instance = new Inhibitor(QCoreApplication::instance());
    return *instance;
}

} // namespace

void holdAwake() {
    inhibitor().hold();
}

void releaseAwake() {
    inhibitor().release();
}

} // namespace fw
