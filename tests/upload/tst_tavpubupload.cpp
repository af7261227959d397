// tavpub upload: exit status, the queue, and the progress on stderr.
#include "UploadFixture.h"

#include <QProcess>
#include <QtTest>

namespace {

struct Result {
    int exitCode = -1;
    QString err;
};

Result RunTavpub(UploadFixture& f, const QStringList& args)
{
    QProcess p;
    f.startTavpubUpload(p, args);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

class TestTavpubUpload : public QObject {
    Q_OBJECT
private slots:
    void outcomes_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("queued");
        QTest::addColumn<QString>("rowState");
        QTest::addColumn<QString>("reason"); // a failure's last line names the file, then this pattern
        const QString failed = QStringLiteral(": failed");
        QTest::newRow("sent") << "none" << 0 << 0 << QStringLiteral(": sent") << QString();
        QTest::newRow("refused-stor") << "refuse-stor" << 1 << 1 << failed << "550 Permission denied.";
        // A server that never answers STOR: the time limit ends the job.
        QTest::newRow("silent-server") << "slow-stor" << 1 << 1 << failed << "Socket readln timed out";
        QTest::newRow("refused-login") << "wrong-password" << 1 << 1 << failed << "530 Authentication failed.";
        QTest::newRow("connection-refused") << "no-server" << 1 << 1 << failed
                                            << "Connection Failed \\(10061:Connection refused\\)";
        // The server closes the data connection: the socket's error, or the
        // server's 426 when the page was all sent before it noticed.
        QTest::newRow("data-dropped") << "drop-data" << 1 << 1 << failed << "^(100(32|53|54|57):|426 )";
    }
    void outcomes()
    {
        QFETCH(QString, fault);
        QFETCH(int, exitCode);
        QFETCH(int, queued);
        QFETCH(QString, rowState);
        QFETCH(QString, reason);
        PyFtpServer server;
        const bool serverUp = fault != QLatin1String("no-server");
        const bool wrongPassword = fault == QLatin1String("wrong-password");
        QVERIFY(!serverUp || server.start(wrongPassword ? QStringLiteral("none") : fault));
        QDir(server.root()).mkdir(QStringLiteral("www"));
        UploadFixture f;
        const quint16 port = serverUp ? server.port() : FreeLoopbackPort();
        f.addServer("main", port, server.user,
                    wrongPassword ? QStringLiteral("wrong") : server.password);
        f.addPage(QStringLiteral("cli"), "main", "www", QByteArray(3000000, 'c'));
        QElapsedTimer clock;
        clock.start();
        const Result r = RunTavpub(f, {QStringLiteral("--timeout"), QStringLiteral("1")});
        QVERIFY(clock.elapsed() < 20000);
        QVERIFY2(r.exitCode == exitCode, qPrintable(r.err));
        QCOMPARE(int(f.queued()), queued);
        QVERIFY2(r.err.contains(rowState), qPrintable(r.err));
        if (exitCode == 0) {
            QVERIFY2(r.err.contains(QStringLiteral("(100%)")), qPrintable(r.err));
            return;
        }
        const QString last = r.err.trimmed().split(QLatin1Char('\n')).last();
        const QString named = QStringLiteral("tavpub: upload: failed: ") + f.path(QStringLiteral("cli.html"))
                              + QStringLiteral(" -> www/cli.html on 127.0.0.1:%1: ").arg(port);
        QVERIFY2(last.startsWith(named), qPrintable(last));
        QVERIFY2(last.mid(named.size()).contains(QRegularExpression(reason)), qPrintable(last));
        QVERIFY2(last.endsWith(QStringLiteral("; the queue is kept")), qPrintable(last));
    }

    // What happens to the store while the run waits on a held STOR: the
    // first page is sent, the second held.
    void changesDuringTheRun_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("stillQueued");
        QTest::newRow("page-queued-meanwhile") << "queue-third" << 0 << QStringLiteral(": sent") << QStringList{"third"};
        QTest::newRow("sent-page-saved-again") << "save-first" << 0 << QStringLiteral(": sent") << QStringList{"first"};
        QTest::newRow("store-unwritable") << "unwritable" << 1 << QStringLiteral("the queue could not be updated")
                                          << QStringList{"first", "second"};
    }
    void changesDuringTheRun()
    {
        QFETCH(QString, change);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QFETCH(QStringList, stillQueued);
        PyFtpServer server;
        QVERIFY(server.start(QStringLiteral("hold-later-stor")));
        UploadFixture f;
        f.addServer("main", server.port(), server.user, server.password);
        QMap<QString, QString> pages;
        for (const QString& name : {QStringLiteral("first"), QStringLiteral("second")})
            pages[name] = f.addPage(name, "main", "");
        QProcess p;
        f.startTavpubUpload(p);
        QTRY_VERIFY_WITH_TIMEOUT(server.transcript().contains(QStringLiteral("STOR second.html")), 10000);

        const QString storeFolder = f.configHome() + QStringLiteral("/Tav");
        if (change == QLatin1String("unwritable")) {
            // A file where the store's folder was: nothing can be written there.
            QVERIFY(QDir().rename(storeFolder, storeFolder + QStringLiteral(".away")));
            WriteTestFile(storeFolder, "");
        } else if (change == QLatin1String("queue-third")) {
            pages[QStringLiteral("third")] = f.addPage(QStringLiteral("third"), "main", "");
        } else {
            f.addPage(QStringLiteral("first"), "main", "", "<html>changed after it was sent</html>\r\n");
        }
        server.release();
        QVERIFY(p.waitForFinished(20000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(p.exitCode() == exitCode, qPrintable(err));
        QVERIFY2(err.contains(message), qPrintable(err));
        if (change == QLatin1String("unwritable")) {
            QVERIFY(QFile::remove(storeFolder));
            QVERIFY(QDir().rename(storeFolder + QStringLiteral(".away"), storeFolder));
        }
        f.store.flush();
        std::vector<SjisString> expected;
        for (const QString& name : stillQueued)
            expected.push_back(pages[name].toStdString());
        QCOMPARE(ReadUploadQueue(f.store), expected);
    }

    void emptyQueueIsNothingToDo()
    {
        UploadFixture f;
        const Result r = RunTavpub(f, {});
        QCOMPARE(r.exitCode, 0);
    }

    // A time limit that int milliseconds cannot hold once wrapped round to
    // almost nothing or to no limit at all.
    void badArgumentIsAUsageError_data()
    {
        QTest::addColumn<QString>("timeout");
        for (const char* value : {"soon", "0", "-5", "2147484", "4294968", "99999999999"})
            QTest::newRow(value) << QString::fromLatin1(value);
    }
    void badArgumentIsAUsageError()
    {
        QFETCH(QString, timeout);
        UploadFixture f;
        f.addServer("main", FreeLoopbackPort(), QStringLiteral("tav"), QStringLiteral("secret"));
        f.addPage(QStringLiteral("p"), "main", "");
        const Result r = RunTavpub(f, {QStringLiteral("--timeout"), timeout});
        QVERIFY2(r.exitCode == 2, qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("--timeout")), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestTavpubUpload)
#include "tst_tavpubupload.moc"
