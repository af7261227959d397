// The upload window, offscreen, against real pyftpdlib servers: what its
// list, labels, gauge, buttons and message boxes show, the companion's
// notifications, the queue afterwards, and closing in the middle of a run.
#include "TlsTestServers.h"
#include "UploadFixture.h"
#include "common/ModalAnswer.h"
#include "controls/TProgressGauge.h"
#include "dialogs/TformUpload.h"
#include "ui_TformUpload.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Closes every message box the window shows, keeping "caption|text|icon".
struct Boxes {
    QStringList shown;

    explicit Boxes(TformUpload& window)
    {
        QObject::connect(&window, &TformUpload::messageShown, &window, [this] {
            // The box is up once its own event loop runs.
            QTimer::singleShot(0, [this] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box);
                const char* icon = box->icon() == QMessageBox::Critical ? "stop" : "information";
                shown << box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|') + QLatin1String(icon);
                box->accept();
            });
        });
    }
};

QString State(TformUpload& window, int row)
{
    return window.form().listUpload->topLevelItem(row)->text(3);
}

// A notification still in flight would hold the notifier's worker until its
// exchange times out.
void WaitForNotifications(TformUpload& window)
{
    QVERIFY(window.run().Notices.WaitUntilSent(10000));
}

} // namespace

class TestUploadWindow : public QObject {
    Q_OBJECT
private slots:
    void runs_data();
    void runs();
    void listingThatCannotBeSent_data();
    void listingThatCannotBeSent();
    void cancelMidTransferClosesAfterTheChain();
    void untrustedCertificateIsAskedAbout_data();
    void untrustedCertificateIsAskedAbout();
};

// Pages are given by their remote folders; "!gone" is a queued page whose
// file was deleted.
void TestUploadWindow::runs_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QStringList>("states");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("queued");
    QTest::addColumn<QList<QByteArray>>("scripts");
    const QByteArray start = SJIS_START, done = SJIS_ALL_DONE, failed = SJIS_FAILED;
    QTest::newRow("existing-folder") << "none" << QStringList{"www"} << QStringList{U(JA_DONE)} << QStringList()
                                     << QString() << 0 << QList<QByteArray>{start, done};
    QTest::newRow("missing-folder-level-by-level")
        << "none" << QStringList{"www/a/b"} << QStringList{U(JA_DONE)} << QStringList() << QString() << 0
        << QList<QByteArray>{start, done};
    // A failure's reason shows in its row and under the request text; the
    // refusal is one message box.
    QTest::newRow("refused-stor") << "refuse-stor" << QStringList{""}
                                  << QStringList{U(JA_FAILED " (550 Permission denied.)")}
                                  << QStringList{U("失敗|" JA_NO_UPLOAD "|information")}
                                  << QStringLiteral("550 Permission denied.") << 1
                                  << QList<QByteArray>{start, failed};
    QTest::newRow("refused-login") << "wrong-password" << QStringList{"www"}
                                   << QStringList{U(JA_FAILED " (530 Authentication failed.)")}
                                   << QStringList{U("警告|" JA_AUTH_FAILED_TAV "|stop")}
                                   << QStringLiteral("\n530 Authentication failed.") << 1
                                   << QList<QByteArray>{start, failed};
    // The unreadable page is listed with its reason and stays queued; the
    // others are sent.
    QTest::newRow("unreadable-among-readable")
        << "none" << QStringList{"www", "!gone", "www"}
        << QStringList{U(JA_DONE), U(JA_FAILED " (No such file or directory)"), U(JA_DONE)} << QStringList()
        << QString() << 1 << QList<QByteArray>{start, failed};
}

void TestUploadWindow::runs()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, pages);
    QFETCH(QStringList, states);
    QFETCH(QStringList, boxes);
    QFETCH(QString, reason);
    QFETCH(int, queued);
    QFETCH(QList<QByteArray>, scripts);
    PyFtpServer server;
    const bool wrongPassword = fault == QLatin1String("wrong-password");
    QVERIFY(server.start(wrongPassword ? QStringLiteral("none") : fault));
    QDir(server.root()).mkdir(QStringLiteral("www"));
    UploadFixture f;
    f.addServer("main", server.port(), server.user, wrongPassword ? QStringLiteral("wrong") : server.password);
    for (int i = 0; i < pages.size(); ++i) {
        const bool gone = pages[i] == QLatin1String("!gone");
        const QString page = f.addPage(QStringLiteral("p%1").arg(i), "main", gone ? "" : pages[i].toStdString(),
                                       QByteArray(100000 + i, 'x'));
        if (gone)
            QFile::remove(page);
    }
    SstpListener sstp;
    QVERIFY(sstp.listening());
    TformUpload window(f.store);
    Boxes shown(window);
    window.show();
    auto& ui = window.form();
    QCOMPARE(ui.listUpload->topLevelItemCount(), pages.size());
    QCOMPARE(ui.lablRequest->text(), U("待機しています。"));
    QVERIFY(ui.bttnOk->isEnabled());

    ui.bttnOk->click(); // returns when the run is over
    QCOMPARE(shown.shown, boxes);
    for (int i = 0; i < states.size(); ++i)
        QCOMPARE(State(window, i), states[i]);
    QCOMPARE(ui.lablRequest->text().contains(reason), true);
    const bool sent = queued < pages.size();
    QCOMPARE(ui.bttnCancel->text(), sent ? U(JA_CLOSE) : U("キャンセル"));
    QVERIFY(!ui.bttnOk->isEnabled());
    if (sent) {
        QCOMPARE(ui.Pie->Progress(), 100);
        QCOMPARE(ui.lablRate->text(), ui.lablRateMax->text());
        QCOMPARE(ReadTestFile(server.file(pages[0] + QStringLiteral("/p0.html"))), QByteArray(100000, 'x'));
    }
    QCOMPARE(int(f.queued()), queued);
    QTRY_COMPARE(sstp.requests.size(), scripts.size());
    for (int i = 0; i < scripts.size(); ++i)
        QVERIFY(sstp.requests[i].contains("Script: " + scripts[i] + "\r\n"));

    ui.bttnCancel->click();
    QVERIFY(!window.isVisible());
    WaitForNotifications(window);
}

void TestUploadWindow::listingThatCannotBeSent_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("okCaption");
    QTest::addColumn<QString>("request");
    QTest::newRow("empty-queue") << "secret" << 0 << QStringList() << U("アップロード")
                                 << U("アップロードするファイルがキューにありません。");
    QTest::newRow("no-password") << "" << 2 << QStringList{U("警告|" JA_NO_SERVER "|stop")} << U(JA_CANNOT_UPLOAD)
                                 << U("待機しています。");
}

void TestUploadWindow::listingThatCannotBeSent()
{
    QFETCH(QString, password);
    QFETCH(int, pages);
    QFETCH(QStringList, boxes);
    QFETCH(QString, okCaption);
    QFETCH(QString, request);
    UploadFixture f;
    f.addServer("main", 21, QStringLiteral("tav"), password);
    for (int i = 0; i < pages; ++i)
        f.addPage(QStringLiteral("p%1").arg(i), "main", "www");
    TformUpload window(f.store);
    Boxes shown(window);
    window.show();
    auto& ui = window.form();
    QCOMPARE(shown.shown, boxes); // once, not once per row
    QCOMPARE(ui.listUpload->topLevelItemCount(), pages);
    QCOMPARE(ui.bttnOk->text(), okCaption);
    QVERIFY(!ui.bttnOk->isEnabled());
    QCOMPARE(ui.lablRequest->text(), request);
    ui.bttnCancel->click();
    QVERIFY(!window.isVisible());
}

void TestUploadWindow::cancelMidTransferClosesAfterTheChain()
{
    PyFtpServer server;
    server.readLimit = 256 * 1024;
    QVERIFY(server.start(QStringLiteral("throttle")));
    UploadFixture f;
    f.addServer("main", server.port(), server.user, server.password);
    f.addPage(QStringLiteral("big"), "main", "", QByteArray(16 << 20, 'b'));
    SstpListener sstp;
    TformUpload window(f.store);
    Boxes shown(window);
    auto& ui = window.form();
    // Cancel as soon as the gauge has moved, from the event loop, as a click would come.
    int percentAtCancel = -1;
    QObject::connect(&window.run(), &UploadRun::progress, &window, [&](qint64 sent, qint64 total) {
        if (total > 0 && percentAtCancel < 0) {
            percentAtCancel = int(sent * 100 / total);
            QTimer::singleShot(0, ui.bttnCancel, &QPushButton::click);
        }
    });
    bool chainRunningAtClose = true;
    QObject::connect(&window, &QDialog::finished, &window,
                     [&] { chainRunningAtClose = window.run().Running(); });
    QTimer::singleShot(0, ui.bttnOk, &QPushButton::click);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(window.exec(), int(QDialog::Rejected));
    QVERIFY(clock.elapsed() < 10000);
    QVERIFY(percentAtCancel >= 0 && percentAtCancel < 100);
    QVERIFY(!chainRunningAtClose);
    QVERIFY(!window.isVisible());
    QCOMPARE(shown.shown, QStringList()); // the user asked to stop: no failure box
    QCOMPARE(State(window, 0), U(JA_FAILED));
    QCOMPARE(f.queued(), size_t(1));
    WaitForNotifications(window);
}

void TestUploadWindow::untrustedCertificateIsAskedAbout_data()
{
    QTest::addColumn<bool>("trust");
    QTest::addColumn<QString>("trusted"); // the fingerprint the setting trusts before
    const QString other = QStringLiteral("AB:").repeated(31) + QStringLiteral("AB");
    QTest::newRow("yes-remembers-and-sends") << true << QString();
    QTest::newRow("no-sends-nothing") << false << QString();
    // Another certificate was trusted before: the warning names both.
    QTest::newRow("changed-yes") << true << other;
    QTest::newRow("changed-no-keeps-the-old") << false << other;
}

void TestUploadWindow::untrustedCertificateIsAskedAbout()
{
    QFETCH(bool, trust);
    QFETCH(QString, trusted);
    PyFtpsServer server;
    QVERIFY(server.start());
    UploadFixture f;
    f.addServer("tls", server.port(), server.user, server.password);
    FtpSetting setting = ReadFtpSetting(f.store, "tls");
    setting.Protocol = FtpProtocol::Ftps;
    setting.TlsFingerprint = trusted.toStdString();
    WriteFtpSetting(f.store, "tls", setting);
    f.addPage(QStringLiteral("p"), "tls", "");
    TformUpload window(f.store);
    window.show();
    Box question;
    Answer(trust ? QMessageBox::Yes : QMessageBox::No, &question);
    window.form().bttnOk->click();
    QVERIFY(question.seen);
    QVERIFY2(question.text.contains(server.fingerprint) && question.text.contains(QStringLiteral("127.0.0.1")),
             qPrintable(question.text));
    QCOMPARE(question.defaultButton, QMessageBox::No);
    QCOMPARE(question.text.contains(trusted), true);
    QCOMPARE(question.title, trusted.isEmpty() ? U("質問") : U("警告"));
    QCOMPARE(QString::fromStdString(ReadFtpSetting(f.store, "tls").TlsFingerprint),
             trust ? server.fingerprint : trusted);
    if (trust)
        QCOMPARE(State(window, 0), U(JA_DONE));
    else // the row says which certificate was refused
        QVERIFY2(State(window, 0).startsWith(U(JA_FAILED) + QStringLiteral(" ("))
                     && State(window, 0).contains(server.fingerprint),
                 qPrintable(State(window, 0)));
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("p.html"))).isEmpty(), !trust);
    // Refused, the server heard nothing after AUTH TLS; trusted, the login starts again.
    const QStringList t = server.transcript();
    QCOMPARE(t.filter(QStringLiteral("USER")).size(), trust ? 1 : 0);
    QCOMPARE(t.first(), QStringLiteral("AUTH TLS"));
    window.form().bttnCancel->click();
    WaitForNotifications(window);
}

QTEST_MAIN(TestUploadWindow)
#include "tst_uploadwindow.moc"
