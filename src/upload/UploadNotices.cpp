#include "upload/UploadNotices.h"

#include "document/TextCodec.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

UploadNotices::UploadNotices(QObject* parent) : QObject(parent)
{
    SSTP.SetHeader(TSSTP::Sender, "Tav Outliner");
    SSTP.SetPort(TSSTP::CompanionPort);
    connect(&SSTP, &TSSTP::requestEnded, this, &UploadNotices::SendNext);
}

// A message that comes while the previous one is still on its way waits for
// it: the notifier would refuse it, and the companion would never hear of a
// failure that follows the start closely.
void UploadNotices::Notify(const SjisString& script, const QString& detail)
{
    queue_.push_back({script, detail});
    SendNext();
}

void UploadNotices::SendNext()
{
    while (!queue_.empty() && !SSTP.Busy()) {
        const Message next = queue_.front();
        queue_.pop_front();
        SSTP.SetHeader(TSSTP::Script, next.script);
        SSTP.Send();
        if (SSTP.Active && SSTP.StatusCode() == TSSTP::StatusNoCompanion)
            Desktop.Show(TextCodec::ToUnicode(next.script), next.detail);
    }
}

bool UploadNotices::Idle() const
{
    return queue_.empty() && !SSTP.Busy();
}

bool UploadNotices::WaitUntilSent(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!Idle() && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return Idle();
}
