#pragma once

#include "document/SjisString.h"

#include <QString>

class TFtpClient;

// A hidden name beside `name`, with a random part, for a page being stored.
SjisString TemporaryName(SjisView name);

// Replaces a page on the server so that a visitor sees the old page or the
// new one, never a part: the new page goes under a temporary name beside the
// live one and is renamed over it once the server has all of it.
class AtomicReplace {
public:
    explicit AtomicReplace(TFtpClient& ftp) : ftp_(ftp) {}

    // Sends `localPath` to `name` in the server's current folder and returns
    // once the new page is live. Raises when it is not; the temporary file is
    // then removed, unless the live page is already gone: the new page stays
    // under its temporary name, and the reason names it.
    void Store(const QString& localPath, SjisView name);

    // The server would not rename over the live page, so it was deleted first.
    bool ReplacedByDeleting() const { return replacedByDeleting_; }

    // The client's transfer events, forwarded by the run.
    void TransferStarted() { transferStarted_ = transferring_ = true; }
    void TransferStopped() { transferring_ = false; }
    // Data is moving on the data connection at this moment.
    bool Transferring() const { return transferring_; }

    // The user stops the run. True when the session must stay for the
    // cleanup (ABOR, then DELE of what the server got), after which it
    // closes; false when nothing of ours is half-made on the server.
    bool Cancel();

private:
    // Where a Store stands.
    enum class Phase {
        Idle,                // nothing under way
        Storing,             // STOR to the temporary name
        Renaming,            // RNFR temporary, RNTO name
        DeletingLive,        // the server would not rename over the live page: DELE it
        RenamingAfterDelete, // the live page is gone: RNFR/RNTO once more
    };

    void RenameOverLive(SjisView name);
    // Deletes the temporary file where the server lets us. `replyPending`:
    // the broken transfer's own reply may still be on its way.
    void RemoveTemporary(bool replyPending);

    TFtpClient& ftp_;
    Phase phase_ = Phase::Idle;
    SjisString temporary_;
    bool transferStarted_ = false; // the STOR was accepted and sending began
    bool transferring_ = false;
    bool cancelled_ = false;
    bool abortPending_ = false;    // cancelled mid-transfer: ABOR before DELE
    bool replacedByDeleting_ = false;
};
