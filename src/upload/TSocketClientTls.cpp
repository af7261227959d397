#include "upload/TSocketClient.h"

#include "upload/CertificateFingerprint.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

// TLS on a connection that is already open: the client side of the handshake
// (also on connections the peer made to us, as FTP's active data connections
// are), certificate trust, and the session that data connections resume.

namespace {

// Hands out every accepted connection as a QSslSocket still in plain mode,
// so that the handshake can start once the protocol says so.
class TlsServer : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QSslSocket(this);
        if (socket->setSocketDescriptor(descriptor))
            addPendingConnection(socket);
        else
            delete socket;
    }
};

} // namespace

QTcpServer* TSocketClient::NewServer()
{
    return UseTLS ? new TlsServer(this) : new QTcpServer(this);
}

qint64 TSocketClient::Unsent(QTcpSocket* socket)
{
    // A QSslSocket reports only the plain bytes it has not encrypted yet; the
    // records waiting for the network count too, or a sender would pile the
    // whole file up in memory.
    qint64 n = socket->bytesToWrite();
    if (auto* ssl = qobject_cast<QSslSocket*>(socket))
        n += ssl->encryptedBytesToWrite();
    return n;
}

bool TSocketClient::Encrypted() const
{
    auto* ssl = qobject_cast<QSslSocket*>(socket_);
    return ssl && ssl->isEncrypted();
}

QByteArray TSocketClient::TlsSessionTicket() const
{
    auto* ssl = qobject_cast<QSslSocket*>(socket_);
    return ssl ? ssl->sslConfiguration().sessionTicket() : QByteArray();
}

void TSocketClient::RaiseTlsError()
{
    if (!tlsError_.isEmpty())
        throw ETlsError(QStringLiteral("TLS error: ") + tlsError_);
}

void TSocketClient::OnSslErrors(QTcpSocket* socket, const QList<QSslError>& errors)
{
    auto* ssl = qobject_cast<QSslSocket*>(socket);
    if (socket != socket_ || !ssl)
        return;
    const QString fingerprint = CertificateFingerprint(ssl->peerCertificate());
    if (SameFingerprint(fingerprint, TrustedFingerprint)) {
        // The user has seen this very certificate and trusts it.
        ssl->ignoreSslErrors();
        return;
    }
    QStringList why;
    for (const QSslError& e : errors)
        if (!why.contains(e.errorString()))
            why << e.errorString();
    untrustedWhy_ = why.join(QStringLiteral("; "));
    untrustedFingerprint_ = fingerprint;
}

void TSocketClient::StartTls()
{
    StatusMessage(4, QStringLiteral("Starting TLS"));
    auto* ssl = qobject_cast<QSslSocket*>(socket_);
    if (!ssl || !connected_)
        throw ETlsError(QStringLiteral("TLS cannot start: the connection is not open"));
    QSslConfiguration config = QSslConfiguration::defaultConfiguration(); // the system's trusted certificates
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    // Keep the session (TLS 1.3 tickets arrive after the handshake and
    // replace it), so that data connections can resume it: servers may
    // refuse a data connection that does not, to know it comes from the
    // client that logged in.
    config.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    if (!resumeTicket_.isEmpty())
        config.setSessionTicket(resumeTicket_);
    ssl->setSslConfiguration(config);
    ssl->setPeerVerifyName(Host);
    tlsError_.clear();
    untrustedFingerprint_.clear();
    untrustedWhy_.clear();
    succeed_ = true;
    {
        TimerOn();
        TimerScope scope{this};
        ssl->startClientEncryption();
        WaitUntil([&] {
            return ssl != socket_ || ssl->isEncrypted() || canceled_ || timedOut_ || !succeed_
                   || ssl->state() != QAbstractSocket::ConnectedState;
        });
    }
    if (ssl == socket_ && ssl->isEncrypted()) {
        peerFingerprint_ = CertificateFingerprint(ssl->peerCertificate());
        return;
    }
    // Whatever went wrong, the connection is unusable: nothing more is said on it.
    const QString untrusted = untrustedFingerprint_;
    const QString why = untrustedWhy_;
    const QString error = tlsError_;
    const bool canceled = canceled_;
    canceled_ = false;
    const bool timedOut = timedOut_;
    RequestCloseSocket();
    if (canceled)
        throw EAbortError(QStringLiteral("TLS handshake aborted"));
    if (timedOut)
        throw ETlsError(QStringLiteral("TLS handshake timed out"));
    if (!untrusted.isEmpty())
        throw EUntrustedCertificate(Host, untrusted, why);
    if (!error.isEmpty())
        throw ETlsError(QStringLiteral("TLS handshake failed: ") + error);
    throw ETlsError(QStringLiteral("TLS handshake failed: the server closed the connection"));
}

void TSocketClient::KeepOpenUnderneath()
{
#ifdef Q_OS_UNIX
    ReleaseUnderneath();
    if (Encrypted() && socket_->socketDescriptor() >= 0)
        underneath_ = ::dup(int(socket_->socketDescriptor()));
#endif
}

void TSocketClient::HalfCloseUnderneath()
{
#ifdef Q_OS_UNIX
    // Our close alert went out before; the end of the stream follows it.
    if (underneath_ >= 0)
        ::shutdown(underneath_, SHUT_WR);
#endif
}

void TSocketClient::ReleaseUnderneath()
{
#ifdef Q_OS_UNIX
    if (underneath_ < 0)
        return;
    // What the peer sent meanwhile is read away, so closing sends no reset.
    ::fcntl(underneath_, F_SETFL, ::fcntl(underneath_, F_GETFL) | O_NONBLOCK);
    char discard[4096];
    while (::read(underneath_, discard, sizeof discard) > 0) {
    }
    ::close(underneath_);
    underneath_ = -1;
#endif
}
