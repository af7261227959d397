#pragma once

#include <QString>
#include <stdexcept>

// Failures of the socket layer. The texts are English and fixed: callers and
// tests compare them.
class ESockError : public std::runtime_error {
public:
    explicit ESockError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// An operation stopped because the caller cancelled it.
class EAbortError : public std::runtime_error {
public:
    explicit EAbortError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// A TLS failure: the handshake, a record the peer garbled, or protection the
// server would not give. The text is the TLS library's own, with what we were
// doing when it came.
class ETlsError : public ESockError {
public:
    using ESockError::ESockError;
};

// The server's certificate failed verification and is not the one the user
// trusts; the connection was closed before anything else was said on it.
class EUntrustedCertificate : public ETlsError {
public:
    EUntrustedCertificate(const QString& host, const QString& fingerprint, const QString& why)
        : ETlsError(QStringLiteral("The certificate of %1 is not trusted (%2); its SHA-256 fingerprint is %3")
                        .arg(host, why, fingerprint)),
          Host(host), Fingerprint(fingerprint), Why(why)
    {
    }
    QString Host;
    QString Fingerprint; // "AB:CD:...", as CertificateFingerprint gives it
    QString Why;         // the verification errors, joined
};

// Socket error numbers keep the classic Windows Sockets values, so that the
// texts read the same on every platform.
namespace SockErrorNo {
inline constexpr int WouldBlock = 10035;
inline constexpr int NotConnected = 10057;
inline constexpr int ConnectionReset = 10054;
inline constexpr int TimedOut = 10060;
inline constexpr int ConnectionRefused = 10061;
inline constexpr int HostNotFound = 11001;
} // namespace SockErrorNo

// "10061:Connection refused"; "Unknown Error No. N" for numbers outside the
// table; empty for 0.
QString SocketErrorText(int number);
