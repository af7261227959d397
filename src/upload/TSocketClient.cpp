#include "upload/TSocketClient.h"

#include "upload/TThreadTimer.h"

#include <QEventLoop>
#include <QHostInfo>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <stdexcept>

namespace {

// The classic socket error number of a Qt socket error.
int ErrorNumberOf(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::RemoteHostClosedError: return 10054;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::SocketResourceError: return 10055;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::DatagramTooLargeError: return 10040;
    case QAbstractSocket::NetworkError: return 10050;
    case QAbstractSocket::AddressInUseError: return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError: return 10049;
    case QAbstractSocket::UnsupportedSocketOperationError: return 10045;
    default: return 10004;
    }
}

} // namespace

TSocketClient::TSocketClient(QObject* owner) : QObject(owner)
{
    StatusMessage(8, QStringLiteral("Create"));
    io_.resize(IoBufferSize);
    timer_ = new TThreadTimer(this);
    timer_->SetEnabled(false);
    timer_->SetOnTimer([this] { TimerFired(); });
    NewSocket();
}

TSocketClient::~TSocketClient()
{
    closing_ = true;
    ReleaseUnderneath();
    if (lookupId_ >= 0)
        QHostInfo::abortHostLookup(lookupId_);
    canceled_ = true;
    Wake();
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
        delete socket_;
    }
}

// --- waits ------------------------------------------------------------------

void TSocketClient::WaitUntil(const std::function<bool()>& done)
{
    while (!done()) {
        QEventLoop loop;
        loops_.push_back(&loop);
        loop.exec();
        loops_.pop_back();
    }
}

void TSocketClient::Wake()
{
    // Outer waits quit as well, so each of them tests its flags again when the
    // inner one returns.
    for (QEventLoop* loop : loops_)
        loop->quit();
}

void TSocketClient::TimerOn()
{
    StatusMessage(8, QStringLiteral("Timer On"));
    timedOut_ = false;
    timer_->SetInterval(TimeOut);
    timer_->SetEnabled(true);
}

void TSocketClient::TimerOff()
{
    StatusMessage(8, QStringLiteral("Timer Off"));
    timer_->SetEnabled(false);
}

void TSocketClient::TimerFired()
{
    StatusMessage(8, QStringLiteral("Timer Triggered"));
    timer_->SetEnabled(false);
    timedOut_ = true;
    ready_ = true;
    Abort();
    Wake();
}


// --- socket objects and notifications ------------------------------------------

void TSocketClient::NewSocket()
{
    AdoptSocket(UseTLS ? new QSslSocket(this) : new QTcpSocket(this));
}

void TSocketClient::AdoptSocket(QTcpSocket* socket)
{
    if (socket_ && socket_ != socket) {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
    }
    socket_ = socket;
    socket->setParent(this);
    tlsError_.clear();
    untrustedFingerprint_.clear();
    if (auto* ssl = qobject_cast<QSslSocket*>(socket)) {
        connect(ssl, &QSslSocket::encrypted, this, [this] { Wake(); });
        connect(ssl, &QSslSocket::encryptedBytesWritten, this, [this] { Wake(); });
        // Direct: errors can only be ignored from inside the handler.
        connect(ssl, &QSslSocket::sslErrors, this,
                [this, socket](const QList<QSslError>& errors) { OnSslErrors(socket, errors); });
    }
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        if (socket != socket_)
            return;
        succeed_ = true;
        connected_ = true;
        if (OnConnect)
            try { OnConnect(*this); } catch (...) {}
        Wake();
    });
    connect(socket, &QTcpSocket::readyRead, this, [this] { Wake(); });
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket](qint64 n) {
        if (socket != socket_)
            return;
        pendingSent_ += n;
        Wake();
    });
    connect(socket, &QTcpSocket::errorOccurred, this,
            [this, socket](QAbstractSocket::SocketError e) { OnSocketError(socket, int(e)); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { OnSocketClosed(socket); });
}

void TSocketClient::OnSocketError(QTcpSocket* socket, int qtError)
{
    if (socket != socket_)
        return;
    auto error = QAbstractSocket::SocketError(qtError);
    // A peer that closes is a close notification, not a failure.
    if (error == QAbstractSocket::RemoteHostClosedError) {
        OnSocketClosed(socket);
        return;
    }
    succeed_ = false;
    switch (error) {
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        // No socket error number tells these apart: the TLS text does.
        tlsError_ = socket->errorString();
        lastError_ = 0;
        break;
    default:
        lastError_ = ErrorNumberOf(error);
        break;
    }
    if (socket->state() == QAbstractSocket::UnconnectedState)
        connected_ = false;
    Wake();
}

void TSocketClient::OnSocketClosed(QTcpSocket* socket)
{
    if (socket != socket_)
        return;
    connected_ = false;
    // What the peer sent before closing stays readable.
    if (socket->bytesAvailable() == 0 && !closing_)
        QMetaObject::invokeMethod(this, [this, socket] {
            if (socket == socket_ && !connected_ && socket->bytesAvailable() == 0
                && socket->state() == QAbstractSocket::UnconnectedState)
                RequestCloseSocket();
        }, Qt::QueuedConnection);
    Wake();
}

// --- connection ---------------------------------------------------------------

void TSocketClient::ResolveRemoteHost()
{
    StatusMessage(8, QStringLiteral("Resolve Host"));
    const QString name = Proxy.isEmpty() ? Host : Proxy;
    remote_.clear();
    QHostAddress direct;
    if (direct.setAddress(name)) {
        remote_ = direct;
        return;
    }
    if (name.isEmpty())
        return;
    TimerOn();
    TimerScope scope{this};
    ready_ = false;
    lookupFailed_ = false;
    lookupResult_.clear();
    lookupId_ = QHostInfo::lookupHost(name, this, [this](const QHostInfo& info) {
        lookupId_ = -1;
        ready_ = true;
        if (info.error() != QHostInfo::NoError) {
            lookupFailed_ = true;
        } else {
            // IPv4 first: FTP then speaks PASV and PORT, which every server
            // knows; a host without an IPv4 address is reached over IPv6.
            for (const QHostAddress& a : info.addresses())
                if (a.protocol() == QAbstractSocket::IPv4Protocol) { lookupResult_ = a; break; }
            if (lookupResult_.isNull() && !info.addresses().isEmpty())
                lookupResult_ = info.addresses().first();
        }
        Wake();
    });
    WaitUntil([this] { return ready_ || timedOut_ || canceled_; });
    if (lookupId_ >= 0) {
        QHostInfo::abortHostLookup(lookupId_);
        lookupId_ = -1;
    }
    if (timedOut_)
        throw ESockError(QStringLiteral("Host Lookup Timed Out"));
    if (canceled_)
        throw ESockError(QStringLiteral("Host Lookup Canceled"));
    if (lookupFailed_) {
        lastError_ = SockErrorNo::HostNotFound;
        throw ESockError(QStringLiteral("Host Lookup Failed"));
    }
    remote_ = lookupResult_;
    if (OnHostResolved)
        OnHostResolved(*this);
}

void TSocketClient::Connect()
{
    StatusMessage(8, QStringLiteral("Connecting"));
    canceled_ = false;
    ReleaseUnderneath();
    if (connected_)
        throw ESockError(QStringLiteral("Already connected"));
    ResolveRemoteHost();
    if (remote_.isNull()) {
        bool handled = false;
        if (OnInvalidHost)
            OnInvalidHost(*this, handled);
        if (handled)
            ResolveRemoteHost();
        if (remote_.isNull())
            throw ESockError(QStringLiteral("Null Remote Address"));
    }
    const quint16 port = Proxy.isEmpty() ? Port : ProxyPort;
    if (socket_->state() != QAbstractSocket::UnconnectedState
        || (qobject_cast<QSslSocket*>(socket_) != nullptr) != UseTLS)
        NewSocket();
    ready_ = false;
    succeed_ = true;
    lastError_ = 0;
    TimerOn();
    {
        TimerScope scope{this};
        socket_->connectToHost(remote_, port);
        WaitUntil([this] { return connected_ || timedOut_ || canceled_ || !succeed_; });
    }
    if (!timedOut_ && !canceled_ && succeed_)
        return;
    if (OnConnectionFailed)
        OnConnectionFailed(*this);
    QTcpSocket* failed = socket_;
    const QString text = timedOut_ ? QStringLiteral("Connection Timed out")
                         : canceled_ ? QStringLiteral("Connection Canceled")
                                     : QStringLiteral("Connection Failed");
    if (failed == socket_)
        NewSocket(); // a fresh socket, ready for another try
    throw ESockError(text);
}

void TSocketClient::Disconnect()
{
    StatusMessage(8, QStringLiteral("Disconnecting"));
    RequestCloseSocket();
}

void TSocketClient::CertifyConnect()
{
    StatusMessage(8, QStringLiteral("Checking Connection"));
    if (!connected_) {
        if (OnConnectionRequired)
            OnConnectionRequired(*this);
        throw std::runtime_error("Not Connected");
    }
}

void TSocketClient::Cancel()
{
    StatusMessage(8, QStringLiteral("Canceling"));
    canceled_ = true;
    Wake();
}

void TSocketClient::Abort()
{
    StatusMessage(8, QStringLiteral("Abort"));
    Cancel();
}

void TSocketClient::RequestCloseSocket()
{
    StatusMessage(4, QStringLiteral("Request Close Socket"));
    connected_ = false;
    if (server_) {
        server_->close();
        server_->deleteLater();
    }
    if (closing_)
        return;
    const bool hadSocket = socket_ != nullptr;
    NewSocket(); // aborts (resets) the old one; this object can connect again
    if (hadSocket && OnDisconnect)
        try { OnDisconnect(*this); } catch (...) {}
    Wake();
}

void TSocketClient::CloseGracefully()
{
    if (!socket_ || socket_->state() == QAbstractSocket::UnconnectedState) {
        connected_ = false;
        return;
    }
    TimerOn();
    TimerScope scope{this};
    KeepOpenUnderneath();
    QTcpSocket* socket = socket_;
    socket->disconnectFromHost();
    WaitUntil([this, socket] {
        return socket != socket_ || socket->state() == QAbstractSocket::UnconnectedState || timedOut_ || canceled_;
    });
    HalfCloseUnderneath();
    connected_ = false;
}

void TSocketClient::Listen(bool /*useSecondMessage*/, QHostAddress::SpecialAddress any)
{
    StatusMessage(8, QStringLiteral("Listening"));
    if (server_)
        server_->deleteLater();
    server_ = NewServer();
    ready_ = false;
    connect(server_, &QTcpServer::newConnection, this, [this] {
        ready_ = true;
        Wake();
    });
    connect(server_, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError e) {
        succeed_ = false;
        lastError_ = ErrorNumberOf(e);
        ready_ = true;
        Wake();
    });
    succeed_ = true;
    server_->setMaxPendingConnections(1);
    if (!server_->listen(any, Port)) {
        lastError_ = ErrorNumberOf(server_->serverError());
        ErrorManager(SockErrorNo::WouldBlock);
        throw ESockError(SocketErrorStr(lastError_));
    }
}

void TSocketClient::Accept()
{
    StatusMessage(4, QStringLiteral("Accepting"));
    if (!server_)
        throw ESockError(QStringLiteral("Error creating Data Connection"));
    TimerOn();
    {
        TimerScope scope{this};
        WaitUntil([this] { return ready_ || canceled_ || timedOut_ || !succeed_; });
    }
    if (canceled_)
        throw ESockError(QStringLiteral("Accepting Canceled"));
    if (timedOut_)
        throw ESockError(QStringLiteral("Accepting Timed out"));
    QTcpSocket* accepted = succeed_ ? server_->nextPendingConnection() : nullptr;
    if (!accepted)
        throw ESockError(QStringLiteral("Error creating Data Connection"));
    server_->close();
    server_->deleteLater();
    AdoptSocket(accepted);
    remote_ = accepted->peerAddress();
    connected_ = accepted->state() == QAbstractSocket::ConnectedState;
    succeed_ = true;
}

// --- addresses, errors, status ---------------------------------------------------

QString TSocketClient::GetRemoteIP() const
{
    return remote_.toString();
}

QString TSocketClient::GetLocalIP() const
{
    const QHostInfo info = QHostInfo::fromName(QHostInfo::localHostName());
    for (const QHostAddress& a : info.addresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a.toString();
    return QStringLiteral("127.0.0.1");
}

QString TSocketClient::GetLocalAddress() const
{
    QHostAddress local = socket_->localAddress();
    bool ok = false;
    const quint32 v4 = local.toIPv4Address(&ok);
    if (ok)
        local = QHostAddress(v4);
    return local.toString().replace(QLatin1Char('.'), QLatin1Char(','));
}

QString TSocketClient::GetLocalIPv6Address() const
{
    QHostAddress local = socket_->localAddress();
    local.setScopeId(QString());
    return local.toString();
}

bool TSocketClient::RemoteIsIPv6() const
{
    bool mapped = false;
    remote_.toIPv4Address(&mapped);
    return remote_.protocol() == QAbstractSocket::IPv6Protocol && !mapped;
}

quint16 TSocketClient::LocalPort() const
{
    return server_ ? server_->serverPort() : socket_->localPort();
}

QString TSocketClient::GetPortString() const
{
    const quint16 port = LocalPort();
    return QStringLiteral(",%1,%2").arg(port >> 8).arg(port & 0xFF);
}

void TSocketClient::ErrorManager(int ignore)
{
    const int number = lastError_;
    if (number != ignore && number > 10000) {
        const QString text = SocketErrorStr(number);
        if (OnError)
            OnError(*this, number, text);
        throw ESockError(text);
    }
}

void TSocketClient::SetWSAError(int number, QString text)
{
    lastError_ = number;
    if (text.isEmpty())
        text = SocketErrorStr(number);
    if (OnError)
        OnError(*this, number, text);
}

QString TSocketClient::SocketErrorStr(int number)
{
    StatusMessage(8, QStringLiteral("Looking Up Error Message ") + status_);
    return SocketErrorText(number);
}

void TSocketClient::StatusMessage(int level, const QString& text)
{
    if (ReportLevel < level || closing_)
        return;
    status_ = text;
    if (OnStatus)
        try { OnStatus(*this, text); } catch (...) {}
}
