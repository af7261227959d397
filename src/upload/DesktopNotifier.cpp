#include "upload/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <utility>

namespace {

const char* const Service = "org.freedesktop.Notifications";
const char* const Path = "/org/freedesktop/Notifications";
// A notice that the service has not taken by then is not worth holding the
// next one back for.
const int CallTimeOut = 5000;

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

// The body is markup to the service (links, images, bold): text from
// elsewhere, such as a server's reply, must show as the characters it is.
QString MarkupEscaped(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('&'))
            escaped += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            escaped += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            escaped += QLatin1String("&gt;");
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

bool DesktopNotifier::Show(const QString& summary, const QString& body)
{
    if (!SessionBusConfigured() || !QDBusConnection::sessionBus().isConnected())
        return false;
    if (inFlight_)
        waiting_ = Notice{summary, body};
    else
        Call({summary, body});
    return true;
}

void DesktopNotifier::Call(const Notice& notice)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(Path),
                                                       QLatin1String(Service), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), IconName}};
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
    call << AppName << shownId_ << IconName << notice.summary << MarkupEscaped(notice.body) << QStringList()
         << hints << qint32(-1);
    // No service activation: a desktop without a notification service shows
    // nothing, rather than having the bus start one on our behalf.
    call.setAutoStartService(false);
    inFlight_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, CallTimeOut), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid())
            shownId_ = reply.value();
        w->deleteLater();
        Answered();
    });
}

void DesktopNotifier::Answered()
{
    inFlight_ = false;
    if (waiting_) {
        const Notice next = *std::exchange(waiting_, std::nullopt);
        Call(next);
    } else {
        emit idle();
    }
}
