#pragma once

#include "document/SjisString.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

// Copies of pages with unsaved changes, kept in the user's state folder so
// that a crash or a killed process loses nothing. One copy per page, named
// after the page file's path; the copy is a page file. The store never
// touches a page file: restoring is the caller's choice.
//
// Writes and removals run in order on a worker thread of the store's own;
// the calls return at once, so that a large page never stalls typing.
// Call the store from one thread (the GUI thread).
class RecoveryStore {
public:
    // $XDG_STATE_HOME/Tav/QUIB/recovery, or ~/.local/state/Tav/QUIB/recovery.
    static QString DefaultFolder();

    explicit RecoveryStore(QString folder = DefaultFolder());
    // Finishes what was asked, waiting about a second at most; what is left
    // then is dropped, and a write under way ends on its own.
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    // Where the copy of the page whose page file is `pageFilePath` (its
    // Shift_JIS bytes, as the model holds paths) lies: a hex SHA-256 of
    // those bytes + ".data", so that different pages never share a copy.
    QString CopyPath(SjisView pageFilePath) const;

    // Writes `bytes` as the page's copy: a temporary file, private to the
    // user from its first byte (mode 0600; folders the store makes are
    // 0700), renamed over the old copy once complete. Returns at once; a
    // later Write or Remove for the same page supersedes one still waiting.
    // A failure is reported through LastError.
    void Write(SjisView pageFilePath, QByteArray bytes);
    // The same with bytes made on the worker thread, so that making them
    // (a large page takes a while) never holds up the caller. A maker that
    // cannot make them says why in `failure`; the old copy then stays.
    struct CopyBytes {
        QByteArray bytes;
        QString failure;
    };
    void Write(SjisView pageFilePath, std::function<CopyBytes()> makeBytes);
    // Removes the page's copy. A write for that page still waiting is
    // dropped; one under way finishes first and is then removed.
    void Remove(SjisView pageFilePath);

    // When the page's copy was written, if it exists and is newer than the
    // page file (or there is no page file).
    std::optional<QDateTime> NewerCopy(SjisView pageFilePath) const;

    // Waits until every write and removal asked for so far is done; false
    // when `milliseconds` passed first.
    bool WaitUntilDone(int milliseconds);
    // The failure of the latest write or removal, for the user; empty when
    // it succeeded.
    QString LastError() const;

    // For tests: runs on the worker thread before each copy is written, so
    // that a test can hold a write under way.
    void SetBeforeWriteForTesting(std::function<void()> hook);

private:
    struct Queue;
    static void Work(std::shared_ptr<Queue> queue);

    QString folder_;
    std::shared_ptr<Queue> queue_; // shared with the worker, which may outlive the store
    std::thread worker_;
};
