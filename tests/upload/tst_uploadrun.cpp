// The upload run against real FTP servers on loopback: rows, alerts, SSTP
// notifications, the queue, and the commands each server saw.
#include "UploadFixture.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(UploadRun::Alert)

namespace {

using Alert = UploadRun::Alert;
using Alerts = QList<UploadRun::Alert>;
using Step = UploadRun::Step;

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

// Lists the queue and runs the upload, collecting the alerts.
struct Run {
    explicit Run(UploadFixture& f, int timeOut = 5000) : upload(f.store)
    {
        upload.SetTimeOut(timeOut);
        QObject::connect(&upload, &UploadRun::alert, [this](Alert what) { alerts << what; });
        QObject::connect(&upload, &UploadRun::progress, [this](qint64 sent, qint64 total) {
            if (total > 0)
                percents << int(sent * 100 / total);
            lastSent = sent;
            lastTotal = total;
        });
    }
    // A notification still in flight would hold the notifier's worker (and
    // the test) until its exchange times out.
    ~Run() { (void)upload.Notices.WaitUntilSent(10000); }
    void start()
    {
        upload.List();
        upload.Start();
    }
    // Stops the run from the event loop (as a click would come) once the
    // client reports a status that starts so: the wait it then enters is
    // the one the user interrupts.
    void stopOnStatus(const QString& prefix)
    {
        upload.FTP.ReportLevel = 8;
        upload.FTP.OnStatus = [this, prefix, armed = true](TSocketClient&, const QString& text) mutable {
            if (armed && text.startsWith(prefix)) {
                armed = false;
                QTimer::singleShot(0, &upload, [this] { upload.Stop(); });
            }
        };
    }
    // Stops the run once the data sent reaches `fraction` of the page.
    void stopAtProgress(double fraction)
    {
        QObject::connect(&upload, &UploadRun::progress, &upload, [this, fraction, armed = true](qint64 sent, qint64 total) mutable {
            if (armed && total > 0 && sent >= qint64(double(total) * fraction)) {
                armed = false;
                QTimer::singleShot(0, &upload, [this] { upload.Stop(); });
            }
        });
    }
    // "done", "failed", "failed (reason)", or empty while waiting.
    QString state(int row) const
    {
        const UploadRow& r = upload.Rows()[size_t(row)];
        switch (r.state) {
        case UploadRow::State::Waiting: return {};
        case UploadRow::State::Done: return QStringLiteral("done");
        case UploadRow::State::Failed: break;
        }
        return r.reason.isEmpty() ? QStringLiteral("failed") : QStringLiteral("failed (%1)").arg(r.reason);
    }

    UploadRun upload;
    Alerts alerts;
    QList<int> percents;
    qint64 lastSent = -1;
    qint64 lastTotal = -1;
};

} // namespace

class TestUploadRun : public QObject {
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

void TestUploadRun::singlePageIntoExistingFolder_data()
{
    QTest::addColumn<bool>("passive");
    QTest::newRow("passive") << true;
    QTest::newRow("active") << false;
}

void TestUploadRun::singlePageIntoExistingFolder()
{
    QFETCH(bool, passive);
    PyFtpServer server;
    UploadFixture f;
    QVERIFY(f.serve(server, QStringLiteral("none"), passive));
    QDir(server.root()).mkdir(QStringLiteral("www"));
    f.addPage(QStringLiteral("index"), "main", "www", "<p>hello</p>");
    SstpListener sstp;
    QVERIFY(sstp.listening());

    Run run(f);
    run.start();
    QCOMPARE(run.upload.CurrentStep(), Step::Finished);
    QCOMPARE(run.state(0), QStringLiteral("done"));
    QCOMPARE(f.queued(), size_t(0));
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("www/index.html"))), QByteArray("<p>hello</p>"));
    // The server as its setting names it, port included.
    QCOMPARE(run.upload.Rows()[0].server, QStringLiteral("127.0.0.1:%1").arg(server.port()));
    run.upload.Stop();
    const QString dataCommand = passive ? QStringLiteral("PASV") : QStringLiteral("PORT");
    QStringList t = server.transcript();
    QCOMPARE(t.size(), 10);
    t[6] = t[6].left(4);
    // Binary mode once per session, the stored size checked after the page.
    QCOMPARE(t, (QStringList{"USER tav", "PASS secret", "PWD", "CWD /www", "PWD", "TYPE I", dataCommand,
                             "STOR index.html", "SIZE index.html", "QUIT"}));
    QTRY_COMPARE(sstp.requests.size(), 2);
    QCOMPARE(sstp.requests[0], QByteArray("SEND SSTP/1.0\r\nSender: Tav Outliner\r\nScript: " SJIS_START "\r\n\r\n"));
    QCOMPARE(sstp.requests[1], QByteArray("SEND SSTP/1.0\r\nSender: Tav Outliner\r\nScript: " SJIS_ALL_DONE "\r\n\r\n"));
}

void TestUploadRun::onePassQueueKeepsOneLogin()
{
    PyFtpServer server;
    UploadFixture f;
    QVERIFY(f.serve(server));
    QDir(server.root()).mkdir(QStringLiteral("f1"));
    QDir(server.root()).mkdir(QStringLiteral("f2"));
    f.addPage(QStringLiteral("one"), "main", "f1");
    f.addPage(QStringLiteral("two"), "main", "f2");
    Run run(f);
    run.start();
    QCOMPARE(run.upload.CurrentStep(), Step::Finished);
    run.upload.Stop();
    QCOMPARE(server.transcript(), (QStringList{"USER tav", "PASS secret", "PWD", "CWD /f1", "PWD", "TYPE I", "PASV",
                                               "STOR one.html", "SIZE one.html", "CWD /f2", "PWD", "PASV",
                                               "STOR two.html", "SIZE two.html", "QUIT"}));
    QCOMPARE(f.queued(), size_t(0));
}

void TestUploadRun::pagesForTwoServersReachTheirOwnServer()
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
    QCOMPARE(run.upload.CurrentStep(), Step::Finished);
    run.upload.Stop();
    QVERIFY(QFile::exists(a.file(QStringLiteral("fa/pa.html"))));
    QVERIFY(QFile::exists(b.file(QStringLiteral("fb/pb.html"))));
    QVERIFY(!QFile::exists(a.file(QStringLiteral("fb/pb.html"))));
    QCOMPARE(a.transcript(), (QStringList{"USER tav", "PASS secret", "PWD", "CWD /fa", "PWD", "TYPE I", "PASV",
                                          "STOR pa.html", "SIZE pa.html", "QUIT"}));
    QStringList tb = b.transcript();
    QCOMPARE(tb.size(), 10);
    tb[6] = tb[6].left(4);
    QCOMPARE(tb, (QStringList{"USER other", "PASS secret", "PWD", "CWD /fb", "PWD", "TYPE I", "PORT", "STOR pb.html",
                              "SIZE pb.html", "QUIT"}));
    QCOMPARE(f.queued(), size_t(0));
}

void TestUploadRun::missingFolderIsCreated_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("public_html") << QByteArray("public_html")
        << QStringList{"CWD /public_html", "MKD /public_html/", "CWD /public_html", "PWD", "TYPE I", "PASV", "STOR p.html",
                       "SIZE p.html"};
    // With a existing: a/b is made at once, then a/b/c after the next refusal.
    QTest::newRow("two-levels") << QByteArray("a/b/c")
        << QStringList{"CWD /a/b/c", "MKD /a/b/", "CWD /a/b/c", "MKD /a/b/c/", "CWD /a/b/c", "PWD", "TYPE I", "PASV",
                       "STOR p.html", "SIZE p.html"};
    QTest::newRow("empty-folder") << QByteArray()
        << QStringList{"CWD /", "PWD", "TYPE I", "PASV", "STOR p.html", "SIZE p.html"};
}

void TestUploadRun::missingFolderIsCreated()
{
    QFETCH(QByteArray, folder);
    QFETCH(QStringList, commands);
    PyFtpServer server;
    UploadFixture f;
    QVERIFY(f.serve(server));
    QDir(server.root()).mkdir(QStringLiteral("a"));
    f.addPage(QStringLiteral("p"), "main", folder.toStdString());
    Run run(f);
    run.start();
    QCOMPARE(run.upload.CurrentStep(), Step::Finished);
    QCOMPARE(server.transcript().mid(3), commands);
    QCOMPARE(run.state(0), QStringLiteral("done"));
    QVERIFY(run.alerts.isEmpty());
}

void TestUploadRun::folderThatCannotBeCreated_data()
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

void TestUploadRun::folderThatCannotBeCreated()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, folder);
    QFETCH(QStringList, commands);
    PyFtpServer server;
    UploadFixture f;
    QVERIFY(f.serve(server, fault));
    f.addPage(QStringLiteral("p"), "main", folder.toStdString());
    SstpListener sstp;
    Run run(f);
    run.start();
    QCOMPARE(run.upload.CurrentStep(), Step::Failed);
    QCOMPARE(server.transcript().mid(3), commands);
    QCOMPARE(run.alerts, Alerts{Alert::FolderNotCreated});
    QCOMPARE(run.state(0), QStringLiteral("failed (550 No such file or directory.)"));
    QCOMPARE(f.queued(), size_t(1));
    QTRY_COMPARE(sstp.requests.size(), 2);
    QVERIFY(sstp.requests[1].contains(SJIS_FAILED));
}

void TestUploadRun::failureWaitsForTheStartNotification()
{
    PyFtpServer server;
    UploadFixture f;
    QVERIFY(f.serve(server));
    f.addPage(QStringLiteral("p"), "main", "a/b/c");
    SstpListener sstp;
    sstp.replyDelayMs = 800; // the start message is still in flight when the run fails
    Run run(f);
    run.start();
    QCOMPARE(run.upload.CurrentStep(), Step::Failed);
    QTRY_COMPARE(sstp.requests.size(), 2);
    QVERIFY(sstp.requests[1].contains(SJIS_FAILED));
}

void TestUploadRun::unusualLoginsSucceed_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("login");
    QTest::newRow("user-230") << "user-230" << QStringList{"USER tav", "PWD"};
    QTest::newRow("multi-line-greeting") << "multiline-greeting" << QStringList{"USER tav", "PASS secret"};
}

void TestUploadRun::unusualLoginsSucceed()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, login);
    PyFtpServer server;
    UploadFixture f;
    QVERIFY(f.serve(server, fault));
    f.addPage(QStringLiteral("p"), "main", "");
    Run run(f);
    run.start();
    QCOMPARE(run.upload.CurrentStep(), Step::Finished);
    QCOMPARE(server.transcript().mid(0, 2), login);
}

void TestUploadRun::progressMovesInSteps()
{
    PyFtpServer server;
    UploadFixture f;
    QVERIFY(f.serve(server));
    f.addPage(QStringLiteral("big"), "main", "", QByteArray(200000, 'z'));
    Run run(f);
    run.start();
    QCOMPARE(run.upload.CurrentStep(), Step::Finished);
    QVERIFY2(run.percents.size() >= 4, qPrintable(QString::number(run.percents.size())));
    QVERIFY(run.percents.first() <= 32);
    QCOMPARE(run.percents.last(), 100);
    QVERIFY(std::is_sorted(run.percents.begin(), run.percents.end()));
    QCOMPARE(run.lastSent, 200000);
    QCOMPARE(run.lastTotal, 200000);
}

void TestUploadRun::faultModesFailAndKeepTheQueue_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("password");
    QTest::addColumn<Alerts>("alerts");
    QTest::addColumn<QString>("reason"); // the row's and under the request text
    // A refused connection fires the same handler as a refused login.
    QTest::newRow("connection-refused") << "no-server" << "secret" << Alerts{Alert::LoginFailed}
                                        << "Connection Failed (10061:Connection refused)";
    QTest::newRow("refused-login") << "none" << "wrong" << Alerts{Alert::LoginFailed} << "530 ";
    // One alert per refused transfer, however the client reports it.
    QTest::newRow("refused-stor") << "refuse-stor" << "secret" << Alerts{Alert::NotUploaded}
                                  << "550 Permission denied.";
    QTest::newRow("final-426") << "final-426" << "secret" << Alerts{Alert::NotUploaded} << "426 ";
    QTest::newRow("final-452") << "final-452" << "secret" << Alerts{Alert::NotUploaded} << "452 ";
    QTest::newRow("dropped") << "drop-mid-transfer" << "secret" << Alerts{Alert::NotUploaded} << "100";
}

void TestUploadRun::faultModesFailAndKeepTheQueue()
{
    QFETCH(QString, fault);
    QFETCH(QString, password);
    QFETCH(Alerts, alerts);
    QFETCH(QString, reason);
    PyFtpServer server;
    const bool serverUp = fault != QLatin1String("no-server");
    QVERIFY(!serverUp || server.start(fault));
    UploadFixture f;
    f.addServer("main", serverUp ? server.port() : FreeLoopbackPort(), server.user, password);
    f.addPage(QStringLiteral("p"), "main", "", QByteArray(3000000, 'q'));
    Run run(f);
    run.start();
    QCOMPARE(run.upload.CurrentStep(), Step::Failed);
    QVERIFY2(run.state(0).startsWith(QStringLiteral("failed (") + reason), qPrintable(run.state(0)));
    QCOMPARE(run.alerts, alerts);
    QCOMPARE(f.queued(), size_t(1));
}

void TestUploadRun::laterFileFailureMarksItsRow()
{
    PyFtpServer server;
    UploadFixture f;
    QVERIFY(f.serve(server));
    f.addPage(QStringLiteral("one"), "main", "");
    f.addPage(QStringLiteral("two"), "main", "x/y/z");
    SstpListener sstp;
    Run run(f);
    run.start();
    QCOMPARE(run.upload.CurrentStep(), Step::Failed);
    QCOMPARE(run.state(0), QStringLiteral("done"));
    QCOMPARE(run.state(1), QStringLiteral("failed (550 No such file or directory.)"));
    QCOMPARE(f.queued(), size_t(2));
    QTRY_COMPARE(sstp.requests.size(), 2);
    QVERIFY(sstp.requests[1].contains(SJIS_FAILED));
}

void TestUploadRun::slowServerCancelledByUser()
{
    PyFtpServer server;
    UploadFixture f;
    QVERIFY(f.serve(server, QStringLiteral("slow-stor")));
    f.addPage(QStringLiteral("p"), "main", "");
    Run run(f, 0); // no time limit: only the user ends the wait
    QSignalSpy closing(&run.upload, &UploadRun::closeRequested);
    run.stopOnStatus(QStringLiteral("STOR "));
    run.start();
    QCOMPARE(closing.size(), 1);
    QCOMPARE(run.upload.CurrentStep(), Step::Failed);
    QCOMPARE(run.state(0), QStringLiteral("failed"));
    QCOMPARE(f.queued(), size_t(1));
}

void TestUploadRun::cancelDuringLoginIsNoFailure_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("status"); // stopped in the wait that follows it
    QTest::newRow("waiting-for-greeting") << "silent-greeting" << "ReadLn";
    QTest::newRow("waiting-for-password-reply") << "silent-pass" << "PASS ";
}

void TestUploadRun::cancelDuringLoginIsNoFailure()
{
    QFETCH(QString, fault);
    QFETCH(QString, status);
    PyFtpServer server;
    UploadFixture f;
    QVERIFY(f.serve(server, fault));
    f.addPage(QStringLiteral("p"), "main", "");
    Run run(f, 0);
    QSignalSpy closing(&run.upload, &UploadRun::closeRequested);
    run.stopOnStatus(status);
    run.start();
    QCOMPARE(closing.size(), 1);
    QCOMPARE(run.upload.CurrentStep(), Step::Cancelled);
    QCOMPARE(run.alerts, Alerts()); // no authentication failure
    QCOMPARE(run.state(0), QString()); // the row is not marked
    QCOMPARE(f.queued(), size_t(1));
}

void TestUploadRun::bytesThatBreakCommandsAreRefusedBeforeConnecting_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("crlf-in-folder") << QByteArray("www\r\nDELE other.html") << QByteArray("tav") << QByteArray("secret");
    QTest::newRow("nul-in-folder") << QByteArray("www\0x", 5) << QByteArray("tav") << QByteArray("secret");
    QTest::newRow("nul-in-user") << QByteArray() << QByteArray("t\0av", 4) << QByteArray("secret");
    QTest::newRow("nul-in-password") << QByteArray() << QByteArray("tav") << QByteArray("sec\0ret", 7);
}

void TestUploadRun::bytesThatBreakCommandsAreRefusedBeforeConnecting()
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
    QTimer::singleShot(5000, &run.upload, [&run] { run.upload.Stop(); });
    run.start();
    QCOMPARE(run.upload.CurrentStep(), Step::Failed);
    QCOMPARE(run.alerts, Alerts{Alert::BrokenCommand}); // the refusal, not a login failure
    QVERIFY(run.state(0).startsWith(QStringLiteral("failed")));
    QVERIFY(server.transcript().isEmpty());
}

void TestUploadRun::listingRefusesIncompleteOrUnknownPages_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QString>("password");
    QTest::addColumn<Alert>("alert");
    QTest::newRow("no-password") << QByteArray("1.4") << QString() << Alert::NoServer;
    QTest::newRow("version-1.0") << QByteArray("1.0") << "secret" << Alert::UnknownFormat;
}

void TestUploadRun::listingRefusesIncompleteOrUnknownPages()
{
    QFETCH(QByteArray, version);
    QFETCH(QString, password);
    QFETCH(Alert, alert);
    UploadFixture f;
    f.addServer("main", 21, QStringLiteral("tav"), password);
    f.addPage(QStringLiteral("p1"), "main", "", "x", version.constData());
    f.addPage(QStringLiteral("p2"), "main", "", "x", version.constData());
    Run run(f);
    run.upload.List();
    QCOMPARE(run.alerts, Alerts{alert}); // once, not per row
    QVERIFY(run.upload.Unsendable());
    QVERIFY(!run.upload.CanStart());
}

// An old page is live in www/; the new one goes under a temporary name and
// is renamed over it, or the old one stays whole; where the server took the
// old one away and then refused the rename, the new one stays under its
// temporary name, and the failure says so.
void TestUploadRun::atomicReplace_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("passive");
    QTest::addColumn<double>("stopAt"); // the part of the page sent when the user stops; 0: never
    QTest::addColumn<QString>("live");      // what www/p.html holds afterwards: new, old or none
    QTest::addColumn<bool>("temporaryLeft");
    QTest::addColumn<QStringList>("after"); // commands after the STOR; T is the temporary name
    QTest::addColumn<QString>("state");     // the row's, starting so; T is the temporary name
    const QStringList renamed{"SIZE T", "RNFR T", "RNTO p.html"};
    const QStringList deleteFirst{"SIZE T", "RNFR T", "RNTO p.html", "DELE p.html", "RNFR T", "RNTO p.html"};
    QTest::newRow("replaced") << "none" << true << 0.0 << "new" << false << renamed << "done";
    QTest::newRow("replaced-active") << "none" << false << 0.0 << "new" << false << renamed << "done";
    QTest::newRow("delete-first-fallback") << "rnto-no-overwrite" << true << 0.0 << "new" << false << deleteFirst
                                           << "done";
    // Every RNTO refused: the fallback is tried once, and the new page is
    // never deleted once the old one is gone.
    QTest::newRow("rnto-always-refused") << "refuse-rnto" << true << 0.0 << "none" << true << deleteFirst
                                         << "failed (550 Renaming is not allowed here. The old page was deleted; "
                                            "the new one is on the server as T)";
    QTest::newRow("data-dropped") << "drop-data" << true << 0.0 << "old" << false << QStringList{"DELE T"}
                                  << "failed (";
    // A refused DELE is not the reason: the transfer's failure is.
    QTest::newRow("data-dropped-dele-refused") << "drop-data-no-dele" << true << 0.0 << "old" << true
                                               << QStringList{"DELE T"} << "failed (";
    QTest::newRow("session-dropped") << "drop-mid-transfer" << true << 0.0 << "old" << true << QStringList()
                                     << "failed (";
    QTest::newRow("stor-refused") << "refuse-stor" << true << 0.0 << "old" << false << QStringList{"DELE T"}
                                  << "failed (550 Permission denied.)";
    // Cancelled while the page is sent, and while the server finishes it
    // (the page had fit in the sockets' buffers): the session stays for DELE.
    QTest::newRow("cancelled-while-sending") << "throttle" << true << 0.01 << "old" << false
                                             << QStringList{"ABOR", "DELE T"} << "failed";
    QTest::newRow("cancelled-awaiting-final-reply") << "hold-final" << true << 1.0 << "old" << false
                                                    << QStringList{"ABOR", "DELE T"} << "failed";
}

void TestUploadRun::atomicReplace()
{
    QFETCH(QString, fault);
    QFETCH(bool, passive);
    QFETCH(double, stopAt);
    QFETCH(QString, live);
    QFETCH(bool, temporaryLeft);
    QFETCH(QStringList, after);
    QFETCH(QString, state);
    PyFtpServer server;
    UploadFixture f;
    QVERIFY(f.serve(server, fault, passive));
    QDir(server.root()).mkdir(QStringLiteral("www"));
    const QString livePath = server.file(QStringLiteral("www/p.html"));
    WriteTestFile(livePath, "<p>old page</p>");
    SetAtomicReplace(f, "main");
    // More than the sockets can hold while a throttled server reads slowly.
    const QByteArray page(fault == QLatin1String("throttle") ? 16 << 20 : 3000000, 'n');
    f.addPage(QStringLiteral("p"), "main", "www", page);
    Run run(f, 0);
    if (stopAt > 0)
        run.stopAtProgress(stopAt);
    run.start();

    const QStringList t = server.transcript();
    const qsizetype stor = t.indexOf(QRegularExpression(QStringLiteral("STOR .*")));
    QVERIFY(stor > 0);
    const QString temporary = t[stor].mid(5);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\.p\\.html\\.[0-9a-f]{8}\\.part$")).match(temporary).hasMatch(),
             qPrintable(temporary));
    QCOMPARE(t.mid(stor + 1).replaceInStrings(temporary, QStringLiteral("T")), after);

    QCOMPARE(run.upload.CurrentStep(), live == QLatin1String("new") ? Step::Finished : Step::Failed);
    const QByteArray expected = live == QLatin1String("new") ? page : QByteArray("<p>old page</p>");
    QCOMPARE(QFile::exists(livePath), live != QLatin1String("none"));
    if (live != QLatin1String("none"))
        QCOMPARE(ReadTestFile(livePath), expected);
    const QStringList left = TemporaryFiles(server.file(QStringLiteral("www")));
    QCOMPARE(left.size(), temporaryLeft ? 1 : 0);
    if (temporaryLeft && live == QLatin1String("none")) // the new page, whole
        QCOMPARE(ReadTestFile(server.file(QStringLiteral("www/") + left[0])), page);
    QVERIFY2(run.state(0).startsWith(QString(state).replace(QStringLiteral(" T)"), QLatin1Char(' ') + temporary + QLatin1Char(')'))),
             qPrintable(run.state(0)));
    QVERIFY2(!run.state(0).contains(QStringLiteral("Deleting")), qPrintable(run.state(0)));
    QCOMPARE(run.upload.ReplacedByDeleting(), after.contains(QStringLiteral("DELE p.html")));
}

void TestUploadRun::vsftpdSinglePage_data()
{
    QTest::addColumn<bool>("passive");
    QTest::addColumn<bool>("atomic"); // over an old page: stored under a temporary name, renamed
    QTest::newRow("passive") << true << false;
    QTest::newRow("active") << false << false;
    QTest::newRow("passive-atomic") << true << true;
}

void TestUploadRun::vsftpdSinglePage()
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
    QCOMPARE(run.upload.CurrentStep(), Step::Finished);
    run.upload.Stop();
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("pub/vpage.html"))), QByteArray("<p>vsftpd</p>\r\n"));
    QStringList t = server.transcript();
    QCOMPARE(t.size(), atomic ? 11 : 9); // USER answered by 230: no PASS
    t[5] = t[5].left(4);
    QStringList expected{"USER anonymous", "PWD", QStringLiteral("CWD ") + server.root() + "/pub", "PWD", "TYPE I",
                         passive ? "PASV" : "PORT", "STOR vpage.html", "SIZE vpage.html", "QUIT"};
    if (atomic) {
        // vsftpd renames over an existing file: no delete first.
        const QString temporary = t[6].mid(5);
        QVERIFY2(temporary.startsWith(QStringLiteral(".vpage.html.")), qPrintable(temporary));
        expected[6] = QStringLiteral("STOR ") + temporary;
        expected[7] = QStringLiteral("SIZE ") + temporary;
        expected.insert(8, QStringLiteral("RNFR ") + temporary);
        expected.insert(9, QStringLiteral("RNTO vpage.html"));
        QVERIFY(TemporaryFiles(server.file(QStringLiteral("pub"))).isEmpty());
    }
    QCOMPARE(t, expected);
    QCOMPARE(f.queued(), size_t(0));
}

QTEST_GUILESS_MAIN(TestUploadRun)
#include "tst_uploadrun.moc"
