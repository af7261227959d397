#pragma once

#include "upload/UploadStore.h"

#include <QString>
#include <QStringList>
#include <optional>

// What the preferences dialog decides, without a window.

// The controls whose change (an edit's text, a list's choice) or click (a
// check box) enables Apply, by object name. The memo, the caret-position and
// PASV boxes, the colours and the FTP list do not; the font picker enables
// Apply itself.
const QStringList& ApplyEnablingControls();

// A typed FTP setting name without its leading and trailing blanks and
// control characters; a full-width space is kept.
QString TrimmedFtpSettingName(QStringView typed);
// The add button is enabled exactly when something is left after trimming.
inline bool AddFtpSettingEnabled(QStringView typed) { return !TrimmedFtpSettingName(typed).isEmpty(); }

// The FTP group's rows that apply to a protocol; the others are disabled
// (not hidden, so that the group keeps its shape).
struct FtpGroupRows {
    bool passive;  // PASV: FTP's data connections
    bool tlsTrust; // the trusted certificate: TLS is FTP's, SSH trusts host keys
    bool keyFile;  // the private key: SFTP's
};
FtpGroupRows FtpGroupRowsFor(FtpProtocol protocol);

// Why a typed key file cannot log in (a public key chosen in place of its
// private key); nothing when it may.
std::optional<QString> FtpKeyFileProblem(const QString& keyFile);

// The question asked before a new FTP setting is stored. The password is
// shown as one "*" per character, as its edit shows it; the last line is
// the transfer mode for FTP and FTPS, the key file for SFTP.
QString AddFtpSettingQuestion(const QString& name, FtpProtocol protocol, const QString& host, const QString& user,
                              const QString& password, bool usePasv, const QString& keyFile);

// The question asked before a stored FTP setting is deleted, naming it.
QString DeleteFtpSettingQuestion(const QString& name);
