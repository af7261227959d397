// Uploads over explicit TLS against real servers on loopback: vsftpd as
// strict as its defaults (TLS required, data sessions resumed) and
// pyftpdlib's TLS handler for the faults; what the servers saw decides.
#include "TlsTestServers.h"
#include "UploadFixture.h"
#include "upload/CertificateFingerprint.h"

#include <QtTest>

namespace {

const QString Password = QStringLiteral("tav-secret-pw");

// An FTP setting that requires TLS and trusts `fingerprint`.
void AddTlsServer(UploadFixture& f, quint16 port, const QString& user, bool passive, const QString& fingerprint)
{
    f.addServer("tls", port, user, Password, passive);
    FtpSetting s = ReadFtpSetting(f.store, "tls");
    s.Protocol = FtpProtocol::Ftps;
    s.TlsFingerprint = fingerprint.toStdString();
    WriteFtpSetting(f.store, "tls", s);
}

struct Run {
    explicit Run(UploadFixture& f) : upload(f.store) { upload.SetTimeOut(5000); }
    // A notification still on its way would outlive the run.
    ~Run() { (void)upload.Notices.WaitUntilSent(10000); }
    void start()
    {
        upload.List();
        upload.Start();
        upload.Stop(); // QUIT
    }
    QString reason() const { return upload.Rows().empty() ? QString() : upload.Rows()[0].reason; }
    UploadRun upload;
};

QStringList WithoutQuit(QStringList commands)
{
    commands.removeAll(QStringLiteral("QUIT"));
    return commands;
}

} // namespace

class TestFtps : public QObject {
    Q_OBJECT
private slots:
    void fingerprintsCompareAsDigests_data();
    void fingerprintsCompareAsDigests();
    void uploadsOverTls_data();
    void uploadsOverTls();
    void refusedBeforeUser_data();
    void refusedBeforeUser();
    void tavpubTrustsOnlyTheNamedFingerprint_data();
    void tavpubTrustsOnlyTheNamedFingerprint();
};

void TestFtps::fingerprintsCompareAsDigests_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("case-and-colons") << "AB:CD:0F" << "abcd0f" << true;
    QTest::newRow("blanks-pasted-along") << " AB:CD:0F\n" << "AB CD 0F" << true;
    QTest::newRow("one-digit-differs") << "AB:CD:0F" << "AB:CD:0E" << false;
    QTest::newRow("empty-matches-nothing") << "" << "" << false;
    QTest::newRow("not-hex-matches-nothing") << "AB:CD:0G" << "AB:CD:0G" << false;
}

void TestFtps::fingerprintsCompareAsDigests()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(SameFingerprint(a, b), same);
}

// Two pages, so that a second data connection resumes the session too.
void TestFtps::uploadsOverTls_data()
{
    QTest::addColumn<bool>("vsftpd");
    QTest::addColumn<bool>("passive");
    QTest::newRow("vsftpd-passive") << true << true;
    QTest::newRow("vsftpd-active") << true << false;
    QTest::newRow("pyftpdlib-passive") << false << true;
    QTest::newRow("pyftpdlib-active") << false << false;
}

void TestFtps::uploadsOverTls()
{
    QFETCH(bool, vsftpd);
    QFETCH(bool, passive);
    TlsVsftpdServer vs;
    PyFtpsServer py;
    py.password = Password;
    if (vsftpd && !vs.start())
        QSKIP("vsftpd could not be started here");
    QVERIFY(vsftpd || py.start());
    FtpServerProcess& server = vsftpd ? static_cast<FtpServerProcess&>(vs) : py;
    QDir(server.root()).mkpath(QStringLiteral("pub"));
    UploadFixture f;
    AddTlsServer(f, server.port(), vsftpd ? QStringLiteral("anonymous") : py.user, passive,
                 vsftpd ? vs.fingerprint : py.fingerprint);
    // Large enough to need many TLS records and the sender's flow control.
    const QByteArray big = QByteArray(700000, 'b') + "\r\nend\r\n";
    f.addPage(QStringLiteral("one"), "tls", "pub", big);
    f.addPage(QStringLiteral("two"), "tls", "pub", "<p>two</p>\r\n");
    Run run(f);
    run.start();
    QVERIFY2(run.upload.CurrentStep() == UploadRun::Step::Finished, qPrintable(run.reason() + vs.log()));
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("pub/two.html"))), QByteArray("<p>two</p>\r\n"));
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("pub/one.html"))), big);
    QStringList t = vsftpd ? vs.transcript() : py.transcript();
    QVERIFY2(t.size() > 5, qPrintable(t.join(',')));
    // Protection first; the password comes only once TLS is up.
    QCOMPARE(t.mid(0, 4), (QStringList{"AUTH TLS", "PBSZ 0", "PROT P",
                                       QStringLiteral("USER ") + (vsftpd ? "anonymous" : py.user)}));
    QCOMPARE(t.filter(QRegularExpression(QStringLiteral("^STOR "))),
             (QStringList{"STOR one.html", "STOR two.html"}));
    QCOMPARE(f.queued(), size_t(0));
}

// Nothing but the TLS negotiation reaches the server: no USER, and the
// password is nowhere in its log.
void TestFtps::refusedBeforeUser_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("fingerprint"); // "right": the server's own
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("reason");
    QTest::newRow("untrusted-self-signed") << "vsftpd" << "" << QStringList{"AUTH TLS"}
                                           << "The certificate of 127.0.0.1 is not trusted";
    QTest::newRow("another-certificate-trusted")
        << "vsftpd" << QString(32, QLatin1Char('A')) << QStringList{"AUTH TLS"} << "its SHA-256 fingerprint is ";
    QTest::newRow("server-without-tls") << "vsftpd-plain" << "" << QStringList{"AUTH TLS"}
                                        << "The server refused TLS (AUTH TLS): 5";
    QTest::newRow("clear-text-after-234") << "plain-after-234" << "right" << QStringList{"AUTH TLS"}
                                          << "TLS handshake failed: ";
    // Had the injected line been read after the handshake, it would have
    // answered the next command.
    QTest::newRow("clear-text-with-234") << "injected-after-234" << "right" << QStringList{"AUTH TLS"}
                                         << "The server sent clear text after accepting TLS";
    QTest::newRow("data-protection-refused") << "refuse-prot" << "right"
                                             << QStringList{"AUTH TLS", "PBSZ 0", "PROT P"}
                                             << "The server refused PROT P: 534 Request denied";
}

void TestFtps::refusedBeforeUser()
{
    QFETCH(QString, server);
    QFETCH(QString, fingerprint);
    QFETCH(QStringList, commands);
    QFETCH(QString, reason);
    const bool vsftpd = server.startsWith(QLatin1String("vsftpd"));
    TlsVsftpdServer vs;
    PyFtpsServer py;
    py.password = Password;
    if (vsftpd && !vs.start(server == QLatin1String("vsftpd")))
        QSKIP("vsftpd could not be started here");
    QVERIFY(vsftpd || py.start(QStringLiteral("none"), server));
    if (fingerprint == QLatin1String("right"))
        fingerprint = vsftpd ? vs.fingerprint : py.fingerprint;
    UploadFixture f;
    AddTlsServer(f, vsftpd ? vs.port() : py.port(), vsftpd ? QStringLiteral("anonymous") : py.user, true, fingerprint);
    f.addPage(QStringLiteral("page"), "tls", "");
    Run run(f);
    run.start();
    QCOMPARE(run.upload.CurrentStep(), UploadRun::Step::Failed);
    QVERIFY2(run.reason().contains(reason), qPrintable(run.reason()));
    QCOMPARE(WithoutQuit(vsftpd ? vs.transcript() : py.transcript()), commands);
    if (vsftpd)
        QVERIFY(!vs.log().contains(Password));
    // The question was never asked: no fingerprint was stored.
    QCOMPARE(QString::fromStdString(ReadFtpSetting(f.store, "tls").TlsFingerprint), fingerprint);
    QCOMPARE(f.queued(), size_t(1));
}

// Refused with the fingerprint and the way to trust it; trusted (and
// remembered) once the command line names it. A certificate other than the
// one the setting trusts is a changed certificate: both are named.
void TestFtps::tavpubTrustsOnlyTheNamedFingerprint_data()
{
    QTest::addColumn<QString>("trusted");
    QTest::newRow("first-seen") << QString();
    QTest::newRow("changed") << QStringLiteral("AB:").repeated(31) + QStringLiteral("AB");
}

void TestFtps::tavpubTrustsOnlyTheNamedFingerprint()
{
    QFETCH(QString, trusted);
    TlsVsftpdServer server;
    if (!server.start())
        QSKIP("vsftpd could not be started here");
    UploadFixture f;
    AddTlsServer(f, server.port(), QStringLiteral("anonymous"), true, trusted);
    f.addPage(QStringLiteral("cli"), "tls", "pub");
    auto tavpub = [&f](const QStringList& args) {
        QProcess p;
        f.startTavpubUpload(p, args);
        p.waitForFinished(30000);
        return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardError()));
    };
    const auto refused = tavpub({});
    QCOMPARE(refused.first, 1);
    const QString lastLine = refused.second.trimmed().section(QLatin1Char('\n'), -1);
    QVERIFY2(lastLine.contains(QStringLiteral("tavpub upload --trust-fingerprint ") + server.fingerprint)
                 && lastLine.contains(QStringLiteral("cli.html")),
             qPrintable(lastLine));
    if (!trusted.isEmpty())
        QVERIFY2(lastLine.contains(QStringLiteral("has changed")) && lastLine.contains(trusted), qPrintable(lastLine));
    // Asked again without the option: still refused.
    QCOMPARE(tavpub({}).first, 1);
    QCOMPARE(tavpub({QStringLiteral("--trust-fingerprint"), QString(server.fingerprint).replace(':', "").toLower()}).first, 0);
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("pub/cli.html"))), QByteArray("<html>page</html>\r\n"));
    f.store.flush();
    QCOMPARE(QString::fromStdString(ReadFtpSetting(f.store, "tls").TlsFingerprint), server.fingerprint);
}

QTEST_GUILESS_MAIN(TestFtps)
#include "tst_ftps.moc"
