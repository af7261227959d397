#include "upload/TFtpClient.h"

#include "upload/FtpReply.h"
#include "upload/SocketText.h"

#include <QFile>
#include <QFileInfo>

namespace {

std::string ReplyMessage(const SjisString& reply)
{
    if (reply.empty())
        return "Connection closed by the server";
    if (!FtpReply::HasReplyCode(reply))
        return "A reply without a reply code: " + FtpReply::WithoutLineBreak(reply);
    return FtpReply::WithoutLineBreak(reply);
}

// A server that sends preliminary replies without end never answers.
constexpr int MaxPreliminaryReplies = 100;

void RefuseBreakingCommand(SjisView text)
{
    if (TFtpClient::BreaksCommandLine(text))
        throw FTPException({}, "Refused to send an FTP command whose argument holds a line break or a NUL byte");
}

SjisString FirstWord(SjisView line)
{
    return SjisString(line.substr(0, line.find(' ')));
}

} // namespace

FTPException::FTPException(const SjisString& reply)
    : std::runtime_error(ReplyMessage(reply)), reply_(reply)
{
}

FTPException::FTPException(const SjisString& reply, const std::string& message)
    : std::runtime_error(message), reply_(reply)
{
}

TFtpClient::TFtpClient(QObject* owner) : TSocketClient(owner)
{
    Port = 21;
}

TFtpClient::~TFtpClient() = default;

bool TFtpClient::BreaksCommandLine(SjisView text)
{
    return text.find_first_of(SjisView("\r\n\0", 3)) != SjisView::npos;
}

TCmdType TFtpClient::CommandCodeOf(SjisView line)
{
    const SjisString word = FirstWord(line);
    if (word == "CWD")
        return cmdChangeDir;
    if (word == "DELE")
        return cmdDelete;
    if (word == "MKD")
        return cmdMakeDir;
    if (word == "RMD")
        return cmdRemoveDir;
    if (line == "PWD")
        return cmdCurrentDir;
    return cmdDoCommand;
}

void TFtpClient::DiscardInput()
{
    if (DataAvailable())
        ClearInput();
}

SjisString TFtpClient::Transaction(SjisView command)
{
    RefuseBreakingCommand(command);
    const SjisString first = TSocketClient::Transaction(command);
    ReadExtraLines(first);
    return first;
}

void TFtpClient::ReadExtraLines(const SjisString& firstLine)
{
    if (firstLine.empty())
        return;
    FtpReply::ReplyReader reader(firstLine);
    while (reader.NeedsMore()) {
        const SjisString line = ReadLn();
        if (line.empty())
            return; // the server closed
        StatusMessage(1, QString::fromLatin1(line.data(), qsizetype(line.size())));
        reader.Add(line);
    }
    if (reader.TooLong())
        throw FTPException(firstLine, "The server's reply does not end");
}

SjisString TFtpClient::ReadReply()
{
    replyCode_ = 0;
    lastReply_ = ReadLn();
    if (lastReply_.empty())
        return lastReply_; // the server closed
    StatusMessage(1, QString::fromLatin1(lastReply_.data(), qsizetype(lastReply_.size())));
    try {
        replyCode_ = qint16(FtpReply::ReplyCode(lastReply_));
    } catch (const std::out_of_range&) {
        throw ESockError(QStringLiteral("Reply code out of range"));
    }
    ReadExtraLines(lastReply_);
    return lastReply_;
}

SjisString TFtpClient::FinalReply(SjisString reply)
{
    for (int n = 0; FtpReply::IsPreliminary(reply); ++n) {
        if (n == MaxPreliminaryReplies)
            throw FTPException(reply, "The server's reply does not end");
        reply = ReadReply();
    }
    return reply;
}

SjisString TFtpClient::Command(SjisView line)
{
    return FinalReply(Transaction(line));
}

bool TFtpClient::Refused(SjisView reply, int lowest) const
{
    return !FtpReply::HasReplyCode(reply) || (replyCode_ >= lowest && replyCode_ <= 599);
}

// --- login ---------------------------------------------------------------------

void TFtpClient::ReadGreeting()
{
    // A 120 (ready in a while) may come before the greeting itself.
    const SjisString greeting = FinalReply(ReadReply());
    if (!FtpReply::HasReplyCode(greeting) || greeting[0] != '2') {
        if (OnConnectionFailed)
            OnConnectionFailed(*this);
        throw FTPException(greeting);
    }
}

void TFtpClient::LoginStep(SjisView line, int lowestFailure)
{
    const SjisString reply = Command(line);
    // An empty reply (the server closed) or a line without a code is no login.
    if (Refused(reply, lowestFailure)) {
        if (OnConnectionFailed)
            OnConnectionFailed(*this);
        throw FTPException(reply);
    }
}

void TFtpClient::SecureControlConnection()
{
    // Only 234 starts TLS (334 would ask for a security exchange we do not
    // speak); anything else means the password would go in clear.
    StatusMessage(1, QStringLiteral("AUTH TLS"));
    SjisString reply = Command("AUTH TLS");
    if (replyCode_ != 234)
        throw FTPException(reply, "The server refused TLS (AUTH TLS): " + ReplyMessage(reply));
    // Bytes already waiting came in clear: read after the handshake they
    // would pass for protected replies, and every later reply would answer
    // the command before it.
    if (DataAvailable()) {
        RequestCloseSocket();
        throw FTPException(reply, "The server sent clear text after accepting TLS (AUTH TLS): "
                                  "the connection was closed before the handshake");
    }
    StartTls();
    // The data connections are protected as well; a server that will not do
    // that would get the pages in clear.
    for (const char* command : {"PBSZ 0", "PROT P"}) {
        StatusMessage(1, QString::fromLatin1(command));
        reply = Command(command);
        if (replyCode_ < 200 || replyCode_ > 299)
            throw FTPException(reply, std::string("The server refused ") + command + ": " + ReplyMessage(reply));
    }
}

void TFtpClient::PrepareDataTls()
{
    data_->UseTLS = UseTLS;
    if (!UseTLS)
        return;
    data_->Host = Host; // the name the certificate is checked against
    // The data connection must reach the server that logged us in: the
    // certificate accepted there is the one accepted here.
    data_->TrustedFingerprint = PeerFingerprint();
    data_->ResumeTlsSession(TlsSessionTicket());
}

void TFtpClient::Connect()
{
    canceled_ = false;
    if (Connected())
        return;
    DiscardInput();
    TSocketClient::Connect();
    binaryType_ = false;
    try {
        ReadGreeting();
        if (UseTLS)
            SecureControlConnection();
        if (FWAuthenticate) {
            LoginStep("USER " + FWUserID, 401);
            if (replyCode_ == 331)
                LoginStep("PASS " + FWPassword, 401);
        }
        if ((UserID.empty() || Password.empty()) && OnAuthenticationNeeded)
            OnAuthenticationNeeded(*this);
        const SjisString host = Host.toLocal8Bit().toStdString();
        if (!Proxy.isEmpty()) {
            switch (FirewallType) {
            case FTUser: Command("USER " + UserID + "@" + host); break;
            case FtOpen: Command("OPEN " + host); break;
            case FtSite: Command("SITE " + host); break;
            }
        }
        if (Proxy.isEmpty() || FirewallType != FTUser) {
            StatusMessage(1, QStringLiteral("USER ") + QString::fromLocal8Bit(UserID.c_str()));
            LoginStep("USER " + UserID, 401);
        }
        if (replyCode_ == 331) {
            StatusMessage(1, QStringLiteral("PASS "));
            LoginStep("PASS " + Password, 401);
        }
        if (OnConnect)
            OnConnect(*this);
    } catch (...) {
        try {
            Disconnect();
        } catch (...) {
            RequestCloseSocket();
        }
        StatusMessage(1, QStringLiteral("Disconnected"));
        throw;
    }
}

void TFtpClient::Disconnect()
{
    canceled_ = false;
    if (!Connected())
        return;
    StatusMessage(1, QStringLiteral("QUIT"));
    SjisString reply;
    try {
        DiscardInput();
        reply = Command("QUIT");
    } catch (...) {
        RequestCloseSocket();
        throw;
    }
    if (replyCode_ >= 301 && replyCode_ <= 599) {
        RequestCloseSocket();
        throw FTPException(reply);
    }
    TSocketClient::Disconnect();
}

void TFtpClient::Abort()
{
    if (data_)
        data_->Cancel();
}

// --- simple commands -----------------------------------------------------------------

void TFtpClient::DoCommand(SjisView line)
{
    const TCmdType type = CommandCodeOf(line);
    canceled_ = false;
    CertifyConnect();
    StatusMessage(1, QString::fromLocal8Bit(line.data(), qsizetype(line.size())));
    DiscardInput();
    const SjisString reply = Command(line);
    // An empty reply (the server closed) or a line without a code is a
    // failure too: nothing says the command was done.
    if (Refused(reply, 400)) {
        CommandFailure(reply, type);
        return;
    }
    if (OnSuccess)
        OnSuccess(*this, type);
}

void TFtpClient::ChangeDir(SjisView folder) { DoCommand("CWD " + SjisString(folder)); }
void TFtpClient::MakeDirectory(SjisView folder) { DoCommand("MKD " + SjisString(folder)); }
void TFtpClient::Delete(SjisView name) { DoCommand("DELE " + SjisString(name)); }
void TFtpClient::RemoveDir(SjisView folder) { DoCommand("RMD " + SjisString(folder)); }
void TFtpClient::Reinitialize()
{
    binaryType_ = false; // the server forgets the session's type
    DoCommand("REIN");
}
void TFtpClient::Allocate(qint64 bytes) { DoCommand("ALLO " + std::to_string(bytes)); }

SjisString TFtpClient::GetCurrentDir()
{
    DoCommand("PWD");
    return FtpReply::PwdFolder(LastReply());
}

void TFtpClient::Mode(int mode)
{
    // Whatever the server answers, the next transfer sets its type again.
    binaryType_ = false;
    switch (mode) {
    case 1: DoCommand("TYPE A"); break;
    case 2: DoCommand("TYPE I"); break;
    case 3: DoCommand("TYPE L 8"); break;
    default: break;
    }
}

void TFtpClient::CommandFailure(const SjisString& reply, TCmdType type)
{
    if (replyCode_ >= 500 && replyCode_ <= 502 && OnUnSupportedFunction)
        OnUnSupportedFunction(*this, type);
    if (!OnFailure)
        throw FTPException(reply);
    bool handled = false;
    OnFailure(*this, handled, type);
    if (!handled)
        throw FTPException(reply);
}

void TFtpClient::Rename(SjisView from, SjisView to)
{
    canceled_ = false;
    renameSourceAccepted_ = false;
    CertifyConnect();
    DiscardInput();
    const SjisString rnfr = "RNFR " + SjisString(from);
    StatusMessage(1, QString::fromLocal8Bit(rnfr.data(), qsizetype(rnfr.size())));
    SjisString reply = Command(rnfr);
    // RNFR is answered by 350 (more to come); an empty reply means the
    // server closed and nothing was renamed.
    if (Refused(reply, 352))
        return CommandFailure(reply, cmdRename);
    renameSourceAccepted_ = true;
    const SjisString rnto = "RNTO " + SjisString(to);
    StatusMessage(1, QString::fromLocal8Bit(rnto.data(), qsizetype(rnto.size())));
    reply = Command(rnto);
    if (Refused(reply, 301))
        return CommandFailure(reply, cmdRename);
    if (OnSuccess)
        OnSuccess(*this, cmdRename);
}

// --- transfers ---------------------------------------------------------------------

qint64 TFtpClient::GetBytesSent() const { return data_ ? data_->BytesSent() : 0; }
qint64 TFtpClient::GetBytesRcvd() const { return data_ ? data_->BytesRecvd() : 0; }

void TFtpClient::UploadFailure(bool& reported, const SjisString& reply, const std::string& message)
{
    const FTPException failure = message.empty() ? FTPException(reply) : FTPException(reply, message);
    // Set before the handler runs: whatever it does, this failure has been told.
    reported = true;
    if (!OnFailure)
        throw failure;
    bool handled = false;
    OnFailure(*this, handled, cmdUpload);
    if (!handled)
        throw failure;
}

void TFtpClient::PrepareDataSocket(const QString& localPath)
{
    data_ = std::make_unique<TSocketClient>();
    data_->TimeOut = TimeOut;
    {
        QFile file(localPath);
        if (!file.open(QIODevice::ReadOnly))
            throw FTPException({}, QStringLiteral("Cannot open %1: %2")
                                       .arg(localPath, file.errorString()).toStdString());
        uploadSize_ = file.size();
    }
    data_->SetTotalSize(uploadSize_);
    PrepareDataTls();
    if (OnPacketSent)
        data_->OnPacketSent = OnPacketSent;
}

bool TFtpClient::UseBinaryType(bool& reported)
{
    // In the default type (ASCII) servers rewrite line breaks: a page must
    // arrive as it is.
    if (binaryType_)
        return true;
    StatusMessage(1, QStringLiteral("TYPE I"));
    const SjisString reply = Command("TYPE I");
    if (Refused(reply, 300)) {
        UploadFailure(reported, reply, "The server refused binary mode (TYPE I): " + ReplyMessage(reply));
        return false;
    }
    binaryType_ = true;
    return true;
}

bool TFtpClient::OpenPassive(bool& reported)
{
    // A PASV reply can only name an IPv4 address; EPSV names just the port.
    const bool extended = RemoteIsIPv6();
    const char* command = extended ? "EPSV" : "PASV";
    const SjisString reply = Command(command);
    if (Refused(reply, 500)) {
        UploadFailure(reported, reply);
        return false;
    }
    const auto port = extended ? FtpReply::EpsvPort(reply) : FtpReply::PasvPort(reply);
    if (!port)
        throw FTPException(reply, std::string("Unusable ") + command + " reply: " + FtpReply::WithoutLineBreak(reply));
    // An address in the reply is ignored: data goes to the server this
    // client logged in to.
    data_->Host = Host;
    data_->Port = *port;
    data_->Connect();
    return true;
}

bool TFtpClient::OpenActive(bool& reported)
{
    data_->Port = 0;
    QString line;
    if (RemoteIsIPv6()) {
        // PORT can only carry an IPv4 address.
        data_->Listen(true, QHostAddress::AnyIPv6);
        line = QStringLiteral("EPRT |2|%1|%2|").arg(GetLocalIPv6Address()).arg(data_->LocalPort());
    } else {
        data_->Listen(true);
        line = QStringLiteral("PORT ") + GetLocalAddress() + data_->GetPortString();
    }
    const SjisString reply = Command(line.toStdString());
    if (Refused(reply, 301)) {
        UploadFailure(reported, reply);
        return false;
    }
    return true;
}

bool TFtpClient::StoreFile(const QString& localPath, const SjisString& name, bool& reported)
{
    // Not Command: the preliminary reply (125, 150) is the go for the data.
    const SjisString reply = Transaction("STOR " + name);
    if (Refused(reply, 301)) {
        if (replyCode_ >= 500 && replyCode_ <= 502 && OnUnSupportedFunction)
            OnUnSupportedFunction(*this, cmdUpload);
        UploadFailure(reported, reply);
        return false;
    }
    if (!Passive)
        data_->Accept();
    // The server starts its side of TLS once it has answered STOR.
    if (UseTLS)
        data_->StartTls();
    if (OnTransactionStart)
        OnTransactionStart(*this);
    if (data_->Canceled() || data_->TimedOut() || TimedOut())
        throw EAbortError(QStringLiteral("Socket send aborted"));
    data_->SendFile(localPath);
    if (OnTransactionStop)
        OnTransactionStop(*this);
    data_->CloseGracefully();
    // The final reply says whether the server kept the file.
    const SjisString final = FinalReply(ReadReply());
    if (Refused(final, 400)) {
        UploadFailure(reported, final);
        return false;
    }
    return true;
}

bool TFtpClient::CheckStoredSize(const SjisString& name, bool& reported)
{
    // Only a size that differs shows a damaged page; a server that gives
    // none (SIZE unknown, 550, anything but "213 n") is not checked.
    const SjisString reply = Command("SIZE " + name);
    if (reply.empty()) {
        UploadFailure(reported, reply);
        return false;
    }
    const auto stored = FtpReply::StoredSize(reply);
    if (!stored || *stored == uploadSize_)
        return true;
    UploadFailure(reported, reply, "The server stored " + std::to_string(*stored) + " bytes of "
                                       + std::to_string(uploadSize_));
    return false;
}

void TFtpClient::Upload(const QString& localPath, SjisView remoteName)
{
    canceled_ = false;
    CertifyConnect();
    bool success = false;
    bool reported = false;
    try {
        const SjisString name = remoteName.empty()
            ? QFileInfo(localPath).fileName().toLocal8Bit().toStdString()
            : SjisString(remoteName);
        RefuseBreakingCommand(name); // before a data connection is made for nothing
        DiscardInput();
        PrepareDataSocket(localPath);
        if (UseBinaryType(reported) && (Passive ? OpenPassive(reported) : OpenActive(reported))) {
            StatusMessage(1, QStringLiteral("STOR ")
                                 + (remoteName.empty() ? localPath : QString::fromLocal8Bit(name.c_str())));
            success = StoreFile(localPath, name, reported) && CheckStoredSize(name, reported);
        }
        data_.reset();
    } catch (...) {
        data_.reset();
        // A failure that reached OnFailure already is not told twice.
        bool handled = false;
        if (OnFailure && !reported)
            OnFailure(*this, handled, cmdUpload);
        if (!handled)
            throw;
        return;
    }
    if (success && OnSuccess)
        OnSuccess(*this, cmdUpload);
}
