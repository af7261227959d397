// The upload run against real FTP servers on loopback: rows, messages, SSTP
// notifications, the queue, and the commands each server saw.
#include "UploadFixture.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Turns on the store-then-rename replace for a setting written by addServer.
void SetAtomicReplace(UploadFixture& f, const SjisString& name)
{
    FtpSetting setting = ReadFtpSetting(f.store, name);
    setting.AtomicReplace = true;
    WriteFtpSetting(f.store, name, setting);
}

// The files a store under a temporary name left in a folder.
QStringList TemporaryFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden);
}

// Runs FormShow and the upload, collecting message texts.
struct Run {
    explicit Run(UploadFixture& f, int timeOut = 5000) : upload(f.store)
    {
        upload.SetTimeOut(timeOut);
        QObject::connect(&upload, &UploadController::message,
                         [this](const QString&, const QString& text) { messages << text; });
        QObject::connect(&upload, &UploadController::progress,
                         [this](qint64, qint64 total, int percent) {
                             if (total > 0)
                                 percents << percent;
                         });
    }
    // A notification still in flight would hold the notifier's worker (and
    // the test) until its exchange times out.
    ~Run() { (void)QTest::qWaitFor([this] { return upload.Notices.Idle(); }); }
    void start()
    {
        upload.FormShow();
        upload.bttnOkClick();
    }
    QString state(int row) const { return upload.Rows()[size_t(row)].value(3); }

    UploadController upload;
    QStringList messages;
    QList<int> percents;
};

} // namespace

class TestUploadController : public QObject {
    Q_OBJECT
private slots:
    void singlePageIntoExistingFolder_data();
    void singlePageIntoExistingFolder();
    void onePassQueueKeepsOneLogin();
    void pagesForTwoServersReachTheirOwnServer();
    void missingFolderIsCreated_data();
    void missingFolderIsCreated();
    void folderThatCannotBeCreated_data();
    void folderThatCannotBeCreated();
    void failureWaitsForTheStartNotification();
    void unusualLoginsSucceed_data();
    void unusualLoginsSucceed();
    void progressMovesInSteps();
    void faultModesFailAndKeepTheQueue_data();
    void faultModesFailAndKeepTheQueue();
    void laterFileFailureMarksItsRow();
    void slowServerCancelledByUser();
    void cancelDuringLoginIsNoFailure_data();
    void cancelDuringLoginIsNoFailure();
    void bytesThatBreakCommandsAreRefusedBeforeConnecting_data();
    void bytesThatBreakCommandsAreRefusedBeforeConnecting();
    void listingRefusesIncompleteOrUnknownPages_data();
    void listingRefusesIncompleteOrUnknownPages();
    void atomicReplace_data();
    void atomicReplace();
    void vsftpdSinglePage_data();
    void vsftpdSinglePage();
};

void TestUploadController::singlePageIntoExistingFolder_data()
{
    QTest::addColumn<bool>("passive");
    QTest::newRow("passive") << true;
    QTest::newRow("active") << false;
}

void TestUploadController::singlePageIntoExistingFolder()
{
    QFETCH(bool, passive);
    PyFtpServer server;
    QVERIFY(server.start());
    QDir(server.root()).mkdir(QStringLiteral("www"));
    UploadFixture f;
    f.addServer("main", server.port(), server.user, server.password, passive);
    f.addPage(QStringLiteral("index"), "main", "www", "<p>hello</p>");
    SstpListener sstp;
    QVERIFY(sstp.listening());

    Run run(f);
    run.start();
    QCOMPARE(run.upload.State(), UploadController::RunState::Succeeded);
    QCOMPARE(run.state(0), U(JA_DONE));
    QCOMPARE(run.upload.CancelCaption(), U(JA_CLOSE));
    QCOMPARE(f.queued(), size_t(0));
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("www/index.html"))), QByteArray("<p>hello</p>"));
    run.upload.bttnCancelClick();
    const QString dataCommand = passive ? QStringLiteral("PASV") : QStringLiteral("PORT");
    QStringList t = server.transcript();
    QCOMPARE(t.size(), 8);
    t[5] = t[5].left(4);
    QCOMPARE(t, (QStringList{"USER tav", "PASS secret", "PWD", "CWD /www", "PWD", dataCommand,
                             "STOR index.html", "QUIT"}));
    QTRY_COMPARE(sstp.requests.size(), 2);
    QCOMPARE(sstp.requests[0], QByteArray("SEND SSTP/1.0\r\nSender: Tav Outliner\r\nScript: " SJIS_START "\r\n\r\n"));
    QCOMPARE(sstp.requests[1], QByteArray("SEND SSTP/1.0\r\nSender: Tav Outliner\r\nScript: " SJIS_ALL_DONE "\r\n\r\n"));
}

void TestUploadController::onePassQueueKeepsOneLogin()
{
    PyFtpServer server;
    QVERIFY(server.start());
    QDir(server.root()).mkdir(QStringLiteral("f1"));
    QDir(server.root()).mkdir(QStringLiteral("f2"));
    UploadFixture f;
    f.addServer("main", server.port(), server.user, server.password);
    f.addPage(QStringLiteral("one"), "main", "f1");
    f.addPage(QStringLiteral("two"), "main", "f2");
    Run run(f);
    run.start();
    QCOMPARE(run.upload.State(), UploadController::RunState::Succeeded);
    run.upload.bttnCancelClick();
    QCOMPARE(server.transcript(), (QStringList{"USER tav", "PASS secret", "PWD", "CWD /f1", "PWD", "PASV",
                                               "STOR one.html", "CWD /f2", "PWD", "PASV", "STOR two.html", "QUIT"}));
    QCOMPARE(f.queued(), size_t(0));
}

void TestUploadController::pagesForTwoServersReachTheirOwnServer()
{
    PyFtpServer a;
    PyFtpServer b;
    b.user = QStringLiteral("other");
    QVERIFY(a.start());
    QVERIFY(b.start());
    QDir(a.root()).mkdir(QStringLiteral("fa"));
    QDir(b.root()).mkdir(QStringLiteral("fb"));
    UploadFixture f;
    f.addServer("A", a.port(), a.user, a.password);
    f.addServer("B", b.port(), b.user, b.password, false);
    f.addPage(QStringLiteral("pa"), "A", "fa");
    f.addPage(QStringLiteral("pb"), "B", "fb");
    Run run(f);
    run.start();
    QCOMPARE(run.upload.State(), UploadController::RunState::Succeeded);
    run.upload.bttnCancelClick();
    QVERIFY(QFile::exists(a.file(QStringLiteral("fa/pa.html"))));
    QVERIFY(QFile::exists(b.file(QStringLiteral("fb/pb.html"))));
    QVERIFY(!QFile::exists(a.file(QStringLiteral("fb/pb.html"))));
    QCOMPARE(a.transcript(), (QStringList{"USER tav", "PASS secret", "PWD", "CWD /fa", "PWD", "PASV",
                                          "STOR pa.html", "QUIT"}));
    QStringList tb = b.transcript();
    QCOMPARE(tb.size(), 8);
    tb[5] = tb[5].left(4);
    QCOMPARE(tb, (QStringList{"USER other", "PASS secret", "PWD", "CWD /fb", "PWD", "PORT", "STOR pb.html", "QUIT"}));
    QCOMPARE(f.queued(), size_t(0));
}

void TestUploadController::missingFolderIsCreated_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("public_html") << QByteArray("public_html")
        << QStringList{"CWD /public_html", "MKD /public_html/", "CWD /public_html", "PWD", "PASV", "STOR p.html"};
    // With a existing: a/b is made at once, then a/b/c after the next refusal.
    QTest::newRow("two-levels") << QByteArray("a/b/c")
        << QStringList{"CWD /a/b/c", "MKD /a/b/", "CWD /a/b/c", "MKD /a/b/c/", "CWD /a/b/c", "PWD", "PASV", "STOR p.html"};
    QTest::newRow("empty-folder") << QByteArray()
        << QStringList{"CWD /", "PWD", "PASV", "STOR p.html"};
}

void TestUploadController::missingFolderIsCreated()
{
    QFETCH(QByteArray, folder);
    QFETCH(QStringList, commands);
    PyFtpServer server;
    QVERIFY(server.start());
    QDir(server.root()).mkdir(QStringLiteral("a"));
    UploadFixture f;
    f.addServer("main", server.port(), server.user, server.password);
    f.addPage(QStringLiteral("p"), "main", folder.toStdString());
    Run run(f);
    run.start();
    QCOMPARE(run.upload.State(), UploadController::RunState::Succeeded);
    QCOMPARE(server.transcript().mid(3), commands);
    QCOMPARE(run.state(0), U(JA_DONE));
    QVERIFY(run.messages.isEmpty());
}

void TestUploadController::folderThatCannotBeCreated_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("mkd-refused") << "none" << QByteArray("a/b/c")
        << QStringList{"CWD /a/b/c", "MKD /a/b/", "MKD /a/b/c/"};
    // A server that says it made the folder and still refuses to enter it:
    // the chain stops once the whole folder was made.
    QTest::newRow("made-but-not-entered") << "mkd-ok-cwd-refused" << QByteArray("a/b/c")
        << QStringList{"CWD /a/b/c", "MKD /a/b/", "CWD /a/b/c", "MKD /a/b/c/", "CWD /a/b/c"};
    QTest::newRow("made-but-not-entered-one-level") << "mkd-ok-cwd-refused" << QByteArray("www")
        << QStringList{"CWD /www", "MKD /www/", "CWD /www"};
}

void TestUploadController::folderThatCannotBeCreated()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, folder);
    QFETCH(QStringList, commands);
    PyFtpServer server;
    QVERIFY(server.start(fault));
    UploadFixture f;
    f.addServer("main", server.port(), server.user, server.password);
    f.addPage(QStringLiteral("p"), "main", folder.toStdString());
    SstpListener sstp;
    Run run(f);
    run.start();
    QCOMPARE(run.upload.State(), UploadController::RunState::Failed);
    QCOMPARE(server.transcript().mid(3), commands);
    QCOMPARE(run.messages, QStringList{U(JA_NO_FOLDER)});
    QCOMPARE(run.state(0), U(JA_FAILED " (550 No such file or directory.)"));
    // The server's reason under the request text.
    QVERIFY2(run.upload.RequestText().contains(QStringLiteral("\n550 ")), qPrintable(run.upload.RequestText()));
    QCOMPARE(f.queued(), size_t(1));
    QTRY_COMPARE(sstp.requests.size(), 2);
    QVERIFY(sstp.requests[1].contains(SJIS_FAILED));
}

void TestUploadController::failureWaitsForTheStartNotification()
{
    PyFtpServer server;
    QVERIFY(server.start());
    UploadFixture f;
    f.addServer("main", server.port(), server.user, server.password);
    f.addPage(QStringLiteral("p"), "main", "a/b/c");
    SstpListener sstp;
    sstp.replyDelayMs = 800; // the start message is still in flight when the run fails
    Run run(f);
    run.start();
    QCOMPARE(run.upload.State(), UploadController::RunState::Failed);
    QTRY_COMPARE(sstp.requests.size(), 2);
    QVERIFY(sstp.requests[1].contains(SJIS_FAILED));
}

void TestUploadController::unusualLoginsSucceed_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("login");
    QTest::newRow("user-230") << "user-230" << QStringList{"USER tav", "PWD"};
    QTest::newRow("multi-line-greeting") << "multiline-greeting" << QStringList{"USER tav", "PASS secret"};
}

void TestUploadController::unusualLoginsSucceed()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, login);
    PyFtpServer server;
    QVERIFY(server.start(fault));
    UploadFixture f;
    f.addServer("main", server.port(), server.user, server.password);
    f.addPage(QStringLiteral("p"), "main", "");
    Run run(f);
    run.start();
    QCOMPARE(run.upload.State(), UploadController::RunState::Succeeded);
    QCOMPARE(server.transcript().mid(0, 2), login);
}

void TestUploadController::progressMovesInSteps()
{
    PyFtpServer server;
    QVERIFY(server.start());
    UploadFixture f;
    f.addServer("main", server.port(), server.user, server.password);
    f.addPage(QStringLiteral("big"), "main", "", QByteArray(200000, 'z'));
    Run run(f);
    run.start();
    QCOMPARE(run.upload.State(), UploadController::RunState::Succeeded);
    QVERIFY2(run.percents.size() >= 4, qPrintable(QString::number(run.percents.size())));
    QVERIFY(run.percents.first() <= 32);
    QCOMPARE(run.percents.last(), 100);
    QVERIFY(std::is_sorted(run.percents.begin(), run.percents.end()));
    QCOMPARE(run.upload.RateText(), QStringLiteral("200000"));
    QCOMPARE(run.upload.RateMaxText(), QStringLiteral("200000"));
}

void TestUploadController::faultModesFailAndKeepTheQueue_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("reason"); // the row's and under the request text
    // A refused connection fires the same handler as a refused login.
    QTest::newRow("connection-refused") << "no-server" << "secret" << QStringList{U(JA_AUTH_FAILED_TAV)}
                                        << "Connection Failed (10061:Connection refused)";
    QTest::newRow("refused-login") << "none" << "wrong" << QStringList{U(JA_AUTH_FAILED_TAV)} << "530 ";
    // The client reports a refused STOR twice, and the message goes with each.
    QTest::newRow("refused-stor") << "refuse-stor" << "secret" << QStringList{U(JA_NO_UPLOAD), U(JA_NO_UPLOAD)}
                                  << "550 Permission denied.";
    QTest::newRow("final-426") << "final-426" << "secret" << QStringList{U(JA_NO_UPLOAD), U(JA_NO_UPLOAD)} << "426 ";
    QTest::newRow("final-452") << "final-452" << "secret" << QStringList{U(JA_NO_UPLOAD), U(JA_NO_UPLOAD)} << "452 ";
    QTest::newRow("dropped") << "drop-mid-transfer" << "secret" << QStringList{U(JA_NO_UPLOAD)} << "100";
}

void TestUploadController::faultModesFailAndKeepTheQueue()
{
    QFETCH(QString, fault);
    QFETCH(QString, password);
    QFETCH(QStringList, messages);
    QFETCH(QString, reason);
    PyFtpServer server;
    const bool serverUp = fault != QLatin1String("no-server");
    QVERIFY(!serverUp || server.start(fault));
    UploadFixture f;
    f.addServer("main", serverUp ? server.port() : FreeLoopbackPort(), server.user, password);
    f.addPage(QStringLiteral("p"), "main", "", QByteArray(3000000, 'q'));
    Run run(f);
    run.start();
    QCOMPARE(run.upload.State(), UploadController::RunState::Failed);
    QVERIFY2(run.state(0).startsWith(U(JA_FAILED " (") + reason), qPrintable(run.state(0)));
    QCOMPARE(run.messages, messages);
    QVERIFY2(run.upload.RequestText().contains(QLatin1Char('\n') + reason), qPrintable(run.upload.RequestText()));
    QCOMPARE(f.queued(), size_t(1));
}

void TestUploadController::laterFileFailureMarksItsRow()
{
    PyFtpServer server;
    QVERIFY(server.start());
    UploadFixture f;
    f.addServer("main", server.port(), server.user, server.password);
    f.addPage(QStringLiteral("one"), "main", "");
    f.addPage(QStringLiteral("two"), "main", "x/y/z");
    SstpListener sstp;
    Run run(f);
    run.start();
    QCOMPARE(run.upload.State(), UploadController::RunState::Failed);
    QCOMPARE(run.state(0), U(JA_DONE));
    QCOMPARE(run.state(1), U(JA_FAILED " (550 No such file or directory.)"));
    QCOMPARE(f.queued(), size_t(2));
    QTRY_COMPARE(sstp.requests.size(), 2);
    QVERIFY(sstp.requests[1].contains(SJIS_FAILED));
}

void TestUploadController::slowServerCancelledByUser()
{
    PyFtpServer server;
    QVERIFY(server.start(QStringLiteral("slow-stor")));
    UploadFixture f;
    f.addServer("main", server.port(), server.user, server.password);
    f.addPage(QStringLiteral("p"), "main", "");
    Run run(f, 0); // no time limit: only the user ends the wait
    QSignalSpy closing(&run.upload, &UploadController::closeRequested);
    QTimer::singleShot(300, &run.upload, [&run] { run.upload.bttnCancelClick(); });
    QElapsedTimer clock;
    clock.start();
    run.start();
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(closing.size(), 1);
    QCOMPARE(run.upload.State(), UploadController::RunState::Failed);
    QCOMPARE(run.state(0), U(JA_FAILED));
    QCOMPARE(f.queued(), size_t(1));
}

void TestUploadController::cancelDuringLoginIsNoFailure_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("waiting-for-greeting") << "silent-greeting";
    QTest::newRow("waiting-for-password-reply") << "silent-pass";
}

void TestUploadController::cancelDuringLoginIsNoFailure()
{
    QFETCH(QString, fault);
    PyFtpServer server;
    QVERIFY(server.start(fault));
    UploadFixture f;
    f.addServer("main", server.port(), server.user, server.password);
    f.addPage(QStringLiteral("p"), "main", "");
    Run run(f, 0);
    QSignalSpy closing(&run.upload, &UploadController::closeRequested);
    QTimer::singleShot(300, &run.upload, [&run] { run.upload.bttnCancelClick(); });
    run.start();
    QCOMPARE(closing.size(), 1);
    QCOMPARE(run.upload.State(), UploadController::RunState::Cancelled);
    QCOMPARE(run.messages, QStringList()); // no authentication failure
    QCOMPARE(run.upload.Rows()[0].size(), 3); // the row is not marked
    QCOMPARE(f.queued(), size_t(1));
}

void TestUploadController::bytesThatBreakCommandsAreRefusedBeforeConnecting_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("crlf-in-folder") << QByteArray("www\r\nDELE other.html") << QByteArray("tav") << QByteArray("secret");
    QTest::newRow("nul-in-folder") << QByteArray("www\0x", 5) << QByteArray("tav") << QByteArray("secret");
    QTest::newRow("nul-in-user") << QByteArray() << QByteArray("t\0av", 4) << QByteArray("secret");
    QTest::newRow("nul-in-password") << QByteArray() << QByteArray("tav") << QByteArray("sec\0ret", 7);
}

void TestUploadController::bytesThatBreakCommandsAreRefusedBeforeConnecting()
{
    QFETCH(QByteArray, folder);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, password);
    PyFtpServer server;
    QVERIFY(server.start());
    UploadFixture f;
    FtpSetting setting;
    setting.HostName = "127.0.0.1:" + std::to_string(server.port());
    setting.UserName = user.toStdString();
    setting.PassWord = password.toStdString();
    setting.UsePasv = true;
    WriteFtpSetting(f.store, "main", setting);
    f.addPage(QStringLiteral("p"), "main", folder.toStdString());
    Run run(f, 0);
    // A command cut short would leave the run waiting for a reply forever.
    QTimer::singleShot(5000, &run.upload, [&run] { run.upload.bttnCancelClick(); });
    run.start();
    QCOMPARE(run.upload.State(), UploadController::RunState::Failed);
    QCOMPARE(run.messages.size(), 1);
    QVERIFY2(run.messages[0].contains(QStringLiteral("NUL")), qPrintable(run.messages[0])); // the refusal, not a login failure
    QVERIFY(run.state(0).startsWith(U(JA_FAILED)));
    QVERIFY(server.transcript().isEmpty());
}

void TestUploadController::listingRefusesIncompleteOrUnknownPages_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("no-password") << QByteArray("1.4") << QString() << U(JA_NO_SERVER);
    QTest::newRow("version-1.0") << QByteArray("1.0") << "secret" << U(JA_UNKNOWN_FORMAT);
}

void TestUploadController::listingRefusesIncompleteOrUnknownPages()
{
    QFETCH(QByteArray, version);
    QFETCH(QString, password);
    QFETCH(QString, message);
    UploadFixture f;
    f.addServer("main", 21, QStringLiteral("tav"), password);
    f.addPage(QStringLiteral("p1"), "main", "", "x", version.constData());
    f.addPage(QStringLiteral("p2"), "main", "", "x", version.constData());
    Run run(f);
    run.upload.FormShow();
    QCOMPARE(run.messages, QStringList{message}); // once, not per row
    QCOMPARE(run.upload.OkCaption(), U(JA_CANNOT_UPLOAD));
    QVERIFY(!run.upload.OkEnabled());
}

// An old page is live in www/; the new one goes under a temporary name and
// is renamed over it, or the old one stays whole.
void TestUploadController::atomicReplace_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("passive");
    QTest::addColumn<int>("cancelAfterMs"); // 0: not cancelled
    QTest::addColumn<bool>("replaced");     // the new page is live
    QTest::addColumn<bool>("temporaryLeft");
    QTest::addColumn<QStringList>("after"); // commands after the STOR; T is the temporary name
    QTest::addColumn<QString>("shown");     // in the row or under the request text
    const QStringList renamed{"RNFR T", "RNTO p.html"};
    QTest::newRow("replaced") << "none" << true << 0 << true << false << renamed << U(JA_DONE);
    QTest::newRow("replaced-active") << "none" << false << 0 << true << false << renamed << U(JA_DONE);
    QTest::newRow("delete-first-fallback") << "rnto-no-overwrite" << true << 0 << true << false
        << QStringList{"RNFR T", "RNTO p.html", "DELE p.html", "RNFR T", "RNTO p.html"}
        << U("古いファイルを削除してから置き換えました");
    QTest::newRow("data-dropped") << "drop-data" << true << 0 << false << false << QStringList{"DELE T"}
                                  << U(JA_FAILED " (");
    // A refused DELE is not the reason: the transfer's failure is.
    QTest::newRow("data-dropped-dele-refused") << "drop-data-no-dele" << true << 0 << false << true
                                               << QStringList{"DELE T"} << U(JA_FAILED " (");
    QTest::newRow("session-dropped") << "drop-mid-transfer" << true << 0 << false << true << QStringList()
                                     << U(JA_FAILED " (");
    QTest::newRow("stor-refused") << "refuse-stor" << true << 0 << false << false << QStringList{"DELE T"}
                                  << U(JA_FAILED " (550 Permission denied.)");
    // Cancelled while the page is sent, and while the server finishes it
    // (the page had fit in the sockets' buffers): the session stays for DELE.
    QTest::newRow("cancelled-while-sending") << "throttle" << true << 300 << false << false
                                             << QStringList{"ABOR", "DELE T"} << U(JA_FAILED);
    QTest::newRow("cancelled-awaiting-final-reply") << "hold-final" << true << 300 << false << false
                                                    << QStringList{"ABOR", "DELE T"} << U(JA_FAILED);
}

void TestUploadController::atomicReplace()
{
    QFETCH(QString, fault);
    QFETCH(bool, passive);
    QFETCH(int, cancelAfterMs);
    QFETCH(bool, replaced);
    QFETCH(bool, temporaryLeft);
    QFETCH(QStringList, after);
    QFETCH(QString, shown);
    PyFtpServer server;
    QVERIFY(server.start(fault));
    QDir(server.root()).mkdir(QStringLiteral("www"));
    const QString live = server.file(QStringLiteral("www/p.html"));
    WriteTestFile(live, "<p>old page</p>");
    UploadFixture f;
    f.addServer("main", server.port(), server.user, server.password, passive);
    SetAtomicReplace(f, "main");
    // More than the sockets can hold while a throttled server reads slowly.
    const QByteArray page(fault == QLatin1String("throttle") ? 16 << 20 : 3000000, 'n');
    f.addPage(QStringLiteral("p"), "main", "www", page);
    Run run(f, 0);
    if (cancelAfterMs > 0)
        QTimer::singleShot(cancelAfterMs, &run.upload, [&run] { run.upload.bttnCancelClick(); });
    run.start();

    QCOMPARE(run.upload.State(), replaced ? UploadController::RunState::Succeeded : UploadController::RunState::Failed);
    QCOMPARE(ReadTestFile(live), replaced ? page : QByteArray("<p>old page</p>"));
    QCOMPARE(TemporaryFiles(server.file(QStringLiteral("www"))).size(), temporaryLeft ? 1 : 0);
    const QString visible = run.state(0) + QLatin1Char('\n') + run.upload.RequestText();
    QVERIFY2(visible.contains(shown), qPrintable(visible));
    QVERIFY2(!visible.contains(QStringLiteral("Deleting")), qPrintable(visible));

    const QStringList t = server.transcript();
    const qsizetype stor = t.indexOf(QRegularExpression(QStringLiteral("STOR .*")));
    QVERIFY(stor > 0);
    const QString temporary = t[stor].mid(5);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\.p\\.html\\.[0-9a-f]{8}\\.part$")).match(temporary).hasMatch(),
             qPrintable(temporary));
    QCOMPARE(t.mid(stor + 1).replaceInStrings(temporary, QStringLiteral("T")), after);
}

void TestUploadController::vsftpdSinglePage_data()
{
    QTest::addColumn<bool>("passive");
    QTest::addColumn<bool>("atomic"); // over an old page: stored under a temporary name, renamed
    QTest::newRow("passive") << true << false;
    QTest::newRow("active") << false << false;
    QTest::newRow("passive-atomic") << true << true;
}

void TestUploadController::vsftpdSinglePage()
{
    QFETCH(bool, passive);
    QFETCH(bool, atomic);
    VsftpdServer server;
    if (!server.start())
        QSKIP("vsftpd could not be started here");
    UploadFixture f;
    f.addServer("vs", server.port(), QStringLiteral("anonymous"), QStringLiteral("guest"), passive);
    if (atomic) {
        SetAtomicReplace(f, "vs");
        WriteTestFile(server.file(QStringLiteral("pub/vpage.html")), "old");
    }
    f.addPage(QStringLiteral("vpage"), "vs", "pub", "<p>vsftpd</p>\r\n");
    Run run(f);
    run.start();
    QCOMPARE(run.upload.State(), UploadController::RunState::Succeeded);
    run.upload.bttnCancelClick();
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("pub/vpage.html"))), QByteArray("<p>vsftpd</p>\r\n")); // vsftpd keeps ASCII uploads as sent
    QStringList t = server.transcript();
    QCOMPARE(t.size(), atomic ? 9 : 7); // USER answered by 230: no PASS
    t[4] = t[4].left(4);
    QStringList expected{"USER anonymous", "PWD", QStringLiteral("CWD ") + server.root() + "/pub", "PWD",
                         passive ? "PASV" : "PORT", "STOR vpage.html", "QUIT"};
    if (atomic) {
        // vsftpd renames over an existing file: no delete first.
        const QString temporary = t[5].mid(5);
        QVERIFY2(temporary.startsWith(QStringLiteral(".vpage.html.")), qPrintable(temporary));
        expected[5] = QStringLiteral("STOR ") + temporary;
        expected.insert(6, QStringLiteral("RNFR ") + temporary);
        expected.insert(7, QStringLiteral("RNTO vpage.html"));
        QVERIFY(TemporaryFiles(server.file(QStringLiteral("pub"))).isEmpty());
    }
    QCOMPARE(t, expected);
    QCOMPARE(f.queued(), size_t(0));
}

QTEST_GUILESS_MAIN(TestUploadController)
#include "tst_uploadcontroller.moc"
