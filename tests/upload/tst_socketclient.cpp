// The socket layer against a peer in the same process (loopback).
#include "upload/TSocketClient.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// A loopback peer that runs a script on each new connection.
class Peer : public QObject {
public:
    Peer()
    {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, this, [this] { received += socket->readAll(); });
            if (onConnection)
                onConnection(socket);
        });
    }
    void configure(TSocketClient& client)
    {
        client.Host = QStringLiteral("127.0.0.1");
        client.Port = server.serverPort();
    }
    QTcpServer server;
    QTcpSocket* socket = nullptr;
    QByteArray received;
    std::function<void(QTcpSocket*)> onConnection;
};

} // namespace

class TestSocketClient : public QObject {
    Q_OBJECT
private slots:
    void readLnJoinsPackets()
    {
        Peer peer;
        peer.onConnection = [](QTcpSocket* s) {
            s->write("220 re");
            s->flush();
            QTimer::singleShot(50, s, [s] { s->write("ady\r\nnext\n"); });
        };
        TSocketClient client;
        peer.configure(client);
        client.Connect();
        QCOMPARE(client.ReadLn(), SjisString("220 ready\r\n"));
        QCOMPARE(client.ReadLn(), SjisString("next\n"));
    }

    void transactionTakesTheLeadingCode_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("code");
        QTest::newRow("331") << QByteArray("331 Password required\r\n") << 331;
        QTest::newRow("letter") << QByteArray("OK\r\n") << 0;
    }
    void transactionTakesTheLeadingCode()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, code);
        Peer peer;
        TSocketClient client;
        peer.configure(client);
        client.Connect();
        QTRY_VERIFY(peer.socket);
        connect(peer.socket, &QTcpSocket::readyRead, peer.socket, [&] { peer.socket->write(reply); });
        QCOMPARE(client.Transaction("USER tav"), reply.toStdString());
        QCOMPARE(int(client.ReplyCode()), code);
        QCOMPARE(peer.received, QByteArray("USER tav\r\n"));
    }

    void writeStopsAtAZeroByte()
    {
        Peer peer;
        TSocketClient client;
        peer.configure(client);
        client.Connect();
        client.Write(SjisString("ab\0cd", 5));
        QTRY_COMPARE(peer.received, QByteArray("ab"));
    }

    void connectsByHostName()
    {
        Peer peer;
        TSocketClient client;
        peer.configure(client);
        client.Host = QStringLiteral("localhost");
        int resolved = 0;
        client.OnHostResolved = [&](TSocketClient&) { ++resolved; };
        client.Connect();
        QVERIFY(client.Connected());
        QCOMPARE(resolved, 1);
        QCOMPARE(client.GetRemoteIP(), QStringLiteral("127.0.0.1"));
    }

    void connectingTwiceIsRefused()
    {
        Peer peer;
        TSocketClient client;
        peer.configure(client);
        client.Connect();
        try {
            client.Connect();
            QFAIL("a second connect went through");
        } catch (const ESockError& e) {
            QCOMPARE(QByteArray(e.what()), QByteArray("Already connected"));
        }
        QVERIFY(client.Connected());
    }

    void connectFailures_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("handled");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("invalidHostCalls");
        QTest::newRow("unknown-name") << "no-such-host.invalid" << false << QByteArray("Host Lookup Failed") << 0;
        QTest::newRow("empty-host") << QString() << false << QByteArray("Null Remote Address") << 1;
        QTest::newRow("empty-host-retried") << QString() << true << QByteArray("Null Remote Address") << 1;
        QTest::newRow("refused") << "127.0.0.1" << false << QByteArray("Connection Failed") << 0;
    }
    void connectFailures()
    {
        QFETCH(QString, host);
        QFETCH(bool, handled);
        QFETCH(QByteArray, text);
        QFETCH(int, invalidHostCalls);
        quint16 closedPort;
        {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            closedPort = probe.serverPort();
        }
        TSocketClient client;
        client.Host = host;
        client.Port = closedPort;
        int calls = 0;
        bool failed = false;
        client.OnInvalidHost = [&](TSocketClient&, bool& h) { ++calls; h = handled; };
        client.OnConnectionFailed = [&](TSocketClient&) { failed = true; };
        try {
            client.Connect();
            QFAIL("connected");
        } catch (const ESockError& e) {
            QCOMPARE(QByteArray(e.what()), text);
        }
        QCOMPARE(calls, invalidHostCalls);
        QCOMPARE(failed, text == "Connection Failed");
        QVERIFY(!client.Connected());
    }

    void readLnEndsOnCancelTimeOutOrClose_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("cancel") << "cancel";
        QTest::newRow("time-out") << "time-out";
        QTest::newRow("peer-closes") << "close";
    }
    void readLnEndsOnCancelTimeOutOrClose()
    {
        QFETCH(QString, how);
        Peer peer;
        peer.onConnection = [how](QTcpSocket* s) {
            s->write("no line end");
            if (how == QLatin1String("close"))
                QTimer::singleShot(50, s, [s] { s->disconnectFromHost(); });
        };
        TSocketClient client;
        peer.configure(client);
        client.Connect();
        if (how == QLatin1String("cancel"))
            QTimer::singleShot(50, &client, [&client] { client.Cancel(); });
        if (how == QLatin1String("time-out"))
            client.TimeOut = 100;
        if (how == QLatin1String("close")) {
            QCOMPARE(client.ReadLn(), SjisString()); // not an error
            return;
        }
        try {
            client.ReadLn();
            QFAIL("the wait did not end");
        } catch (const EAbortError& e) {
            QCOMPARE(QByteArray(e.what()), QByteArray("Socket readln aborted"));
        }
        QVERIFY(!client.Canceled()); // the flag is cleared for the next operation
    }

    void notConnectedCallsForAConnection()
    {
        TSocketClient client;
        int required = 0;
        client.OnConnectionRequired = [&](TSocketClient&) { ++required; };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, client.CertifyConnect());
        QCOMPARE(required, 1);
    }

    void addressesInPortCommandForm()
    {
        Peer peer;
        TSocketClient client;
        peer.configure(client);
        client.Connect();
        QCOMPARE(client.GetLocalAddress(), QStringLiteral("127,0,0,1"));
        TSocketClient data;
        data.Port = 0;
        data.Listen(true);
        const quint16 port = data.LocalPort();
        QCOMPARE(data.GetPortString(), QStringLiteral(",%1,%2").arg(port / 256).arg(port % 256));
    }

    void acceptTakesOverTheConnection()
    {
        TSocketClient data;
        data.Listen(true);
        QTcpSocket peer;
        peer.connectToHost(QHostAddress::LocalHost, data.LocalPort());
        data.Accept();
        QVERIFY(data.Connected());
        peer.write("150 x\r\n");
        QCOMPARE(data.ReadLn(), SjisString("150 x\r\n"));
    }

    void sendFileCountsEveryChunk()
    {
        Peer peer;
        TSocketClient client;
        peer.configure(client);
        client.Connect();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray content(300000, 'k');
        f.write(content);
        f.close();
        QList<qint64> seen;
        client.OnPacketSent = [&](TSocketClient& c) { seen << c.BytesSent(); };
        client.SendFile(path);
        QCOMPARE(client.BytesSent(), qint64(content.size()));
        QVERIFY(seen.size() >= 5); // at least one report per 64 KiB chunk
        QCOMPARE(seen.last(), qint64(content.size()));
        QTRY_COMPARE(peer.received.size(), content.size());
    }
};

QTEST_GUILESS_MAIN(TestSocketClient)
#include "tst_socketclient.moc"
