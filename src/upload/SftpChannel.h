#pragma once

#include "upload/SftpPacket.h"

#include <QString>
#include <functional>

struct ssh_channel_struct;
class SshInterrupt;

// SFTP requests on one SSH channel that runs the "sftp" subsystem, on the
// worker thread: each call sends its request and blocks until the reply.
// An upload keeps several writes in flight, since a reply per chunk would
// cost a round trip each. A refused request raises ESftpError with the
// server's status; a broken channel raises it without one and leaves
// Healthy() false, after which the session is of no more use.
class SftpChannel {
public:
    SftpChannel(ssh_channel_struct* channel, SshInterrupt& interrupt, const QString& host);

    // How an upload writes: bytes per write request (OpenSSH's server takes
    // up to 256 KiB) and how many requests may await their answer.
    struct WriteWindow {
        qsizetype chunk = 64 * 1024;
        int inFlight = 32;
    };

    void Init(); // version 3, and the extensions the server offers
    bool OffersPosixRename() const { return posixRename_; }
    bool Healthy() const { return healthy_; }

    QString RealPath(const QString& path);
    Sftp::Attributes Stat(const QString& path);
    void MakeDirectory(const QString& path);
    void Remove(const QString& path);
    // Replaces an existing `to` where the server offers posix-rename; a
    // plain SFTP rename is refused by most servers when `to` exists.
    void Rename(const QString& from, const QString& to);
    // Sends the local file to `path` (created or truncated); `progress` gets
    // the bytes the server has acknowledged. Stops early when the interrupt
    // asks to cancel, raising ESftpCancelled once the server has answered
    // every write already sent.
    void Upload(const QString& localPath, const QString& path, WriteWindow window,
                const std::function<void(qint64)>& progress);

private:
    quint32 NextId() { return nextId_++; }
    void Send(QByteArrayView packet);
    void ReadExactly(char* out, qsizetype n);
    // The next packet from the server, without its length.
    QByteArray ReadPacket();
    // Sends a request and returns the body of its reply.
    QByteArray Exchange(const QByteArray& packet, quint32 id);
    // A reply that must be a status of Ok; raises the refusal with `what`.
    void ExpectOk(const QByteArray& reply, const QString& what);
    QByteArray OpenForWriting(const QString& path);
    [[noreturn]] void Lost(const QString& why);
    [[noreturn]] void Malformed();

    ssh_channel_struct* channel_;
    SshInterrupt& interrupt_;
    QString host_;
    quint32 nextId_ = 1;
    bool posixRename_ = false;
    bool healthy_ = true;
};
