// Upload runs over SFTP against a scripted server (sftp_test_server.py):
// the pages go into new folders, the host key is asked about, checked or
// refused, and every fault ends the run with its alert, the queue kept and
// the live page whole.
#include "SshTestServers.h"
#include "UploadFixture.h"

#include <QtTest>

namespace {

using Alert = UploadRun::Alert;
using Step = UploadRun::Step;

const QByteArray LivePage = "<html>live</html>\r\n";
const QByteArray NewPage = QByteArray(300000, 'n');

enum class HostKey { Known, Unknown, Changed };
enum class Answer { Yes, No };

} // namespace

class TestSftpRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The run reads ~/.ssh (keys, known_hosts) and may offer an agent's keys.
        QVERIFY(home_.isValid());
        qputenv("HOME", home_.path().toUtf8());
        qunsetenv("SSH_AUTH_SOCK");
    }

    void runs_data();
    void runs();
    void tavpubTrustsAHostKeyOnlyWhenTold();

private:
    QString knownHosts() const { return home_.filePath(QStringLiteral(".ssh/known_hosts")); }
    QTemporaryDir home_;
};

void TestSftpRun::runs_data()
{
    QTest::addColumn<QString>("mode");      // the server's
    QTest::addColumn<int>("hostKey");       // HostKey
    QTest::addColumn<int>("answer");        // Answer to the host key question
    QTest::addColumn<bool>("atomic");
    QTest::addColumn<bool>("wrongPassword");
    QTest::addColumn<bool>("cancel");       // Stop once the server holds a write
    QTest::addColumn<int>("step");          // how the run ends
    QTest::addColumn<int>("alert");         // -1: none
    QTest::addColumn<bool>("asked");        // the host key question came
    QTest::addColumn<bool>("firstSent");    // the first page made it before the failure
    const int none = -1;
    auto row = [&](const char* name, const char* mode, HostKey key, Answer answer, bool atomic, bool wrong,
                   bool cancel, Step step, int alert, bool asked, bool firstSent = false) {
        QTest::newRow(name) << mode << int(key) << int(answer) << atomic << wrong << cancel << int(step) << alert
                            << asked << firstSent;
    };
    row("new folders, plain store", "none", HostKey::Known, Answer::No, false, false, false, Step::Finished, none, false);
    row("atomic over the live page by delete", "none", HostKey::Known, Answer::No, true, false, false, Step::Finished,
        none, false);
    row("unknown host trusted", "none", HostKey::Unknown, Answer::Yes, true, false, false, Step::Finished, none, true);
    row("unknown host refused", "none", HostKey::Unknown, Answer::No, true, false, false, Step::Failed, none, true);
    row("changed host key", "none", HostKey::Changed, Answer::Yes, true, false, false, Step::Failed,
        int(Alert::HostKeyChanged), false);
    row("refused login", "none", HostKey::Known, Answer::No, true, true, false, Step::Failed, int(Alert::LoginFailed),
        false);
    // The first page goes into a folder that exists, the second needs new ones.
    row("refused mkdir", "refuse-mkdir", HostKey::Known, Answer::No, true, false, false, Step::Failed,
        int(Alert::FolderNotCreated), false, true);
    row("refused rename", "refuse-rename", HostKey::Known, Answer::No, true, false, false, Step::Failed,
        int(Alert::NotUploaded), false);
    row("dropped mid-transfer", "drop-mid-transfer", HostKey::Known, Answer::No, true, false, false, Step::Failed,
        int(Alert::NotUploaded), false);
    row("slow server", "hold-write", HostKey::Known, Answer::No, true, false, false, Step::Failed,
        int(Alert::NotUploaded), false);
    row("cancel during the transfer", "hold-write", HostKey::Known, Answer::No, true, false, true, Step::Failed, none,
        false);
}

void TestSftpRun::runs()
{
    QFETCH(QString, mode);
    QFETCH(int, hostKey);
    QFETCH(int, answer);
    QFETCH(bool, atomic);
    QFETCH(bool, wrongPassword);
    QFETCH(bool, cancel);
    QFETCH(int, step);
    QFETCH(int, alert);
    QFETCH(bool, asked);
    QFETCH(bool, firstSent);

    PySftpServer server;
    QVERIFY(server.start(mode));
    QDir().mkpath(home_.filePath(QStringLiteral(".ssh")));
    QFile::remove(knownHosts());
    if (HostKey(hostKey) == HostKey::Known)
        WriteTestFile(knownHosts(), server.knownHostsLine());
    if (HostKey(hostKey) == HostKey::Changed) {
        const QString other = home_.filePath(QStringLiteral("other"));
        QVERIFY(MakeSshKey(other, QStringLiteral("ecdsa")));
        WriteTestFile(knownHosts(), QStringLiteral("[127.0.0.1]:%1 ").arg(server.port()).toUtf8()
                                        + PublicKeyText(other + QStringLiteral(".pub")) + '\n');
    }

    UploadFixture fixture;
    FtpSetting setting;
    setting.Protocol = FtpProtocol::Sftp;
    setting.HostName = "127.0.0.1:" + std::to_string(server.port());
    setting.UserName = server.user.toStdString();
    setting.PassWord = wrongPassword ? "wrong" : server.password.toStdString();
    setting.AtomicReplace = atomic;
    WriteFtpSetting(fixture.store, "ssh", setting);
    QDir(server.root()).mkpath(QStringLiteral("site/docs"));
    WriteTestFile(server.file(QStringLiteral("site/docs/one.html")), LivePage);
    fixture.addPage(QStringLiteral("one"), "ssh", "site/docs", NewPage);
    fixture.addPage(QStringLiteral("two"), "ssh", "site/new/deeper", NewPage);

    UploadRun run(fixture.store);
    run.SetTimeOut(mode == QLatin1String("hold-write") && !cancel ? 1500 : 20000);
    QStringList fingerprints;
    run.ConfirmHostKey = [&](const QString&, const QString& fingerprint) {
        fingerprints << fingerprint;
        return Answer(answer) == Answer::Yes;
    };
    QList<int> alerts;
    QObject::connect(&run, &UploadRun::alert, [&](Alert what, const QString&) { alerts << int(what); });
    if (cancel)
        QObject::connect(&run, &UploadRun::stepChanged, [&](Step now) {
            if (now != Step::Uploading)
                return;
            // Once a write is held, the transfer is under way.
            QTimer::singleShot(0, &run, [&] {
                QVERIFY(QTest::qWaitFor([&] { return server.transcript().join('\n').contains("write "); }, 20000));
                run.Stop();
            });
        });
    run.List();
    QVERIFY(run.CanStart());
    run.Start();
    server.release();

    QCOMPARE(int(run.CurrentStep()), step);
    QCOMPARE(alerts, alert < 0 ? QList<int>{} : QList<int>{alert});
    QCOMPARE(fingerprints.size(), asked ? 1 : 0);
    const QStringList transcript = server.transcript();
    if (asked) { // as OpenSSH prints it
        const QByteArray blob = QByteArray::fromBase64(server.hostKeyText.split(' ').value(1));
        QCOMPARE(fingerprints.first(),
                 "SHA256:" + QCryptographicHash::hash(blob, QCryptographicHash::Sha256)
                                 .toBase64(QByteArray::OmitTrailingEquals));
    }
    if (Step(step) == Step::Finished) {
        QCOMPARE(fixture.queued(), size_t(0));
        QCOMPARE(ReadTestFile(server.file(QStringLiteral("site/docs/one.html"))), NewPage);
        QCOMPARE(ReadTestFile(server.file(QStringLiteral("site/new/deeper/two.html"))), NewPage);
        // Without posix-rename the live page had to go first.
        QCOMPARE(transcript.contains(QStringLiteral("remove /site/docs/one.html")), atomic);
        if (asked) // trusted once, known from now on
            QVERIFY(ReadTestFile(knownHosts()).contains(server.hostKeyText));
        return;
    }
    // Whatever failed, the queue is kept, the live page is whole or wholly
    // replaced, and the failed row says why.
    QCOMPARE(fixture.queued(), size_t(2));
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("site/docs/one.html"))), firstSent ? NewPage : LivePage);
    QVERIFY(!run.Rows()[size_t(run.CurrentRow())].reason.isEmpty() || cancel);
    if (HostKey(hostKey) != HostKey::Known) {
        // Refused before a password or a key was offered.
        QVERIFY(!transcript.join('\n').contains("auth "));
        QVERIFY(run.UntrustedHostKey());
        QCOMPARE(run.UntrustedHostKey()->Changed, HostKey(hostKey) == HostKey::Changed);
    }
    if (atomic && run.SFTP.Connected()) // a session that outlived the failure leaves no temporary file
        QCOMPARE(QDir(server.file(QStringLiteral("site/docs"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("one.html")});
}

// Nobody can be asked: an unknown host key ends the run with the command
// that trusts it, and that command sends the queue.
void TestSftpRun::tavpubTrustsAHostKeyOnlyWhenTold()
{
    PySftpServer server;
    QVERIFY(server.start());
    QFile::remove(knownHosts());
    UploadFixture fixture;
    FtpSetting setting;
    setting.Protocol = FtpProtocol::Sftp;
    setting.HostName = "127.0.0.1:" + std::to_string(server.port());
    setting.UserName = server.user.toStdString();
    setting.PassWord = server.password.toStdString();
    WriteFtpSetting(fixture.store, "ssh", setting);
    fixture.addPage(QStringLiteral("one"), "ssh", "site", NewPage);

    auto tavpub = [&](const QStringList& args) {
        QProcess p;
        fixture.startTavpubUpload(p, args);
        p.waitForFinished(30000);
        return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardError()).trimmed());
    };
    const auto [refused, told] = tavpub({});
    QCOMPARE(refused, 1);
    const QString last = told.split('\n').last();
    const qsizetype at = last.indexOf(QLatin1String("--trust-fingerprint SHA256:"));
    QVERIFY2(at > 0, qPrintable(last));
    QVERIFY(!server.transcript().join('\n').contains("auth "));
    QCOMPARE(fixture.queued(), size_t(1));

    const QString fingerprint = last.mid(at + 20).section(QLatin1Char(' '), 0, 0);
    const auto [sent, log] = tavpub({QStringLiteral("--trust-fingerprint"), fingerprint});
    QVERIFY2(sent == 0, qPrintable(log));
    QCOMPARE(ReadTestFile(server.file(QStringLiteral("site/one.html"))), NewPage);
    QVERIFY(ReadTestFile(knownHosts()).contains(server.hostKeyText));
    QCOMPARE(fixture.queued(), size_t(0));
}

QTEST_GUILESS_MAIN(TestSftpRun)
#include "tst_sftprun.moc"
