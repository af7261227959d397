#pragma once

#include <QObject>
#include <QString>
#include <optional>

// Shows short notices through the desktop's notification service
// (org.freedesktop.Notifications on the session bus). A notice never waits:
// the call goes out and its answer comes back through the event loop.
// Without a session bus, or on a bus where no service owns the name,
// nothing is shown and nothing is reported.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);

    // The program's name and its icon as the packaging installs it; the
    // icon name is also the desktop entry's, so the service can find both.
    QString AppName = QStringLiteral("Tav Outliner");
    QString IconName = QStringLiteral("tav-outliner");

    // Shows one notice; `body` is plain text. Each notice replaces the one
    // before it, so a run leaves a single notice with its outcome rather
    // than a stack of them: to replace, a notice needs the id the service
    // gave the one before, so one call is in flight at a time and a notice
    // that comes meanwhile waits for its answer (a newer one supersedes it).
    // False when no session bus is reachable: nothing was sent.
    bool Show(const QString& summary, const QString& body = {});

    // Nothing in flight and nothing waiting.
    bool Idle() const { return !inFlight_ && !waiting_; }

signals:
    // The last answer came and nothing waits.
    void idle();

private:
    struct Notice {
        QString summary;
        QString body;
    };
    void Call(const Notice& notice);
    void Answered();

    uint shownId_ = 0; // the service's id of the last notice shown
    bool inFlight_ = false;
    std::optional<Notice> waiting_;
};
