#pragma once

#include "upload/TFtpClient.h"
#include "upload/UploadEntry.h"
#include "upload/UploadNotices.h"

#include <QObject>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <vector>

class SettingsStore;

// The upload run without its window: lists the queue, logs in, enters or
// creates each page's remote folder, stores its HTML file, and reports
// every step as state and signals that a window (or the command line)
// shows. The run is a chain of FTP events: each handler issues the next
// command from inside the event of the previous one.
class UploadController : public QObject {
    Q_OBJECT
public:
    enum class Icon { Stop, Information };
    enum class RunState {
        Idle,
        Running,
        Succeeded,  // every queued page sent
        Incomplete, // every readable page sent; the unreadable ones stay queued
        Failed,
        Cancelled,  // the user stopped the login: nothing failed, nothing was sent
    };

    explicit UploadController(SettingsStore& store, QObject* parent = nullptr);
    ~UploadController() override;

    // Limit of every network wait in ms (0: none, as the window runs it).
    void SetTimeOut(int milliseconds) { FTP.TimeOut = milliseconds; }

    // Reads the queue and lists its pages.
    void FormShow();
    // Starts the run; returns when the whole chain has returned.
    void bttnOkClick();
    // True while bttnOkClick's chain is on the stack.
    bool ChainRunning() const { return chainDepth_ > 0; }
    // Closes the connection (stopping a running transfer) and asks to close.
    void bttnCancelClick();

    // What the window shows.
    const std::vector<QStringList>& Rows() const { return rows_; }
    const QString& RequestText() const { return request_; }
    const QString& RateText() const { return rate_; }
    const QString& RateMaxText() const { return rateMax_; }
    int Gauge() const { return gauge_; }
    const QString& OkCaption() const { return okCaption_; }
    bool OkEnabled() const { return okEnabled_; }
    const QString& CancelCaption() const { return cancelCaption_; }
    RunState State() const { return state_; }
    int CurrentIndex() const { return current_; }

    // What the failed run was sending and why it failed; empty before a
    // failure.
    struct Failure {
        int row = -1;
        QString pageFile;
        QString htmlFile;   // empty when the page file could not be read
        QString remotePath; // folder and name on the server, as listed
        QString host;
        QString reason;     // the server's reply, the socket or TLS error
    };
    const Failure& LastFailure() const { return failure_; }
    // Asked when a server's certificate fails verification and is not the
    // one its setting trusts: true stores the fingerprint in the setting and
    // the login goes on. Left empty, such a server ends the run before USER.
    std::function<bool(const QString& host, const QString& fingerprint, const QString& why)> ConfirmCertificate;
    // The certificate that ended the run, when one did (host, fingerprint).
    struct RefusedCertificate {
        QString Host;
        QString Fingerprint;
        QString Why;
    };
    const std::optional<RefusedCertificate>& UntrustedCertificate() const { return untrusted_; }

    TFtpClient FTP;
    // Start, failure and completion, to the companion or the desktop.
    UploadNotices Notices;

signals:
    // A message box: caption, text and icon, exactly as shown.
    void message(const QString& caption, const QString& text, UploadController::Icon icon);
    // A failure for the application's error display (the queue could not be
    // written back).
    void error(const QString& text);
    void rowChanged(int row);
    void requestChanged(const QString& text);
    void progress(qint64 sent, qint64 total, int percent);
    void buttonsChanged();
    void finished(bool success);
    void closeRequested();

private:
    // FTP events.
    void FTPConnect();
    void FTPSuccess(TCmdType type);
    void FTPFailure(bool& handled, TCmdType type);
    void FTPConnectionFailed();
    void FTPPacketSent();

    // Reads the page file of queue line `index` into entry_.
    bool ReadEntry(int index);
    // The first row from `row` on that the listing could read; the row count
    // when there is none.
    int NextListedRow(int row) const;
    // Logs in to entry_'s server.
    void ConnectToEntryServer();
    void EnterFolder();
    // Stores the current page's HTML file: straight under its name, or
    // under a temporary name that is then renamed over the old file.
    void UploadCurrent();
    // The current file is on the server under its name.
    void FileDone();
    // Removes what a failed store left under the temporary name, where the
    // server lets us; `replyPending`: the server may still answer the
    // broken transfer.
    void DeleteTemporary(const SjisString& name, bool replyPending);
    // The last file is done: the sent lines leave the queue.
    void FinishRun();
    // Marks the current row failed and announces it, once per run; the
    // reason goes under the request text.
    void MarkFailed(const QString& reason = {});
    void MarkFailed(const std::exception& e);
    // The server's last reply, as the reason of a failure.
    QString LastReplyReason() const;
    // A message box, unless the user has asked to stop.
    void ShowMessage(const char* caption, const QString& text, Icon icon);
    // Shown when a page's texts would smuggle commands into the session.
    void RefuseBrokenCommand();
    void AppendToRow(int row, const QString& text);
    void SetRequest(const QString& text);
    void Notify(const char* utf8Script, const QString& detail = {});

    SettingsStore& store_;
    std::vector<SjisString> queue_;
    std::vector<QStringList> rows_;
    std::vector<bool> listed_;      // the listing read the row's page file
    // A page sent in this run, with the time its HTML file was written when
    // the transfer began: a page saved again since then must stay queued.
    struct SentPage {
        SjisString queueLine;
        SjisString htmlFile;
        std::optional<std::filesystem::file_time_type> written;
    };
    std::vector<SentPage> sent_;
    std::optional<std::filesystem::file_time_type> htmlWrittenAt_; // of the file being sent
    int unreadable_ = 0;
    UploadEntry entry_;
    UploadEntry server_; // the server of the connection in use
    SjisString baseFolder_;
    int current_ = 0;
    int folderLevel_ = 0;
    bool wholeFolderMade_ = false; // an MKD of the whole remote folder succeeded
    // Atomic replace of the current file: where it stands.
    enum class Replace {
        None,       // stored under its own name, or nothing under way
        Storing,    // STOR to the temporary name
        Renaming,   // RNFR temporary, RNTO name
        DeletingOld,         // the server would not rename over the old file
        RenamingAfterDelete, // the old file is gone: RNFR/RNTO once more
    };
    Replace replace_ = Replace::None;
    SjisString temporaryName_;
    bool replacedByDeleting_ = false; // the file needed the delete-first fallback
    bool transferring_ = false;       // the data of the current STOR is being sent
    bool transferStarted_ = false;    // the current STOR was accepted and sending began
    bool abortStore_ = false;         // cancelled while the server finishes a STOR: ABOR before DELE
    int entryIndex_ = -1;             // the queue line that entry_ was read from
    Failure failure_;
    bool loggedIn_ = false;
    std::optional<RefusedCertificate> untrusted_;
    bool cancelled_ = false;
    int chainDepth_ = 0;
    RunState state_ = RunState::Idle;

    QString request_;
    QString rate_;
    QString rateMax_;
    int gauge_ = 0;
    QString okCaption_;
    bool okEnabled_ = true;
    QString cancelCaption_;
};
