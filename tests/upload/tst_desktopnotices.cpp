// The upload run's messages on the desktop: with no companion listening they
// go to the notification service of a private session bus, where a listener
// of this test owns org.freedesktop.Notifications.
#include "UploadFixture.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QRegularExpression>
#include <QtTest>

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

#define JA_START "\xe3\x82\xa2\xe3\x83\x83\xe3\x83\x97\xe3\x83\xad\xe3\x83\xbc\xe3\x83\x89\xe3\x82\x92\xe9\x96\x8b\xe5\xa7\x8b\xe3\x80\x82"
#define JA_ALL_DONE "\xe3\x82\xa2\xe3\x83\x83\xe3\x83\x97\xe3\x83\xad\xe3\x83\xbc\xe3\x83\x89\xe3\x81\x8c\xe5\x85\xa8\xe9\x83\xa8\xe6\xad\xa3\xe5\xb8\xb8\xe3\x81\xab\xe7\xb5\x82\xe4\xba\x86\xe3\x80\x82"
#define JA_RUN_FAILED "\xe3\x82\xa2\xe3\x83\x83\xe3\x83\x97\xe3\x83\xad\xe3\x83\xbc\xe3\x83\x89\xe5\xa4\xb1\xe6\x95\x97\xe3\x80\x82"

const char* const Service = "org.freedesktop.Notifications";
const char* const Path = "/org/freedesktop/Notifications";

// A bus of the test's own with a session bus's usual policy but without
// service activation: nothing on it but what the test puts there.
class SessionBus {
public:
    bool start()
    {
        if (!dir_.isValid())
            return false;
        const QString config = dir_.filePath(QStringLiteral("bus.conf"));
        WriteTestFile(config, QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                             "<auth>EXTERNAL</auth><policy context=\"default\">"
                                             "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                             "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                                  .arg(dir_.path())
                                  .toUtf8());
        DieWithParent(process_);
        process_.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                        QStringLiteral("--config-file=") + config});
        if (!process_.waitForReadyRead(10000))
            return false;
        address = QString::fromUtf8(process_.readLine().trimmed());
        return !address.isEmpty();
    }
    ~SessionBus()
    {
        process_.terminate();
        process_.waitForFinished(3000);
    }
    QString address;

private:
    QTemporaryDir dir_;
    QProcess process_;
};

// Stands in for the desktop's notification service and keeps every call.
class NoticeListener : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app, icon, summary, body;
        uint replaces;
        uint id;
    };
    QList<Call> calls;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        calls << Call{app, icon, summary, body, replaces, uint(calls.size() + 41)};
        return calls.last().id;
    }
};

} // namespace

class TestDesktopNotices : public QObject {
    Q_OBJECT
private:
    SessionBus bus_;
    std::unique_ptr<QDBusConnection> listenerBus_;
    NoticeListener listener_;

private slots:
    void initTestCase()
    {
        QVERIFY(bus_.start());
        // Before anything opens the session bus: the notifier finds ours.
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus_.address.toUtf8());
        listenerBus_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(bus_.address, QStringLiteral("listener")));
        QVERIFY(listenerBus_->isConnected());
        QVERIFY(listenerBus_->registerObject(QLatin1String(Path), &listener_, QDBusConnection::ExportAllSlots));
    }
    // The command line ends as soon as the run does: its last notice must
    // have left the process by then.
    void tavpubNoticesLeaveBeforeItEnds()
    {
        QVERIFY(listenerBus_->interface()->registerService(QLatin1String(Service)).isValid());
        listener_.calls.clear();
        PyFtpServer server;
        QVERIFY(server.start());
        UploadFixture f;
        f.addServer("main", server.port(), server.user, server.password);
        f.addPage(QStringLiteral("index"), "main", "");
        QProcess tavpub;
        f.startTavpubUpload(tavpub);
        // The listener answers only while this loop runs: no blocking wait.
        QTRY_VERIFY_WITH_TIMEOUT(tavpub.state() == QProcess::NotRunning, 30000);
        QCOMPARE(tavpub.exitCode(), 0);
        QTRY_COMPARE(listener_.calls.size(), 2);
        QCOMPARE(listener_.calls.last().summary, U(JA_ALL_DONE));
    }

    void cleanupTestCase() { QDBusConnection::disconnectFromBus(QStringLiteral("listener")); }

    void runMessagesReachTheDesktopWithoutACompanion_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("companion");
        QTest::addColumn<bool>("service");
        QTest::addColumn<QStringList>("notices");
        QTest::addColumn<QString>("failureBody"); // a pattern: which file, and why
        QTest::newRow("success") << "none" << false << true << QStringList{U(JA_START), U(JA_ALL_DONE)} << "";
        QTest::newRow("refused transfer") << "refuse-stor" << false << true
                                          << QStringList{U(JA_START), U(JA_RUN_FAILED)} << "index\\.html.*550";
        // The failure follows the start within a millisecond.
        QTest::newRow("refused connection") << "no-server" << false << true
                                            << QStringList{U(JA_START), U(JA_RUN_FAILED)} << "index\\.html.*refused";
        QTest::newRow("companion listens") << "none" << true << true << QStringList{} << "";
        QTest::newRow("no notice service") << "none" << false << false << QStringList{} << "";
    }

    void runMessagesReachTheDesktopWithoutACompanion()
    {
        QFETCH(QString, fault);
        QFETCH(bool, companion);
        QFETCH(bool, service);
        QFETCH(QStringList, notices);
        QFETCH(QString, failureBody);
        serveNotices(service);

        PyFtpServer server;
        const bool serverUp = fault != QLatin1String("no-server");
        QVERIFY(!serverUp || server.start(fault));
        UploadFixture f;
        f.addServer("main", serverUp ? server.port() : FreeLoopbackPort(), server.user, server.password);
        f.addPage(QStringLiteral("index"), "main", "");
        std::optional<SstpListener> sstp;
        if (companion)
            QVERIFY(sstp.emplace().listening());

        QStringList summaries;
        {
            UploadRun upload(f.store);
            upload.SetTimeOut(5000);
            upload.List();
            upload.Start();
            QCOMPARE(upload.CurrentStep(), fault == "none" ? UploadRun::Step::Finished : UploadRun::Step::Failed);
            if (companion)
                QTRY_COMPARE(sstp->requests.size(), 2);
            // Every notice has had its answer once the notices are idle.
            QVERIFY(upload.Notices.WaitUntilSent(20000));
        }
        for (const NoticeListener::Call& call : std::as_const(listener_.calls))
            summaries << call.summary;
        QCOMPARE(summaries, notices);
        for (qsizetype i = 0; i < listener_.calls.size(); ++i) {
            const NoticeListener::Call& call = listener_.calls[i];
            QCOMPARE(call.app, QStringLiteral("Tav Outliner"));
            QCOMPARE(call.icon, QStringLiteral("tav-outliner"));
            // Only a failure says more: which file, and the server's reply.
            if (call.summary == U(JA_RUN_FAILED))
                QVERIFY2(call.body.contains(QRegularExpression(failureBody)), qPrintable(call.body));
            else
                QCOMPARE(call.body, QString());
            // A run leaves one notice: each replaces the one before.
            QCOMPARE(call.replaces, i == 0 ? 0u : listener_.calls[i - 1].id);
        }
    }

    // Notices shown in a burst: one call at a time, each replacing the one
    // before; one overtaken while it waited is never shown. The body is
    // markup to the service: a server's text shows as text.
    void noticesInTurn_data()
    {
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("delivered");
        QTest::addColumn<QString>("deliveredBody");
        QTest::newRow("burst") << QStringList{"a", "b", "c"} << "" << QStringList{"a", "c"} << "";
        QTest::newRow("server text")
            << QStringList{"a"} << "550 <a href=\"http://x/\">see</a> & <img src=\"file:///etc/passwd\"/>"
            << QStringList{"a"}
            << "550 &lt;a href=\"http://x/\"&gt;see&lt;/a&gt; &amp; &lt;img src=\"file:///etc/passwd\"/&gt;";
    }
    void noticesInTurn()
    {
        QFETCH(QStringList, shown);
        QFETCH(QString, body);
        QFETCH(QStringList, delivered);
        QFETCH(QString, deliveredBody);
        serveNotices(true);
        DesktopNotifier desktop;
        for (const QString& summary : shown)
            QVERIFY(desktop.Show(summary, body));
        QTRY_VERIFY(desktop.Idle());
        QStringList summaries;
        for (qsizetype i = 0; i < listener_.calls.size(); ++i) {
            summaries << listener_.calls[i].summary;
            QCOMPARE(listener_.calls[i].body, deliveredBody);
            QCOMPARE(listener_.calls[i].replaces, i == 0 ? 0u : listener_.calls[i - 1].id);
        }
        QCOMPARE(summaries, delivered);
    }

private:
    void serveNotices(bool service)
    {
        QDBusConnectionInterface* names = listenerBus_->interface();
        if (service)
            QVERIFY(names->registerService(QLatin1String(Service)).isValid());
        else
            names->unregisterService(QLatin1String(Service));
        listener_.calls.clear();
    }
};

QTEST_MAIN(TestDesktopNotices)
#include "tst_desktopnotices.moc"
