#include "upload/SftpStore.h"

#include "upload/SftpClient.h"
#include "upload/SftpPacket.h"

namespace {

// A cleanup after a failure waits no longer than this, even in a run whose
// waits have no limit: the user is already told of the failure.
constexpr int CleanupTimeOutMs = 3000;

} // namespace

void SftpStore::Store(const QString& localPath, const QString& name, const QString& temporary, bool atomic)
{
    replacedByDeleting_ = false;
    if (!atomic) {
        sftp_.Upload(localPath, name);
        return;
    }
    try {
        sftp_.Upload(localPath, temporary);
    } catch (...) {
        RemoveTemporary(temporary);
        throw;
    }
    RenameOverLive(temporary, name);
}

void SftpStore::RenameOverLive(const QString& temporary, const QString& name)
{
    try {
        sftp_.Rename(temporary, name);
        return;
    } catch (const ESftpError& refusal) {
        // Without posix-rename a server refuses a rename onto an existing
        // file with a plain "failure": the live page has to go first. Only
        // once, and only for that refusal, so that it is never deleted for
        // nothing.
        if (sftp_.OffersPosixRename() || refusal.Status != Sftp::Failure || !sftp_.Connected()) {
            RemoveTemporary(temporary);
            throw;
        }
        try {
            sftp_.Delete(name);
        } catch (const std::exception&) {
            RemoveTemporary(temporary);
            throw refusal;
        }
    }
    replacedByDeleting_ = true;
    try {
        sftp_.Rename(temporary, name);
    } catch (const ESftpError& e) {
        // The live page is gone; the new one exists only under its temporary
        // name, so it stays there, and the user learns where.
        throw ESftpError(QString::fromUtf8(e.what())
                             + QStringLiteral(" The old page was deleted; the new one is on the server as ")
                             + temporary,
                         e.Status);
    }
}

void SftpStore::RemoveTemporary(const QString& temporary)
{
    if (!sftp_.Connected())
        return;
    const int saved = sftp_.TimeOut;
    sftp_.TimeOut = saved > 0 && saved < CleanupTimeOutMs ? saved : CleanupTimeOutMs;
    try {
        sftp_.Delete(temporary);
    } catch (const std::exception&) {
        // Refused or unanswered: the failure the user hears of is the
        // transfer's, not this one.
    }
    sftp_.TimeOut = saved;
}
