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
        sstp.Send();
        QCOMPARE(sstp.StatusCode(), int(TSSTP::StatusNoCompanion));
        QCOMPARE(errors, 1);
        QVERIFY(!sstp.Busy());
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
        sstp.Send();
        QTest::qWait(100);
        QCOMPARE(ends, 0);
        QVERIFY(companion.requests.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSstp)
#include "tst_sstp.moc"
