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
    f.store.flush();
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), f.configHome());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAVPUB_PATH), QStringList{QStringLiteral("upload")} + args);
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
        QTest::newRow("sent") << "none" << 0 << 0 << QString::fromUtf8(JA_DONE);
        QTest::newRow("refused-stor") << "refuse-stor" << 1 << 1 << QString::fromUtf8(JA_FAILED);
        // A server that never answers STOR: the time limit ends the job.
        QTest::newRow("silent-server") << "slow-stor" << 1 << 1 << QString::fromUtf8(JA_FAILED);
    }
    void outcomes()
    {
        QFETCH(QString, fault);
        QFETCH(int, exitCode);
        QFETCH(int, queued);
        QFETCH(QString, rowState);
        PyFtpServer server;
        QVERIFY(server.start(fault));
        UploadFixture f;
        f.addServer("main", server.port(), server.user, server.password);
        f.addPage(QStringLiteral("cli"), "main", "", QByteArray(100000, 'c'));
        QElapsedTimer clock;
        clock.start();
        const Result r = RunTavpub(f, {QStringLiteral("--timeout"), QStringLiteral("1")});
        QVERIFY(clock.elapsed() < 20000);
        QVERIFY2(r.exitCode == exitCode, qPrintable(r.err));
        QCOMPARE(int(f.queued()), queued);
        QVERIFY2(r.err.contains(rowState), qPrintable(r.err));
        if (exitCode == 0)
            QVERIFY2(r.err.contains(QStringLiteral("(100%)")), qPrintable(r.err));
    }

    void emptyQueueIsNothingToDo()
    {
        UploadFixture f;
        const Result r = RunTavpub(f, {});
        QCOMPARE(r.exitCode, 0);
    }

    void badArgumentIsAUsageError()
    {
        UploadFixture f;
        QCOMPARE(RunTavpub(f, {QStringLiteral("--timeout"), QStringLiteral("soon")}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestTavpubUpload)
#include "tst_tavpubupload.moc"
