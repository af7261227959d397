#pragma once

// Real FTP servers on loopback for the integration tests: pyftpdlib through
// ftp_test_server.py (with its fault modes) and vsftpd with a generated
// configuration. Each records the command lines it received.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <csignal>
#include <sys/prctl.h>

// A server dies with the test, even when the test crashes.
inline void DieWithParent(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

inline quint16 FreeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

inline void WriteTestFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

inline QByteArray ReadTestFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What both test servers share: a private folder whose root/ is served, the
// server process (killed with the test), and the port it listens on.
class FtpServerProcess {
public:
    FtpServerProcess() = default;
    FtpServerProcess(const FtpServerProcess&) = delete;
    FtpServerProcess& operator=(const FtpServerProcess&) = delete;
    ~FtpServerProcess()
    {
        process_.kill();
        process_.waitForFinished(3000);
    }

    quint16 port() const { return port_; }
    QString root() const { return dir_.filePath(QStringLiteral("root")); }
    QString file(const QString& relative) const { return root() + QLatin1Char('/') + relative; }

protected:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};

class PyFtpServer : public FtpServerProcess {
public:
    QString address = QStringLiteral("127.0.0.1"); // "::1" for IPv6
    QString user = QStringLiteral("tav");
    QString password = QStringLiteral("secret");
    int readLimit = 1 << 20; // bytes per second taken in the "throttle" mode
    QString script = QStringLiteral(TAV_SOURCE_DIR "/tests/upload/ftp_test_server.py");
    QStringList extraArgs; // for another script that takes these arguments and more

    // Starts the server serving a fresh folder; false when it did not come up.
    bool start(const QString& fault = QStringLiteral("none"), const QString& masquerade = {})
    {
        if (!dir_.isValid())
            return false;
        QDir(dir_.path()).mkdir(QStringLiteral("root"));
        QStringList args{script, QStringLiteral("--root"), root(),
                         QStringLiteral("--transcript"), dir_.filePath(QStringLiteral("transcript")),
                         QStringLiteral("--user"), user, QStringLiteral("--password"), password,
                         QStringLiteral("--fault"), fault,
                         QStringLiteral("--release"), dir_.filePath(QStringLiteral("release")),
                         QStringLiteral("--read-limit"), QString::number(readLimit),
                         QStringLiteral("--listen"), address};
        if (!masquerade.isEmpty())
            args << QStringLiteral("--masquerade") << masquerade;
        args << extraArgs;
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        DieWithParent(process_);
        process_.start(QStringLiteral("/usr/bin/python3"), args);
        if (!process_.waitForStarted(5000))
            return false;
        while (process_.waitForReadyRead(10000)) {
            const QByteArray line = process_.readLine().trimmed();
            if (line.startsWith("PORT ")) {
                port_ = quint16(line.mid(5).toUInt());
                return true;
            }
        }
        return false;
    }
    // Lets a STOR held by the "hold-stor" mode go on.
    void release() { WriteTestFile(dir_.filePath(QStringLiteral("release")), "go"); }
    // The command lines the server received, in order. The server writes
    // each line before it answers it, so a command whose reply the client
    // has read is in the file.
    QStringList transcript() const
    {
        QString text = QString::fromUtf8(ReadTestFile(dir_.filePath(QStringLiteral("transcript"))));
        return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

// vsftpd in the foreground as the launching user, anonymous logins with upload
// rights into pub/ (USER anonymous is answered by 230).
class VsftpdServer : public FtpServerProcess {
public:
    QString extraConfig; // lines after the configuration's own; a repeated option wins
    bool start()
    {
        if (!dir_.isValid() || !QFile::exists(QStringLiteral("/usr/sbin/vsftpd")))
            return false;
        QDir d(dir_.path());
        d.mkpath(QStringLiteral("root/pub"));
        d.mkpath(QStringLiteral("empty"));
        QFile::setPermissions(root() + QStringLiteral("/pub"), QFileDevice::Permissions(0x7777));
        port_ = FreeLoopbackPort();
        const quint16 pasv = FreeLoopbackPort();
        const QString conf = QStringLiteral(
            "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=%1\n"
            "background=NO\nseccomp_sandbox=NO\nrun_as_launching_user=YES\n"
            "anonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\nanon_upload_enable=YES\n"
            "anon_mkdir_write_enable=YES\nanon_other_write_enable=YES\nanon_root=%2\n"
            "no_anon_password=YES\npasv_enable=YES\npasv_min_port=%3\npasv_max_port=%3\n"
            "port_enable=YES\nconnect_from_port_20=NO\nxferlog_enable=YES\nlog_ftp_protocol=YES\n"
            "vsftpd_log_file=%4\nsyslog_enable=NO\nsecure_chroot_dir=%5\n")
            .arg(port_).arg(root()).arg(pasv).arg(logPath(), d.filePath(QStringLiteral("empty")))
            + extraConfig;
        const QString confPath = d.filePath(QStringLiteral("vsftpd.conf"));
        QFile f(confPath);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(conf.toUtf8());
        f.close();
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        DieWithParent(process_);
        process_.start(QStringLiteral("/usr/sbin/vsftpd"), {confPath});
        if (!process_.waitForStarted(5000))
            return false;
        // Up once it accepts connections.
        for (int i = 0; i < 100; ++i) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port_);
            if (probe.waitForConnected(100)) {
                probe.waitForReadyRead(1000);
                return true;
            }
            if (process_.state() != QProcess::Running)
                return false;
            QThread::msleep(50);
        }
        return false;
    }
    // vsftpd logs a command as it reads it, before it answers.
    QStringList transcript() const
    {
        QStringList lines;
        static const QRegularExpression command(QStringLiteral("FTP command: Client \"[^\"]*\", \"(.*)\"$"));
        const QString log = QString::fromUtf8(ReadTestFile(logPath()));
        for (const QString& line : log.split(QLatin1Char('\n'))) {
            const auto m = command.match(line);
            if (m.hasMatch())
                lines << m.captured(1);
        }
        return lines;
    }

    // The whole log: commands, replies and login lines.
    QString log() const { return QString::fromUtf8(ReadTestFile(logPath())); }

protected:
    QString logPath() const { return dir_.filePath(QStringLiteral("vsftpd.log")); }
};
