#pragma once

#include <QString>
#include <stdexcept>

// Failures of the SFTP client. The texts are English and say why, so that a
// window or the command line can show them as they are.

// Every failure that is not about the server's host key: the connection, the
// login, a request the server refused, a time-out.
class ESftpError : public std::runtime_error {
public:
    // A status the server never sends: the failure was not a refused request.
    static constexpr int NoStatus = -1;

    explicit ESftpError(const QString& text, int status = NoStatus)
        : std::runtime_error(text.toStdString()), Status(status)
    {
    }
    // The SFTP status code of a refused request (2: no such file,
    // 3: permission denied, 4: failure, 8: unsupported), else NoStatus.
    int Status;
};

// The caller cancelled the call.
class ESftpCancelled : public ESftpError {
public:
    explicit ESftpCancelled(const QString& text) : ESftpError(text) {}
};

// The server's host key is in no known_hosts entry for the host. Nothing was
// sent but the key exchange; Connect again with the fingerprint the user
// accepted as SftpLogin::trustFingerprint.
class EHostKeyUnknown : public std::runtime_error {
public:
    EHostKeyUnknown(const QString& host, const QString& fingerprint)
        : std::runtime_error(QStringLiteral("The host key of %1 is not known; its fingerprint is %2")
                                 .arg(host, fingerprint).toStdString()),
          Host(host), Fingerprint(fingerprint)
    {
    }
    QString Host;        // as known_hosts names it: "name", or "[name]:port" off port 22
    QString Fingerprint; // "SHA256:..." as OpenSSH prints it
};

// known_hosts holds another key for the host: someone may be in the middle.
// The connection was closed before any authentication.
class EHostKeyChanged : public std::runtime_error {
public:
    EHostKeyChanged(const QString& host, const QString& fingerprint, const QString& knownHostsFile)
        : std::runtime_error(QStringLiteral("The host key of %1 has changed: the server sent %2, which is "
                                            "not the key %3 holds for it. Nothing was sent to the server; "
                                            "if the change is expected, remove the old key from that file.")
                                 .arg(host, fingerprint, knownHostsFile).toStdString()),
          Host(host), Fingerprint(fingerprint)
    {
    }
    QString Host;
    QString Fingerprint; // of the key the server sent
};
