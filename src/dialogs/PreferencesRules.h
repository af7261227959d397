#pragma once

#include <QString>
#include <QStringList>

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

// The question asked before a new FTP setting is stored. The password is
// shown as one "*" per character, as its edit shows it.
QString AddFtpSettingQuestion(const QString& name, const QString& host, const QString& user,
                              const QString& password, bool usePasv);

// The question asked before a stored FTP setting is deleted, naming it.
QString DeleteFtpSettingQuestion(const QString& name);
