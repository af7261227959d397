#pragma once

#include "document/SjisString.h"
#include "upload/DesktopNotifier.h"
#include "upload/TSSTP.h"

#include <QObject>
#include <deque>

// The upload run's messages: each goes to the SSTP companion in turn, and a
// message no companion took goes to the desktop's notices.
class UploadNotices : public QObject {
    Q_OBJECT
public:
    explicit UploadNotices(QObject* parent = nullptr);

    // Queues one message: `script` is what the companion gets, `detail` what
    // a desktop notice adds under it.
    void Notify(const SjisString& script, const QString& detail = {});
    // Nothing is queued or on its way.
    bool Idle() const;
    // Runs the event loop until Idle or the bound; true when all went.
    bool WaitUntilSent(int milliseconds);

    TSSTP SSTP;
    DesktopNotifier Desktop;

private:
    void SendNext();

    struct Message {
        SjisString script;
        QString detail;
    };
    std::deque<Message> queue_;
};
