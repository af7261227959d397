#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The parts of host key checking that are ours; libssh reads known_hosts
// (plain and hashed entries) and writes the entry's text.
namespace SshKnownHosts {

// How known_hosts names a host: the name alone on port 22, else
// "[name]:port", so that ssh finds the entry too.
QString EntryName(const QString& host, quint16 port);

// "SHA256:" and the base64 of the key blob's SHA-256 without padding: the
// text ssh and ssh-keygen -l print for the key.
QString Fingerprint(QByteArrayView keyBlob);

// A fingerprint the user accepted, as typed or pasted: blanks around it do
// not matter, everything else does (base64 is case-sensitive).
bool SameFingerprint(const QString& accepted, const QString& fingerprint);

// Appends one entry line to the file, starting it on a line of its own when
// the file does not end with a line break; makes the file (mode 0600) and
// its folder (0700) when missing. Raises ESftpError when it cannot.
void Append(const QString& file, QByteArray line);

} // namespace SshKnownHosts
