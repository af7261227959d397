// Folder helpers and reading a queued page for the upload.
#include "UploadFixture.h"
#include "upload/UploadEntry.h"

#include <QtTest>

Q_DECLARE_METATYPE(FtpProtocol)

class TestUploadEntry : public QObject {
    Q_OBJECT
private slots:
    void folderPrefix_data()
    {
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<bool>("whole");
        QTest::newRow("abc-0") << QByteArray("a/b/c") << 0 << QByteArray("a/b/") << false;
        QTest::newRow("abc-1") << QByteArray("a/b/c") << 1 << QByteArray("a/b/c/") << true;
        QTest::newRow("abc-5") << QByteArray("a/b/c") << 5 << QByteArray("a/b/c/") << true;
        QTest::newRow("leading-slash-0") << QByteArray("/a/b") << 0 << QByteArray("a/") << false;
        QTest::newRow("leading-slash-1") << QByteArray("/a/b") << 1 << QByteArray("a/b/") << true;
        QTest::newRow("one-level") << QByteArray("public_html") << 0 << QByteArray("public_html/") << true;
        QTest::newRow("double-slash") << QByteArray("a//b") << 0 << QByteArray("a/") << false;
        QTest::newRow("empty") << QByteArray() << 0 << QByteArray() << true;
    }
    void folderPrefix()
    {
        QFETCH(QByteArray, folder);
        QFETCH(int, n);
        QFETCH(QByteArray, prefix);
        QFETCH(bool, whole);
        QCOMPARE(QByteArray::fromStdString(FolderPrefix(folder.toStdString(), n)), prefix);
        QCOMPARE(FolderPrefixIsWhole(folder.toStdString(), n), whole);
    }

    void hostPort_data()
    {
        QTest::addColumn<QByteArray>("hostName");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("plain") << QByteArray("ftp.example.jp") << QByteArray("ftp.example.jp") << 21;
        QTest::newRow("with-port") << QByteArray("ftp.example.jp:2121") << QByteArray("ftp.example.jp") << 2121;
        QTest::newRow("port-too-big") << QByteArray("h:70000") << QByteArray("h:70000") << 21;
        QTest::newRow("not-a-port") << QByteArray("h:ftp") << QByteArray("h:ftp") << 21;
        QTest::newRow("ipv6") << QByteArray("::1") << QByteArray("::1") << 21;
        QTest::newRow("ipv6-bracketed") << QByteArray("[::1]") << QByteArray("::1") << 21;
        QTest::newRow("ipv6-with-port") << QByteArray("[::1]:2121") << QByteArray("::1") << 2121;
        QTest::newRow("ipv6-not-a-port") << QByteArray("[::1]:ftp") << QByteArray("[::1]:ftp") << 21;
    }
    void hostPort()
    {
        QFETCH(QByteArray, hostName);
        QFETCH(QByteArray, host);
        QFETCH(int, port);
        SjisString h;
        uint16_t p = 0;
        SplitHostPort(hostName.toStdString(), h, p, 21);
        QCOMPARE(QByteArray::fromStdString(h), host);
        QCOMPARE(int(p), port);
    }

    void readsFieldsByVersion_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("read");
        QTest::newRow("1.2") << QByteArray("1.2") << true;
        QTest::newRow("1.3") << QByteArray("1.3") << true;
        QTest::newRow("1.4") << QByteArray("1.4") << true;
        QTest::newRow("1.1") << QByteArray("1.1") << false;
        QTest::newRow("1.0") << QByteArray("1.0") << false;
    }
    void readsFieldsByVersion()
    {
        QFETCH(QByteArray, version);
        QFETCH(bool, read);
        UploadFixture f;
        f.addServer("srv", 2121, QStringLiteral("u"), QStringLiteral("p"), true);
        const QString page = f.addPage(QStringLiteral("pg"), "srv", "dir/sub", "x", version.constData());
        UploadEntry entry;
        entry.Title = "previous";
        QCOMPARE(ReadUploadEntry(page, f.store, entry), read);
        if (!read) {
            QCOMPARE(entry.Title, SjisString("previous"));
            return;
        }
        QCOMPARE(entry.Title, SjisString("Title pg"));
        QCOMPARE(QString::fromStdString(entry.HtmlFile), f.path(QStringLiteral("pg.html")));
        QCOMPARE(entry.SettingName, SjisString("srv"));
        QCOMPARE(entry.RemoteFolder, SjisString("dir/sub"));
        QCOMPARE(entry.Host, SjisString("127.0.0.1"));
        QCOMPARE(int(entry.Port), 2121);
        QCOMPARE(entry.User, SjisString("u"));
        QCOMPARE(entry.Password, SjisString("p"));
        QVERIFY(entry.Passive);
    }
    void missingPageFileThrowsWithItsName()
    {
        UploadFixture f;
        UploadEntry entry;
        try {
            ReadUploadEntry(f.path(QStringLiteral("gone.data")), f.store, entry);
            QFAIL("a missing page file was read");
        } catch (const std::runtime_error& e) {
            QVERIFY(QByteArray(e.what()).contains("gone.data"));
        }
    }

    // The entry takes the protocol, its port and the key file from the
    // setting; SFTP may log in without a password, never without a user.
    void readsTheSettingsProtocol_data()
    {
        QTest::addColumn<FtpProtocol>("protocol");
        QTest::addColumn<QString>("hostName");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("incomplete");
        QTest::newRow("ftp") << FtpProtocol::Ftp << "h" << "u" << "p" << 21 << false;
        QTest::newRow("ftps") << FtpProtocol::Ftps << "h" << "u" << "p" << 21 << false;
        QTest::newRow("sftp") << FtpProtocol::Sftp << "[::1]" << "u" << "p" << 22 << false;
        QTest::newRow("sftp-own-port") << FtpProtocol::Sftp << "h:2222" << "u" << "" << 2222 << false;
        QTest::newRow("ftp-no-password") << FtpProtocol::Ftp << "h" << "u" << "" << 21 << true;
        QTest::newRow("sftp-no-user") << FtpProtocol::Sftp << "h" << "" << "p" << 22 << true;
    }
    void readsTheSettingsProtocol()
    {
        QFETCH(FtpProtocol, protocol);
        QFETCH(QString, hostName);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, port);
        QFETCH(bool, incomplete);
        UploadFixture f;
        WriteFtpSetting(f.store, "srv",
                        {hostName.toStdString(), user.toStdString(), password.toStdString(), false, protocol, false,
                         {}, "/keys/id"});
        UploadEntry entry;
        QVERIFY(ReadUploadEntry(f.addPage(QStringLiteral("pg"), "srv", "dir"), f.store, entry));
        QCOMPARE(entry.Protocol, protocol);
        QCOMPARE(int(entry.Port), port);
        QCOMPARE(entry.KeyFile, SjisString("/keys/id"));
        QCOMPARE(entry.ServerIncomplete(), incomplete);
    }

    void sameServerNeedsTheSameProtocolAndKey()
    {
        UploadEntry a;
        a.Host = "h";
        UploadEntry b = a;
        QVERIFY(a.SameServer(b));
        b.Protocol = FtpProtocol::Sftp;
        QVERIFY(!a.SameServer(b));
        b = a;
        b.KeyFile = "/k";
        QVERIFY(!a.SameServer(b));
    }

    // FTP sends texts as command lines, SFTP with their lengths; the SSH
    // library still stops at a NUL.
    void bytesThatBreakACommandAreFound_data()
    {
        QTest::addColumn<FtpProtocol>("protocol");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("breaks");
        const QByteArray nul("pa\0ss", 5);
        QTest::newRow("ftp-lf") << FtpProtocol::Ftp << "Password" << QByteArray("pa\nss") << true;
        QTest::newRow("ftp-nul") << FtpProtocol::Ftp << "Password" << nul << true;
        QTest::newRow("sftp-lf-folder") << FtpProtocol::Sftp << "RemoteFolder" << QByteArray("a\nb") << false;
        QTest::newRow("sftp-crlf-password") << FtpProtocol::Sftp << "Password" << QByteArray("p\r\n") << false;
        QTest::newRow("sftp-nul-folder") << FtpProtocol::Sftp << "RemoteFolder" << nul << true;
        QTest::newRow("sftp-nul-key") << FtpProtocol::Sftp << "KeyFile" << nul << true;
    }
    void bytesThatBreakACommandAreFound()
    {
        QFETCH(FtpProtocol, protocol);
        QFETCH(QString, field);
        QFETCH(QByteArray, text);
        QFETCH(bool, breaks);
        UploadEntry entry;
        entry.Protocol = protocol;
        SjisString* target = field == "Password" ? &entry.Password
                           : field == "RemoteFolder" ? &entry.RemoteFolder
                                                     : &entry.KeyFile;
        *target = text.toStdString();
        QCOMPARE(entry.BreaksFtpCommand(), breaks);
    }
};

QTEST_GUILESS_MAIN(TestUploadEntry)
#include "tst_uploadentry.moc"
