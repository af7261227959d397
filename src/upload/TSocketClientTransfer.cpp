#include "upload/TSocketClient.h"

#include "upload/FtpReply.h"

#include <QFile>
#include <QTcpSocket>
#include <stdexcept>

// Sending and receiving: every wait keeps the event loop running and ends on
// progress, the peer's close, cancel or the time limit.

// --- sending ------------------------------------------------------------------

void TSocketClient::SendAll(const char* data, qsizetype length, bool count, const char* abortText)
{
    if (length <= 0)
        return;
    if (!connected_ && socket_->bytesAvailable() == 0) {
        lastError_ = SockErrorNo::NotConnected;
        ErrorManager(SockErrorNo::WouldBlock);
    }
    pendingSent_ = 0;
    if (socket_->write(data, length) < 0) {
        lastError_ = SockErrorNo::NotConnected;
        ErrorManager(SockErrorNo::WouldBlock);
    }
    QTcpSocket* socket = socket_;
    for (;;) {
        WaitUntil([&] {
            return socket != socket_ || Unsent(socket) == 0 || pendingSent_ > 0
                   || canceled_ || timedOut_ || !succeed_
                   || socket->state() != QAbstractSocket::ConnectedState;
        });
        if (count && pendingSent_ > 0) {
            sent_ += pendingSent_;
            pendingSent_ = 0;
            if (TimeOut > 0)
                TimerOn(); // progress: the time limit starts again
            if (OnPacketSent)
                OnPacketSent(*this);
        }
        pendingSent_ = 0;
        if (canceled_) {
            canceled_ = false;
            throw EAbortError(QString::fromLatin1(abortText));
        }
        if (socket != socket_ || !succeed_ || socket->state() != QAbstractSocket::ConnectedState) {
            if (socket == socket_ && Unsent(socket) == 0 && succeed_)
                return;
            RaiseTlsError();
            if (lastError_ == 0 || lastError_ == SockErrorNo::WouldBlock)
                lastError_ = SockErrorNo::ConnectionReset;
            ErrorManager(SockErrorNo::WouldBlock);
            throw ESockError(SocketErrorStr(lastError_));
        }
        if (timedOut_)
            throw ESockError(QStringLiteral("Socket send timed out"));
        if (Unsent(socket) == 0)
            return;
    }
}

void TSocketClient::SendBuffer(const char* data, qsizetype length)
{
    StatusMessage(4, QStringLiteral("Sending Buffer"));
    TimerOn();
    TimerScope scope{this};
    if (canceled_) {
        canceled_ = false;
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
    if (length == 0)
        length = qsizetype(qstrnlen(data, IoBufferSize));
    if (length > IoBufferSize - 1)
        throw std::out_of_range("SendBuffer: more than 65,535 bytes");
    SendAll(data, length, false, "Socket send aborted");
}

void TSocketClient::Write(SjisView text)
{
    StatusMessage(8, QStringLiteral("Write"));
    // The text goes through the I/O buffer as a zero-terminated string: it
    // ends at its first zero byte and is cut to fit.
    const size_t n = std::min(text.size(), size_t(IoBufferSize - 1));
    memcpy(io_.data(), text.data(), n);
    io_[qsizetype(n)] = '\0';
    SendBuffer(io_.constData(), 0);
}

void TSocketClient::Writeln(SjisView text)
{
    StatusMessage(8, QStringLiteral("Writeln"));
    SjisString line(text);
    line += "\r\n";
    Write(line);
}

void TSocketClient::SendFile(const QString& path)
{
    StatusMessage(8, QStringLiteral("SendFile"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ESockError(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    SendStream(file);
}

void TSocketClient::SendStream(QIODevice& stream)
{
    // A stream other than a file starts from its beginning with fresh counters.
    if (!qobject_cast<QFile*>(&stream)) {
        StatusMessage(8, QStringLiteral("SendStream"));
        stream.seek(0);
        sent_ = 0;
        totalSize_ = stream.size();
    }
    // A wait limit applies between chunks only when a time-out is set.
    if (TimeOut > 0)
        TimerOn();
    TimerScope scope{this};
    while (!canceled_ && !stream.atEnd()) {
        const qint64 n = stream.read(io_.data(), IoBufferSize);
        if (n < 0)
            throw ESockError(QStringLiteral("Cannot read the file: %1").arg(stream.errorString()));
        if (n == 0)
            break;
        SendAll(io_.constData(), n, true, "Socket send aborted");
    }
    if (canceled_) {
        canceled_ = false;
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
}

// --- receiving ------------------------------------------------------------------

bool TSocketClient::DataAvailable()
{
    StatusMessage(8, QStringLiteral("Data Available"));
    return socket_->bytesAvailable() > 0;
}

void TSocketClient::ClearInput()
{
    StatusMessage(8, QStringLiteral("Clearing Input"));
    socket_->read(io_.data(), IoBufferSize);
}

SjisString TSocketClient::Read(int count)
{
    StatusMessage(8, QStringLiteral("Read( %1 )").arg(count));
    TimerOn();
    TimerScope scope{this};
    if (count > 0) {
        WaitUntil([&] {
            return socket_->bytesAvailable() >= count || canceled_ || timedOut_
                   || socket_->state() != QAbstractSocket::ConnectedState;
        });
        if (socket_->bytesAvailable() < count && !canceled_ && !timedOut_)
            return {}; // the peer closed
    } else {
        count = int(std::min<qint64>(socket_->bytesAvailable(), IoBufferSize));
    }
    if (canceled_) {
        canceled_ = false;
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
    if (timedOut_)
        throw ESockError(QStringLiteral("Socket read timed out"));
    const QByteArray bytes = socket_->read(count);
    received_ += bytes.size();
    return bytes.toStdString();
}

SjisString TSocketClient::ReadLn()
{
    StatusMessage(8, QStringLiteral("ReadLn"));
    TimerOn();
    TimerScope scope{this};
    return ReadLnImpl();
}

SjisString TSocketClient::ReadLnImpl()
{
    // Flags are tested in a fixed order: a complete line, the peer's close,
    // cancel, time-out, then a socket error.
    for (;;) {
        QTcpSocket* socket = socket_;
        if (socket->canReadLine()) {
            const qint64 n = socket->readLine(io_.data(), IoBufferSize);
            if (n > 0 && io_[qsizetype(n - 1)] == '\n')
                return SjisString(io_.constData(), size_t(n));
            throw std::out_of_range("ReadLn: a line longer than 65,536 bytes");
        }
        if (socket->bytesAvailable() >= IoBufferSize)
            throw std::out_of_range("ReadLn: a line longer than 65,536 bytes");
        RaiseTlsError();
        if (socket->state() == QAbstractSocket::UnconnectedState)
            return {}; // the peer closed, possibly in the middle of a line
        if (canceled_) {
            canceled_ = false;
            throw EAbortError(QStringLiteral("Socket readln aborted"));
        }
        if (timedOut_)
            throw ESockError(QStringLiteral("Socket readln timed out"));
        if (!succeed_ && lastError_ != 0) {
            ErrorManager(SockErrorNo::WouldBlock);
            return {};
        }
        WaitUntil([&] {
            return socket != socket_ || socket->canReadLine() || canceled_ || timedOut_
                   || !succeed_ || socket->state() == QAbstractSocket::UnconnectedState
                   || socket->bytesAvailable() >= IoBufferSize;
        });
    }
}

SjisString TSocketClient::Transaction(SjisView command)
{
    StatusMessage(8, QStringLiteral("Transaction"));
    replyCode_ = 0;
    Writeln(command);
    lastReply_ = ReadLn();
    if (!lastReply_.empty()) {
        StatusMessage(1, QString::fromLatin1(lastReply_.data(), qsizetype(lastReply_.size())));
        try {
            replyCode_ = qint16(FtpReply::ReplyCode(lastReply_));
        } catch (const std::out_of_range&) {
            throw ESockError(QStringLiteral("Reply code out of range"));
        }
    }
    return lastReply_;
}

void TSocketClient::CaptureInto(const std::function<void(const char*, qsizetype)>& sink, qint64 size,
                                const char* abortText)
{
    received_ = 0;
    TimerOn();
    TimerScope scope{this};
    for (;;) {
        WaitUntil([&] {
            return socket_->bytesAvailable() > 0 || canceled_ || timedOut_
                   || socket_->state() != QAbstractSocket::ConnectedState;
        });
        if (canceled_) {
            canceled_ = false;
            throw EAbortError(QString::fromLatin1(abortText));
        }
        if (timedOut_)
            throw ESockError(QStringLiteral("Socket capture timed out"));
        qint64 want = IoBufferSize;
        if (size > 0)
            want = std::min(want, size - received_);
        const qint64 n = socket_->read(io_.data(), want);
        if (n <= 0)
            return; // the peer closed and everything was taken
        sink(io_.constData(), n);
        received_ += n;
        TimerOn();
        if (OnPacketRecvd)
            OnPacketRecvd(*this);
        if (size == -1 || (size > 0 && received_ >= size))
            return;
    }
}

void TSocketClient::AppendFile(const QString& path)
{
    StatusMessage(8, QStringLiteral("AppendFile"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw ESockError(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    CaptureInto([&](const char* d, qsizetype n) { file.write(d, n); }, 0, "Socket send aborted");
}

void TSocketClient::CaptureFile(const QString& path)
{
    StatusMessage(8, QStringLiteral("CaptureFile"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw ESockError(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    CaptureInto([&](const char* d, qsizetype n) { file.write(d, n); }, 0, "Socket send aborted");
}

void TSocketClient::CaptureStream(QIODevice& stream, qint64 size)
{
    StatusMessage(8, QStringLiteral("CaptureStream"));
    CaptureInto([&](const char* d, qsizetype n) { stream.write(d, n); }, size, "Socket capture aborted");
}

void TSocketClient::CaptureString(SjisString& text, qint64 size)
{
    StatusMessage(8, QStringLiteral("CaptureString"));
    text.clear();
    CaptureInto([&](const char* d, qsizetype n) { text.append(d, size_t(n)); }, size,
                "Socket capture aborted");
}
