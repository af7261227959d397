#pragma once

#include "upload/TSocketClient.h"

#include <memory>
#include <stdexcept>

// A negative FTP reply (or a broken exchange); the message is the server's
// reply line, or a text that says what went wrong.
class FTPException : public std::runtime_error {
public:
    explicit FTPException(const SjisString& reply);
    FTPException(const SjisString& reply, const std::string& message);
    // The reply line as the server sent it (empty when there was none).
    const SjisString& Reply() const { return reply_; }

private:
    SjisString reply_;
};

// The command codes handed to the result events.
enum TCmdType {
    cmdChangeDir, cmdMakeDir, cmdDelete, cmdRemoveDir, cmdList, cmdRename, cmdUpRestore,
    cmdDownRestore, cmdDownload, cmdUpload, cmdAppend, cmdReInit, cmdAllocate, cmdNList,
    cmdDoCommand, cmdCurrentDir,
};

enum TFirewallType { FTUser, FtOpen, FtSite };

// An FTP client (RFC 959) on the control connection that this socket is.
// Every command completes before its method returns and reports through the
// events first, so a handler may issue the next command from inside an event.
// Not built here because nothing calls them: UploadUnique,
// UploadRestore, UploadAppend, Download, DownloadRestore, List, Nlist, Flush
// and the listing parsers.
class TFtpClient : public TSocketClient {
    Q_OBJECT
public:
    explicit TFtpClient(QObject* owner = nullptr);
    ~TFtpClient() override;

    SjisString UserID;
    SjisString Password;
    bool Passive = false;
    TFirewallType FirewallType = FTUser;
    SjisString FWUserID;
    SjisString FWPassword;
    bool FWAuthenticate = false;
    bool ParseList = false; // listings are not parsed
    // UseTLS (inherited) makes the login explicit FTPS: AUTH TLS right after
    // the greeting, then PBSZ 0 and PROT P, all before USER; every data
    // connection is encrypted too and resumes the control connection's
    // session. A server that refuses any of it ends the login before USER.

    // Events; the sender comes first. OnConnect fires after a complete login
    // (the socket-level event is TSocketClient::OnConnect).
    std::function<void(TFtpClient&, TCmdType)> OnSuccess;
    std::function<void(TFtpClient&, bool& handled, TCmdType)> OnFailure;
    std::function<void(TFtpClient&, TCmdType)> OnUnSupportedFunction;
    std::function<void(TFtpClient&)> OnConnect;
    std::function<void(TFtpClient&)> OnAuthenticationNeeded;
    std::function<void(TFtpClient&)> OnAuthenticationFailed;
    std::function<void(TFtpClient&)> OnTransactionStart;
    std::function<void(TFtpClient&)> OnTransactionStop;

    // Login: greeting, USER, PASS (skipped when USER is answered by 230). A
    // failed login disconnects and raises. Preliminary replies (1xx) are read
    // past, here and for every command but STOR, whose 1xx starts the data.
    void Connect() override;
    // QUIT, then close.
    void Disconnect() override;
    // Stops the running transfer; the control connection stays.
    void Abort() override;
    // Sends a line and reads the whole reply (one reply, 1xx included);
    // returns its first line.
    SjisString Transaction(SjisView command) override;

    // Simple commands, all through DoCommand.
    void DoCommand(SjisView line);
    void ChangeDir(SjisView folder);
    void MakeDirectory(SjisView folder);
    void Delete(SjisView name);
    void RemoveDir(SjisView folder);
    SjisString GetCurrentDir();
    void Reinitialize();
    void Allocate(qint64 bytes);
    void Mode(int mode); // 1 ASCII, 2 image, 3 local 8
    // RNFR old, then RNTO new; reports cmdRename. A refused RNFR sends no RNTO.
    void Rename(SjisView from, SjisView to);
    // The last Rename's RNFR was accepted: a failure came from RNTO.
    bool RenameSourceAccepted() const { return renameSourceAccepted_; }

    // Stores a local file under the remote name (the local file name when it
    // is empty), byte for byte: TYPE I once per login, then PASV or PORT by
    // Passive (EPSV or EPRT when the server was reached over IPv6), STOR,
    // and SIZE of the stored file where the server answers it. A failure
    // reaches OnFailure once, then raises unless the handler handled it.
    void Upload(const QString& localPath, SjisView remoteName);

    qint64 GetBytesSent() const;
    qint64 GetBytesRcvd() const;
    qint64 TotalSize() const { return uploadSize_; }

    static TCmdType CommandCodeOf(SjisView line);
    // CR or LF would end a command early and smuggle in a second one; a NUL
    // byte ends the text that goes out, so the command would lose its CR LF
    // and the server would wait for the rest of the line.
    static bool BreaksCommandLine(SjisView text);

private:
    // Reads the lines that follow a reply's first line.
    void ReadExtraLines(const SjisString& firstLine);
    // Reads one whole reply; returns its first line, keeps it and its code.
    SjisString ReadReply();
    // Reads past preliminary (1xx) replies, from `reply` on, to the final one.
    SjisString FinalReply(SjisString reply);
    // Sends a command and returns its final reply.
    SjisString Command(SjisView line);
    // The reply just read is not positive: the server closed, the line has no
    // reply code, or its code lies from `lowest` to 599.
    bool Refused(SjisView reply, int lowest) const;
    void ReadGreeting();
    void LoginStep(SjisView line, int lowestFailure);

    // The steps of Upload; each returns false after a failure that the
    // OnFailure handler handled. `reported`: OnFailure has heard of it.
    void PrepareDataSocket(const QString& localPath);
    bool UseBinaryType(bool& reported);
    bool OpenPassive(bool& reported);
    bool OpenActive(bool& reported);
    bool StoreFile(const QString& localPath, const SjisString& name, bool& reported);
    bool CheckStoredSize(const SjisString& name, bool& reported);
    // A failed Upload step: OnFailure decides whether it is raised (with
    // `message`, or the reply line). Returns only when the handler handled it.
    void UploadFailure(bool& reported, const SjisString& reply, const std::string& message = {});
    // A negative reply of a command with its own code: OnUnSupportedFunction
    // for 500 to 502, then OnFailure decides whether it is raised.
    void CommandFailure(const SjisString& reply, TCmdType type);
    // AUTH TLS, the handshake, PBSZ 0 and PROT P.
    void SecureControlConnection();
    // Prepares the data socket to be secured like the control connection.
    void PrepareDataTls();
    void DiscardInput();

    std::unique_ptr<TSocketClient> data_;
    qint64 uploadSize_ = 0;
    bool binaryType_ = false; // TYPE I was accepted in this login
    bool renameSourceAccepted_ = false;
};
