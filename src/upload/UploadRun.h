#pragma once

#include "upload/AtomicReplace.h"
#include "upload/SftpClient.h"
#include "upload/SftpStore.h"
#include "upload/TFtpClient.h"
#include "upload/UploadEntry.h"
#include "upload/UploadNotices.h"
#include "upload/UploadRow.h"

#include <QObject>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

class SettingsStore;

// One upload run without a window: lists the queue, logs in to each page's
// server, enters or creates the page's remote folder, stores its HTML file,
// and empties the queue of what was sent. What it does is one step at a
// time (Step, changed only by SetStep); a window or the command line shows
// the steps, the rows and the alerts in its own words.
class UploadRun : public QObject {
    Q_OBJECT
public:
    enum class Step {
        Listing,        // the queue is listed; nothing sent yet
        Connecting,     // looking up the server, connecting, logging in
        LoggedIn,       // logged in; the server's base folder is read
        EnteringFolder, // CWD into the current page's remote folder
        CreatingFolder, // the folder was refused: MKD level by level, then CWD again
        Uploading,      // STOR of the current page (with atomic replace: under a temporary
                        // name, then renamed over the live page)
        FileDone,       // the current page is on the server
        NextFile,       // moving on to the next listed page
        Finished,       // every listed page was sent; the session stays until Close
        Failed,         // the run stopped at the current page
        Cancelled,      // the user stopped the login: nothing failed, nothing was sent
    };
    // What the user must be told at once (a message box in the window).
    enum class Alert {
        NoServer,         // a listed page's FTP setting lacks host, user or password
        UnknownFormat,    // a queued page file of a format this program does not read
        LoginFailed,      // the connection or the login was refused (subject: the user)
        BrokenCommand,    // a folder, file name, user or password would break an FTP command
        FolderNotCreated, // the remote folder could neither be entered nor made
        NotUploaded,      // the server did not take the page
        HostKeyChanged,   // an SSH server's key is not the one known for it (subject: the host)
    };

    explicit UploadRun(SettingsStore& store, QObject* parent = nullptr);
    ~UploadRun() override;

    // Limit of every network wait in ms (0: none, as the window runs it).
    void SetTimeOut(int milliseconds) { FTP.TimeOut = SFTP.TimeOut = milliseconds; }

    // Reads the queue and lists its pages.
    void List();
    // Sends the listed pages; returns when the run is over.
    void Start();
    // Stops a running transfer (the run then fails) or, after the run,
    // closes the session; then asks to close the window.
    void Stop();

    Step CurrentStep() const { return step_; }
    // Start would send something.
    bool CanStart() const;
    // Start is on the stack.
    bool Running() const { return depth_ > 0; }
    // Listing found a page that cannot be sent (NoServer, UnknownFormat) or
    // nothing it could read: Start will not run.
    bool Unsendable() const { return unsendable_; }
    const std::vector<UploadRow>& Rows() const { return rows_; }
    int CurrentRow() const { return current_; }
    // Rows whose page file could not be read; they stay queued.
    int Unreadable() const { return unreadable_; }
    // Where the run stands (the connection's server, the folder it entered).
    const QString& Host() const { return host_; }
    const QString& Folder() const { return folder_; }
    const QString& User() const { return user_; }
    // The server would not rename over the live page of the file just done.
    bool ReplacedByDeleting() const
    {
        return Sftp() ? sftpStore_.ReplacedByDeleting() : replace_.ReplacedByDeleting();
    }

    // Asked when a server's certificate fails verification and is not the
    // one its setting trusts: true stores the fingerprint in the setting and
    // the login starts again. `trusted` is the fingerprint the setting
    // trusts, empty when it trusts none: a different one means the server's
    // certificate has changed. Left empty, such a server ends the run.
    std::function<bool(const QString& host, const QString& fingerprint, const QString& why,
                       const QString& trusted)>
        ConfirmCertificate;
    struct RefusedCertificate {
        QString Host;
        QString Fingerprint;
        QString Why;
        QString Trusted; // what the setting trusts; empty when nothing
    };
    // The certificate that ended the run, when one did.
    const std::optional<RefusedCertificate>& UntrustedCertificate() const { return untrusted_; }

    // Asked when an SSH server's host key is in no known_hosts entry: true
    // adds it there and the login starts again. Left empty, such a server
    // ends the run. A changed key is never asked about: it ends the run.
    std::function<bool(const QString& host, const QString& fingerprint)> ConfirmHostKey;
    struct RefusedHostKey {
        QString Host;        // as known_hosts names it
        QString Fingerprint; // "SHA256:..."
        bool Changed = false; // known_hosts holds another key for the host
    };
    // The host key that ended the run, when one did.
    const std::optional<RefusedHostKey>& UntrustedHostKey() const { return untrustedHostKey_; }

    TFtpClient FTP;
    SftpClient SFTP;
    UploadNotices Notices;

signals:
    void stepChanged(UploadRun::Step step);
    void rowChanged(int row);
    void progress(qint64 sent, qint64 total);
    void alert(UploadRun::Alert what, const QString& subject);
    // The queue could not be written back after the run.
    void error(const QString& text);
    void closeRequested();

private:
    void SetStep(Step step);
    // Reads the page file of the current row, refusing texts that would
    // break an FTP command.
    void ReadCurrentEntry();
    // The first listed row from `row` on; the row count when none is left.
    int NextListedRow(int row) const;
    void LogIn();
    void LogInSftp();
    // The session of the current page's protocol.
    bool Sftp() const { return server_.Protocol == FtpProtocol::Sftp; }
    bool SessionOpen() const { return Sftp() ? SFTP.Connected() : FTP.Connected(); }
    void CloseSession();
    // Runs a command of the open session: its refusal when the session
    // outlived it, null when it succeeded. A lost session raises.
    std::exception_ptr Refusal(const std::function<void()>& command);
    std::exception_ptr TryChangeDir(const SjisString& folder);
    std::exception_ptr TryMakeDirectory(const SjisString& folder);
    // A folder of the page, below the SFTP login folder unless absolute.
    QString SftpPath(const SjisString& folder) const;
    void EnterFolder();
    void CreateFolder(int& level, bool& wholeFolderMade);
    void StoreCurrent();
    void FileDone();
    void Finish();
    // Marks the current row failed and announces it, once per run.
    void Fail(const QString& reason);
    void Fail(const std::exception& e);
    // Between Start and the end of the run.
    bool UnderWay() const;
    void Announce(const char* utf8Script, const QString& detail = {});
    void Tell(Alert what, const QString& subject = {});

    SettingsStore& store_;
    std::vector<UploadRow> rows_;
    int unreadable_ = 0;
    bool unsendable_ = false;
    UploadEntry entry_;  // the current page's
    UploadEntry server_; // the server of the open session
    SjisString baseFolder_;
    QString sftpHome_; // the SFTP login folder
    int current_ = 0;
    // A page sent in this run, with the time its HTML file was written when
    // the transfer began: a page saved again since then must stay queued.
    struct SentPage {
        SjisString queueLine;
        std::optional<std::filesystem::file_time_type> written;
        SjisString htmlFile;
    };
    std::vector<SentPage> sent_;
    std::optional<std::filesystem::file_time_type> htmlWrittenAt_; // of the page being sent
    AtomicReplace replace_{FTP};
    SftpStore sftpStore_{SFTP};
    std::optional<RefusedCertificate> untrusted_;
    std::optional<RefusedHostKey> untrustedHostKey_;
    QString host_;
    QString folder_;
    QString user_;
    bool stopRequested_ = false; // the user asked to stop: no more alerts
    int depth_ = 0;
    Step step_ = Step::Listing;
};
