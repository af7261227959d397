#pragma once

#include "document/SjisString.h"
#include "upload/SocketErrors.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QEventLoop;
class QHostInfo;
class QIODevice;
class QTcpServer;
class QSslError;
class QTcpSocket;
class TThreadTimer;

// A TCP client whose operations look blocking to the caller but keep the
// event loop running: every wait is a local event loop woken by a socket
// notification, the time-out timer or a cancel, so a Cancel button works in
// the middle of a transfer and an idle wait costs no CPU.
//
// Flags coordinate the waits with the notifications: connected, canceled,
// timed out, succeed (the last notification carried no error) and ready
// (a host lookup finished or a connection is waiting to be accepted).
class TSocketClient : public QObject {
    Q_OBJECT
public:
    static constexpr int IoBufferSize = 65536;

    explicit TSocketClient(QObject* owner = nullptr);
    ~TSocketClient() override;

    // Configuration.
    QString Host;
    quint16 Port = 0;       // remote port; the listening port for Listen (0: any)
    int TimeOut = 0;        // limit of each wait in ms; 0: no limit
    int ReportLevel = 0;    // status texts above this level are not reported
    QString Proxy;          // when set, connections go to Proxy:ProxyPort
    quint16 ProxyPort = 0;
    // TLS: connections made or accepted from now on can be secured with
    // StartTls; a plain socket otherwise.
    bool UseTLS = false;
    // A certificate that fails verification is still accepted when its
    // SHA-256 fingerprint is this one ("AB:CD:...").
    QString TrustedFingerprint;

    // Events; the sender comes first.
    std::function<void(TSocketClient&)> OnConnect;     // the socket connected
    std::function<void(TSocketClient&)> OnDisconnect;  // the socket was closed
    std::function<void(TSocketClient&, bool& handled)> OnInvalidHost; // handled: look up once more
    std::function<void(TSocketClient&)> OnHostResolved;
    std::function<void(TSocketClient&, const QString&)> OnStatus;
    std::function<void(TSocketClient&)> OnConnectionFailed;
    std::function<void(TSocketClient&, int number, const QString& text)> OnError;
    std::function<void(TSocketClient&)> OnPacketSent;  // after every chunk sent
    std::function<void(TSocketClient&)> OnPacketRecvd; // after every chunk received
    std::function<void(TSocketClient&)> OnConnectionRequired;

    // Connection.
    virtual void Connect();
    virtual void Disconnect();
    virtual void Abort();
    // Waits for the connection that Listen announced and takes it over as
    // this object's socket; the listening socket is closed.
    virtual void Accept();
    void CertifyConnect();
    void Cancel();
    // Listens on Port (0: any free port) on every local address of one
    // family: AnyIPv4, or AnyIPv6 for a peer reached over IPv6.
    void Listen(bool useSecondMessage, QHostAddress::SpecialAddress any = QHostAddress::AnyIPv4);
    void RequestCloseSocket();
    // Lets the peer read everything sent, then closes (no reset).
    void CloseGracefully();
    void ResolveRemoteHost();
    // Secures the connection as the TLS client, verifying the certificate
    // against the system's trusted certificates and Host (or the trusted
    // fingerprint). Raises EUntrustedCertificate or ETlsError and closes the
    // connection when that fails.
    void StartTls();
    // The session to resume on the next StartTls (a ticket taken from
    // another connection's TlsSessionTicket); empty: a full handshake.
    void ResumeTlsSession(const QByteArray& ticket) { resumeTicket_ = ticket; }
    // The connection's current TLS session, updated as the server sends new
    // tickets; empty before a handshake.
    QByteArray TlsSessionTicket() const;
    // SHA-256 of the certificate the peer presented on StartTls.
    const QString& PeerFingerprint() const { return peerFingerprint_; }
    bool Encrypted() const;

    // Sending. Write sends up to the first zero byte of the text.
    void SendBuffer(const char* data, qsizetype length);
    void Write(SjisView text);
    void Writeln(SjisView text);
    void SendFile(const QString& path);
    void SendStream(QIODevice& stream);

    // Receiving. A peer that closes yields an empty text, not an error.
    SjisString Read(int count);
    SjisString ReadLn(); // one line with its LF (and CR)
    virtual SjisString Transaction(SjisView command);
    bool DataAvailable();
    void ClearInput();
    void AppendFile(const QString& path);
    void CaptureFile(const QString& path);
    void CaptureStream(QIODevice& stream, qint64 size); // size -1: one read
    void CaptureString(SjisString& text, qint64 size);

    // Addresses.
    QString GetRemoteIP() const;
    QString GetLocalIP() const;
    QString GetLocalAddress() const; // "10,0,0,5": the form a PORT command carries
    QString GetPortString() const;   // ",19,137" for port 5001
    // The connection's own address, without a scope (the form EPRT carries).
    QString GetLocalIPv6Address() const;
    // The peer was reached over IPv6 (an IPv4 address mapped into IPv6 is IPv4).
    bool RemoteIsIPv6() const;

    // Errors and status.
    int GetLastErrorNo() const { return lastError_; }
    void SetLastErrorNo(int number) { lastError_ = number; }
    void SetWSAError(int number, QString text);
    QString SocketErrorStr(int number);
    void StatusMessage(int level, const QString& text);
    const QString& Status() const { return status_; }

    bool Connected() const { return connected_; }
    bool Canceled() const { return canceled_; }
    bool TimedOut() const { return timedOut_; }
    qint16 ReplyCode() const { return replyCode_; }
    const SjisString& LastReply() const { return lastReply_; }
    qint64 BytesSent() const { return sent_; }
    qint64 BytesRecvd() const { return received_; }
    qint64 TotalSize() const { return totalSize_; }
    void SetTotalSize(qint64 size) { totalSize_ = size; }
    quint16 LocalPort() const;

protected:
    // Switches the time-out timer off on every way out of a wait.
    struct TimerScope {
        TSocketClient* client;
        ~TimerScope() { client->TimerOff(); }
    };
    void TimerOn();
    void TimerOff();
    void TimerFired();
    // Raises ESockError for the last error unless it is `ignore` or not a
    // socket error number.
    void ErrorManager(int ignore);

    qint16 replyCode_ = 0;
    SjisString lastReply_;
    bool canceled_ = false;

    // Runs local event loops until `done` holds; every notification wakes it.
    void WaitUntil(const std::function<bool()>& done);

private:
    void Wake();
    void NewSocket();
    void AdoptSocket(QTcpSocket* socket);
    void OnSocketError(QTcpSocket* socket, int qtError);
    void OnSocketClosed(QTcpSocket* socket);
    void OnSslErrors(QTcpSocket* socket, const QList<QSslError>& errors);
    QTcpServer* NewServer();
    // Bytes the socket holds that the network has not taken yet, encrypted
    // records included.
    static qint64 Unsent(QTcpSocket* socket);
    // Raises ETlsError when the connection failed in TLS.
    void RaiseTlsError();
    // A TLS peer may still be sending (session tickets, its close alert)
    // when we close; had the socket gone, our side would answer with a
    // reset and the peer's system would drop what it had not read yet, the
    // end of an upload. So a closed TLS connection stays open underneath,
    // half-closed, until this object is done with it.
    void KeepOpenUnderneath();
    void HalfCloseUnderneath();
    void ReleaseUnderneath();
    // Sends one buffer, waiting until the socket has taken all of it;
    // counts and reports progress when `count` is set.
    void SendAll(const char* data, qsizetype length, bool count, const char* abortText);
    void CaptureInto(const std::function<void(const char*, qsizetype)>& sink, qint64 size,
                     const char* abortText);
    SjisString ReadLnImpl();

    QTcpSocket* socket_ = nullptr;
    QPointer<QTcpServer> server_;
    TThreadTimer* timer_ = nullptr;
    std::vector<QEventLoop*> loops_;
    QHostAddress remote_;
    QHostAddress lookupResult_; // written by the lookup's completion
    int lookupId_ = -1;
    QByteArray io_; // one I/O buffer for every chunk
    QString status_;
    QByteArray resumeTicket_;
    QString peerFingerprint_;
    QString tlsError_;        // the TLS library's text of the last failure
    QString untrustedWhy_;    // verification errors of a certificate not trusted
    QString untrustedFingerprint_;
    int underneath_ = -1; // a duplicate of a closed TLS connection's descriptor

    bool connected_ = false;
    bool timedOut_ = false;
    bool succeed_ = true;
    bool ready_ = false;
    bool lookupFailed_ = false;
    bool closing_ = false;
    int lastError_ = 0;
    qint64 sent_ = 0;
    qint64 received_ = 0;
    qint64 totalSize_ = 0;
    qint64 pendingSent_ = 0; // bytes written by the socket, not yet reported
};
