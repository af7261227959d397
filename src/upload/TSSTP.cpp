#include "upload/TSSTP.h"

#include <QCoreApplication>
#include <QTcpSocket>

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

// --- the notifier ------------------------------------------------------------

TSSTP::TSSTP(QObject* owner) : QObject(owner), entries_(headers_, "Entry")
{
    // A notifier that nobody named takes the program's name.
    if (QCoreApplication::instance())
        SetHeader(Sender, QCoreApplication::applicationName().toLocal8Bit().toStdString());
    worker_ = std::thread([this] { WorkerLoop(); });
}

TSSTP::~TSSTP()
{
    {
        std::lock_guard lock(handLock_);
        terminate_ = true;
    }
    handCv_.notify_all();
    worker_.join();
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

int TSSTP::StatusCode() const { std::lock_guard l(resultLock_); return status_; }
int TSSTP::ErrorNo() const { std::lock_guard l(resultLock_); return errorNo_; }
int TSSTP::ReplyCode() const { std::lock_guard l(resultLock_); return replyCode_; }
SjisString TSSTP::Reply() const { std::lock_guard l(resultLock_); return reply_; }
SjisString TSSTP::ReplyFirstLine() const { std::lock_guard l(resultLock_); return replyFirstLine_; }

void TSSTP::SetResult(int status)
{
    std::lock_guard l(resultLock_);
    status_ = status;
}

bool TSSTP::CompanionListening()
{
    // The companion is present when something accepts on its port; on
    // loopback a refusal or an acceptance comes at once.
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, CompanionPort);
    const bool up = probe.waitForConnected(500);
    probe.abort();
    return up;
}

void TSSTP::Send()
{
    if (!Active)
        return;
    if (busy_) {
        SetResult(StatusBusy);
        if (OnError)
            OnError(*this);
        if (OnEndRequest)
            OnEndRequest(*this);
        return;
    }
    {
        std::lock_guard l(resultLock_);
        status_ = errorNo_ = replyCode_ = 0;
        reply_.clear();
        replyFirstLine_.clear();
    }
    if (!CompanionListening()) {
        SetResult(StatusNoCompanion);
        if (OnError)
            OnError(*this);
        if (OnEndRequest)
            OnEndRequest(*this);
        return;
    }
    if (OnFullRequest)
        OnFullRequest(*this);
    // Hand the text over and wait until the worker has its copy.
    std::unique_lock lock(handLock_);
    pending_ = SstpRequest::Build(headers_);
    hasRequest_ = true;
    copied_ = false;
    handCv_.notify_all();
    handCv_.wait(lock, [this] { return copied_; });
    busy_ = true;
}

void TSSTP::WorkerLoop()
{
    for (;;) {
        SjisString request;
        {
            std::unique_lock lock(handLock_);
            handCv_.wait(lock, [this] { return hasRequest_ || terminate_; });
            if (terminate_)
                return;
            request = pending_;
            hasRequest_ = false;
            copied_ = true;
        }
        handCv_.notify_all();
        try {
            Exchange(request);
        } catch (...) {
            SetResult(StatusUnexpected);
        }
        QMetaObject::invokeMethod(this, [this] { Complete(); }, Qt::QueuedConnection);
    }
}

void TSSTP::Exchange(const SjisString& request)
{
    QTcpSocket socket;
    auto fail = [&] {
        std::lock_guard l(resultLock_);
        status_ = StatusSocketError;
        errorNo_ = int(socket.error());
    };
    socket.connectToHost(QHostAddress::LocalHost, CompanionPort);
    if (!socket.waitForConnected(ExchangeTimeOut))
        return fail();
    socket.write(request.data(), qint64(request.size()));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(ExchangeTimeOut))
            return fail();
    }
    // The reply ends when the companion closes the connection.
    SjisString reply;
    char chunk[256];
    for (;;) {
        while (socket.bytesAvailable() > 0) {
            const qint64 n = socket.read(chunk, sizeof chunk);
            if (n > 0)
                reply.append(chunk, size_t(n));
        }
        if (socket.state() != QAbstractSocket::ConnectedState)
            break;
        if (!socket.waitForReadyRead(ExchangeTimeOut)) {
            if (socket.state() == QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0)
                return fail();
        }
    }
    socket.abort();
    std::lock_guard l(resultLock_);
    reply_ = reply;
    replyCode_ = SstpRequest::ReplyCode(reply);
    replyFirstLine_ = SstpRequest::FirstLine(reply);
    status_ = replyCode_ == 200 ? StatusOk : StatusReplyError;
}

void TSSTP::Complete()
{
    busy_ = false;
    if (StatusCode() != StatusOk && OnError)
        OnError(*this);
    if (OnEndRequest)
        OnEndRequest(*this);
    emit requestEnded();
}
