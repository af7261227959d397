// Reply parsing and the socket layer's text helpers: plain functions on bytes.
#include "upload/FtpReply.h"
#include "upload/SocketErrors.h"
#include "upload/SocketText.h"

#include <QBuffer>
#include <QtTest>

using Lines = QList<QByteArray>;

class TestFtpReply : public QObject {
    Q_OBJECT
private slots:
    void replyCode_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("hasCode"); // a reply code proper: three digits, 1xx to 5xx
        QTest::newRow("331") << QByteArray("331 Password required\r\n") << 331 << true;
        QTest::newRow("letter-first") << QByteArray("OK 200\r\n") << 0 << false;
        QTest::newRow("empty") << QByteArray() << 0 << false;
        QTest::newRow("digits-only") << QByteArray("226") << 226 << true;
        QTest::newRow("max-16-bit") << QByteArray("32767 x") << 32767 << false;
        QTest::newRow("first-digit-6") << QByteArray("600 x\r\n") << 600 << false;
        QTest::newRow("two-digits") << QByteArray("22 x\r\n") << 22 << false;
    }
    void replyCode()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, code);
        QFETCH(bool, hasCode);
        QCOMPARE(FtpReply::ReplyCode(line.toStdString()), code);
        QCOMPARE(FtpReply::HasReplyCode(line.toStdString()), hasCode);
    }
    void replyCodeOutOfRange()
    {
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, FtpReply::ReplyCode("99999 x"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, FtpReply::ReplyCode("12345678901234"));
    }

    void replyEnds_data()
    {
        QTest::addColumn<Lines>("lines");
        QTest::addColumn<int>("used"); // lines that belong to the reply
        QTest::newRow("single") << Lines{"200 OK\r\n", "extra\r\n"} << 1;
        QTest::newRow("dash-then-end") << Lines{"220-a\r\n", "220-b\r\n", "220 c\r\n", "x\r\n"} << 3;
        // Lines without a code inside a multi-line reply belong to it.
        QTest::newRow("uncoded-middle") << Lines{"230-Hi\r\n", "plain text\r\n", "230 OK\r\n", "x\r\n"} << 3;
        QTest::newRow("blank-started") << Lines{"211-Features\r\n", " MDTM\r\n", "211 End\r\n"} << 3;
        QTest::newRow("other-code-inside") << Lines{"220-a\r\n", "221 b\r\n", "220 c\r\n"} << 3;
        QTest::newRow("leading-blank-first") << Lines{" x\r\n", "y\r\n", "z\r\n"} << 2;
    }
    void replyEnds()
    {
        QFETCH(Lines, lines);
        QFETCH(int, used);
        FtpReply::ReplyReader reader(lines[0].toStdString());
        int n = 1;
        while (reader.NeedsMore() && n < lines.size())
            reader.Add(lines[n++].toStdString());
        QVERIFY(!reader.NeedsMore());
        QCOMPARE(n, used);
    }
    void endlessReplyStops()
    {
        FtpReply::ReplyReader reader("220-start\r\n");
        while (reader.NeedsMore())
            reader.Add("more\r\n");
        QVERIFY(reader.TooLong());
    }

    void pasvPort_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("port"); // -1: unusable
        QTest::newRow("other-address") << QByteArray("227 Entering Passive Mode (192,168,1,2,19,137).\r\n") << 5001;
        QTest::newRow("no-parenthesis") << QByteArray("227 =127,0,0,1,4,1\r\n") << 1025;
        QTest::newRow("too-few-fields") << QByteArray("227 (127,0,0,1)\r\n") << -1;
        QTest::newRow("byte-above-255") << QByteArray("227 (1,2,3,4,256,1)\r\n") << -1;
        QTest::newRow("not-a-number") << QByteArray("227 (1,2,3,4,x,1)\r\n") << -1;
        QTest::newRow("empty") << QByteArray() << -1;
    }
    void pasvPort()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, port);
        const auto parsed = FtpReply::PasvPort(reply.toStdString());
        QCOMPARE(parsed ? int(*parsed) : -1, port);
    }

    void epsvPort_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("port"); // -1: unusable
        QTest::newRow("bars") << QByteArray("229 Entering Extended Passive Mode (|||6446|)\r\n") << 6446;
        QTest::newRow("other-delimiter") << QByteArray("229 (!!!2121!)\r\n") << 2121;
        QTest::newRow("address-named") << QByteArray("229 (|2|::1|2121|)\r\n") << -1;
        QTest::newRow("unclosed") << QByteArray("229 (|||6446)\r\n") << -1;
        QTest::newRow("port-too-big") << QByteArray("229 (|||65536|)\r\n") << -1;
        QTest::newRow("digit-delimiter") << QByteArray("229 (1112121)\r\n") << -1;
        QTest::newRow("no-parenthesis") << QByteArray("229 |||6446|\r\n") << -1;
    }
    void epsvPort()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, port);
        const auto parsed = FtpReply::EpsvPort(reply.toStdString());
        QCOMPARE(parsed ? int(*parsed) : -1, port);
    }

    void storedSize_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<qint64>("size"); // -1: none
        QTest::newRow("213") << QByteArray("213 1977\r\n") << qint64(1977);
        QTest::newRow("beyond-32-bit") << QByteArray("213 5000000000\r\n") << qint64(5000000000);
        QTest::newRow("refused") << QByteArray("550 Could not get file size.\r\n") << qint64(-1);
        QTest::newRow("not-a-number") << QByteArray("213 many\r\n") << qint64(-1);
        QTest::newRow("no-number") << QByteArray("213\r\n") << qint64(-1);
    }
    void storedSize()
    {
        QFETCH(QByteArray, reply);
        QFETCH(qint64, size);
        const auto parsed = FtpReply::StoredSize(reply.toStdString());
        QCOMPARE(parsed ? qint64(*parsed) : -1, size);
    }

    void pwdFolder_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("folder");
        QTest::newRow("quoted") << QByteArray("257 \"/home/tav\" is the current directory\r\n") << QByteArray("/home/tav");
        QTest::newRow("no-quotes") << QByteArray("257 /x\r\n") << QByteArray();
        QTest::newRow("one-quote") << QByteArray("257 \"/x\r\n") << QByteArray("/x\r\n");
        QTest::newRow("doubled-quote") << QByteArray("257 \"/we\"\"ird dir\" is current\r\n") << QByteArray("/we\"ird dir");
        QTest::newRow("doubled-quote-last") << QByteArray("257 \"/a\"\"\" x\r\n") << QByteArray("/a\"");
    }
    void pwdFolder()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, folder);
        QCOMPARE(QByteArray::fromStdString(FtpReply::PwdFolder(reply.toStdString())), folder);
    }

    void nthWord_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("word");
        QTest::newRow("third") << QByteArray("a,,b") << 3 << QByteArray("b");
        QTest::newRow("empty-second") << QByteArray("a,,b") << 2 << QByteArray();
        QTest::newRow("missing") << QByteArray("a,b") << 5 << QByteArray();
        QTest::newRow("empty-text") << QByteArray() << 1 << QByteArray();
        QTest::newRow("first") << QByteArray("a,b") << 1 << QByteArray("a");
    }
    void nthWord()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, n);
        QFETCH(QByteArray, word);
        QCOMPARE(QByteArray::fromStdString(SocketText::NthWord(text.toStdString(), ',', n)), word);
    }
    void nthPos_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("pos");
        QTest::newRow("second") << QByteArray("a,b,c") << 2 << 4;
        QTest::newRow("fewer") << QByteArray("a,b") << 3 << 4;
        QTest::newRow("last-character") << QByteArray("a,") << 1 << 3;
    }
    void nthPos()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, n);
        QFETCH(int, pos);
        QCOMPARE(SocketText::NthPos(text.toStdString(), ',', n), pos);
    }
    void nthPosOfEmptyTextIsARangeError()
    {
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, SocketText::NthPos("", ',', 1));
    }
    void streamLn()
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        SocketText::StreamLn(buffer, "line");
        QCOMPARE(buffer.data(), QByteArray("line\r\n"));
    }

    void socketErrorText_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("refused") << 10061 << "10061:Connection refused";
        QTest::newRow("host-not-found") << 11001 << "11001:Host not found";
        QTest::newRow("unknown") << 12345 << "Unknown Error No. 12345";
        QTest::newRow("zero") << 0 << QString();
    }
    void socketErrorText()
    {
        QFETCH(int, number);
        QFETCH(QString, text);
        QCOMPARE(SocketErrorText(number), text);
    }
};

QTEST_GUILESS_MAIN(TestFtpReply)
#include "tst_ftpreply.moc"
