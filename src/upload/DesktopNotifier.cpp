#include "upload/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>

namespace {

const char* const Service = "org.freedesktop.Notifications";
const char* const Path = "/org/freedesktop/Notifications";

// Without an address the bus library would try to start a bus of its own
// (autolaunch), which can take a while and leaves a daemon behind; only a
// bus the session already has is used.
bool SessionBusConfigured()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

bool DesktopNotifier::Show(const QString& summary, const QString& body)
{
    if (!SessionBusConfigured())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(Path),
                                                       QLatin1String(Service), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), IconName}};
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
    call << AppName << shownId_ << IconName << summary << body << QStringList() << hints << qint32(-1);
    // No service activation: a desktop without a notification service shows
    // nothing, rather than having the bus start one on our behalf.
    call.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid())
            shownId_ = reply.value();
        w->deleteLater();
    });
    return true;
}
