#include "upload/SftpClient.h"

#include "upload/SftpWorker.h"
#include "upload/SshConnection.h"

#include <QEventLoop>
#include <QFileInfo>
#include <algorithm>

SftpClient::SftpClient(QObject* parent)
    : QObject(parent), connection_(std::make_unique<SshConnection>(interrupt_)),
      worker_(std::make_unique<SftpWorker>())
{
    watchdog_.setSingleShot(true);
    connect(&watchdog_, &QTimer::timeout, this, &SftpClient::CheckIdle);
    grace_.setSingleShot(true);
    connect(&grace_, &QTimer::timeout, this, &SftpClient::CheckCancelled);
}

SftpClient::~SftpClient()
{
    if (busy_)
        interrupt_.Break(false);
    worker_->Post([this] { connection_->Close(); });
    worker_.reset(); // runs the close and joins the thread
}

// --- waiting ------------------------------------------------------------------

void SftpClient::Run(const QString& what, const std::function<void()>& job)
{
    if (busy_)
        throw ESftpError(QStringLiteral("%1: another SFTP call is still under way").arg(what));
    busy_ = true;
    done_ = false;
    error_ = nullptr;
    interrupt_.Reset();
    worker_->Post([this, what, job] {
        std::exception_ptr error;
        try {
            job();
        } catch (...) {
            error = std::current_exception();
        }
        // What the caller did explains the failure better than the broken
        // connection it caused.
        if (error && interrupt_.TimedOut()) {
            error = std::make_exception_ptr(ESftpError(
                QStringLiteral("%1 timed out: %2 did not answer within %3 ms").arg(what, host_).arg(TimeOut)));
        } else if (error && interrupt_.Cancelled()) {
            try {
                std::rethrow_exception(error);
            } catch (const ESftpCancelled&) {
            } catch (...) {
                error = std::make_exception_ptr(ESftpCancelled(QStringLiteral("%1 was cancelled").arg(what)));
            }
        }
        if (connection_->IsOpen() && (!connection_->Healthy() || interrupt_.Broken()))
            connection_->Close();
        const bool open = connection_->IsOpen();
        QMetaObject::invokeMethod(this, [this, error, open] { Finish(error, open); }, Qt::QueuedConnection);
    });

    QEventLoop loop;
    if (TimeOut > 0)
        watchdog_.start(TimeOut);
    while (!done_) {
        loop_ = &loop;
        loop.exec();
    }
    loop_ = nullptr;
    watchdog_.stop();
    grace_.stop();
    busy_ = false;
    if (error_)
        std::rethrow_exception(std::exchange(error_, nullptr));
}

void SftpClient::Finish(std::exception_ptr error, bool open)
{
    error_ = std::move(error);
    connected_ = open;
    done_ = true;
    if (loop_)
        loop_->quit();
}

void SftpClient::CheckIdle()
{
    const qint64 idle = interrupt_.IdleMs();
    if (idle >= TimeOut)
        interrupt_.Break(true);
    else
        watchdog_.start(int(TimeOut - idle));
}

void SftpClient::Cancel()
{
    if (!busy_ || interrupt_.Cancelled())
        return;
    interrupt_.RequestCancel();
    cancelledAt_.start();
    grace_.start(CancelGraceMs);
}

void SftpClient::CheckCancelled()
{
    // A server still answering the writes already sent is let finish, so
    // that the session stays; one that has gone quiet is cut off.
    const qint64 idle = interrupt_.IdleMs();
    if (idle >= CancelGraceMs || cancelledAt_.elapsed() >= CancelLimitMs)
        interrupt_.Break(false);
    else
        grace_.start(int(CancelGraceMs - idle));
}

void SftpClient::DeliverProgress()
{
    const qint64 sent = sent_;
    if (OnProgress && sent != delivered_) {
        delivered_ = sent;
        OnProgress(sent, total_);
    }
}

// --- calls ----------------------------------------------------------------------

QString SftpClient::Resolve(const QString& name) const
{
    if (name.startsWith(QLatin1Char('/')))
        return name;
    if (name.isEmpty())
        return currentDir_;
    return currentDir_.endsWith(QLatin1Char('/')) ? currentDir_ + name : currentDir_ + QLatin1Char('/') + name;
}

void SftpClient::RequireConnection() const
{
    if (!connected_)
        throw ESftpError(QStringLiteral("Not connected"));
}

void SftpClient::Connect(const SftpLogin& login)
{
    if (connected_)
        Disconnect();
    host_ = QStringLiteral("%1:%2").arg(login.host).arg(login.port);
    QString home;
    bool posix = false;
    Run(QStringLiteral("Connecting to %1").arg(host_), [&] {
        connection_->Open(login);
        try {
            home = connection_->Sftp().RealPath(QStringLiteral("."));
        } catch (...) {
            connection_->Close();
            throw;
        }
        posix = connection_->Sftp().OffersPosixRename();
    });
    currentDir_ = home;
    posixRename_ = posix;
}

void SftpClient::Disconnect()
{
    if (!connected_)
        return;
    Run(QStringLiteral("Disconnecting from %1").arg(host_), [this] { connection_->Close(); });
}

void SftpClient::ChangeDir(const QString& folder)
{
    RequireConnection();
    const QString path = Resolve(folder);
    QString canonical;
    Run(QStringLiteral("Entering %1").arg(path), [&] {
        canonical = connection_->Sftp().RealPath(path);
        // A server may canonicalize a path that does not exist.
        const Sftp::Attributes a = connection_->Sftp().Stat(canonical);
        if (a.permissions && !a.isDirectory())
            throw ESftpError(QStringLiteral("Cannot enter %1: not a folder").arg(path), Sftp::Failure);
    });
    currentDir_ = canonical;
}

void SftpClient::MakeDirectory(const QString& folder)
{
    RequireConnection();
    const QString path = Resolve(folder);
    Run(QStringLiteral("Making %1").arg(path), [&] { connection_->Sftp().MakeDirectory(path); });
}

void SftpClient::Upload(const QString& localPath, const QString& remoteName)
{
    RequireConnection();
    const QString path = Resolve(remoteName);
    total_ = QFileInfo(localPath).size();
    sent_ = 0;
    delivered_ = -1;
    const SftpChannel::WriteWindow window{std::clamp<qsizetype>(WriteChunk, 1024, 256 * 1024 - 1024),
                                          std::max(1, WritesInFlight)};
    const auto progress = [this](qint64 acknowledged) {
        sent_ = acknowledged;
        if (!progressPosted_.exchange(true))
            QMetaObject::invokeMethod(this, [this] {
                progressPosted_ = false;
                DeliverProgress();
            }, Qt::QueuedConnection);
    };
    try {
        Run(QStringLiteral("The upload of %1").arg(path),
            [&] { connection_->Sftp().Upload(localPath, path, window, progress); });
    } catch (...) {
        DeliverProgress();
        throw;
    }
    DeliverProgress();
}

void SftpClient::Rename(const QString& from, const QString& to)
{
    RequireConnection();
    const QString source = Resolve(from);
    const QString target = Resolve(to);
    Run(QStringLiteral("Renaming %1").arg(source), [&] { connection_->Sftp().Rename(source, target); });
}

void SftpClient::Delete(const QString& name)
{
    RequireConnection();
    const QString path = Resolve(name);
    Run(QStringLiteral("Deleting %1").arg(path), [&] { connection_->Sftp().Remove(path); });
}
