#include "upload/UploadController.h"

#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "upload/UploadStore.h"

#include <QFile>
#include <QStringDecoder>

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
    SSTP.SetHeader(TSSTP::Sender, "Tav Outliner");
    SSTP.SetPort(11000);
    connect(&SSTP, &TSSTP::requestEnded, this, &UploadController::SendNextNotification);
}

UploadController::~UploadController() = default;

// --- helpers -------------------------------------------------------------------

void UploadController::SetRequest(const QString& text)
{
    request_ = text;
    emit requestChanged(text);
}

// A message that comes while the previous one is still on its way waits for
// it: the notifier would refuse it, and the companion would never hear of a
// failure that follows the start closely.
void UploadController::Notify(const char* utf8Script)
{
    notifications_.push_back(TextCodec::Sjis(utf8Script));
    SendNextNotification();
}

void UploadController::SendNextNotification()
{
    if (notifications_.empty() || SSTP.Busy())
        return;
    SSTP.SetHeader(TSSTP::Script, notifications_.front());
    notifications_.pop_front();
    SSTP.Send();
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
    AppendToRow(current_, U(FailedMark));
    if (!reason.isEmpty() && !cancelled_)
        SetRequest(request_ + QLatin1Char('\n') + reason);
    Notify("アップロード失敗。");
    emit finished(false);
}

void UploadController::MarkFailed(const std::exception& e)
{
    MarkFailed(ReasonText(e.what()));
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
    return ReadUploadEntry(Text(queue_[size_t(index)]), store_, entry_);
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
        FTP.Upload(Text(entry_.HtmlFile), PagePaths::ExtractFileName(entry_.HtmlFile));
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
        SetRequest(U("アップ完了です。"));
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
        break;
    default:
        break;
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
        FTP.Cancel();
        FTP.RequestCloseSocket();
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
