#pragma once

#include <QString>

// Where and as whom SftpClient::Connect logs in, and which keys it trusts.
struct SftpLogin {
    QString host;
    quint16 port = 22;
    QString user;     // empty: the local user's name
    QString password; // for password and keyboard-interactive logins; also tried on an encrypted keyFile
    QString keyFile;  // optional: a private key file named in the setting
    QString sshDir;   // where the id_* keys are; empty: ~/.ssh
    QString knownHostsFile;   // empty: sshDir + "/known_hosts"
    // "SHA256:..." that the user has just accepted for an unknown host: when
    // the server's key has it, the host is added to known_hosts and the login
    // goes on.
    QString trustFingerprint;
    bool useAgent = true; // offer the SSH agent's keys (tests turn it off)
};
