// The FTP client against a real pyftpdlib server on loopback, with the
// server's fault modes; every case compares the commands the server saw.
#include "TestFtpServers.h"
#include "upload/TFtpClient.h"
#include "upload/UploadEntry.h"

#include <QtTest>

namespace {

struct Recorder {
    QStringList events;

    void attach(TFtpClient& ftp)
    {
        ftp.OnSuccess = [this](TFtpClient&, TCmdType t) { events << QStringLiteral("success %1").arg(t); };
        ftp.OnFailure = [this](TFtpClient&, bool&, TCmdType t) { events << QStringLiteral("failure %1").arg(t); };
        ftp.OnConnect = [this](TFtpClient&) { events << QStringLiteral("connect"); };
        ftp.OnConnectionFailed = [this](TSocketClient&) { events << QStringLiteral("connection failed"); };
    }
};

// A page with CR LF line breaks: a server in ASCII mode would store it with
// its own line ends.
QByteArray CrLfPage(int lines)
{
    QByteArray page;
    for (int i = 0; i < lines; ++i)
        page += QByteArray(98, char('a' + i % 26)) + "\r\n";
    return page;
}

void Configure(TFtpClient& ftp, const PyFtpServer& server, bool passive = true)
{
    ftp.Host = QStringLiteral("127.0.0.1");
    ftp.Port = server.port();
    ftp.UserID = server.user.toStdString();
    ftp.Password = server.password.toStdString();
    ftp.Passive = passive;
    ftp.TimeOut = 5000;
}

} // namespace

class TestFtpClient : public QObject {
    Q_OBJECT
private slots:
    void uploadsAndTheServerSeesTheSequence_data();
    void uploadsAndTheServerSeesTheSequence();
    void userAnsweredBy230SkipsPass();
    void multiLineGreetingIsReadWhole();
    void refusedLoginDisconnects();
    void negativeTransferReplies_data();
    void negativeTransferReplies();
    void repliesAreJudgedByTheirFinalCode_data();
    void repliesAreJudgedByTheirFinalCode();
    void uploadsOverIpv6_data();
    void uploadsOverIpv6();
    void pasvNamingAnotherAddressUsesTheControlHost();
    void slowServerTimesOut();
    void breakingBytesInArgumentsAreRefusedBeforeSending();
    void commandWhileNotConnected();
    void handledFailureRaisesNothing();
    void renameSendsRnfrThenRnto_data();
    void renameSendsRnfrThenRnto();
};

void TestFtpClient::uploadsAndTheServerSeesTheSequence_data()
{
    QTest::addColumn<bool>("passive");
    QTest::addColumn<QString>("dataCommand");
    QTest::newRow("passive") << true << QStringLiteral("PASV");
    QTest::newRow("active") << false << QStringLiteral("PORT");
}

void TestFtpClient::uploadsAndTheServerSeesTheSequence()
{
    QFETCH(bool, passive);
    QFETCH(QString, dataCommand);
    PyFtpServer server;
    QVERIFY(server.start());
    QDir(server.root()).mkdir(QStringLiteral("www"));
    QTemporaryDir local;
    const QByteArray content = CrLfPage(1500) + "end\n";
    WriteTestFile(local.filePath(QStringLiteral("page.html")), content);

    TFtpClient ftp;
    Configure(ftp, server, passive);
    Recorder rec;
    rec.attach(ftp);
    int packets = 0;
    ftp.OnPacketSent = [&](TSocketClient&) { ++packets; };
    ftp.Connect();
    QCOMPARE(ftp.GetCurrentDir(), SjisString("/"));
    ftp.ChangeDir("/www");
    ftp.Upload(local.filePath(QStringLiteral("page.html")), "page.html");
    QCOMPARE(ftp.TotalSize(), qint64(content.size()));
    ftp.Upload(local.filePath(QStringLiteral("page.html")), "copy.html");
    ftp.Disconnect();
    QVERIFY(!ftp.Connected());

    // Byte for byte, CR LF included: binary type, set once per login, and
    // the stored size asked for after every file.
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("www/page.html"))), content);
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("www/copy.html"))), content);
    QVERIFY(packets >= 3);
    QStringList t = server.transcript();
    t.replaceInStrings(QRegularExpression(QStringLiteral("^(PASV|PORT) .*")), QStringLiteral("\\1"));
    QCOMPARE(t, (QStringList{"USER tav", "PASS secret", "PWD", "CWD /www", "TYPE I", dataCommand,
                             "STOR page.html", "SIZE page.html", dataCommand, "STOR copy.html", "SIZE copy.html",
                             "QUIT"}));
    QCOMPARE(rec.events, (QStringList{"connect", "success 15", "success 0", "success 9", "success 9"}));
}

void TestFtpClient::userAnsweredBy230SkipsPass()
{
    PyFtpServer server;
    QVERIFY(server.start(QStringLiteral("user-230")));
    TFtpClient ftp;
    Configure(ftp, server);
    ftp.Connect();
    QVERIFY(ftp.Connected());
    ftp.GetCurrentDir();
    QCOMPARE(server.transcript(), (QStringList{"USER tav", "PWD"}));
}

void TestFtpClient::multiLineGreetingIsReadWhole()
{
    PyFtpServer server;
    QVERIFY(server.start(QStringLiteral("multiline-greeting")));
    TFtpClient ftp;
    Configure(ftp, server);
    ftp.Connect();
    // Had a greeting line been left unread, PWD would get a stale reply.
    QCOMPARE(ftp.GetCurrentDir(), SjisString("/"));
    QCOMPARE(ftp.ReplyCode(), qint16(257));
}

void TestFtpClient::refusedLoginDisconnects()
{
    PyFtpServer server;
    QVERIFY(server.start());
    TFtpClient ftp;
    Configure(ftp, server);
    ftp.Password = "wrong";
    Recorder rec;
    rec.attach(ftp);
    try {
        ftp.Connect();
        QFAIL("login with a wrong password succeeded");
    } catch (const FTPException& e) {
        QVERIFY2(QByteArray(e.what()).startsWith("530"), e.what());
    }
    QVERIFY(!ftp.Connected());
    QCOMPARE(rec.events, QStringList{"connection failed"});
    QCOMPARE(server.transcript().mid(0, 2), (QStringList{"USER tav", "PASS wrong"}));
}

void TestFtpClient::negativeTransferReplies_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("messageStart");
    QTest::newRow("stor-550") << "refuse-stor" << QByteArray("550");
    QTest::newRow("final-426") << "final-426" << QByteArray("426");
    QTest::newRow("final-452") << "final-452" << QByteArray("452");
    QTest::newRow("dropped") << "drop-mid-transfer" << QByteArray();
    QTest::newRow("final-without-code") << "final-no-code" << QByteArray("A reply without a reply code: Transfer");
    QTest::newRow("type-i-refused") << "refuse-type" << QByteArray("The server refused binary mode (TYPE I): 504");
    // 30,000 CR LF become LF.
    QTest::newRow("stored-short") << "ascii-despite-type-i" << QByteArray("The server stored 2970000 bytes of 3000000");
}

void TestFtpClient::negativeTransferReplies()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, messageStart);
    PyFtpServer server;
    QVERIFY(server.start(fault));
    QTemporaryDir local;
    WriteTestFile(local.filePath(QStringLiteral("a.html")), CrLfPage(30000));
    TFtpClient ftp;
    Configure(ftp, server);
    Recorder rec;
    ftp.Connect();
    rec.attach(ftp);
    try {
        ftp.Upload(local.filePath(QStringLiteral("a.html")), "a.html");
        QFAIL("the transfer was reported as a success");
    } catch (const std::exception& e) {
        QVERIFY2(QByteArray(e.what()).startsWith(messageStart), e.what());
    }
    // Told once, however the failure arose.
    QCOMPARE(rec.events, QStringList{QStringLiteral("failure 9")});
}

// Preliminary replies are read past, a reply without a code is no success,
// and a quote inside the PWD folder is doubled.
void TestFtpClient::repliesAreJudgedByTheirFinalCode_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QByteArray>("failure"); // the exception's start; empty: the page arrives
    QTest::newRow("120-before-greeting") << "greeting-120" << "/www" << QByteArray();
    QTest::newRow("150-before-331") << "user-150" << "/www" << QByteArray();
    QTest::newRow("doubled-quote-in-pwd") << "none" << "/we\"ird dir" << QByteArray();
    QTest::newRow("size-unknown") << "no-size" << "/www" << QByteArray();
    QTest::newRow("greeting-without-code") << "greeting-no-code" << "/www"
                                           << QByteArray("A reply without a reply code: Welcome");
    QTest::newRow("cwd-without-code") << "cwd-no-code" << "/www"
                                      << QByteArray("A reply without a reply code: Directory changed.");
}

void TestFtpClient::repliesAreJudgedByTheirFinalCode()
{
    QFETCH(QString, fault);
    QFETCH(QString, folder);
    QFETCH(QByteArray, failure);
    PyFtpServer server;
    QVERIFY(server.start(fault));
    QVERIFY(QDir(server.root()).mkdir(folder.mid(1)));
    QTemporaryDir local;
    const QByteArray page = CrLfPage(3);
    WriteTestFile(local.filePath(QStringLiteral("p.html")), page);
    TFtpClient ftp;
    Configure(ftp, server);
    try {
        ftp.Connect();
        ftp.ChangeDir(folder.toStdString());
        QCOMPARE(QString::fromStdString(ftp.GetCurrentDir()), folder);
        ftp.Upload(local.filePath(QStringLiteral("p.html")), "p.html");
        QVERIFY2(failure.isEmpty(), "the faulty reply was taken for a success");
    } catch (const std::exception& e) {
        QVERIFY2(!failure.isEmpty() && QByteArray(e.what()).startsWith(failure), e.what());
        return;
    }
    QCOMPARE(ReadTestFile(server.file(folder.mid(1) + QStringLiteral("/p.html"))), page);
    QCOMPARE(server.transcript().mid(0, 2), (QStringList{"USER tav", "PASS secret"}));
}

// Over IPv6, the data connection is negotiated by EPSV or EPRT: PASV and
// PORT cannot carry an IPv6 address.
void TestFtpClient::uploadsOverIpv6_data()
{
    QTest::addColumn<bool>("passive");
    QTest::addColumn<QString>("dataCommand");
    QTest::newRow("passive") << true << QStringLiteral("EPSV");
    QTest::newRow("active") << false << QStringLiteral("EPRT |2|::1|");
}

void TestFtpClient::uploadsOverIpv6()
{
    QFETCH(bool, passive);
    QFETCH(QString, dataCommand);
    PyFtpServer server;
    server.address = QStringLiteral("::1");
    QVERIFY(server.start());
    QTemporaryDir local;
    const QByteArray page = CrLfPage(700);
    WriteTestFile(local.filePath(QStringLiteral("v6.html")), page);
    TFtpClient ftp;
    Configure(ftp, server, passive);
    // As an FTP setting writes it: the brackets set the port apart.
    SjisString host;
    uint16_t port = 0;
    SplitHostPort(QStringLiteral("[::1]:%1").arg(server.port()).toStdString(), host, port, 21);
    ftp.Host = QString::fromStdString(host);
    ftp.Port = port;
    ftp.Connect();
    ftp.Upload(local.filePath(QStringLiteral("v6.html")), "v6.html");
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("v6.html"))), page);
    const QStringList t = server.transcript();
    QCOMPARE(t.size(), 6);
    QVERIFY2(t[3].startsWith(dataCommand), qPrintable(t[3]));
    QCOMPARE(t.mid(4), (QStringList{"STOR v6.html", "SIZE v6.html"}));
}

void TestFtpClient::pasvNamingAnotherAddressUsesTheControlHost()
{
    PyFtpServer server;
    QVERIFY(server.start(QStringLiteral("none"), QStringLiteral("192.0.2.7")));
    QTemporaryDir local;
    WriteTestFile(local.filePath(QStringLiteral("b.html")), "<p>b</p>");
    TFtpClient ftp;
    Configure(ftp, server);
    ftp.Connect();
    ftp.Upload(local.filePath(QStringLiteral("b.html")), "b.html");
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("b.html"))), QByteArray("<p>b</p>"));
}

void TestFtpClient::slowServerTimesOut()
{
    PyFtpServer server;
    QVERIFY(server.start(QStringLiteral("slow-stor")));
    QTemporaryDir local;
    WriteTestFile(local.filePath(QStringLiteral("c.html")), "c");
    TFtpClient ftp;
    Configure(ftp, server);
    ftp.Connect();
    ftp.TimeOut = 300;
    QVERIFY_THROWS_EXCEPTION(ESockError, ftp.Upload(local.filePath(QStringLiteral("c.html")), "c.html"));
}

void TestFtpClient::breakingBytesInArgumentsAreRefusedBeforeSending()
{
    PyFtpServer server;
    QVERIFY(server.start());
    QTemporaryDir local;
    WriteTestFile(local.filePath(QStringLiteral("a.html")), "a");
    TFtpClient login;
    Configure(login, server);
    login.UserID = SjisString("t\0av", 4); // would go out as "USER t" without its CR LF
    QVERIFY_THROWS_EXCEPTION(FTPException, login.Connect());
    TFtpClient ftp;
    Configure(ftp, server);
    ftp.Connect();
    QVERIFY_THROWS_EXCEPTION(FTPException, ftp.ChangeDir("www\r\nDELE x"));
    QVERIFY_THROWS_EXCEPTION(FTPException, ftp.MakeDirectory("a\nb"));
    QVERIFY_THROWS_EXCEPTION(FTPException, ftp.ChangeDir(SjisString("www\0x", 5)));
    QVERIFY_THROWS_EXCEPTION(FTPException, ftp.Upload(local.filePath(QStringLiteral("a.html")), SjisString("a\0.html", 7)));
    ftp.GetCurrentDir();
    // The refused login only said goodbye.
    QCOMPARE(server.transcript(), (QStringList{"QUIT", "USER tav", "PASS secret", "PWD"}));
}

void TestFtpClient::commandWhileNotConnected()
{
    TFtpClient ftp;
    bool required = false;
    ftp.OnConnectionRequired = [&](TSocketClient&) { required = true; };
    try {
        ftp.ChangeDir("x");
        QFAIL("a command went out without a connection");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QByteArray(e.what()), QByteArray("Not Connected"));
    }
    QVERIFY(required);
}

void TestFtpClient::handledFailureRaisesNothing()
{
    PyFtpServer server;
    QVERIFY(server.start());
    TFtpClient ftp;
    Configure(ftp, server);
    ftp.Connect();
    bool handled = true;
    ftp.OnFailure = [&](TFtpClient&, bool& h, TCmdType) { h = handled; };
    ftp.ChangeDir("/missing"); // handled: no exception
    handled = false;
    QVERIFY_THROWS_EXCEPTION(FTPException, ftp.ChangeDir("/missing"));
}

void TestFtpClient::renameSendsRnfrThenRnto_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("failure"); // the exception's start; empty: success
    QTest::addColumn<bool>("sourceAccepted");
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("over-existing") << "none" << QByteArray("new.part") << QByteArray() << true
                                   << QStringList{"RNFR new.part", "RNTO page.html"};
    // Without an accepted source the target is never named.
    QTest::newRow("missing-source") << "none" << QByteArray("gone.part") << QByteArray("550 ") << false
                                    << QStringList{"RNFR gone.part"};
    QTest::newRow("target-exists-refused") << "rnto-no-overwrite" << QByteArray("new.part") << QByteArray("550 ")
                                           << true << QStringList{"RNFR new.part", "RNTO page.html"};
}

void TestFtpClient::renameSendsRnfrThenRnto()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, failure);
    QFETCH(bool, sourceAccepted);
    QFETCH(QStringList, commands);
    PyFtpServer server;
    QVERIFY(server.start(fault));
    WriteTestFile(server.file(QStringLiteral("page.html")), "old");
    WriteTestFile(server.file(QStringLiteral("new.part")), "new");
    TFtpClient ftp;
    Configure(ftp, server);
    ftp.Connect();
    Recorder rec;
    rec.attach(ftp);
    try {
        ftp.Rename(from.toStdString(), "page.html");
        QVERIFY2(failure.isEmpty(), "the refused rename raised nothing");
    } catch (const FTPException& e) {
        QVERIFY2(QByteArray(e.what()).startsWith(failure) && !failure.isEmpty(), e.what());
    }
    QCOMPARE(rec.events, QStringList{(failure.isEmpty() ? QStringLiteral("success %1") : QStringLiteral("failure %1"))
                                         .arg(int(cmdRename))});
    QCOMPARE(ftp.RenameSourceAccepted(), sourceAccepted);
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("page.html"))), failure.isEmpty() ? QByteArray("new") : QByteArray("old"));
    QCOMPARE(server.transcript().mid(2), commands); // after USER and PASS
}

QTEST_GUILESS_MAIN(TestFtpClient)
#include "tst_ftpclient.moc"
