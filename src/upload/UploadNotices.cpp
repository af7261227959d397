#include "upload/UploadNotices.h"

#include "document/TextCodec.h"

#include <QEventLoop>
#include <QTimer>

UploadNotices::UploadNotices(QObject* parent) : QObject(parent)
{
    SSTP.SetHeader(TSSTP::Sender, "Tav Outliner");
    SSTP.SetPort(11000);
    connect(&SSTP, &TSSTP::requestEnded, this, &UploadNotices::RequestEnded);
    connect(&Desktop, &DesktopNotifier::idle, this, &UploadNotices::EmitIfIdle);
}

// A message that comes while the previous one is still on its way waits for
// it: the notifier would refuse it, and the companion would never hear of a
// failure that follows the start closely.
void UploadNotices::Notify(const SjisString& script, const QString& detail)
{
    queue_.push_back({script, detail});
    SendNext();
}

bool UploadNotices::Idle() const
{
    return queue_.empty() && !inFlight_ && !SSTP.Busy() && Desktop.Idle();
}

bool UploadNotices::WaitUntilSent(int milliseconds)
{
    if (Idle())
        return true;
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &UploadNotices::idle, &loop, &QEventLoop::quit);
    bound.start(milliseconds);
    loop.exec();
    return Idle();
}

void UploadNotices::SendNext()
{
    while (!queue_.empty() && !inFlight_ && !SSTP.Busy()) {
        inFlight_ = std::move(queue_.front());
        queue_.pop_front();
        SSTP.SetHeader(TSSTP::Script, inFlight_->script);
        SSTP.Send();
        if (!SSTP.Busy())
            inFlight_.reset(); // an inactive notifier sends nothing, and nothing follows
    }
    EmitIfIdle();
}

void UploadNotices::RequestEnded()
{
    // Someone else's refused request (status 7) while ours is in flight.
    if (SSTP.Busy() || !inFlight_)
        return;
    const Message ended = *std::exchange(inFlight_, std::nullopt);
    if (SSTP.StatusCode() == TSSTP::StatusNoCompanion)
        Desktop.Show(TextCodec::ToUnicode(ended.script), ended.detail);
    SendNext();
}

void UploadNotices::EmitIfIdle()
{
    if (Idle())
        emit idle();
}
