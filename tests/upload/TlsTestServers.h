#pragma once

// FTP servers that speak explicit TLS on loopback, each with a self-signed
// certificate made for the test: vsftpd as strict as its defaults are
// (logins and data only under TLS, data connections must resume the control
// connection's session) and pyftpdlib's TLS handler for the fault modes.

#include "TestFtpServers.h"

// A self-signed certificate and its key in `folder`; the fingerprint as
// "AB:CD:..." (empty when openssl failed).
inline QString MakeTestCertificate(const QString& folder)
{
    QProcess openssl;
    openssl.setWorkingDirectory(folder);
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=tav-test.invalid",
                   "-keyout", "key.pem", "-out", "cert.pem"});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
        return {};
    openssl.start(QStringLiteral("openssl"), {"x509", "-noout", "-fingerprint", "-sha256", "-in", "cert.pem"});
    if (!openssl.waitForFinished(10000) || openssl.exitCode() != 0)
        return {};
    // "sha256 Fingerprint=AB:CD:..."
    const QByteArray out = openssl.readAllStandardOutput().trimmed();
    return QString::fromLatin1(out.mid(out.indexOf('=') + 1));
}

// vsftpd's anonymous account with a password asked for (its log then shows
// whether a PASS came, and with what). With `tls` false it has no TLS at all.
class TlsVsftpdServer : public VsftpdServer {
public:
    QString fingerprint;
    bool start(bool tls = true)
    {
        extraConfig = QStringLiteral("no_anon_password=NO\n");
        if (tls) {
            fingerprint = MakeTestCertificate(dir_.path());
            if (fingerprint.isEmpty())
                return false;
            extraConfig += QStringLiteral(
                "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
                "force_local_logins_ssl=YES\nforce_local_data_ssl=YES\nrequire_ssl_reuse=YES\n"
                "rsa_cert_file=%1/cert.pem\nrsa_private_key_file=%1/key.pem\n").arg(dir_.path());
        }
        return VsftpdServer::start();
    }
};

// pyftpdlib's TLS handler with ftp_test_server.py's fault modes and a few of
// its own (ftps_test_server.py).
class PyFtpsServer : public PyFtpServer {
public:
    QString fingerprint;
    bool start(const QString& fault = QStringLiteral("none"), const QString& tlsFault = QStringLiteral("none"))
    {
        fingerprint = MakeTestCertificate(dir_.path());
        if (fingerprint.isEmpty())
            return false;
        script = QStringLiteral(TAV_SOURCE_DIR "/tests/upload/ftps_test_server.py");
        extraArgs = QStringList{QStringLiteral("--cert"), dir_.filePath(QStringLiteral("cert.pem")),
                                QStringLiteral("--key"), dir_.filePath(QStringLiteral("key.pem")),
                                QStringLiteral("--tls-fault"), tlsFault};
        return PyFtpServer::start(fault);
    }
};
