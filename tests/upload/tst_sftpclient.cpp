// The SFTP client against OpenSSH's sshd on loopback: key logins, uploads
// into new folders, replacing a live file, and the host key checks; what
// the server holds and what it logged decide.
#include "SshTestServers.h"
#include "upload/SftpClient.h"

#include <QtTest>
#include <pwd.h>

namespace {

QString LocalUser()
{
    const passwd* pw = ::getpwuid(::geteuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

// Bytes a text-mode transfer or a code conversion would change.
QByteArray BinaryPage(int size)
{
    QByteArray page(size, '\0');
    for (int i = 0; i < size; ++i)
        page[i] = char((i * 7 + i / 251) & 0xFF);
    return page.replace(0, 8, "\r\n\x82\xa0\0\r\x1b(");
}

// The client's side: its own ~/.ssh with the key the server accepts.
struct KeyClient {
    QTemporaryDir home;
    SftpLogin login;
    SftpClient sftp;

    explicit KeyClient(const SshdServer& server)
    {
        const QString sshDir = home.filePath(QStringLiteral(".ssh"));
        QDir().mkpath(sshDir);
        QFile::copy(server.userKey(), sshDir + QStringLiteral("/id_ed25519"));
        QFile::copy(server.userKey() + QStringLiteral(".pub"), sshDir + QStringLiteral("/id_ed25519.pub"));
        login.host = QStringLiteral("127.0.0.1");
        login.port = server.port();
        login.user = LocalUser();
        login.password = QStringLiteral("never-sent");
        login.sshDir = sshDir;
        login.useAgent = false;
        sftp.TimeOut = 20000;
    }
    QString knownHosts() const { return login.sshDir + QStringLiteral("/known_hosts"); }
};

} // namespace

class TestSftpClient : public QObject {
    Q_OBJECT
private slots:
    void uploadsIntoNewFoldersByteForByte();
    void replacesALiveFileThroughATemporaryName();
    void hostKeys_data();
    void hostKeys();
    void keyLogins_data();
    void keyLogins();
};

void TestSftpClient::uploadsIntoNewFoldersByteForByte()
{
    SshdServer server;
    QVERIFY2(server.start(), qPrintable(server.log()));
    KeyClient c(server);
    WriteTestFile(c.knownHosts(), server.knownHostsLine());
    c.sftp.Connect(c.login);
    QVERIFY(c.sftp.Connected());
    QCOMPARE(c.sftp.CurrentDir(), QFileInfo(server.root()).canonicalFilePath());
    QVERIFY_THROWS_EXCEPTION(ESftpError, c.sftp.ChangeDir(QStringLiteral("site/pages")));
    c.sftp.MakeDirectory(QStringLiteral("site"));
    c.sftp.MakeDirectory(QStringLiteral("site/pages"));
    c.sftp.ChangeDir(QStringLiteral("site/pages"));
    QVERIFY(c.sftp.CurrentDir().endsWith(QLatin1String("/site/pages")));

    const QByteArray page = BinaryPage(300000); // several writes in flight
    const QString local = c.home.filePath(QStringLiteral("page.html"));
    WriteTestFile(local, page);
    QList<qint64> progress;
    c.sftp.OnProgress = [&](qint64 sent, qint64 total) {
        QCOMPARE(total, qint64(page.size()));
        progress << sent;
    };
    const QString name = QString::fromUtf8("\xe3\x83\x9a\xe3\x83\xbc\xe3\x82\xb8.html");
    c.sftp.Upload(local, name);
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("site/pages/") + name)), page);
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last(), qint64(page.size()));
    QVERIFY(std::is_sorted(progress.begin(), progress.end()));
    c.sftp.Disconnect();
    QVERIFY(!c.sftp.Connected());
    QVERIFY2(server.log().contains(QLatin1String("Accepted publickey")), qPrintable(server.log()));
    // The server sees the session end now, not when the program does.
    QTRY_VERIFY2_WITH_TIMEOUT(server.log().contains(QLatin1String("Connection closed by")), qPrintable(server.log()),
                              20000);
}

void TestSftpClient::replacesALiveFileThroughATemporaryName()
{
    SshdServer server;
    QVERIFY2(server.start(), qPrintable(server.log()));
    KeyClient c(server);
    WriteTestFile(c.knownHosts(), server.knownHostsLine());
    WriteTestFile(server.file(QStringLiteral("index.html")), QByteArray(5000000, 'o'));
    const QByteArray page = BinaryPage(2500000);
    const QString local = c.home.filePath(QStringLiteral("index.html"));
    WriteTestFile(local, page);
    c.sftp.Connect(c.login);
    QVERIFY(c.sftp.OffersPosixRename());
    QVERIFY_THROWS_NO_EXCEPTION(c.sftp.Upload(local, QStringLiteral(".index.html.part")));
    QVERIFY_THROWS_NO_EXCEPTION(c.sftp.Rename(QStringLiteral(".index.html.part"), QStringLiteral("index.html")));
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("index.html"))), page);
    QVERIFY(!QFile::exists(server.file(QStringLiteral(".index.html.part"))));
}

// known_hosts: what it holds before, the fingerprint the user accepted, and
// what Connect must do.
void TestSftpClient::hostKeys_data()
{
    QTest::addColumn<QString>("before");  // "empty", "right", "right-hashed", "other-key", "other-host-no-newline"
    QTest::addColumn<QString>("trust");   // "", "right", "wrong"
    QTest::addColumn<QString>("outcome"); // "connected", "unknown", "changed"
    QTest::newRow("unknown-host-asks") << "empty" << "" << "unknown";
    QTest::newRow("unknown-host-accepted") << "empty" << "right" << "connected";
    QTest::newRow("another-fingerprint-accepted") << "empty" << "wrong" << "unknown";
    QTest::newRow("accepted-after-entry-without-newline") << "other-host-no-newline" << "right" << "connected";
    QTest::newRow("known-plain") << "right" << "" << "connected";
    QTest::newRow("known-hashed") << "right-hashed" << "" << "connected";
    QTest::newRow("changed-key-refused") << "other-key" << "" << "changed";
    QTest::newRow("changed-key-trust-ignored") << "other-key" << "right" << "changed";
}

void TestSftpClient::hostKeys()
{
    QFETCH(QString, before);
    QFETCH(QString, trust);
    QFETCH(QString, outcome);
    SshdServer server;
    QVERIFY2(server.start(), qPrintable(server.log()));
    KeyClient c(server);
    const QString fingerprint = SshFingerprint(server.hostKey() + QStringLiteral(".pub"));
    QVERIFY(fingerprint.startsWith(QLatin1String("SHA256:")));
    const QString other = c.home.filePath(QStringLiteral("other"));
    QVERIFY(MakeSshKey(other));
    const QByteArray otherKey = PublicKeyText(other + QStringLiteral(".pub"));
    const QByteArray entryName = QStringLiteral("[127.0.0.1]:%1").arg(server.port()).toUtf8();
    if (before == QLatin1String("right") || before == QLatin1String("right-hashed"))
        WriteTestFile(c.knownHosts(), server.knownHostsLine());
    if (before == QLatin1String("right-hashed"))
        QVERIFY(!RunTool(QStringLiteral("ssh-keygen"), {"-H", "-f", c.knownHosts()}).isNull());
    if (before == QLatin1String("other-key"))
        WriteTestFile(c.knownHosts(), entryName + ' ' + otherKey + '\n');
    if (before == QLatin1String("other-host-no-newline"))
        WriteTestFile(c.knownHosts(), "elsewhere.invalid " + otherKey);
    if (before == QLatin1String("right-hashed"))
        QVERIFY(!ReadTestFile(c.knownHosts()).contains(entryName));
    const QByteArray knownBefore = ReadTestFile(c.knownHosts());
    c.login.trustFingerprint = trust == QLatin1String("right") ? fingerprint
                               : trust == QLatin1String("wrong") ? QStringLiteral("SHA256:AAAA") + fingerprint.mid(11)
                                                                 : QString();

    QString got = QStringLiteral("connected");
    try {
        c.sftp.Connect(c.login);
    } catch (const EHostKeyUnknown& e) {
        got = QStringLiteral("unknown");
        QCOMPARE(e.Fingerprint, fingerprint);
        QCOMPARE(e.Host, QString::fromUtf8(entryName));
    } catch (const EHostKeyChanged& e) {
        got = QStringLiteral("changed");
        QCOMPARE(e.Fingerprint, fingerprint);
        QVERIFY(QString::fromUtf8(e.what()).contains(QLatin1String("has changed")));
    }
    QCOMPARE(got, outcome);
    QCOMPARE(c.sftp.Connected(), outcome == QLatin1String("connected"));
    const QByteArray knownAfter = ReadTestFile(c.knownHosts());
    if (before == QLatin1String("empty") || before == QLatin1String("other-host-no-newline")) {
        QCOMPARE(knownAfter == knownBefore, outcome != QLatin1String("connected"));
        // OpenSSH finds the entry the client added, and nothing else broke.
        if (outcome == QLatin1String("connected")) {
            const QByteArray found = RunTool(QStringLiteral("ssh-keygen"), {"-F", QString::fromUtf8(entryName), "-f", c.knownHosts()});
            QVERIFY2(found.contains(PublicKeyText(server.hostKey() + QStringLiteral(".pub"))), found.constData());
            if (!knownBefore.isEmpty())
                QVERIFY(!RunTool(QStringLiteral("ssh-keygen"), {"-F", "elsewhere.invalid", "-f", c.knownHosts()}).isEmpty());
            c.sftp.Disconnect();
            c.login.trustFingerprint.clear();
            c.sftp.Connect(c.login); // known now
        }
    } else {
        QCOMPARE(knownAfter, knownBefore);
    }
    if (outcome != QLatin1String("connected")) {
        // Nothing of the login reached the server: no key offered, no password.
        c.sftp.Disconnect();
        const QString log = server.log();
        static const QRegularExpression auth(QStringLiteral("Accepted|Failed|Postponed|userauth|publickey"));
        QVERIFY2(!log.contains(auth), qPrintable(log));
    }
}

// Where the key comes from: the user's ~/.ssh, or a key file the setting
// names (opened with the stored password when it is encrypted).
void TestSftpClient::keyLogins_data()
{
    QTest::addColumn<QString>("keyFile");    // "": none named; "plain", "encrypted": one the server accepts
    QTest::addColumn<bool>("idKeyInSshDir"); // ~/.ssh/id_ed25519 is the server's key
    QTest::addColumn<QString>("failure");
    QTest::newRow("id-key-in-ssh-dir") << "" << true << "";
    QTest::newRow("key-file-named") << "plain" << false << "";
    QTest::newRow("encrypted-key-file-opened-with-password") << "encrypted" << false << "";
    QTest::newRow("no-key-the-server-takes") << "" << false << "Permission denied: 127.0.0.1:";
    QTest::newRow("named-key-file-missing") << "missing" << false << "the key file ";
}

void TestSftpClient::keyLogins()
{
    QFETCH(QString, keyFile);
    QFETCH(bool, idKeyInSshDir);
    QFETCH(QString, failure);
    SshdServer server;
    QVERIFY2(server.start(), qPrintable(server.log()));
    KeyClient c(server);
    WriteTestFile(c.knownHosts(), server.knownHostsLine());
    if (!idKeyInSshDir) {
        // A key of the user's that the server does not know.
        QVERIFY(MakeSshKey(c.login.sshDir + QStringLiteral("/id_ed25519")));
    }
    const QString named = c.home.filePath(QStringLiteral("setting_key"));
    if (keyFile == QLatin1String("plain") || keyFile == QLatin1String("encrypted")) {
        const QString passphrase = keyFile == QLatin1String("plain") ? QString() : c.login.password;
        QCOMPARE(QProcess::execute(QStringLiteral("ssh-keygen"), {"-q", "-t", "ecdsa", "-N", passphrase, "-f", named}), 0);
        QFile keys(server.authorizedKeys());
        QVERIFY(keys.open(QIODevice::Append));
        keys.write(ReadTestFile(named + QStringLiteral(".pub")));
    }
    if (!keyFile.isEmpty())
        c.login.keyFile = named;
    QString reason;
    try {
        c.sftp.Connect(c.login);
    } catch (const ESftpError& e) {
        reason = QString::fromUtf8(e.what());
    }
    QVERIFY2(failure.isEmpty() ? reason.isEmpty() : reason.contains(failure), qPrintable(reason));
    QCOMPARE(c.sftp.Connected(), failure.isEmpty());
}

QTEST_GUILESS_MAIN(TestSftpClient)
#include "tst_sftpclient.moc"
