#pragma once

#include "upload/DesktopNotifier.h"
#include "upload/TSSTP.h"

#include <QObject>
#include <deque>
#include <optional>

// The messages of an upload run on their way out. Each goes to the desktop
// companion over SSTP, one request at a time and in the order given; one
// that no companion took (nobody listens) becomes a desktop notice instead.
// The notifier learns on every request whether a companion listens, so a
// companion that starts or stops during a run is heard from the next
// message on.
class UploadNotices : public QObject {
    Q_OBJECT
public:
    explicit UploadNotices(QObject* parent = nullptr);

    // Queues one message: `script` is what the companion gets, `detail`
    // what a desktop notice adds under it.
    void Notify(const SjisString& script, const QString& detail = {});

    // Nothing queued and nothing in flight, to the companion or the desktop.
    bool Idle() const;
    // Runs the event loop until Idle() or `milliseconds` have passed, for a
    // process that is about to end; true when everything went.
    bool WaitUntilSent(int milliseconds);

    // Sender "Tav Outliner", Port 11000.
    TSSTP SSTP;
    // Hears the messages that no companion took.
    DesktopNotifier Desktop;

signals:
    void idle();

private:
    struct Message {
        SjisString script;
        QString detail;
    };
    void SendNext();
    void RequestEnded();
    void EmitIfIdle();

    std::deque<Message> queue_;
    std::optional<Message> inFlight_; // the one the companion has
};
