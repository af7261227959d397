#pragma once

#include "upload/SftpChannel.h"
#include "upload/SftpLogin.h"

#include <QStringList>
#include <memory>

struct ssh_session_struct;
struct ssh_channel_struct;
class SshInterrupt;

// One SSH connection made with libssh, on the worker thread: TCP, key
// exchange, the host key checked against known_hosts before anything else
// is sent, authentication, and a channel running the sftp subsystem.
class SshConnection {
public:
    explicit SshConnection(SshInterrupt& interrupt) : interrupt_(interrupt) {}
    ~SshConnection() { Close(); }
    SshConnection(const SshConnection&) = delete;
    SshConnection& operator=(const SshConnection&) = delete;

    // Raises EHostKeyUnknown, EHostKeyChanged or ESftpError, closed again.
    // Time-outs are the caller's: it breaks the connection off (SshInterrupt).
    void Open(const SftpLogin& login);
    // Says goodbye when the connection is still sound, then frees it.
    void Close();
    bool IsOpen() const { return sftp_ != nullptr; }
    bool Healthy() const { return sftp_ && sftp_->Healthy(); }
    SftpChannel& Sftp() { return *sftp_; }
    const QString& Host() const { return host_; }

private:
    int ConnectTcp(const SftpLogin& login);
    void CheckHostKey(const SftpLogin& login, const QString& knownHostsFile);
    void Authenticate(const SftpLogin& login, const QString& sshDir);
    // Offers one key pair; false when the server did not take it.
    bool TryKey(const QString& privateKey, const QString& passphrase, QStringList& problems);
    bool TryKeyboardInteractive(const QString& password);
    // True on success; false when refused; raises when the connection failed.
    bool Accepted(int authResult);
    void OpenSftp();
    [[noreturn]] void Fail(const QString& what);

    SshInterrupt& interrupt_;
    ssh_session_struct* session_ = nullptr;
    ssh_channel_struct* channel_ = nullptr;
    int socket_ = -1; // ours: libssh does not close a socket it is handed
    std::unique_ptr<SftpChannel> sftp_;
    QString host_; // "host:port", for messages
};
