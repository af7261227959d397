#include "page/RecoveryStore.h"

#include "document/TextCodec.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <utility>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// One request for one page: write the bytes these make as its copy, or
// (none) remove the copy.
struct Job {
    QString copyPath;
    QString pageFilePath; // native
    std::function<RecoveryStore::CopyBytes()> makeBytes;
};

// What the store finishes before it goes, at most.
constexpr auto ShutdownWait = 1s;

fs::path FsPath(const QString& path) { return QFileInfo(path).filesystemFilePath(); }

QString Text(const std::error_code& error) { return QString::fromStdString(error.message()); }

// Makes the folder and any missing parent, each private to the user from
// the moment it exists (existing folders are left as they are).
QString MakePrivateFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return {};
    if (info.exists() || info.isSymLink())
        return QString::fromUtf8("“%1” はフォルダーではありません。").arg(QDir::toNativeSeparators(folder));
    const QString parent = info.absolutePath();
    if (parent != folder) {
        if (QString error = MakePrivateFolder(parent); !error.isEmpty())
            return error;
    }
    // Another program may have made it meanwhile.
    if (QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) || QFileInfo(folder).isDir())
        return {};
    return QString::fromUtf8("フォルダー “%1” を作れませんでした。").arg(QDir::toNativeSeparators(folder));
}

// Beside the copy, under a name of its own: two programs with the same page
// open never write into one file, and a write cut short leaves the old copy.
QString TemporaryPath(const QString& copyPath)
{
    return copyPath + QLatin1Char('.') + QString::number(QRandomGenerator::global()->generate(), 16)
        + QStringLiteral(".part");
}

// A copy is offered when its modification time is later than the page
// file's. The kernel stamps files from a clock that moves in ticks of a few
// milliseconds, and a page file on another machine's file system carries
// that machine's clock: a copy written just after the page file could get
// the same time or an earlier one. It is dated just after the page file
// then, in the finest step the copy's file system keeps.
void DateAfterPageFile(const fs::path& copy, const QString& pageFilePath)
{
    std::error_code error;
    const fs::file_time_type pageTime = fs::last_write_time(FsPath(pageFilePath), error);
    if (error)
        return; // no page file: the copy is newer whatever its time
    using Step = fs::file_time_type::duration;
    for (const Step step : {Step(1ns), Step(1ms), Step(2s)}) {
        const fs::file_time_type copyTime = fs::last_write_time(copy, error);
        if (error || copyTime > pageTime)
            return;
        fs::last_write_time(copy, pageTime + step, error);
    }
}

QString CannotWrite(const QString& copyPath, const QString& reason)
{
    return QString::fromUtf8("復元用のコピー “%1” を書き込めませんでした: %2")
        .arg(QDir::toNativeSeparators(copyPath), reason);
}

// Makes `file` holding `bytes`, or nothing: the reason when it fails.
QString WriteNewFile(QFile& file, const QByteArray& bytes)
{
    // Mode 0600 from the first byte: the copy holds the page, which may be private.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner))
        return file.errorString();
    QString reason;
    if (file.write(bytes) != bytes.size() || !file.flush())
        reason = file.errorString();
#ifndef _WIN32
    // After a power failure the copy is then the old one or the new one,
    // never a file the rename made visible before its bytes reached the disk.
    else if (::fsync(file.handle()) != 0)
        reason = Text(std::error_code(errno, std::generic_category()));
#endif
    file.close();
    if (!reason.isEmpty())
        file.remove();
    return reason;
}

QString WriteCopy(const Job& job)
{
    if (QString reason = MakePrivateFolder(QFileInfo(job.copyPath).absolutePath()); !reason.isEmpty())
        return CannotWrite(job.copyPath, reason);
    const RecoveryStore::CopyBytes made = job.makeBytes();
    if (!made.failure.isEmpty())
        return CannotWrite(job.copyPath, made.failure);
    QFile file(TemporaryPath(job.copyPath));
    if (QString reason = WriteNewFile(file, made.bytes); !reason.isEmpty())
        return CannotWrite(job.copyPath, reason);
    DateAfterPageFile(FsPath(file.fileName()), job.pageFilePath);
    std::error_code error;
    fs::rename(FsPath(file.fileName()), FsPath(job.copyPath), error);
    if (!error)
        return {};
    file.remove();
    return CannotWrite(job.copyPath, Text(error));
}

QString RemoveCopy(const Job& job)
{
    std::error_code error;
    fs::remove(FsPath(job.copyPath), error); // no copy is no error
    if (!error)
        return {};
    return QString::fromUtf8("復元用のコピー “%1” を削除できませんでした: %2")
        .arg(QDir::toNativeSeparators(job.copyPath), Text(error));
}

} // namespace

// The requests between the store and its worker. One page has at most one
// request waiting, the latest; the worker takes pages in the order they
// were first asked for, so each page's requests end in the order given.
struct RecoveryStore::Queue {
    std::mutex mutex;
    std::condition_variable changed; // a request came, one ended, or the store is going
    std::deque<QString> order;       // copy paths with a request waiting
    std::map<QString, Job> waiting;  // by copy path
    bool working = false;            // a request is under way
    bool closing = false;            // the worker ends once nothing waits
    QString lastError;
    std::function<void()> beforeWrite;

    bool Done() const { return order.empty() && !working; }
    void Add(Job job)
    {
        {
            std::lock_guard lock(mutex);
            QString key = job.copyPath;
            if (waiting.insert_or_assign(key, std::move(job)).second)
                order.push_back(std::move(key));
        }
        changed.notify_all();
    }
};

QString RecoveryStore::DefaultFolder()
{
    // A relative value is ignored: it would depend on the current folder.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Tav/QUIB/recovery");
}

RecoveryStore::RecoveryStore(QString folder)
    : folder_(QDir::cleanPath(QFileInfo(folder).absoluteFilePath())), queue_(std::make_shared<Queue>()),
      worker_(Work, queue_)
{
}

RecoveryStore::~RecoveryStore()
{
    std::unique_lock lock(queue_->mutex);
    queue_->closing = true;
    queue_->changed.notify_all();
    const bool done = queue_->changed.wait_for(lock, ShutdownWait, [this] { return queue_->Done(); });
    if (!done) {
        queue_->order.clear();
        queue_->waiting.clear();
    }
    lock.unlock();
    // A write held up (a slow disk, a hung network folder) must not keep
    // the program from ending; the worker owns its share of the queue.
    if (done)
        worker_.join();
    else
        worker_.detach();
}

QString RecoveryStore::CopyPath(SjisView pageFilePath) const
{
    const QByteArray path(pageFilePath.data(), qsizetype(pageFilePath.size()));
    const QByteArray name = QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex();
    return folder_ + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".data");
}

void RecoveryStore::Write(SjisView pageFilePath, QByteArray bytes)
{
    Write(pageFilePath, [bytes = std::move(bytes)] { return CopyBytes{bytes, {}}; });
}

void RecoveryStore::Write(SjisView pageFilePath, std::function<CopyBytes()> makeBytes)
{
    queue_->Add(Job{CopyPath(pageFilePath), TextCodec::NativePath(pageFilePath), std::move(makeBytes)});
}

void RecoveryStore::Remove(SjisView pageFilePath)
{
    queue_->Add(Job{CopyPath(pageFilePath), TextCodec::NativePath(pageFilePath), nullptr});
}

std::optional<QDateTime> RecoveryStore::NewerCopy(SjisView pageFilePath) const
{
    std::error_code error;
    const fs::file_time_type copyTime = fs::last_write_time(FsPath(CopyPath(pageFilePath)), error);
    if (error)
        return std::nullopt;
    const fs::file_time_type pageTime = fs::last_write_time(FsPath(TextCodec::NativePath(pageFilePath)), error);
    if (!error && copyTime <= pageTime)
        return std::nullopt;
    const auto sinceEpoch = std::chrono::file_clock::to_sys(copyTime).time_since_epoch();
    return QDateTime::fromMSecsSinceEpoch(std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
}

bool RecoveryStore::WaitUntilDone(int milliseconds)
{
    std::unique_lock lock(queue_->mutex);
    return queue_->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return queue_->Done(); });
}

QString RecoveryStore::LastError() const
{
    std::lock_guard lock(queue_->mutex);
    return queue_->lastError;
}

void RecoveryStore::SetBeforeWriteForTesting(std::function<void()> hook)
{
    std::lock_guard lock(queue_->mutex);
    queue_->beforeWrite = std::move(hook);
}

void RecoveryStore::Work(std::shared_ptr<Queue> queue)
{
    std::unique_lock lock(queue->mutex);
    for (;;) {
        queue->changed.wait(lock, [&] { return !queue->order.empty() || queue->closing; });
        if (queue->order.empty())
            return; // closing, and nothing waits
        auto taken = queue->waiting.extract(queue->order.front());
        queue->order.pop_front();
        Job job = std::move(taken.mapped());
        const std::function<void()> beforeWrite = queue->beforeWrite;
        queue->working = true;
        lock.unlock();

        if (job.makeBytes && beforeWrite)
            beforeWrite();
        QString error = job.makeBytes ? WriteCopy(job) : RemoveCopy(job);
        job = Job(); // a large page's bytes are let go outside the lock

        lock.lock();
        queue->working = false;
        queue->lastError = std::move(error);
        queue->changed.notify_all();
    }
}
