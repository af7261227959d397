// The SSTP notifier: its header store, the request forms, and exchanges with
// a stand-in companion on 127.0.0.1:11000.
#include "UploadFixture.h"
#include "upload/TSSTP.h"

#include <QtTest>

using Lines = std::vector<SjisString>;
Q_DECLARE_METATYPE(Lines)

class TestSstp : public QObject {
    Q_OBJECT
private slots:
    void headerStore()
    {
        Lines store;
        SstpRequest::SetHeader(store, "Script", "a");
        SstpRequest::SetHeader(store, "SCRIPT", "b"); // replaces, ignoring case
        QCOMPARE(store, (Lines{"SCRIPT: b"}));
        QCOMPARE(SstpRequest::Header(store, "script"), SjisString("b"));
        SstpRequest::SetHeader(store, "Script", ""); // an empty value deletes
        QVERIFY(store.empty());
        SstpRequest::SetHeader(store, "Option", ""); // but is appended when missing
        QCOMPARE(store, (Lines{"Option: "}));
        QCOMPARE(SstpRequest::Header(store, "Sender"), SjisString());
    }

    void requestForms_data()
    {
        QTest::addColumn<Lines>("store");
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("1.0") << Lines{"Port: 11000", "Script: hi", "Sender: Tav Outliner"}
            << QByteArray("SEND SSTP/1.0\r\nSender: Tav Outliner\r\nScript: hi\r\n\r\n");
        QTest::newRow("1.2-entries") << Lines{"Sender: s", "Entry: one", "Script: x", "Entry: two"}
            << QByteArray("SEND SSTP/1.2\r\nSender: s\r\nScript: x\r\nEntry: one\r\nEntry: two\r\n\r\n");
        QTest::newRow("1.3-hwnd") << Lines{"Sender: s", "HWnd: 42", "Entry: e", "Option: o"}
            << QByteArray("SEND SSTP/1.3\r\nSender: s\r\nHWnd: 42\r\nOption: o\r\nEntry: e\r\n\r\n");
        QTest::newRow("no-script") << Lines{"Sender: s"} << QByteArray("SEND SSTP/1.0\r\nSender: s\r\n\r\n");
        QTest::newRow("empty-value-skipped") << Lines{"Sender: s", "Option: "}
            << QByteArray("SEND SSTP/1.0\r\nSender: s\r\n\r\n");
    }
    void requestForms()
    {
        QFETCH(Lines, store);
        QFETCH(QByteArray, request);
        QCOMPARE(QByteArray::fromStdString(SstpRequest::Build(store)), request);
    }

    void replyCode_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("code");
        QTest::newRow("200") << QByteArray("SSTP/1.4 200 OK\r\n") << 200;
        QTest::newRow("400") << QByteArray("SSTP/1.4 400 Bad Request\r\n") << 400;
        QTest::newRow("short") << QByteArray("SSTP/1.4 2") << 0;
        QTest::newRow("letters") << QByteArray("SSTP/1.4 OK!\r\n") << 0;
    }
    void replyCode()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, code);
        QCOMPARE(SstpRequest::ReplyCode(reply.toStdString()), code);
    }

    void entriesAndNumbers()
    {
        TSSTP sstp;
        sstp.EntryList().Insert(0, "one");
        sstp.EntryList().Insert(1, "two");
        sstp.EntryList().Put(0, "first");
        QCOMPARE(sstp.EntryList().Count(), 2);
        QCOMPARE(sstp.EntryList().Get(1), SjisString("two"));
        sstp.SetHWnd(0);
        sstp.SetPort(11000);
        QCOMPARE(sstp.GetHeader(TSSTP::HWnd), SjisString());
        QCOMPARE(sstp.GetHeader(TSSTP::Port), SjisString("11000"));
        sstp.EntryList().Delete(0);
        QCOMPARE(sstp.EntryList().Get(0), SjisString("two"));
    }

    void exchanges_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("code");
        QTest::newRow("ok") << QByteArray("SSTP/1.4 200 OK\r\nCharset: Shift_JIS\r\n\r\n") << 0 << 200;
        QTest::newRow("bad-request") << QByteArray("SSTP/1.4 400 Bad Request\r\n\r\n") << 2 << 400;
        QTest::newRow("garbage") << QByteArray("\xff\xfe") << 2 << 0;
    }
    void exchanges()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, status);
        QFETCH(int, code);
        SstpListener companion(reply);
        QVERIFY(companion.listening());
        TSSTP sstp;
        sstp.SetHeader(TSSTP::Sender, "Tav Outliner");
        sstp.SetHeader(TSSTP::Script, "\x83\x65\x83\x58\x83\x67");
        int errors = 0, ends = 0;
        sstp.OnError = [&](TSSTP&) { ++errors; };
        sstp.OnEndRequest = [&](TSSTP&) { ++ends; };
        sstp.Send();
        QVERIFY(sstp.Busy());
        QTRY_COMPARE(ends, 1);
        QCOMPARE(sstp.StatusCode(), status);
        QCOMPARE(sstp.ReplyCode(), code);
        QCOMPARE(errors, status == 0 ? 0 : 1);
        QCOMPARE(companion.requests,
                 QList<QByteArray>{"SEND SSTP/1.0\r\nSender: Tav Outliner\r\nScript: \x83\x65\x83\x58\x83\x67\r\n\r\n"});
    }

    void noCompanionSendsNothing()
    {
        TSSTP sstp;
        sstp.SetHeader(TSSTP::Script, "x");
        int errors = 0;
        sstp.OnError = [&](TSSTP&) { ++errors; };
        int ends = 0;
        sstp.OnEndRequest = [&](TSSTP&) { ++ends; };
        sstp.Send(); // the refusal comes from the worker, not from a wait here
        QTRY_COMPARE(ends, 1);
        QCOMPARE(sstp.StatusCode(), int(TSSTP::StatusNoCompanion));
        QCOMPARE(errors, 1);
        QVERIFY(!sstp.Busy());
    }

    // A listener that trickles, never answers or floods: the exchange ends
    // by its deadline or at the reply cap, and destroying the notifier with
    // an exchange still running takes about a second. A hang is the
    // failure, so the bounds are generous.
    void misbehavingCompanions_data()
    {
        QTest::addColumn<int>("manner");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("kept"); // reply bytes kept
        QTest::newRow("trickles") << int(SstpListener::Trickles) << 1 << 0;
        QTest::newRow("silent") << int(SstpListener::Silent) << 1 << 0;
        // The code comes from what was read.
        QTest::newRow("floods") << int(SstpListener::Floods) << 0 << int(TSSTP::ReplyCap);
    }
    void misbehavingCompanions()
    {
        QFETCH(int, manner);
        QFETCH(int, status);
        QFETCH(int, kept);
        SstpListener companion("SSTP/1.4 200 OK\r\n", SstpListener::Manner(manner));
        TSSTP sstp;
        sstp.SetHeader(TSSTP::Script, "x");
        int ends = 0;
        sstp.OnEndRequest = [&](TSSTP&) { ++ends; };
        QElapsedTimer clock;
        clock.start();
        sstp.Send();
        QTRY_COMPARE_WITH_TIMEOUT(ends, 1, 60000);
        QVERIFY2(clock.elapsed() < sstp.ExchangeDeadline + 4000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(sstp.StatusCode(), status);
        QCOMPARE(int(sstp.Reply().size()), kept);

        auto leaving = std::make_unique<TSSTP>();
        leaving->Send();
        QTRY_COMPARE(companion.requests.size(), 2);
        clock.restart();
        leaving.reset();
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    }

    // The command line's last notice may meet a companion that trickles: the
    // job still ends soon after its files are sent.
    void tavpubEndsWhileACompanionTrickles()
    {
        SstpListener companion("SSTP/1.4 200 OK\r\n", SstpListener::Trickles);
        PyFtpServer server;
        QVERIFY(server.start());
        UploadFixture f;
        f.addServer("main", server.port(), server.user, server.password);
        f.addPage(QStringLiteral("index"), "main", "");
        QProcess tavpub;
        f.startTavpubUpload(tavpub);
        // The listener trickles only while this loop runs: no blocking wait.
        QTRY_VERIFY_WITH_TIMEOUT(tavpub.state() == QProcess::NotRunning, 30000);
        QVERIFY2(tavpub.exitStatus() == QProcess::NormalExit && tavpub.exitCode() == 0,
                 tavpub.readAllStandardError().constData());
        QCOMPARE(int(f.queued()), 0);
        QVERIFY(!companion.requests.isEmpty());
    }

    void secondSendWhileBusyIsRefused()
    {
        SstpListener companion;
        TSSTP sstp;
        sstp.SetHeader(TSSTP::Script, "x");
        QList<int> statuses;
        sstp.OnEndRequest = [&](TSSTP& s) { statuses << s.StatusCode(); };
        sstp.Send();
        sstp.Send(); // the first is still in flight
        QTRY_COMPARE(statuses.size(), 2);
        QCOMPARE(statuses, (QList<int>{7, 0}));
        QCOMPARE(companion.requests.size(), 1);
    }

    void inactiveSendsNothing()
    {
        SstpListener companion;
        TSSTP sstp;
        sstp.Active = false;
        int ends = 0;
        sstp.OnEndRequest = [&](TSSTP&) { ++ends; };
        sstp.SetHeader(TSSTP::Script, "inactive");
        sstp.Send();
        QCOMPARE(ends, 0);
        // A request made after it is the first that arrives: had the
        // inactive one gone out, it would have come before.
        sstp.Active = true;
        sstp.SetHeader(TSSTP::Script, "active");
        sstp.Send();
        QTRY_COMPARE(ends, 1);
        QCOMPARE(companion.requests.size(), 1);
        QVERIFY(companion.requests[0].contains("Script: active\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestSstp)
#include "tst_sstp.moc"
