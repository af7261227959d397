#include "upload/AtomicReplace.h"

#include "upload/TFtpClient.h"

#include <QRandomGenerator>
#include <cstdio>
#include <utility>

// The name a page is stored under before it is renamed over the live one.
// It sits in the same folder, because a rename cannot move a file between
// file systems on most servers. The leading "." hides it from listings and
// from servers that refuse to serve dot files; ".part" at the end means a
// visitor who finds it gets no HTML page; the random part keeps two runs
// (or two programs) from writing into each other's file.
SjisString TemporaryName(SjisView name)
{
    char suffix[9];
    std::snprintf(suffix, sizeof suffix, "%08x", unsigned(QRandomGenerator::global()->generate()));
    return "." + SjisString(name) + "." + suffix + ".part";
}

namespace {

// Replies that refuse a name rather than the command: a server that will
// not rename onto an existing file answers RNTO so.
bool RefusesTheName(int code) { return code >= 550 && code <= 553; }

// A cleanup after a failure waits no longer than this, even in a run whose
// waits have no limit: the user is already told of the failure.
constexpr int CleanupTimeOutMs = 3000;

struct ShortWaits {
    TFtpClient& ftp;
    int saved;
    explicit ShortWaits(TFtpClient& f) : ftp(f), saved(f.TimeOut)
    {
        ftp.TimeOut = saved > 0 && saved < CleanupTimeOutMs ? saved : CleanupTimeOutMs;
    }
    ~ShortWaits() { ftp.TimeOut = saved; }
};

} // namespace

void AtomicReplace::Store(const QString& localPath, SjisView name)
{
    temporary_ = TemporaryName(name);
    transferStarted_ = transferring_ = cancelled_ = abortPending_ = replacedByDeleting_ = false;
    phase_ = Phase::Storing;
    try {
        ftp_.Upload(localPath, temporary_);
    } catch (const FTPException&) {
        // A negative reply: the server has answered the STOR already.
        RemoveTemporary(false);
        throw;
    } catch (...) {
        RemoveTemporary(transferStarted_);
        throw;
    }
    if (cancelled_) {
        // Stopped as the last bytes went: the file is whole but not in place,
        // and the server has answered the STOR, so there is nothing to abort.
        abortPending_ = false;
        RemoveTemporary(false);
        throw EAbortError(QStringLiteral("Upload cancelled"));
    }
    RenameOverLive(name);
    phase_ = Phase::Idle;
}

void AtomicReplace::RenameOverLive(SjisView name)
{
    phase_ = Phase::Renaming;
    try {
        ftp_.Rename(temporary_, name);
        return;
    } catch (const FTPException& refusal) {
        // Some servers will not rename onto a file that exists: the live page
        // goes first. Only once, and only after RNFR was accepted, so that the
        // live page is never deleted for a temporary file that is not there.
        if (!ftp_.RenameSourceAccepted() || !RefusesTheName(ftp_.ReplyCode())) {
            RemoveTemporary(false);
            throw;
        }
        phase_ = Phase::DeletingLive;
        try {
            ftp_.Delete(name);
        } catch (const std::exception&) {
            // The live page is still there (or never was): the rename's
            // refusal is the failure.
            RemoveTemporary(false);
            throw refusal;
        }
    } catch (...) {
        RemoveTemporary(false);
        throw;
    }
    replacedByDeleting_ = true;
    phase_ = Phase::RenamingAfterDelete;
    try {
        ftp_.Rename(temporary_, name);
    } catch (const std::exception& e) {
        // The live page is gone; the new one exists only under its temporary
        // name, so it stays there, and the user learns where.
        phase_ = Phase::Idle;
        throw FTPException(ftp_.LastReply(), std::string(e.what())
                                                 + " The old page was deleted; the new one is on the server as "
                                                 + temporary_);
    }
}

void AtomicReplace::RemoveTemporary(bool replyPending)
{
    phase_ = Phase::Idle;
    transferring_ = false;
    const bool abort = std::exchange(abortPending_, false);
    if (ftp_.Connected()) {
        ShortWaits waits(ftp_);
        try {
            if (abort) {
                // The server may still be reading what the sockets hold: ABOR
                // ends its side at once, and it answers the STOR (426, or 226
                // when it had it all) and then the ABOR.
                ftp_.Transaction("ABOR");
                ftp_.ReadLn();
            } else if (replyPending) {
                // The broken transfer's own reply (426, 451) is still on its
                // way; taken for the answer to DELE it would put every later
                // reply one step behind.
                ftp_.ReadLn();
            }
        } catch (const std::exception&) {
            // No answer in time: DELE all the same.
        }
        try {
            ftp_.Delete(temporary_);
        } catch (const std::exception&) {
            // Refused or unanswered: the failure the user hears of is the
            // transfer's, not this one.
        }
    }
    // A cancelled transfer kept the connection only for this.
    if (cancelled_)
        ftp_.RequestCloseSocket();
}

bool AtomicReplace::Cancel()
{
    cancelled_ = true;
    if (phase_ != Phase::Storing || !transferStarted_)
        return false;
    abortPending_ = true;
    return true;
}
