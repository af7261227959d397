// The SFTP client against a scripted server (sftp_test_server.py): the ways
// of logging in with a password, and faults in the middle of a session.
// Each fault must end with the right exception and a reason, and leave the
// client either usable or cleanly disconnected.
#include "SshTestServers.h"
#include "upload/SftpClient.h"

#include <QtTest>

namespace {

struct PasswordClient {
    QTemporaryDir home;
    SftpLogin login;
    SftpClient sftp;

    explicit PasswordClient(const PySftpServer& server)
    {
        login.host = QStringLiteral("127.0.0.1");
        login.port = server.port();
        login.user = server.user;
        login.password = server.password;
        login.sshDir = home.filePath(QStringLiteral(".ssh")); // no keys there
        login.useAgent = false;
        WriteTestFile(home.filePath(QStringLiteral("known_hosts")), server.knownHostsLine());
        login.knownHostsFile = home.filePath(QStringLiteral("known_hosts"));
        sftp.TimeOut = 20000;
    }
    QString localFile(int size)
    {
        const QString path = home.filePath(QStringLiteral("page.html"));
        WriteTestFile(path, QByteArray(size, 'p'));
        return path;
    }
};

} // namespace

class TestSftpFaults : public QObject {
    Q_OBJECT
private slots:
    void logins_data();
    void logins();
    void faults_data();
    void faults();
};

void TestSftpFaults::logins_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("port");       // 0: the server's
    QTest::addColumn<QString>("failure"); // empty: logged in
    QTest::addColumn<QString>("asked");  // the server's transcript holds this line
    QTest::newRow("password") << "none" << 0 << "" << "auth password tav";
    QTest::newRow("keyboard-interactive") << "keyboard-interactive" << 0 << "" << "auth keyboard-interactive tav";
    QTest::newRow("refused") << "refuse-login" << 0 << "Permission denied: 127.0.0.1:" << "auth password tav";
    QTest::newRow("nobody-listening") << "none" << 1 << "Connection refused" << "";
}

void TestSftpFaults::logins()
{
    QFETCH(QString, mode);
    QFETCH(int, port);
    QFETCH(QString, failure);
    QFETCH(QString, asked);
    PySftpServer server;
    QVERIFY(server.start(mode));
    PasswordClient c(server);
    if (port)
        c.login.port = quint16(port);
    QString reason;
    try {
        c.sftp.Connect(c.login);
        QCOMPARE(c.sftp.CurrentDir(), QStringLiteral("/"));
    } catch (const ESftpError& e) {
        reason = QString::fromUtf8(e.what());
    }
    QVERIFY2(failure.isEmpty() ? reason.isEmpty() : reason.contains(failure), qPrintable(reason));
    QCOMPARE(c.sftp.Connected(), failure.isEmpty());
    if (!asked.isEmpty())
        QVERIFY2(server.transcript().contains(asked), qPrintable(server.transcript().join('\n')));
}

// Every row logs in, does `call`, and expects `failure` in the reason.
void TestSftpFaults::faults_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("call");     // mkdir, rename, upload, connect
    QTest::addColumn<int>("timeOut");      // ms
    QTest::addColumn<int>("cancelAfter");  // cancel on the n-th progress report; -1: never
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("status");       // the SFTP status, -1: none
    QTest::addColumn<bool>("usable");      // still connected and working afterwards
    QTest::newRow("mkdir-refused") << "refuse-mkdir" << "mkdir" << 20000 << -1 << "Cannot make the folder /new: Permission denied" << 3 << true;
    QTest::newRow("rename-refused") << "refuse-rename" << "rename" << 20000 << -1 << "Cannot rename /a.html to /b.html: Permission denied" << 3 << true;
    // Without posix-rename the server keeps an existing target: the caller deletes it first.
    QTest::newRow("rename-onto-existing") << "none" << "rename" << 20000 << -1 << "Cannot rename /a.html to /b.html: Failure" << 4 << true;
    QTest::newRow("dropped-mid-transfer") << "drop-mid-transfer" << "upload" << 20000 << -1 << "was lost" << -1 << false;
    QTest::newRow("write-unanswered-times-out") << "hold-write" << "upload" << 1000 << -1 << "did not answer within 1000 ms" << -1 << false;
    QTest::newRow("silent-server-times-out") << "silent" << "connect" << 1000 << -1 << "timed out" << -1 << false;
    QTest::newRow("cancel-between-chunks-keeps-session") << "throttle" << "upload" << 20000 << 2 << "cancelled" << -1 << true;
    QTest::newRow("cancel-while-unanswered-disconnects") << "hold-write" << "upload" << 0 << 0 << "cancelled" << -1 << false;
}

void TestSftpFaults::faults()
{
    QFETCH(QString, mode);
    QFETCH(QString, call);
    QFETCH(int, timeOut);
    QFETCH(int, cancelAfter);
    QFETCH(QString, failure);
    QFETCH(int, status);
    QFETCH(bool, usable);
    PySftpServer server;
    QVERIFY(server.start(mode));
    PasswordClient c(server);
    WriteTestFile(server.file(QStringLiteral("a.html")), "a");
    WriteTestFile(server.file(QStringLiteral("b.html")), "b");
    if (call != QLatin1String("connect"))
        c.sftp.Connect(c.login);
    c.sftp.TimeOut = timeOut;

    // The caller's thread stays live: its timers run, progress comes on it.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    int reports = 0;
    c.sftp.OnProgress = [&](qint64, qint64) {
        QCOMPARE(QThread::currentThread(), qApp->thread());
        if (reports++ == cancelAfter)
            c.sftp.Cancel();
    };
    // Nothing is acknowledged while writes are held: the cancel comes once
    // the server holds a write.
    QTimer watcher;
    if (cancelAfter == 0 && mode == QLatin1String("hold-write")) {
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (server.transcript().join('\n').contains(QLatin1String("write ")))
                c.sftp.Cancel();
        });
        watcher.start(20);
    }

    QElapsedTimer clock;
    clock.start();
    QString reason;
    int got = -2;
    try {
        if (call == QLatin1String("connect"))
            c.sftp.Connect(c.login);
        else if (call == QLatin1String("mkdir"))
            c.sftp.MakeDirectory(QStringLiteral("new"));
        else if (call == QLatin1String("rename"))
            c.sftp.Rename(QStringLiteral("a.html"), QStringLiteral("b.html"));
        else
            c.sftp.Upload(c.localFile(8 * 1024 * 1024), QStringLiteral("page.html"));
    } catch (const ESftpCancelled& e) {
        reason = QStringLiteral("cancelled: ") + QString::fromUtf8(e.what());
        got = e.Status;
    } catch (const ESftpError& e) {
        reason = QString::fromUtf8(e.what());
        got = e.Status;
    }
    server.release();
    QVERIFY2(reason.contains(failure), qPrintable(reason));
    QCOMPARE(got, status);
    QCOMPARE(c.sftp.Connected(), usable);
    // A time-out or a cancel ends the call soon, not when the server gives
    // up; the caller's timers ran meanwhile.
    if (timeOut < 20000 || cancelAfter >= 0) {
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(ticks > 0, "the caller's event loop did not run during the call");
    }
    if (usable) {
        c.sftp.OnProgress = nullptr;
        c.sftp.Upload(c.localFile(1000), QStringLiteral("after.html"));
        QCOMPARE(ReadTestFile(server.file(QStringLiteral("after.html"))), QByteArray(1000, 'p'));
    }
    c.sftp.Disconnect();
    QVERIFY(!c.sftp.Connected());
}

QTEST_GUILESS_MAIN(TestSftpFaults)
#include "tst_sftpfaults.moc"
