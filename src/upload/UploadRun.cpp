#include "upload/UploadRun.h"

#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "upload/UploadStore.h"

#include <QFile>
#include <QStringDecoder>

namespace {

QString FromSjis(SjisView sjis) { return TextCodec::ToUnicode(sjis); }

// Server replies come in the server's own code: UTF-8 (RFC 2640) when they
// decode as such, otherwise Shift_JIS as the pages are. Our own texts are
// ASCII.
QString ReasonText(SjisView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (utf8.hasError())
        text = FromSjis(bytes);
    return text.trimmed();
}

// When the file was last written; nothing when it cannot be read.
std::optional<std::filesystem::file_time_type> WriteTime(SjisView path)
{
    std::error_code error;
    const auto time = std::filesystem::last_write_time(
        std::filesystem::path(QFile::encodeName(TextCodec::NativePath(path)).toStdString()), error);
    if (error)
        return std::nullopt;
    return time;
}

// Counts the nested calls of Start.
struct DepthScope {
    int& depth;
    explicit DepthScope(int& d) : depth(d) { ++depth; }
    ~DepthScope() { --depth; }
};

} // namespace

UploadRun::UploadRun(SettingsStore& store, QObject* parent) : QObject(parent), store_(store)
{
    FTP.Port = 21;
    FTP.ReportLevel = 0;
    FTP.Passive = true;
    FTP.OnConnect = [this](TFtpClient&) { SetStep(Step::LoggedIn); };
    FTP.OnConnectionFailed = [this](TSocketClient&) { Tell(Alert::LoginFailed, user_); };
    FTP.OnPacketSent = [this](TSocketClient&) { emit progress(FTP.GetBytesSent(), FTP.TotalSize()); };
    FTP.OnTransactionStart = [this](TFtpClient&) { replace_.TransferStarted(); };
    FTP.OnTransactionStop = [this](TFtpClient&) { replace_.TransferStopped(); };
    SFTP.OnProgress = [this](qint64 sent, qint64 total) { emit progress(sent, total); };
}

UploadRun::~UploadRun() = default;

void UploadRun::SetStep(Step step)
{
    step_ = step;
    emit stepChanged(step);
}

bool UploadRun::UnderWay() const
{
    return step_ != Step::Listing && step_ != Step::Finished && step_ != Step::Failed && step_ != Step::Cancelled;
}

bool UploadRun::CanStart() const
{
    return step_ == Step::Listing && !rows_.empty() && !unsendable_ && !Running();
}

void UploadRun::Announce(const char* utf8Script, const QString& detail)
{
    Notices.Notify(TextCodec::Sjis(utf8Script), detail);
}

void UploadRun::Tell(Alert what, const QString& subject)
{
    // After Stop the running step fails as the connection drops; the user
    // asked for that and hears nothing more of it.
    if (!stopRequested_)
        emit alert(what, subject);
}

int UploadRun::NextListedRow(int row) const
{
    while (row < int(rows_.size()) && !rows_[size_t(row)].listed)
        ++row;
    return row;
}

// --- listing -------------------------------------------------------------------

void UploadRun::List()
{
    const std::vector<SjisString> queue = ReadUploadQueue(store_);
    rows_.clear();
    sent_.clear();
    unreadable_ = 0;
    unsendable_ = false;
    untrusted_.reset();
    untrustedHostKey_.reset();
    stopRequested_ = false;
    current_ = 0;
    entry_ = UploadEntry();
    SetStep(Step::Listing);

    bool noServer = false;
    bool unknownFormat = false;
    for (size_t i = 0; i < queue.size(); ++i) {
        UploadRow& row = rows_.emplace_back();
        row.queueLine = queue[i];
        row.pageFile = FromSjis(queue[i]);
        try {
            row.listed = ReadUploadEntry(row.pageFile, store_, entry_);
        } catch (const std::exception& e) {
            // A deleted or unreadable page is a row of its own that says why;
            // the listing goes on, and the run leaves that line queued.
            const auto* unreadable = dynamic_cast<const UnreadablePageFile*>(&e);
            row.state = UploadRow::State::Failed;
            row.reason = unreadable ? unreadable->Reason : QString::fromUtf8(e.what());
            ++unreadable_;
        }
        if (row.listed) {
            row.title = FromSjis(entry_.Title);
            row.server = FromSjis(entry_.ServerName);
            row.remotePath = FromSjis(PagePaths::IncludeTrailingSlash(entry_.RemoteFolder)
                                      + PagePaths::ExtractFileName(entry_.HtmlFile));
            row.htmlFile = TextCodec::NativePath(entry_.HtmlFile);
            if (entry_.ServerIncomplete() && !noServer) {
                noServer = true;
                Tell(Alert::NoServer);
            }
        } else if (row.state != UploadRow::State::Failed && !unknownFormat) {
            unknownFormat = true;
            Tell(Alert::UnknownFormat);
        }
        emit rowChanged(int(i));
    }
    unsendable_ = noServer || unknownFormat || NextListedRow(0) == int(rows_.size());
}

// --- the run ---------------------------------------------------------------------

void UploadRun::Start()
{
    if (!CanStart())
        return;
    DepthScope depth(depth_);
    stopRequested_ = false;
    untrusted_.reset();
    untrustedHostKey_.reset();
    SetStep(Step::Connecting);
    Announce("アップロードを開始。");
    current_ = NextListedRow(0);
    try {
        for (;;) {
            ReadCurrentEntry();
            if (!SessionOpen() || !entry_.SameServer(server_))
                LogIn();
            EnterFolder();
            StoreCurrent();
            FileDone();
            current_ = NextListedRow(current_ + 1);
            if (current_ == int(rows_.size()))
                break;
            SetStep(Step::NextFile);
        }
        Finish();
    } catch (const std::exception& e) {
        Fail(e);
    }
}

void UploadRun::ReadCurrentEntry()
{
    // Read again: the page may have been saved since the listing.
    if (!ReadUploadEntry(rows_[size_t(current_)].pageFile, store_, entry_))
        throw std::runtime_error("the page file is no longer in a format this program reads");
    if (entry_.BreaksFtpCommand()) {
        Tell(Alert::BrokenCommand);
        throw std::runtime_error("line break or NUL in an FTP argument");
    }
}

void UploadRun::CloseSession()
{
    if (SFTP.Connected())
        SFTP.Disconnect();
    if (FTP.Connected()) {
        try {
            FTP.Disconnect();
        } catch (const std::exception&) {
            FTP.RequestCloseSocket();
        }
    }
}

void UploadRun::LogIn()
{
    // The previous page's server: this page belongs to another.
    CloseSession();
    SetStep(Step::Connecting);
    host_ = FromSjis(entry_.ServerName);
    user_ = FromSjis(entry_.User);
    server_ = entry_;
    if (Sftp()) {
        LogInSftp();
        return;
    }
    FTP.Host = FromSjis(entry_.Host);
    FTP.Port = entry_.Port;
    FTP.UserID = entry_.User;
    FTP.Password = entry_.Password;
    FTP.Passive = entry_.Passive;
    FTP.UseTLS = entry_.Protocol == FtpProtocol::Ftps;
    FTP.TrustedFingerprint = QString::fromStdString(entry_.TlsFingerprint);
    try {
        FTP.Connect();
    } catch (const EUntrustedCertificate& e) {
        // Nothing but AUTH TLS was said on that connection; a certificate the
        // user now trusts is remembered and the login starts again.
        const QString trusted = FTP.TrustedFingerprint;
        if (!ConfirmCertificate || !ConfirmCertificate(e.Host, e.Fingerprint, e.Why, trusted)) {
            untrusted_ = RefusedCertificate{e.Host, e.Fingerprint, e.Why, trusted};
            throw;
        }
        WriteTlsFingerprint(store_, entry_.SettingName, e.Fingerprint.toStdString());
        entry_.TlsFingerprint = e.Fingerprint.toStdString();
        server_ = entry_;
        FTP.TrustedFingerprint = e.Fingerprint;
        FTP.Connect();
    }
    baseFolder_ = FTP.GetCurrentDir();
}

void UploadRun::LogInSftp()
{
    SftpLogin login;
    login.host = FromSjis(entry_.Host);
    login.port = entry_.Port;
    login.user = FromSjis(entry_.User);
    login.password = FromSjis(entry_.Password);
    login.keyFile = TextCodec::NativePath(entry_.KeyFile);
    try {
        SFTP.Connect(login);
    } catch (const EHostKeyUnknown& e) {
        // Only the key exchange happened; a key the user now trusts goes
        // into known_hosts as the login starts again.
        if (!ConfirmHostKey || !ConfirmHostKey(e.Host, e.Fingerprint)) {
            untrustedHostKey_ = RefusedHostKey{e.Host, e.Fingerprint, false};
            throw;
        }
        login.trustFingerprint = e.Fingerprint;
        SFTP.Connect(login);
    } catch (const EHostKeyChanged& e) {
        untrustedHostKey_ = RefusedHostKey{e.Host, e.Fingerprint, true};
        Tell(Alert::HostKeyChanged, e.Host);
        throw;
    } catch (const ESftpError& e) {
        if (!stopRequested_ && e.Status == ESftpError::NoStatus && !dynamic_cast<const ESftpCancelled*>(&e))
            Tell(Alert::LoginFailed, user_);
        throw;
    }
    SetStep(Step::LoggedIn);
    // SFTP names are UTF-8 and the login folder may hold what Shift_JIS
    // cannot: the folders are joined as text, never as page bytes.
    sftpHome_ = SFTP.CurrentDir();
}

std::exception_ptr UploadRun::Refusal(const std::function<void()>& command)
{
    try {
        command();
        return nullptr;
    } catch (const FTPException&) {
        if (!FTP.Connected())
            throw;
        return std::current_exception();
    } catch (const ESftpError&) {
        if (!SFTP.Connected())
            throw;
        return std::current_exception();
    }
}

std::exception_ptr UploadRun::TryChangeDir(const SjisString& folder)
{
    return Refusal([&] {
        if (Sftp())
            SFTP.ChangeDir(SftpPath(folder));
        else
            FTP.ChangeDir(PagePaths::IncludeTrailingSlash(baseFolder_) + folder);
    });
}

std::exception_ptr UploadRun::TryMakeDirectory(const SjisString& folder)
{
    return Refusal([&] {
        if (Sftp())
            SFTP.MakeDirectory(SftpPath(folder));
        else
            FTP.MakeDirectory(PagePaths::IncludeTrailingSlash(baseFolder_) + folder);
    });
}

QString UploadRun::SftpPath(const SjisString& folder) const
{
    const QString relative = FromSjis(folder);
    if (relative.startsWith(QLatin1Char('/')))
        return relative;
    return sftpHome_.endsWith(QLatin1Char('/')) ? sftpHome_ + relative : sftpHome_ + QLatin1Char('/') + relative;
}

void UploadRun::EnterFolder()
{
    SetStep(Step::EnteringFolder);
    int level = 0;
    bool wholeFolderMade = false;
    for (;;) {
        const std::exception_ptr refused = TryChangeDir(entry_.RemoteFolder);
        if (!refused)
            return;
        if (wholeFolderMade) {
            // The server made the folder and still does not let us in:
            // making it again would only repeat this.
            Tell(Alert::FolderNotCreated);
            std::rethrow_exception(refused);
        }
        SetStep(Step::CreatingFolder);
        CreateFolder(level, wholeFolderMade);
    }
}

// The first MKD makes the first levels of the folder at once; every refusal
// tries one level deeper, until one is made (and CWD is tried again) or the
// whole folder was refused.
void UploadRun::CreateFolder(int& level, bool& wholeFolderMade)
{
    for (;;) {
        const bool whole = FolderPrefixIsWhole(entry_.RemoteFolder, level);
        const std::exception_ptr refused = TryMakeDirectory(FolderPrefix(entry_.RemoteFolder, level));
        if (!refused) {
            wholeFolderMade = wholeFolderMade || whole;
            ++level;
            return;
        }
        if (whole) {
            Tell(Alert::FolderNotCreated);
            std::rethrow_exception(refused);
        }
        ++level;
    }
}

void UploadRun::StoreCurrent()
{
    folder_ = Sftp() ? SFTP.CurrentDir() : FromSjis(FTP.GetCurrentDir());
    SetStep(Step::Uploading);
    htmlWrittenAt_ = WriteTime(entry_.HtmlFile);
    const QString local = FromSjis(entry_.HtmlFile);
    const SjisString name = PagePaths::ExtractFileName(entry_.HtmlFile);
    try {
        if (Sftp())
            sftpStore_.Store(local, FromSjis(name), FromSjis(TemporaryName(name)), entry_.AtomicReplace);
        else if (entry_.AtomicReplace)
            replace_.Store(local, name);
        else
            FTP.Upload(local, name);
    } catch (const std::exception&) {
        Tell(Alert::NotUploaded);
        throw;
    }
}

void UploadRun::FileDone()
{
    UploadRow& row = rows_[size_t(current_)];
    row.state = UploadRow::State::Done;
    sent_.push_back({row.queueLine, htmlWrittenAt_, entry_.HtmlFile});
    emit rowChanged(current_);
    SetStep(Step::FileDone);
}

void UploadRun::Finish()
{
    SetStep(Step::Finished);
    // Pages that could not be read were not sent: the run is not complete.
    Announce(unreadable_ > 0 ? "アップロード失敗。" : "アップロードが全部正常に終了。");
    std::vector<SjisString> done;
    for (const SentPage& page : sent_)
        if (page.written && WriteTime(page.htmlFile) == page.written)
            done.push_back(page.queueLine);
    try {
        RemoveFromUploadQueue(store_, done);
    } catch (const StoreWriteError& e) {
        emit error(QString::fromUtf8(e.what()));
    }
}

// --- failure and stop ------------------------------------------------------------

void UploadRun::Fail(const QString& reason)
{
    if (!UnderWay())
        return;
    const QString shown = stopRequested_ ? QString() : reason;
    QString detail;
    if (current_ >= 0 && current_ < int(rows_.size())) {
        UploadRow& row = rows_[size_t(current_)];
        row.state = UploadRow::State::Failed;
        row.reason = shown;
        emit rowChanged(current_);
        // A notice is read away from the window: it says which file and why.
        if (!shown.isEmpty())
            detail = row.remotePath.isEmpty() ? shown : row.remotePath + QStringLiteral(": ") + shown;
    }
    SetStep(Step::Failed);
    Announce("アップロード失敗。", detail);
}

void UploadRun::Fail(const std::exception& e)
{
    QString reason = ReasonText(e.what());
    // Some socket failures have a fixed text ("Connection Failed"); the
    // system's error says what actually happened.
    if (dynamic_cast<const ESockError*>(&e)) {
        const QString socketError = SocketErrorText(FTP.GetLastErrorNo());
        if (!socketError.isEmpty() && !reason.contains(socketError))
            reason += QStringLiteral(" (") + socketError + QLatin1Char(')');
    }
    Fail(reason);
}

void UploadRun::Stop()
{
    if (UnderWay()) {
        // A QUIT now would read the running step's reply: stop the transfer
        // and drop the connection; the running step then fails.
        stopRequested_ = true;
        if (SFTP.Busy()) {
            // The transfer ends once the server has answered what was sent,
            // and the temporary file is removed; the session then closes.
            SFTP.Cancel();
            if (step_ == Step::Connecting && sent_.empty())
                SetStep(Step::Cancelled);
            else
                Fail(QString());
            emit closeRequested();
            return;
        }
        FTP.Abort();
        if (replace_.Cancel()) {
            // The server is taking the page under its temporary name: the
            // session stays for an ABOR and the DELE of what it got, and
            // closes after them. Stopping the data ends a transfer still
            // sending; a wait for the final reply is stopped by hand.
            if (!replace_.Transferring())
                FTP.Cancel();
        } else {
            FTP.Cancel();
            FTP.RequestCloseSocket();
        }
        if (step_ == Step::Connecting && sent_.empty())
            SetStep(Step::Cancelled); // stopping the login is no failure of the server's
        else
            Fail(QString());
    } else {
        CloseSession();
    }
    emit closeRequested();
}
