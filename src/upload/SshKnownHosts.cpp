#include "upload/SshKnownHosts.h"

#include "upload/SftpErrors.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace SshKnownHosts {

QString EntryName(const QString& host, quint16 port)
{
    return port == 22 ? host : QStringLiteral("[%1]:%2").arg(host).arg(port);
}

QString Fingerprint(QByteArrayView keyBlob)
{
    const QByteArray digest = QCryptographicHash::hash(keyBlob, QCryptographicHash::Sha256);
    return QStringLiteral("SHA256:")
           + QString::fromLatin1(digest.toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals));
}

bool SameFingerprint(const QString& accepted, const QString& fingerprint)
{
    const QString a = accepted.trimmed();
    return a.size() > 7 && a == fingerprint;
}

void Append(const QString& file, QByteArray line)
{
    const QFileInfo info(file);
    const QString folder = info.absolutePath();
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder))
            throw ESftpError(QStringLiteral("Cannot make the folder %1").arg(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const bool made = !info.exists();
    QFile f(file);
    if (!f.open(QIODevice::ReadWrite | QIODevice::Append))
        throw ESftpError(QStringLiteral("Cannot add the host to %1: %2").arg(file, f.errorString()));
    if (made)
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (f.size() > 0) {
        char last = 0;
        if (f.seek(f.size() - 1) && f.getChar(&last) && last != '\n')
            line.prepend('\n');
    }
    if (!line.endsWith('\n'))
        line.append('\n');
    if (f.write(line) != line.size() || !f.flush())
        throw ESftpError(QStringLiteral("Cannot add the host to %1: %2").arg(file, f.errorString()));
}

} // namespace SshKnownHosts
