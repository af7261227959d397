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
    return FtpReply::WithoutLineBreak(reply);
}

// CR or LF would end the command early and smuggle in a second one; a NUL
// byte ends the text that goes out, so the command would lose its CR LF and
// the server would wait for the rest of the line.
bool BreaksCommandLine(SjisView text)
{
    return text.find_first_of(SjisView("\r\n\0", 3)) != SjisView::npos;
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
    if (BreaksCommandLine(command))
        throw FTPException({}, "Refused to send an FTP command whose argument holds a line break or a NUL byte");
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

// --- login ---------------------------------------------------------------------

void TFtpClient::LoginStep(SjisView line, int lowestFailure)
{
    const SjisString reply = Transaction(line);
    // An empty reply means the server closed the connection: no login.
    if ((replyCode_ >= lowestFailure && replyCode_ <= 599) || reply.empty()) {
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
    SjisString reply = Transaction("AUTH TLS");
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
        reply = Transaction(command);
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
    try {
        // The greeting, with all its lines.
        const SjisString greeting = ReadLn();
        replyCode_ = 0;
        if (!greeting.empty()) {
            StatusMessage(1, QString::fromLatin1(greeting.data(), qsizetype(greeting.size())));
            replyCode_ = qint16(FtpReply::ReplyCode(greeting));
            ReadExtraLines(greeting);
        }
        if (replyCode_ > 400 || greeting.empty()) {
            if (OnConnectionFailed)
                OnConnectionFailed(*this);
            throw FTPException(greeting);
        }
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
            case FTUser: Transaction("USER " + UserID + "@" + host); break;
            case FtOpen: Transaction("OPEN " + host); break;
            case FtSite: Transaction("SITE " + host); break;
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
        reply = Transaction("QUIT");
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
    const SjisString reply = Transaction(line);
    // An empty reply (the server closed) is a failure too: nothing was done.
    if ((replyCode_ >= 400 && replyCode_ <= 599) || reply.empty()) {
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
void TFtpClient::Reinitialize() { DoCommand("REIN"); }
void TFtpClient::Allocate(qint64 bytes) { DoCommand("ALLO " + std::to_string(bytes)); }

SjisString TFtpClient::GetCurrentDir()
{
    DoCommand("PWD");
    return FtpReply::PwdFolder(LastReply());
}

void TFtpClient::Mode(int mode)
{
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
    SjisString reply = Transaction(rnfr);
    // RNFR is answered by 350 (more to come); an empty reply means the
    // server closed and nothing was renamed.
    if ((replyCode_ >= 352 && replyCode_ <= 599) || reply.empty())
        return CommandFailure(reply, cmdRename);
    renameSourceAccepted_ = true;
    const SjisString rnto = "RNTO " + SjisString(to);
    StatusMessage(1, QString::fromLocal8Bit(rnto.data(), qsizetype(rnto.size())));
    reply = Transaction(rnto);
    if ((replyCode_ >= 301 && replyCode_ <= 599) || reply.empty())
        return CommandFailure(reply, cmdRename);
    if (OnSuccess)
        OnSuccess(*this, cmdRename);
}

// --- transfers ---------------------------------------------------------------------

qint64 TFtpClient::GetBytesSent() const { return data_ ? data_->BytesSent() : 0; }
qint64 TFtpClient::GetBytesRcvd() const { return data_ ? data_->BytesRecvd() : 0; }

void TFtpClient::UploadFailure(const SjisString& reply)
{
    if (!OnFailure)
        throw FTPException(reply);
    bool handled = false;
    OnFailure(*this, handled, cmdUpload);
    if (!handled)
        throw FTPException(reply);
}

void TFtpClient::Upload(const QString& localPath, SjisView remoteName)
{
    canceled_ = false;
    CertifyConnect();
    bool success = false;
    try {
        DiscardInput();
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

        bool failed = false;
        if (Passive) {
            const SjisString reply = Transaction("PASV");
            if (replyCode_ > 499 || reply.empty()) {
                failed = true;
                UploadFailure(reply);
            } else {
                const auto port = FtpReply::PasvPort(reply);
                if (!port)
                    throw FTPException(reply, "Unusable PASV reply: " + FtpReply::WithoutLineBreak(reply));
                // The address in the reply is ignored: data goes to the server
                // this client logged in to.
                data_->Host = Host;
                data_->Port = *port;
                data_->Connect();
            }
        } else {
            data_->Port = 0;
            data_->Listen(true);
            const SjisString reply = Transaction(("PORT " + GetLocalAddress() + data_->GetPortString()).toStdString());
            if ((replyCode_ >= 301 && replyCode_ <= 599) || reply.empty()) {
                failed = true;
                UploadFailure(reply);
            }
        }

        if (!failed) {
            const SjisString name = remoteName.empty()
                ? QFileInfo(localPath).fileName().toLocal8Bit().toStdString()
                : SjisString(remoteName);
            StatusMessage(1, QStringLiteral("STOR ")
                                 + (remoteName.empty() ? localPath
                                                       : QString::fromLocal8Bit(name.c_str())));
            const SjisString reply = Transaction("STOR " + name);
            if ((replyCode_ < 301 || replyCode_ > 599) && !reply.empty()) {
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
                const SjisString final = ReadLn();
                replyCode_ = 0;
                if (!final.empty()) {
                    StatusMessage(1, QString::fromLatin1(final.data(), qsizetype(final.size())));
                    replyCode_ = qint16(FtpReply::ReplyCode(final));
                    ReadExtraLines(final);
                }
                lastReply_ = final;
                if (final.empty() || replyCode_ >= 400)
                    UploadFailure(final);
                else
                    success = true;
            } else {
                if (replyCode_ >= 500 && replyCode_ <= 502 && OnUnSupportedFunction)
                    OnUnSupportedFunction(*this, cmdUpload);
                UploadFailure(reply);
            }
        }
        data_.reset();
    } catch (...) {
        data_.reset();
        bool handled = false;
        if (OnFailure)
            OnFailure(*this, handled, cmdUpload);
        if (!handled)
            throw;
        return;
    }
    if (success && OnSuccess)
        OnSuccess(*this, cmdUpload);
}
