#pragma once

#include "upload/SftpErrors.h"
#include "upload/SftpLogin.h"
#include "upload/SshInterrupt.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

class QEventLoop;
class SftpWorker;
class SshConnection;

// An SFTP client whose calls look blocking to the caller but keep its event
// loop running: libssh works on a thread of the client's own, and each call
// waits in a local event loop for it, so a Cancel button or a timer can act
// in the middle of a transfer. One call at a time; a call made while another
// waits raises ESftpError.
//
// Failures raise EHostKeyUnknown, EHostKeyChanged (Connect only), or
// ESftpError with a text that says why. A refused request leaves the session
// usable; a time-out, a lost connection or a cancel that the server did not
// answer in time closes it (Connected() turns false).
class SftpClient : public QObject {
    Q_OBJECT
public:
    explicit SftpClient(QObject* parent = nullptr);
    ~SftpClient() override;

    int TimeOut = 0; // ms the server may stay silent during a call; 0: no limit
    // Bytes of the current Upload the server has acknowledged, and the file's
    // size; called on the caller's thread, at least once at the end.
    std::function<void(qint64 sent, qint64 total)> OnProgress;
    // Bytes per write request and requests in flight during an upload; the
    // defaults keep a loopback or LAN transfer at the network's pace.
    qsizetype WriteChunk = 64 * 1024;
    int WritesInFlight = 32;

    // TCP, host key check, authentication (agent and ~/.ssh/id_* keys, the
    // setting's key file, the password also for keyboard-interactive
    // logins), the SFTP subsystem. A client already connected disconnects
    // first.
    void Connect(const SftpLogin& login);
    bool Connected() const { return connected_; }
    void Disconnect();

    // The folder relative names resolve against: the login folder at first,
    // canonical.
    QString CurrentDir() const { return currentDir_; }
    // Absolute or relative; raises when it is not an existing folder.
    void ChangeDir(const QString& folder);
    void MakeDirectory(const QString& folder);
    // Byte for byte into the current folder (created or truncated); checks
    // the size the server then holds. A failed or cancelled upload leaves
    // what the server got.
    void Upload(const QString& localPath, const QString& remoteName);
    // Replaces an existing `to` where the server offers posix-rename
    // (OffersPosixRename); elsewhere the server may refuse an existing `to`.
    void Rename(const QString& from, const QString& to);
    void Delete(const QString& name);

    // Ends the waiting call: an upload sends no more chunks and ends once
    // the server has answered those sent, and the session stays. When the
    // server stays silent for CancelGraceMs, or the call still runs after
    // CancelLimitMs, the connection is broken off instead. Ignored when no
    // call waits.
    void Cancel();
    static constexpr int CancelGraceMs = 1000;
    static constexpr int CancelLimitMs = 5000;

    // The server renames over an existing file (posix-rename@openssh.com).
    bool OffersPosixRename() const { return posixRename_; }
    // A call waits.
    bool Busy() const { return busy_; }

private:
    // Runs `job` on the worker thread and waits here until it is done;
    // `what` names the call in time-out and cancel messages.
    void Run(const QString& what, const std::function<void()>& job);
    void Finish(std::exception_ptr error, bool open);
    void DeliverProgress();
    void CheckIdle();
    void CheckCancelled();
    QString Resolve(const QString& name) const;
    void RequireConnection() const;

    SshInterrupt interrupt_;
    std::unique_ptr<SshConnection> connection_; // used on the worker thread only
    std::unique_ptr<SftpWorker> worker_;        // last: its thread ends before the rest goes
    QTimer watchdog_;
    QTimer grace_;
    QElapsedTimer cancelledAt_;
    QString host_;
    QString currentDir_;
    bool connected_ = false;
    bool posixRename_ = false;
    bool busy_ = false;
    bool done_ = false;
    std::exception_ptr error_;
    std::atomic<qint64> sent_{0};
    std::atomic<bool> progressPosted_{false};
    qint64 total_ = 0;
    qint64 delivered_ = -1;
    QEventLoop* loop_ = nullptr;
};
