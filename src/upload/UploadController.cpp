#include "upload/UploadController.h"

#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "upload/UploadStore.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
QString Text(SjisView sjis) { return TextCodec::ToUnicode(sjis); }

const char* const FailedMark = "*失敗*";

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

void UploadController::MarkFailed()
{
    if (state_ != RunState::Running)
        return;
    state_ = RunState::Failed;
    AppendToRow(current_, U(FailedMark));
    Notify("アップロード失敗。");
    emit finished(false);
}

void UploadController::RefuseLineBreak()
{
    emit message(U("失敗"),
                 U("リモートフォルダ、ファイル名、ユーザ名またはパスワードに改行が含まれているため、送信できません。"),
                 Icon::Stop);
}

bool UploadController::ReadEntry(int index)
{
    return ReadUploadEntry(Text(queue_[size_t(index)]), store_, entry_);
}

// --- listing -------------------------------------------------------------------

void UploadController::FormShow()
{
    queue_ = ReadUploadQueue(store_);
    rows_.clear();
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
    bool unreadable = false;
    for (size_t i = 0; i < queue_.size(); ++i) {
        rows_.emplace_back();
        bool read = false;
        try {
            read = ReadEntry(int(i));
        } catch (const std::exception& e) {
            // The remaining lines are not listed, and nothing can be sent.
            emit error(QString::fromLocal8Bit(e.what()));
            unreadable = true;
            break;
        }
        QStringList& row = rows_.back();
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
    if (noServer || unknownFormat || unreadable) {
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
    server_ = entry_;
    FTP.Connect();
}

void UploadController::bttnOkClick()
{
    if (queue_.empty() || !okEnabled_ || state_ == RunState::Running)
        return;
    SetRequest(U("アップロードを開始しました。"));
    okEnabled_ = false;
    emit buttonsChanged();
    state_ = RunState::Running;
    Notify("アップロードを開始。");
    current_ = 0;
    try {
        if (!ReadEntry(0))
            throw std::runtime_error("unknown page file format");
        if (entry_.HoldsLineBreak()) {
            RefuseLineBreak();
            throw std::runtime_error("line break in an FTP argument");
        }
        ConnectToEntryServer(); // the whole run happens inside
    } catch (const std::exception&) {
        MarkFailed();
    }
}

void UploadController::FTPConnectionFailed()
{
    emit message(U("警告"), U("ユーザ ") + Text(entry_.User) + U(" の認証に失敗しました。"), Icon::Stop);
}

void UploadController::FTPConnect()
{
    SetRequest(Text(entry_.Host) + U(" に接続しました。フォルダ変更してます。"));
    try {
        baseFolder_ = FTP.GetCurrentDir();
        if (!ReadEntry(current_))
            throw std::runtime_error("unknown page file format");
        folderLevel_ = 0;
        EnterFolder();
    } catch (const std::exception&) {
        MarkFailed();
    }
}

void UploadController::EnterFolder()
{
    if (entry_.HoldsLineBreak()) {
        RefuseLineBreak();
        throw std::runtime_error("line break in an FTP argument");
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
        FTP.Upload(Text(entry_.HtmlFile), PagePaths::ExtractFileName(entry_.HtmlFile));
        break;
    }
    case cmdMakeDir:
        ++folderLevel_;
        try {
            EnterFolder();
        } catch (const std::exception&) {
            MarkFailed();
        }
        break;
    case cmdUpload:
        SetRequest(U("アップ完了です。"));
        AppendToRow(current_, U("完了"));
        ++current_;
        if (current_ < int(queue_.size())) {
            rate_ = rateMax_ = QStringLiteral("N/A");
            gauge_ = 0;
            emit progress(0, 0, 0);
            SetRequest(request_ + U("次のファイルのアップロードを開始しました。"));
            try {
                if (!ReadEntry(current_))
                    throw std::runtime_error("unknown page file format");
                folderLevel_ = 0;
                if (!entry_.SameServer(server_)) {
                    // This page belongs to another server: log in there (its
                    // login handler enters the folder).
                    if (entry_.HoldsLineBreak()) {
                        RefuseLineBreak();
                        throw std::runtime_error("line break in an FTP argument");
                    }
                    try {
                        FTP.Disconnect();
                    } catch (const std::exception&) {
                        FTP.RequestCloseSocket();
                    }
                    ConnectToEntryServer();
                } else {
                    EnterFolder();
                }
            } catch (const std::exception&) {
                MarkFailed();
            }
        } else {
            cancelCaption_ = U("閉じる");
            emit buttonsChanged();
            Notify("アップロードが全部正常に終了。");
            state_ = RunState::Succeeded;
            EmptyUploadQueue(store_);
            emit finished(true);
        }
        break;
    default:
        break;
    }
}

void UploadController::FTPFailure(bool& handled, TCmdType type)
{
    // The client reports a refused transfer twice (once for the reply, once
    // as it raises), and the message goes with each report.
    if (type == cmdUpload && state_ != RunState::Idle && state_ != RunState::Succeeded)
        emit message(U("失敗"), U("アップロードできませんでした。"), Icon::Information);
    if (state_ != RunState::Running)
        return;
    switch (type) {
    case cmdChangeDir:
        // Creating the folder takes over; its outcome decides the run, so the
        // refused CWD itself is not raised afterwards.
        handled = true;
        FTP.MakeDirectory(EnsureTrailingSlash(baseFolder_) + FolderPrefix(entry_.RemoteFolder, folderLevel_));
        break;
    case cmdMakeDir:
        if (!FolderPrefixIsWhole(entry_.RemoteFolder, folderLevel_)) {
            ++folderLevel_;
            FTP.MakeDirectory(EnsureTrailingSlash(baseFolder_) + FolderPrefix(entry_.RemoteFolder, folderLevel_));
        } else {
            emit message(U("失敗"), U("フォルダが作成できませんでした。"), Icon::Information);
            MarkFailed();
        }
        break;
    case cmdUpload:
        MarkFailed();
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
        FTP.Abort();
        FTP.Cancel();
        FTP.RequestCloseSocket();
        MarkFailed();
    } else if (FTP.Connected()) {
        try {
            FTP.Disconnect();
        } catch (const std::exception&) {
            FTP.RequestCloseSocket();
        }
    }
    emit closeRequested();
}
