#pragma once

#include <QObject>
#include <QString>

// Shows short notices through the desktop's notification service
// (org.freedesktop.Notifications on the session bus). A notice never waits:
// the call goes out at once and its answer comes back through the event
// loop. Without a session bus, or on a bus where no service owns the name,
// nothing is shown and nothing is reported.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);

    // The program's name and its icon as the packaging installs it; the
    // icon name is also the desktop entry's, so the service can find both.
    QString AppName = QStringLiteral("Tav Outliner");
    QString IconName = QStringLiteral("tav-outliner");

    // Sends one notice. Each notice replaces the one before it, so a run
    // leaves a single notice with its outcome rather than a stack of them.
    // False when no session bus is reachable: nothing was sent.
    bool Show(const QString& summary, const QString& body = {});

private:
    uint shownId_ = 0; // the service's id of the last notice, 0 before its answer
};
