#include "upload/UploadController.h"

#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "upload/UploadStore.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <cstdio>
#include <utility>

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
QString Text(SjisView sjis) { return TextCodec::ToUnicode(sjis); }

const char* const FailedMark = "*失敗*";

// Server replies come in the server's own code: UTF-8 (RFC 2640) when they
// decode as such, otherwise Shift_JIS as the pages are. Our own texts are
// UTF-8.
QString ReasonText(SjisView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (utf8.hasError())
        text = Text(bytes);
    return text.trimmed();
}

// The name a page is stored under before it is renamed over the live one.
// It sits in the same folder, because a rename cannot move a file between
// file systems on most servers. The leading "." hides it from listings and
// from servers that refuse to serve dot files; ".part" at the end means a
// visitor who finds it gets no HTML page; the random part keeps two runs
// (or two programs) from writing into each other's file.
SjisString TemporaryName(const SjisString& name)
{
    char suffix[9];
    std::snprintf(suffix, sizeof suffix, "%08x", unsigned(QRandomGenerator::global()->generate()));
    return "." + name + "." + suffix + ".part";
}

// Replies that refuse a name rather than the command: a server that will
// not rename onto an existing file answers RNTO so.
bool RefusesTheName(int code) { return code >= 550 && code <= 553; }

// A cleanup after a failure waits no longer than this, even in a run whose
// waits have no limit: the user is already told of the failure.
constexpr int CleanupTimeOutMs = 3000;

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

// Counts the nested calls of the running chain.
struct DepthScope {
    int& depth;
    explicit DepthScope(int& d) : depth(d) { ++depth; }
    ~DepthScope() { --depth; }
};

} // namespace

UploadController::UploadController(SettingsStore& store, QObject* parent)
    : QObject(parent), store_(store)
{
    FTP.Port = 21;
    FTP.ReportLevel = 0;
    FTP.Passive = true;
    FTP.OnConnect = [this](TFtpClient&) { FTPConnect(); };
    FTP.OnConnectionFailed = [this](TSocketClient&) { FTPConnectionFailed(); };
    FTP.OnPacketSent = [this](TSocketClient&) { FTPPacketSent(); };
    FTP.OnFailure = [this](TFtpClient&, bool& handled, TCmdType type) { FTPFailure(handled, type); };
    FTP.OnSuccess = [this](TFtpClient&, TCmdType type) { FTPSuccess(type); };
    FTP.OnTransactionStart = [this](TFtpClient&) { transferring_ = transferStarted_ = true; };
    FTP.OnTransactionStop = [this](TFtpClient&) { transferring_ = false; };
}

UploadController::~UploadController() = default;

// --- helpers -------------------------------------------------------------------

void UploadController::SetRequest(const QString& text)
{
    request_ = text;
    emit requestChanged(text);
}

void UploadController::Notify(const char* utf8Script, const QString& detail)
{
    Notices.Notify(TextCodec::Sjis(utf8Script), detail);
}

void UploadController::AppendToRow(int row, const QString& text)
{
    // Only rows of the list; a row index past its end marks nothing.
    if (row < 0 || row >= int(rows_.size()))
        return;
    rows_[size_t(row)].append(text);
    emit rowChanged(row);
}

void UploadController::MarkFailed(const QString& reason)
{
    if (state_ != RunState::Running)
        return;
    state_ = RunState::Failed;
    failure_ = Failure();
    failure_.row = current_;
    failure_.reason = reason;
    if (current_ >= 0 && current_ < int(queue_.size())) {
        failure_.pageFile = Text(queue_[size_t(current_)]);
        if (entryIndex_ == current_)
            failure_.htmlFile = TextCodec::NativePath(entry_.HtmlFile);
        if (current_ < int(rows_.size())) {
            failure_.host = rows_[size_t(current_)].value(1);
            failure_.remotePath = rows_[size_t(current_)].value(2);
        }
    }
    AppendToRow(current_, reason.isEmpty() || cancelled_
                              ? U(FailedMark)
                              : U(FailedMark) + QStringLiteral(" (") + reason + QLatin1Char(')'));
    QString detail;
    if (!reason.isEmpty() && !cancelled_) {
        SetRequest(request_ + QLatin1Char('\n') + reason);
        // A notice is read away from the window: it says which file and why.
        detail = failure_.remotePath.isEmpty() ? reason : failure_.remotePath + QStringLiteral(": ") + reason;
    }
    Notify("アップロード失敗。", detail);
    emit finished(false);
}

void UploadController::MarkFailed(const std::exception& e)
{
    QString reason = ReasonText(e.what());
    // Some socket failures have a fixed text ("Connection Failed"); the
    // system's error says what actually happened.
    if (dynamic_cast<const ESockError*>(&e)) {
        const QString socketError = SocketErrorText(FTP.GetLastErrorNo());
        if (!socketError.isEmpty() && !reason.contains(socketError))
            reason += QStringLiteral(" (") + socketError + QLatin1Char(')');
    }
    MarkFailed(reason);
}

QString UploadController::LastReplyReason() const
{
    return ReasonText(FTP.LastReply());
}

void UploadController::ShowMessage(const char* caption, const QString& text, Icon icon)
{
    // After Cancel the running step fails as the connection drops; the user
    // asked for that and hears nothing more of it.
    if (!cancelled_)
        emit message(U(caption), text, icon);
}

void UploadController::RefuseBrokenCommand()
{
    ShowMessage("失敗",
                U("リモートフォルダ、ファイル名、ユーザ名またはパスワードに改行または NUL 文字が含まれているため、送信できません。"),
                Icon::Stop);
}

bool UploadController::ReadEntry(int index)
{
    if (!ReadUploadEntry(Text(queue_[size_t(index)]), store_, entry_))
        return false;
    entryIndex_ = index;
    return true;
}

int UploadController::NextListedRow(int row) const
{
    while (row < int(listed_.size()) && !listed_[size_t(row)])
        ++row;
    return row;
}

// --- listing -------------------------------------------------------------------

void UploadController::FormShow()
{
    queue_ = ReadUploadQueue(store_);
    rows_.clear();
    listed_.assign(queue_.size(), false);
    sent_.clear();
    failure_ = Failure();
    entryIndex_ = -1;
    replace_ = Replace::None;
    unreadable_ = 0;
    cancelled_ = false;
    loggedIn_ = false;
    SetRequest(U("待機しています。"));
    rate_ = rateMax_ = QStringLiteral("N/A");
    gauge_ = 0;
    okCaption_ = U("アップロード");
    okEnabled_ = true;
    cancelCaption_ = U("キャンセル");
    state_ = RunState::Idle;
    entry_ = UploadEntry();

    bool noServer = false;
    bool unknownFormat = false;
    for (size_t i = 0; i < queue_.size(); ++i) {
        rows_.emplace_back();
        QStringList& row = rows_.back();
        bool read = false;
        try {
            read = ReadEntry(int(i));
        } catch (const std::exception& e) {
            // A deleted or unreadable page is a row of its own that says why;
            // the listing goes on, and the run leaves that line queued.
            const auto* unreadable = dynamic_cast<const UnreadablePageFile*>(&e);
            const QString reason = unreadable ? unreadable->Reason : QString::fromUtf8(e.what());
            row << Text(queue_[i]) << QString() << QString() << U(FailedMark) + QStringLiteral(" (") + reason + QLatin1Char(')');
            ++unreadable_;
            emit rowChanged(int(i));
            continue;
        }
        listed_[i] = read;
        if (read) {
            row << Text(entry_.Title) << Text(entry_.Host)
                << Text(EnsureTrailingSlash(entry_.RemoteFolder) + PagePaths::ExtractFileName(entry_.HtmlFile));
            if (entry_.ServerIncomplete() && !noServer) {
                noServer = true;
                emit message(U("警告"), U("FTP サーバの設定がありません。"), Icon::Stop);
            }
        } else if (!unknownFormat) {
            unknownFormat = true;
            emit message(U("未知の形式"), U("対応していない形式か、新しいバージョンのファイルです。"), Icon::Stop);
        }
        emit rowChanged(int(i));
    }
    if (queue_.empty()) {
        okEnabled_ = false;
        SetRequest(U("アップロードするファイルがキューにありません。"));
    } else if (noServer || unknownFormat || NextListedRow(0) == int(queue_.size())) {
        okCaption_ = U("アップロード不能");
        okEnabled_ = false;
    }
    emit buttonsChanged();
}

// --- the run ---------------------------------------------------------------------

void UploadController::ConnectToEntryServer()
{
    FTP.Host = Text(entry_.Host);
    FTP.Port = entry_.Port;
    FTP.UserID = entry_.User;
    FTP.Password = entry_.Password;
    FTP.Passive = entry_.Passive;
    FTP.UseTLS = entry_.UseTLS;
    FTP.TrustedFingerprint = QString::fromStdString(entry_.TlsFingerprint);
    server_ = entry_;
    try {
        FTP.Connect();
    } catch (const EUntrustedCertificate& e) {
        // Nothing but AUTH TLS was said on that connection; a certificate the
        // user now trusts is remembered and the login starts again.
        if (!ConfirmCertificate || !ConfirmCertificate(e.Host, e.Fingerprint, e.Why)) {
            untrusted_ = RefusedCertificate{e.Host, e.Fingerprint, e.Why};
            throw;
        }
        WriteTlsFingerprint(store_, entry_.SettingName, e.Fingerprint.toStdString());
        entry_.TlsFingerprint = e.Fingerprint.toStdString();
        server_ = entry_;
        FTP.TrustedFingerprint = e.Fingerprint;
        FTP.Connect();
    }
}

void UploadController::bttnOkClick()
{
    if (queue_.empty() || !okEnabled_ || state_ == RunState::Running)
        return;
    DepthScope depth(chainDepth_);
    SetRequest(U("アップロードを開始しました。"));
    okEnabled_ = false;
    emit buttonsChanged();
    state_ = RunState::Running;
    cancelled_ = false;
    loggedIn_ = false;
    abortStore_ = false;
    untrusted_.reset();
    Notify("アップロードを開始。");
    current_ = NextListedRow(0);
    try {
        if (!ReadEntry(current_))
            throw std::runtime_error("unknown page file format");
        if (entry_.BreaksFtpCommand()) {
            RefuseBrokenCommand();
            throw std::runtime_error("line break or NUL in an FTP argument");
        }
        ConnectToEntryServer(); // the whole run happens inside
    } catch (const std::exception& e) {
        MarkFailed(e);
    }
}

void UploadController::FTPConnectionFailed()
{
    ShowMessage("警告", U("ユーザ ") + Text(entry_.User) + U(" の認証に失敗しました。"), Icon::Stop);
}

void UploadController::FTPConnect()
{
    loggedIn_ = true;
    SetRequest(Text(entry_.Host) + U(" に接続しました。フォルダ変更してます。"));
    try {
        baseFolder_ = FTP.GetCurrentDir();
        if (!ReadEntry(current_))
            throw std::runtime_error("unknown page file format");
        folderLevel_ = 0;
        wholeFolderMade_ = false;
        EnterFolder();
    } catch (const std::exception& e) {
        MarkFailed(e);
    }
}

void UploadController::EnterFolder()
{
    if (entry_.BreaksFtpCommand()) {
        RefuseBrokenCommand();
        throw std::runtime_error("line break or NUL in an FTP argument");
    }
    FTP.ChangeDir(EnsureTrailingSlash(baseFolder_) + entry_.RemoteFolder);
}

void UploadController::FTPSuccess(TCmdType type)
{
    if (state_ != RunState::Running)
        return;
    switch (type) {
    case cmdChangeDir: {
        const SjisString folder = FTP.GetCurrentDir();
        SetRequest(Text(folder) + U(" に変更しました。アップしてます。"));
        htmlWrittenAt_ = WriteTime(entry_.HtmlFile);
        UploadCurrent();
        break;
    }
    case cmdMakeDir:
        if (FolderPrefixIsWhole(entry_.RemoteFolder, folderLevel_))
            wholeFolderMade_ = true;
        ++folderLevel_;
        try {
            EnterFolder();
        } catch (const std::exception& e) {
            MarkFailed(e);
        }
        break;
    case cmdUpload:
        if (replace_ != Replace::Storing) {
            FileDone();
            break;
        }
        // Everything from here on is caught: what escapes Upload must be a
        // failure of the transfer itself.
        replace_ = Replace::Renaming;
        try {
            FTP.Rename(temporaryName_, PagePaths::ExtractFileName(entry_.HtmlFile));
        } catch (const std::exception& e) {
            const SjisString temporary = temporaryName_;
            replace_ = Replace::None;
            DeleteTemporary(temporary, false);
            MarkFailed(e);
        }
        break;
    case cmdRename:
        if (replace_ == Replace::Renaming || replace_ == Replace::RenamingAfterDelete)
            FileDone();
        break;
    case cmdDelete:
        if (replace_ == Replace::DeletingOld) {
            // The old file is gone; the temporary one takes its name. A
            // failure here is raised through the RNTO refusal that led here.
            replace_ = Replace::RenamingAfterDelete;
            FTP.Rename(temporaryName_, PagePaths::ExtractFileName(entry_.HtmlFile));
        }
        break;
    default:
        break;
    }
}

void UploadController::UploadCurrent()
{
    const QString local = Text(entry_.HtmlFile);
    const SjisString name = PagePaths::ExtractFileName(entry_.HtmlFile);
    transferStarted_ = transferring_ = false;
    replacedByDeleting_ = false;
    if (!entry_.AtomicReplace) {
        replace_ = Replace::None;
        FTP.Upload(local, name);
        return;
    }
    // A visitor sees the old page or the new one, never a part: the new
    // one goes under a temporary name and is renamed over the old when
    // the server has all of it.
    const SjisString temporary = TemporaryName(name);
    temporaryName_ = temporary;
    replace_ = Replace::Storing;
    try {
        FTP.Upload(local, temporary);
    } catch (const FTPException&) {
        // A negative reply: the server has answered the STOR already.
        if (temporaryName_ == temporary && replace_ == Replace::Storing) {
            replace_ = Replace::None;
            DeleteTemporary(temporary, false);
        }
        throw;
    } catch (...) {
        if (temporaryName_ == temporary && replace_ == Replace::Storing) {
            replace_ = Replace::None;
            DeleteTemporary(temporary, transferStarted_);
        }
        throw;
    }
    // Cancelled as the last bytes went: the file is whole but not in place,
    // and the server has answered the STOR, so there is nothing to abort.
    if (cancelled_ && temporaryName_ == temporary && replace_ == Replace::Storing) {
        replace_ = Replace::None;
        abortStore_ = false;
        DeleteTemporary(temporary, false);
    }
}

void UploadController::DeleteTemporary(const SjisString& name, bool replyPending)
{
    transferring_ = false;
    const bool abort = std::exchange(abortStore_, false);
    if (FTP.Connected()) {
        const int timeOut = FTP.TimeOut;
        FTP.TimeOut = timeOut > 0 && timeOut < CleanupTimeOutMs ? timeOut : CleanupTimeOutMs;
        try {
            if (abort) {
                // The server may still be reading what the sockets hold:
                // ABOR ends its side at once, and it answers the STOR (426,
                // or 226 when it had it all) and then the ABOR.
                FTP.Transaction("ABOR");
                FTP.ReadLn();
            } else if (replyPending) {
                // The broken transfer's own reply (426, 451) is still on its
                // way; taken for the answer to DELE it would put every later
                // reply one step behind.
                FTP.ReadLn();
            }
        } catch (const std::exception&) {
            // No answer in time: DELE all the same.
        }
        try {
            FTP.Delete(name);
        } catch (const std::exception&) {
            // Refused or unanswered: the failure the user hears of is the
            // transfer's, not this one.
        }
        FTP.TimeOut = timeOut;
    }
    // A cancelled transfer kept the connection only for this.
    if (cancelled_)
        FTP.RequestCloseSocket();
}

void UploadController::FileDone()
{
    replace_ = Replace::None;
    SetRequest(replacedByDeleting_
                   ? U("アップ完了です。\nサーバが既存のファイルへの名前変更を受け付けないため、古いファイルを削除してから置き換えました。")
                   : U("アップ完了です。"));
    AppendToRow(current_, U("完了"));
    sent_.push_back({queue_[size_t(current_)], entry_.HtmlFile, htmlWrittenAt_});
    current_ = NextListedRow(current_ + 1);
    if (current_ < int(queue_.size())) {
        rate_ = rateMax_ = QStringLiteral("N/A");
        gauge_ = 0;
        emit progress(0, 0, 0);
        SetRequest(request_ + U("次のファイルのアップロードを開始しました。"));
        try {
            if (!ReadEntry(current_))
                throw std::runtime_error("unknown page file format");
            folderLevel_ = 0;
            wholeFolderMade_ = false;
            if (!entry_.SameServer(server_)) {
                // This page belongs to another server: log in there (its
                // login handler enters the folder).
                if (entry_.BreaksFtpCommand()) {
                    RefuseBrokenCommand();
                    throw std::runtime_error("line break or NUL in an FTP argument");
                }
                try {
                    FTP.Disconnect();
                } catch (const std::exception&) {
                    FTP.RequestCloseSocket();
                }
                loggedIn_ = false;
                ConnectToEntryServer();
            } else {
                EnterFolder();
            }
        } catch (const std::exception& e) {
            MarkFailed(e);
        }
    } else {
        FinishRun();
    }
}

void UploadController::FinishRun()
{
    cancelCaption_ = U("閉じる");
    emit buttonsChanged();
    // Pages that could not be read were not sent: the run is not complete.
    state_ = unreadable_ > 0 ? RunState::Incomplete : RunState::Succeeded;
    Notify(state_ == RunState::Succeeded ? "アップロードが全部正常に終了。" : "アップロード失敗。");
    std::vector<SjisString> done;
    for (const SentPage& page : sent_)
        if (page.written && WriteTime(page.htmlFile) == page.written)
            done.push_back(page.queueLine);
    try {
        RemoveFromUploadQueue(store_, done);
    } catch (const StoreWriteError& e) {
        emit error(QString::fromUtf8(e.what()));
    }
    emit finished(state_ == RunState::Succeeded);
}

void UploadController::FTPFailure(bool& handled, TCmdType type)
{
    if (state_ != RunState::Running)
        return;
    switch (type) {
    case cmdChangeDir:
        // Creating the folder takes over; its outcome decides the run, so the
        // refused CWD itself is not raised afterwards.
        handled = true;
        if (wholeFolderMade_) {
            // The server made the folder and still does not let us in: making
            // it again would only repeat this.
            ShowMessage("失敗", U("フォルダが作成できませんでした。"), Icon::Information);
            MarkFailed(LastReplyReason());
            break;
        }
        FTP.MakeDirectory(EnsureTrailingSlash(baseFolder_) + FolderPrefix(entry_.RemoteFolder, folderLevel_));
        break;
    case cmdMakeDir:
        if (!FolderPrefixIsWhole(entry_.RemoteFolder, folderLevel_)) {
            ++folderLevel_;
            FTP.MakeDirectory(EnsureTrailingSlash(baseFolder_) + FolderPrefix(entry_.RemoteFolder, folderLevel_));
        } else {
            ShowMessage("失敗", U("フォルダが作成できませんでした。"), Icon::Information);
            MarkFailed(LastReplyReason());
        }
        break;
    case cmdUpload:
        // The client reports a refused transfer twice (once for the reply,
        // once as it raises), and the message goes with each report; the
        // exception then marks the row where it is caught, with its reason.
        ShowMessage("失敗", U("アップロードできませんでした。"), Icon::Information);
        break;
    case cmdRename:
        // Some servers will not rename onto a file that exists: the old
        // file goes first, and for that moment the page is missing. Only
        // after RNFR was accepted, so that the old page is never deleted
        // for a temporary file that is not there.
        if (replace_ == Replace::Renaming && FTP.RenameSourceAccepted() && RefusesTheName(FTP.ReplyCode())) {
            handled = true;
            replace_ = Replace::DeletingOld;
            replacedByDeleting_ = true;
            SetRequest(request_ + QLatin1Char('\n')
                       + U("サーバが既存のファイルへの名前変更を受け付けません。古いファイルを削除してから置き換えます。"));
            FTP.Delete(PagePaths::ExtractFileName(entry_.HtmlFile));
        }
        break;
    default:
        break;
    }
}

void UploadController::FTPPacketSent()
{
    const qint64 sent = FTP.GetBytesSent();
    const qint64 total = FTP.TotalSize();
    rate_ = QString::number(sent);
    rateMax_ = QString::number(total);
    gauge_ = total > 0 ? int(sent * 100 / total) : 100;
    emit progress(sent, total, gauge_);
}

void UploadController::bttnCancelClick()
{
    if (state_ == RunState::Running) {
        // A QUIT now would read the running step's reply: stop the transfer
        // and drop the connection; the running step then fails.
        cancelled_ = true;
        FTP.Abort();
        if (transferStarted_ && replace_ == Replace::Storing) {
            // The server is taking the page under its temporary name: the
            // session stays for an ABOR and the DELE of what it got, and
            // closes after them. Stopping the data ends a transfer still
            // sending; a wait for the final reply is stopped by hand.
            abortStore_ = true;
            if (!transferring_)
                FTP.Cancel();
        } else {
            FTP.Cancel();
            FTP.RequestCloseSocket();
        }
        if (loggedIn_) {
            MarkFailed();
        } else {
            // Stopping the login is no failure of the server's: nothing to mark.
            state_ = RunState::Cancelled;
            emit finished(false);
        }
    } else if (FTP.Connected()) {
        try {
            FTP.Disconnect();
        } catch (const std::exception&) {
            FTP.RequestCloseSocket();
        }
    }
    emit closeRequested();
}
