#pragma once

// SSH servers on loopback for the SFTP tests: OpenSSH's sshd run by the test
// with a configuration, host key and authorised key of its own, and
// sftp_test_server.py (paramiko) with its fault modes. Each serves a private
// folder, root(), as the login folder.

#include "TestFtpServers.h"

#include <QTcpSocket>
#include <unistd.h>

// Runs a tool to its end; its standard output, or an empty text when it failed.
inline QByteArray RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

// A key pair made with ssh-keygen, no passphrase; false when it failed.
inline bool MakeSshKey(const QString& path, const QString& type = QStringLiteral("ed25519"))
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".pub"));
    return QProcess::execute(QStringLiteral("ssh-keygen"),
                             {"-q", "-t", type, "-N", "", "-C", "tav-test", "-f", path}) == 0;
}

// "SHA256:..." as ssh-keygen prints it for a public key file.
inline QString SshFingerprint(const QString& publicKeyFile)
{
    const QList<QByteArray> fields = RunTool(QStringLiteral("ssh-keygen"), {"-lf", publicKeyFile}).split(' ');
    return fields.size() > 1 ? QString::fromLatin1(fields[1]) : QString();
}

// The first two fields of a public key file ("ssh-ed25519 AAAA...").
inline QByteArray PublicKeyText(const QString& publicKeyFile)
{
    const QList<QByteArray> fields = ReadTestFile(publicKeyFile).trimmed().split(' ');
    return fields.size() > 1 ? fields[0] + ' ' + fields[1] : QByteArray();
}

// Up once it sends its SSH banner.
inline bool WaitForSshBanner(quint16 port, const QProcess& process)
{
    for (int i = 0; i < 200; ++i) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(200) && probe.waitForReadyRead(5000))
            return probe.readAll().startsWith("SSH-");
        if (process.state() != QProcess::Running)
            return false;
        QThread::msleep(50);
    }
    return false;
}

// OpenSSH's sshd as the user running the test, logins for that user with
// the key userKey() only, sftp served from root() by internal-sftp.
class SshdServer : public FtpServerProcess {
public:
    QString extraConfig; // lines after the configuration's own
    bool start()
    {
        const QDir d(dir_.path());
        if (!dir_.isValid() || !QFile::exists(QStringLiteral("/usr/sbin/sshd")) || !d.mkpath(QStringLiteral("root")))
            return false;
        // Where sshd separates privileges; it will not start as root without it.
        if (::geteuid() == 0 && !QDir().mkpath(QStringLiteral("/run/sshd")))
            return false;
        if (!MakeSshKey(hostKey()) || !MakeSshKey(userKey()))
            return false;
        QFile::copy(userKey() + QStringLiteral(".pub"), d.filePath(QStringLiteral("authorized_keys")));
        port_ = FreeLoopbackPort();
        const QString conf = QStringLiteral(
            "Port %1\nListenAddress 127.0.0.1\nHostKey %2\nAuthorizedKeysFile %3\nPidFile none\n"
            "StrictModes no\nUsePAM no\nPermitRootLogin yes\nPasswordAuthentication no\n"
            "KbdInteractiveAuthentication no\nLogLevel VERBOSE\nSubsystem sftp internal-sftp -d %4\n")
            .arg(port_).arg(hostKey(), d.filePath(QStringLiteral("authorized_keys")), root())
            + extraConfig;
        const QString confPath = d.filePath(QStringLiteral("sshd_config"));
        WriteTestFile(confPath, conf.toUtf8());
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        DieWithParent(process_);
        process_.start(QStringLiteral("/usr/sbin/sshd"), {"-D", "-f", confPath, "-E", logPath()});
        return process_.waitForStarted(5000) && WaitForSshBanner(port_, process_);
    }
    QString hostKey() const { return dir_.filePath(QStringLiteral("host_key")); }
    QString userKey() const { return dir_.filePath(QStringLiteral("id_ed25519")); }
    QString authorizedKeys() const { return dir_.filePath(QStringLiteral("authorized_keys")); }
    QString log() const { return QString::fromUtf8(ReadTestFile(logPath())); }
    // A known_hosts line for this server, as ssh would write it.
    QByteArray knownHostsLine() const
    {
        return QStringLiteral("[127.0.0.1]:%1 ").arg(port_).toUtf8() + PublicKeyText(hostKey() + QStringLiteral(".pub"))
               + '\n';
    }

private:
    QString logPath() const { return dir_.filePath(QStringLiteral("sshd.log")); }
};

// sftp_test_server.py: password logins for user/password, with a fault mode.
class PySftpServer : public FtpServerProcess {
public:
    QString user = QStringLiteral("tav");
    QString password = QStringLiteral("secret");
    QByteArray hostKeyText; // "ecdsa-sha2-nistp256 AAAA..."

    bool start(const QString& mode = QStringLiteral("none"))
    {
        if (!dir_.isValid() || !QDir(dir_.path()).mkpath(QStringLiteral("root")))
            return false;
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        DieWithParent(process_);
        process_.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral(TAV_SOURCE_DIR "/tests/upload/sftp_test_server.py"), "--root", root(),
                        "--transcript", dir_.filePath(QStringLiteral("transcript")), "--user", user,
                        "--password", password, "--mode", mode, "--release",
                        dir_.filePath(QStringLiteral("release"))});
        if (!process_.waitForStarted(5000))
            return false;
        while (process_.canReadLine() || process_.waitForReadyRead(20000)) {
            const QByteArray line = process_.readLine().trimmed();
            if (line.startsWith("HOSTKEY "))
                hostKeyText = line.mid(8);
            if (line.startsWith("PORT ")) {
                port_ = quint16(line.mid(5).toUInt());
                return !hostKeyText.isEmpty();
            }
        }
        return false;
    }
    QByteArray knownHostsLine() const
    {
        return QStringLiteral("[127.0.0.1]:%1 ").arg(port_).toUtf8() + hostKeyText + '\n';
    }
    // Lets writes held by the "hold-write" mode go on.
    void release() { WriteTestFile(dir_.filePath(QStringLiteral("release")), "go"); }
    QStringList transcript() const
    {
        return QString::fromUtf8(ReadTestFile(dir_.filePath(QStringLiteral("transcript"))))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};
