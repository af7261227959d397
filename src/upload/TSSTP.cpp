#include "upload/TSSTP.h"

#include <QCoreApplication>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace {

const char* const HeaderNames[] = {"Sender", "Script", "Option", "Command", "Document",
                                   "Songname", "Sentence", "Entry", "HWnd", "Port"};

} // namespace

// --- Entry lines ------------------------------------------------------------

size_t TMultiLineHeaderContents::StoreIndex(int index) const
{
    int seen = 0;
    for (size_t i = 0; i < store_.size(); ++i) {
        const SjisString& line = store_[i];
        if (line.compare(0, line.find(':'), name_) == 0 && line.find(':') == name_.size()) {
            if (seen++ == index)
                return i;
        }
    }
    return SjisString::npos;
}

int TMultiLineHeaderContents::Count() const
{
    int n = 0;
    while (StoreIndex(n) != SjisString::npos)
        ++n;
    return n;
}

SjisString TMultiLineHeaderContents::Get(int index) const
{
    const size_t at = StoreIndex(index);
    if (at == SjisString::npos)
        return {};
    const SjisString& line = store_[at];
    const size_t colon = line.find(": ");
    return colon == SjisString::npos ? SjisString() : line.substr(colon + 2);
}

void TMultiLineHeaderContents::Put(int index, SjisView value)
{
    const size_t at = StoreIndex(index);
    if (at != SjisString::npos)
        store_[at] = name_ + ": " + SjisString(value);
}

void TMultiLineHeaderContents::Insert(int index, SjisView value)
{
    size_t at = StoreIndex(index);
    if (at == SjisString::npos)
        at = store_.size();
    store_.insert(store_.begin() + std::ptrdiff_t(at), name_ + ": " + SjisString(value));
}

void TMultiLineHeaderContents::Delete(int index)
{
    const size_t at = StoreIndex(index);
    if (at != SjisString::npos)
        store_.erase(store_.begin() + std::ptrdiff_t(at));
}

void TMultiLineHeaderContents::Clear()
{
    while (Count() > 0)
        Delete(0);
}

void TMultiLineHeaderContents::Assign(const std::vector<SjisString>& values)
{
    Clear();
    for (const SjisString& v : values)
        Insert(Count(), v);
}

// --- the worker ---------------------------------------------------------------

// Runs one exchange at a time in the worker thread, driven by that thread's
// event loop: nothing here blocks, so the deadline, the reply cap and the
// owner's exit can each end an exchange at once.
class SstpWorker : public QObject {
public:
    using Report = std::function<void(const TSSTP::Outcome&)>;

    SstpWorker()
    {
        deadline_.setSingleShot(true);
        connect(&deadline_, &QTimer::timeout, this, [this] { Failed(QAbstractSocket::SocketTimeoutError); });
    }

    // Connects, sends `request` and reads the reply until the companion
    // closes, the cap is reached or `deadlineMs` have passed; `report` gets
    // the outcome exactly once.
    void Run(const SjisString& request, int deadlineMs, Report report);
    // The owner is going away: an exchange still running gets `graceMs` to
    // end, then the thread's event loop stops.
    void ShutDown(int graceMs);

private:
    void Start(const SjisString& request, int deadlineMs);
    // Appends what the socket holds to the reply, up to the cap.
    void Drain();
    void ReadAvailable();
    void ReplyEnded();
    void Failed(QAbstractSocket::SocketError error);
    void Finish(const TSSTP::Outcome& outcome);

    QTcpSocket* socket_ = nullptr; // of the exchange running, if any
    QTimer deadline_{this};
    SjisString request_;
    SjisString reply_;
    bool connected_ = false;
    bool stopping_ = false;
    Report report_;
};

void SstpWorker::Run(const SjisString& request, int deadlineMs, Report report)
{
    report_ = std::move(report);
    try {
        Start(request, deadlineMs);
    } catch (...) {
        Finish({TSSTP::StatusUnexpected, 0, {}});
    }
}

void SstpWorker::Start(const SjisString& request, int deadlineMs)
{
    request_ = request;
    reply_.clear();
    connected_ = false;
    socket_ = new QTcpSocket(this);
    // Qt buffers no more than the cap either.
    socket_->setReadBufferSize(TSSTP::ReplyCap);
    connect(socket_, &QTcpSocket::connected, this, [this] {
        connected_ = true;
        socket_->write(request_.data(), qint64(request_.size()));
    });
    connect(socket_, &QTcpSocket::readyRead, this, &SstpWorker::ReadAvailable);
    // The reply ends when the companion closes the connection.
    connect(socket_, &QTcpSocket::disconnected, this, &SstpWorker::ReplyEnded);
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError) // then `disconnected` ends the reply
            Failed(error);
    });
    deadline_.start(deadlineMs);
    socket_->connectToHost(QHostAddress::LocalHost, TSSTP::CompanionPort);
}

void SstpWorker::ShutDown(int graceMs)
{
    stopping_ = true;
    if (socket_ && deadline_.remainingTime() > graceMs)
        deadline_.start(graceMs);
    else if (!socket_)
        thread()->quit();
}

void SstpWorker::Drain()
{
    char chunk[256];
    while (socket_->bytesAvailable() > 0 && reply_.size() < size_t(TSSTP::ReplyCap)) {
        const qint64 room = qint64(TSSTP::ReplyCap) - qint64(reply_.size());
        const qint64 n = socket_->read(chunk, std::min<qint64>(sizeof chunk, room));
        if (n <= 0)
            break;
        reply_.append(chunk, size_t(n));
    }
}

void SstpWorker::ReadAvailable()
{
    if (!socket_)
        return;
    Drain();
    if (reply_.size() >= size_t(TSSTP::ReplyCap))
        ReplyEnded(); // read no more: the code is in what was read
}

void SstpWorker::ReplyEnded()
{
    if (!socket_)
        return;
    Drain(); // what came with the close
    const int code = SstpRequest::ReplyCode(reply_);
    Finish({code == 200 ? TSSTP::StatusOk : TSSTP::StatusReplyError, 0, reply_});
}

void SstpWorker::Failed(QAbstractSocket::SocketError error)
{
    if (!socket_)
        return;
    // Without a connection nothing was sent: nobody listens, or nothing
    // answered in time, as a companion that is not there.
    if (!connected_)
        Finish({TSSTP::StatusNoCompanion, 0, {}});
    else
        Finish({TSSTP::StatusSocketError, int(error), {}});
}

void SstpWorker::Finish(const TSSTP::Outcome& outcome)
{
    deadline_.stop();
    if (QTcpSocket* socket = std::exchange(socket_, nullptr)) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    if (Report report = std::exchange(report_, nullptr))
        report(outcome);
    if (stopping_)
        thread()->quit();
}

// --- the notifier ------------------------------------------------------------

TSSTP::TSSTP(QObject* owner) : QObject(owner), entries_(headers_, "Entry"), worker_(new SstpWorker)
{
    // A notifier that nobody named takes the program's name.
    if (QCoreApplication::instance())
        SetHeader(Sender, QCoreApplication::applicationName().toLocal8Bit().toStdString());
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

TSSTP::~TSSTP()
{
    // The worker never blocks: within ExitGrace its exchange has ended (or
    // was dropped) and its event loop has stopped, so this wait is short.
    // An outcome it posts meanwhile dies with this object's pending events.
    SstpWorker* worker = worker_;
    QMetaObject::invokeMethod(worker, [worker] { worker->ShutDown(ExitGrace); }, Qt::QueuedConnection);
    thread_.wait();
}

SjisString TSSTP::GetHeader(int index) const
{
    if (index < 0 || index > Port)
        return {};
    return SstpRequest::Header(headers_, HeaderNames[index]);
}

void TSSTP::SetHeader(int index, SjisView value)
{
    if (index < 0 || index > Port)
        return;
    SstpRequest::SetHeader(headers_, HeaderNames[index], value);
}

void TSSTP::SetHWnd(long long handle)
{
    SetHeader(HWnd, handle == 0 ? SjisString() : std::to_string(handle));
}

void TSSTP::SetPort(int port)
{
    SetHeader(Port, port == 0 ? SjisString() : std::to_string(port));
}

void TSSTP::ClearResult()
{
    status_ = errorNo_ = replyCode_ = 0;
    reply_.clear();
    replyFirstLine_.clear();
}

void TSSTP::ReportEnd()
{
    if (status_ != StatusOk && OnError)
        OnError(*this);
    if (OnEndRequest)
        OnEndRequest(*this);
    emit requestEnded();
}

void TSSTP::Send()
{
    if (!Active)
        return;
    if (busy_) {
        status_ = StatusBusy;
        ReportEnd();
        return;
    }
    ClearResult();
    if (OnFullRequest)
        OnFullRequest(*this);
    busy_ = true;
    SstpWorker* worker = worker_;
    const SjisString request = SstpRequest::Build(headers_);
    const int deadline = ExchangeDeadline;
    // The outcome comes back as a queued call on this object's thread.
    SstpWorker::Report report = [this](const Outcome& outcome) {
        QMetaObject::invokeMethod(this, [this, outcome] { Complete(outcome); }, Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(
        worker, [worker, request, deadline, report] { worker->Run(request, deadline, report); },
        Qt::QueuedConnection);
}

void TSSTP::Complete(const Outcome& outcome)
{
    busy_ = false;
    status_ = outcome.status;
    errorNo_ = outcome.errorNo;
    reply_ = outcome.reply;
    replyCode_ = SstpRequest::ReplyCode(reply_);
    replyFirstLine_ = SstpRequest::FirstLine(reply_);
    ReportEnd();
}
